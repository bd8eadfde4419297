#!/usr/bin/env bash
# Remakes the listening guide's pictures (docs/guide/*.png) from the built
# programs, so they can follow the editor and the window when those change:
#   editor-generator.png    the editor on "Binaural - 7.83 (Schumann Resonance)"
#   editor-synthesizer.png  the editor in synthesizer mode playing A (note 69)
#   window-linux.png        the desktop program's window playing that program,
#                           on a private Xvfb, into a private PulseAudio
#                           daemon's null sink, with no saved state
# The editor pictures come from tonewell-snapshot at display scale 2 (the guide
# shows them at half size, sharp on HiDPI screens). The PNGs are committed; run
# this after changing the editor or the window, then rebuild guide.html.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
out="$root/docs/guide"
mkdir -p "$out"

bash "$root/scripts/install-packages.sh" imagemagick x11-utils xvfb pulseaudio pulseaudio-utils
# ImageMagick by absolute path: a "convert" or "import" earlier in PATH may be something else.
im=/usr/bin/convert-im6.q16
import=/usr/bin/import-im6.q16
[[ -x $im && -x $import ]] || { echo "make-guide-pictures: no ImageMagick 6 found" >&2; exit 1; }
png_options=(-strip -define png:exclude-chunks=date,time -define png:compression-level=9)

cmake --preset linux >/dev/null
cmake --build --preset linux --target tonewell tonewell-snapshot tonewell_bundle_resources

work=$(mktemp -d)
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

# The editor, drawn without a window.
snapshot=build/linux/tonewell-snapshot
"$snapshot" --scale 2 --program "Binaural - 7.83 (Schumann Resonance)" -o "$work/generator.png" >/dev/null
"$snapshot" --scale 2 --set "Center Freq=No" --note 69 -o "$work/synthesizer.png" >/dev/null
"$im" "$work/generator.png" "${png_options[@]}" "$out/editor-generator.png"
"$im" "$work/synthesizer.png" "${png_options[@]}" "$out/editor-synthesizer.png"

# The window: a private X server, sound server and home, so no saved state or
# output choice of the machine's own shows.
display=""
for number in $(seq 150 250); do
    if [[ ! -e /tmp/.X$number-lock && ! -e /tmp/.X11-unix/X$number ]]; then
        display=":$number"
        break
    fi
done
[[ -n $display ]] || { echo "make-guide-pictures: no free X display" >&2; exit 1; }
Xvfb "$display" -screen 0 1024x900x24 -nolisten tcp >/dev/null 2>&1 &
pids+=($!)
mkdir -p "$work/home" "$work/run/pulse"
chmod 700 "$work/run"
export HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" XDG_RUNTIME_DIR="$work/run"
export PULSE_RUNTIME_PATH="$work/run/pulse" PULSE_SERVER="unix:$work/run/pulse/native"
cat >"$work/default.pa" <<PA
load-module module-native-protocol-unix auth-anonymous=1
load-module module-null-sink sink_name=guide rate=48000 channels=2
set-default-sink guide
PA
pulseaudio --daemonize=no --exit-idle-time=-1 --use-pid-file=no --disable-shm=yes --system=no -n \
    -F "$work/default.pa" >/dev/null 2>&1 &
pids+=($!)
for _ in $(seq 100); do
    pactl info >/dev/null 2>&1 && [[ -e /tmp/.X11-unix/X${display#:} ]] && break
    sleep 0.1
done
DISPLAY="$display" build/linux/tonewell --program "Binaural - 7.83 (Schumann Resonance)" \
    >"$work/tonewell.log" 2>&1 &
pids+=($!)
window=""
for _ in $(seq 100); do
    # The top-level window, not GTK's 1 x 1 leader of the same name.
    window=$(DISPLAY="$display" xwininfo -root -children 2>/dev/null | awk '/"Tonewell"/ {
        for (i = 1; i <= NF; i++)
            if ($i ~ /^[0-9]+x[0-9]+[+-]/ && $i + 0 > 100) { print $1; exit }
    }')
    [[ -n $window ]] && break
    sleep 0.1
done
[[ -n $window ]] || { echo "make-guide-pictures: no window: $(cat "$work/tonewell.log")" >&2; exit 1; }
# Long enough for the meter to show the level.
sleep 2
DISPLAY="$display" "$import" -window "$window" "$work/window.png"
"$im" "$work/window.png" "${png_options[@]}" "$out/window-linux.png"

for name in editor-generator editor-synthesizer window-linux; do
    echo "make-guide-pictures: $out/$name.png, $("$im" "$out/$name.png" -format '%w x %h' info:)"
done
