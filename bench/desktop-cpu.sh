#!/usr/bin/env bash
# The desktop program's CPU while it plays "Binaural - 7.83 (Schumann
# Resonance)" (or the --session or --tones among the options) at 48 kHz and
# 256 frames into a private PulseAudio daemon's null sink, with its window on
# the display of $DISPLAY (an Xvfb of your own).
# Prints, per run, the program's CPU (utime + stime from /proc, over SECONDS,
# from 4 s after the start) as % of one core, its UI thread's share (the
# window, the editor and the main loop), and the X server's over the same time
# when XSERVER_PID names it.
# Usage: bench/desktop-cpu.sh [PROGRAM] [SECONDS] [RUNS] [options of the program...]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
program=${1:-$root/build/linux/tonewell}
seconds=${2:-20}
runs=${3:-3}
shift $(($# < 3 ? $# : 3))
work=$(mktemp -d)
daemon=""
trap '[[ -n "$daemon" ]] && kill "$daemon" 2>/dev/null; rm -rf "$work"' EXIT

mkdir -p "$work/home" "$work/run/pulse"
chmod 700 "$work/run"
export HOME=$work/home XDG_RUNTIME_DIR=$work/run PULSE_RUNTIME_PATH=$work/run/pulse
export PULSE_SERVER=unix:$work/run/pulse/native
cat >"$work/default.pa" <<EOF
load-module module-native-protocol-unix auth-anonymous=1
load-module module-null-sink sink_name=bench rate=48000 channels=2 format=float32le
set-default-sink bench
EOF
pulseaudio --daemonize=no --exit-idle-time=-1 --use-pid-file=no --disable-shm=yes \
    --system=no -n -F "$work/default.pa" >/dev/null 2>&1 &
daemon=$!
for _ in $(seq 50); do
    pactl info >/dev/null 2>&1 && break
    sleep 0.1
done

# A session or tone-set given in the options plays instead of the program.
start=(--program "7.83")
for option in "$@"; do
    [[ "$option" == --session || "$option" == --tones ]] && start=()
done
ticks() { awk '{ print $14 + $15 }' "/proc/$1/stat"; }
for ((run = 1; run <= runs; ++run)); do
    rm -rf "$work/home/.config"
    "$program" "${start[@]}" --rate 48000 --buffer 256 "$@" >"$work/out" 2>&1 &
    pid=$!
    sleep 4
    if ! kill -0 "$pid" 2>/dev/null; then
        cat "$work/out" >&2
        exit 1
    fi
    a=$(ticks "$pid")
    u=$(ticks "$pid/task/$pid")
    x=${XSERVER_PID:+$(ticks "$XSERVER_PID")}
    sleep "$seconds"
    b=$(ticks "$pid")
    v=$(ticks "$pid/task/$pid")
    y=${XSERVER_PID:+$(ticks "$XSERVER_PID")}
    kill "$pid"
    wait "$pid" 2>/dev/null || true
    # Clock ticks of 1/100 s over the seconds: % of one core.
    printf 'run %d: program %.2f %%, UI thread %.2f %%' "$run" \
        "$(echo "($b - $a) / $seconds" | bc -l)" "$(echo "($v - $u) / $seconds" | bc -l)"
    [[ -n "$x" ]] && printf ', X server %.2f %%' "$(echo "($y - $x) / $seconds" | bc -l)"
    echo
done
