#!/usr/bin/env bash
# Tonewell.exe under Wine, playing through Wine's PulseAudio driver into a
# private PulseAudio daemon with a null sink; the sink's monitor is recorded
# and both ears are measured. Also the ways it refuses: without any audio
# device, and without --no-window.
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

# The window is Linux-only so far: saying so beats opening nothing.
PULSE_SERVER="unix:$work/nothing-here" run --program "$schumann" --seconds 1
((status == 1)) || fail "without --no-window the exit status is $status, not 1"
grep -q "no window yet; play with --no-window" "$work/out.txt" ||
    fail "without --no-window: $(cat "$work/out.txt")"

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

# The monitor gives silence while the sink is idle: once the file grows, the
# recording runs and nothing played can be missed.
HOME="$work/home" parec --device=tonewell_test.monitor --file-format=wav --format=s16le \
    --rate=48000 --channels=2 --latency-msec=20 "$work/played.wav" &
recorder=$!
for _ in $(seq 100); do
    (($(stat -c %s "$work/played.wav" 2>/dev/null || echo 0) > 48000)) && break
    sleep 0.05
done
run --no-window --program "$schumann" --seconds 3
# What the sink still held when the program ended reaches the recording.
sleep 0.5
kill -INT "$recorder"
wait "$recorder" || true
recorder=""
cat "$work/out.txt"
((status == 0)) || fail "playing exited with $status"
grep -q "^played 00:00:03.000, underruns: " "$work/out.txt" || fail "playing stopped short"
# 200 Hz around the centre, 7.83 Hz apart: 196.085 Hz left, 203.915 Hz right.
python3 "$measure" "$work/played.wav" 200 7.83 1 0 0.01 || fail "the ears are not at their frequencies"
echo "wine-live-output: passed"
