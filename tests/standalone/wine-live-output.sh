#!/usr/bin/env bash
# Tonewell.exe under Wine, playing through Wine's PulseAudio driver into a
# private PulseAudio daemon with a null sink. Its window (on the X server in
# DISPLAY) keeps its state in %APPDATA% and refuses a second window; the next
# window starts from that state, and what it plays is recorded from the
# sink's monitor and both ears are measured (measure-live.py: Wine's driver,
# starved on a busy machine, pads the stream with short gaps, so the ears are
# measured between them). Also what it does without any audio device.
#   wine-live-output.sh TONEWELL_EXE MEASURE_PY
# Wine's other audio drivers are switched off, so the machine's own sound
# cards never take part.
set -euo pipefail
exe=${1:?usage: wine-live-output.sh TONEWELL_EXE MEASURE_PY}
measure=${2:?usage: wine-live-output.sh TONEWELL_EXE MEASURE_PY}
root=$(cd "$(dirname "$0")/../.." && pwd)
# shellcheck source=../../scripts/wine-prefix.sh
source "$root/scripts/wine-prefix.sh"
export WINEDLLOVERRIDES="$WINEDLLOVERRIDES;winealsa.drv,wineoss.drv="

schumann="Binaural - 7.83 (Schumann Resonance)"
work=$(mktemp -d)
daemon=""
recorder=""
keep=0
cleanup() {
    [[ -n "$recorder" ]] && kill "$recorder" 2>/dev/null
    [[ -n "$daemon" ]] && kill "$daemon" 2>/dev/null
    wait 2>/dev/null
    ((keep)) || rm -rf "$work"
}
trap cleanup EXIT
# A failure keeps the recording and the logs for a look.
fail() {
    echo "wine-live-output: $*" >&2
    echo "wine-live-output: recording and logs kept in $work" >&2
    keep=1
    exit 1
}
# Runs Tonewell.exe with a time limit; its output (Wine's own lines left out)
# goes to $work/out.txt, its exit status to $status.
run() {
    status=0
    timeout 60 wine "$exe" "$@" >"$work/raw.txt" 2>&1 || status=$?
    tr -d '\r' <"$work/raw.txt" | grep -v '^ALSA lib\|^it looks like wine32\|^multiarch\|^execute\|^apt-get' \
        >"$work/out.txt" || true
}

# Nothing to play to: a clear message and a non-zero exit.
PULSE_SERVER="unix:$work/nothing-here" run --no-window --program "$schumann" --seconds 1
((status == 1)) || fail "without a sound server the exit status is $status, not 1: $(cat "$work/out.txt")"
grep -q "^tonewell: no audio output device" "$work/out.txt" ||
    fail "without a sound server: $(cat "$work/out.txt")"

if [[ -z "${DISPLAY:-}" ]]; then
    [[ "${TONEWELL_REQUIRE_DISPLAY:-}" == 1 ]] && fail "the window needs an X server in DISPLAY"
    echo "wine-live-output: no DISPLAY, so no window; skipped"
    exit 0
fi
PULSE_SERVER="unix:$work/nothing-here" run --program "$schumann" --seconds 1
((status == 1)) || fail "the window without a sound server exits with $status, not 1"
grep -q "^tonewell: no audio output device" "$work/out.txt" ||
    fail "the window without a sound server: $(cat "$work/out.txt")"
state_folder="$(winepath -u 'C:\users' 2>/dev/null)"
find "$state_folder" -path '*/Kestrin/Tonewell/*' -delete 2>/dev/null || true

# The daemon and its clients find each other through the private runtime folder.
mkdir -p "$work/runtime/pulse" "$work/home"
chmod 700 "$work/runtime"
export XDG_RUNTIME_DIR="$work/runtime" PULSE_RUNTIME_PATH="$work/runtime/pulse"
export PULSE_SERVER="unix:$work/runtime/pulse/native"
cat >"$work/default.pa" <<'TEXT'
load-module module-native-protocol-unix auth-anonymous=1
load-module module-null-sink sink_name=tonewell_test rate=48000 channels=2 format=float32le
set-default-sink tonewell_test
TEXT
HOME="$work/home" pulseaudio --daemonize=no --exit-idle-time=-1 --use-pid-file=no \
    --disable-shm=yes --system=no -n -F "$work/default.pa" >"$work/pulseaudio.log" 2>&1 &
daemon=$!
for _ in $(seq 100); do
    HOME="$work/home" pactl info >/dev/null 2>&1 && break
    kill -0 "$daemon" 2>/dev/null || fail "pulseaudio did not start: $(cat "$work/pulseaudio.log")"
    sleep 0.1
done
HOME="$work/home" pactl info >/dev/null 2>&1 || fail "pulseaudio does not answer"

# A second window is refused while the first plays; the first leaves its
# state behind.
timeout 60 wine "$exe" --program "$schumann" --set Frequency=300 --seconds 4 \
    >"$work/first.txt" 2>&1 &
first=$!
for _ in $(seq 300); do
    grep -q "playing through" "$work/first.txt" && break
    kill -0 "$first" 2>/dev/null || break
    sleep 0.1
done
run --seconds 1
((status == 1)) || fail "a second window exits with $status, not 1: $(cat "$work/out.txt")"
grep -q "another Tonewell window is open" "$work/out.txt" ||
    fail "a second window: $(cat "$work/out.txt")"
wait "$first" || fail "the first window exited with $?: $(tr -d '\r' <"$work/first.txt")"
state=$(find "$state_folder" -path '*/AppData/Roaming/Kestrin/Tonewell/last.vstpreset' | head -n 1)
[[ -s "$state" ]] || fail "the window left no state in %APPDATA%\\Kestrin\\Tonewell"

# recorded ARGS...: runs Tonewell.exe with ARGS while the sink's monitor is
# recorded into $work/played.wav. The monitor of an idle sink gives nothing:
# the recording starts with the sound, once the recorder is connected.
recorded() {
    HOME="$work/home" parec --device=tonewell_test.monitor --file-format=wav --format=s16le \
        --rate=48000 --channels=2 --latency-msec=20 "$work/played.wav" &
    recorder=$!
    for _ in $(seq 100); do
        [[ -n "$(HOME="$work/home" pactl list short source-outputs 2>/dev/null)" ]] && break
        kill -0 "$recorder" 2>/dev/null || fail "parec did not start"
        sleep 0.05
    done
    run "$@"
    # What the sink still held when the program ended reaches the recording.
    sleep 0.5
    kill -INT "$recorder"
    wait "$recorder" || true
    recorder=""
}

# Without a window nothing is saved or restored, and with nothing asked for
# the first start plays Schumann's beat around 200 Hz.
recorded --no-window --seconds 3
((status == 0)) || fail "playing without a window exited with $status"
grep -q "^played 00:00:03.000, underruns: " "$work/out.txt" || fail "--no-window stopped short"
python3 "$measure" "$work/played.wav" 196.085 203.915 0.01 ||
    fail "the first start does not play Schumann's beat"
# SBaGen tone specs play through the session library's voices.
run --no-window --tones "pink/10 200+10/20 300@8/15" --seconds 2
((status == 0)) || fail "--tones exited with $status: $(cat "$work/out.txt")"
grep -q "^played 00:00:02.000, underruns: " "$work/out.txt" || fail "--tones: $(cat "$work/out.txt")"
# An SBaGen file's layers are all heard: a binaural voice (205 Hz left, 195 Hz
# right) and a 1000 Hz tone pulsed in both ears, over pink noise.
printf '## layers\nfirst: 200+10/30 1000@4/20 pink/5\nNOW first\n' >"$work/layers.sbg"
recorded --no-window --session "$(winepath -w "$work/layers.sbg")" --seconds 3
((status == 0)) || fail "the SBaGen session exited with $status: $(cat "$work/out.txt")"
/usr/bin/python3 - "$work/played.wav" <<'LAYERS' || fail "the SBaGen session's layers are not all heard"
import sys, wave
import numpy as np
with wave.open(sys.argv[1]) as w:
    rate = w.getframerate()
    audio = np.frombuffer(w.readframes(w.getnframes()), "<i2").reshape(-1, 2) / 32768.0
audio = audio[rate // 2 : -rate // 10]  # the start's glide and the end's fade left out
def level(ear, hz):
    t = np.arange(len(audio)) / rate
    return 2 * abs(np.mean(audio[:, ear] * np.exp(-2j * np.pi * hz * t)))
heard = {f"{hz} Hz {'left' if ear == 0 else 'right'}": level(ear, hz)
         for ear in (0, 1) for hz in (195, 205, 1000)}
print("wine-live-output: session layers:", ", ".join(f"{k} {v:.3f}" for k, v in heard.items()))
# Levels against each other: the gaps Wine's driver leaves lower them all alike.
main = min(heard["205 Hz left"], heard["195 Hz right"])
ok = (len(audio) > rate and main > 0.1
      and max(heard["205 Hz left"], heard["195 Hz right"]) < 1.2 * main
      and max(heard["195 Hz left"], heard["205 Hz right"]) < 0.05 * main
      and min(heard["1000 Hz left"], heard["1000 Hz right"]) > 0.08 * main)
sys.exit(0 if ok else 1)
LAYERS

# The window starts from the state the last one left: Schumann's beat
# around 300 Hz, at the buffer size Windows gets by default.
recorded --seconds 4
rm -f "$state"
cat "$work/out.txt"
((status == 0)) || fail "playing exited with $status"
grep -q "^tonewell: playing through .*, 512 frames a buffer" "$work/out.txt" ||
    fail "not played at the default 512 frames a buffer"
grep -q "^played 00:00:04.000, underruns: " "$work/out.txt" || fail "playing stopped short"
# 300 Hz around the centre, 7.83 Hz apart: 296.085 Hz left, 303.915 Hz right.
python3 "$measure" "$work/played.wav" 296.085 303.915 0.01 || fail "the ears are not at their frequencies"
echo "wine-live-output: passed"
