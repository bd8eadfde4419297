#!/usr/bin/env bash
# The cost of playing a session: tonewell-render on sessions/wind-down.txt (20
# minutes of slides) against a fixed program of the same length, same rate,
# format and fade, in alternating pairs, PAIRS times (default 5). Prints each
# run's real-time factor and the median ratio of session to fixed CPU time
# (user + system). Usage: bench/session-render.sh [PAIRS]   (after a build)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
pairs=${1:-5}
render="$root/build/linux/tonewell-render"
session="$root/sessions/wind-down.txt"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
TIMEFORMAT='%R %U %S'
seconds=1200

# Prints "wall cpu" in seconds for one run of the command.
timed() {
    local times
    times=$({ time "$@" >/dev/null 2>&1; } 2>&1)
    awk '{ printf "%.3f %.3f\n", $1, $2 + $3 }' <<<"$times"
}

ratios=()
for ((pair = 1; pair <= pairs; ++pair)); do
    rm -f "$work/session.wav" "$work/fixed.wav"
    read -r session_wall session_cpu < <(timed "$render" --session "$session" --format pcm16 \
        -o "$work/session.wav")
    rm -f "$work/session.wav"
    read -r fixed_wall fixed_cpu < <(timed "$render" \
        --program "Binaural - 10.0 (Manipura chakra)" --set Fade=100 --set Volume=80 \
        --seconds "$seconds" --format pcm16 -o "$work/fixed.wav")
    rm -f "$work/fixed.wav"
    ratio=$(awk -v a="$session_cpu" -v b="$fixed_cpu" 'BEGIN { printf "%.3f", a / b }')
    ratios+=("$ratio")
    awk -v p="$pair" -v sw="$session_wall" -v sc="$session_cpu" -v fw="$fixed_wall" \
        -v fc="$fixed_cpu" -v r="$ratio" -v s="$seconds" 'BEGIN {
        printf "pair %d: session %.2f s wall (%.0f x), %.2f s cpu; fixed %.2f s wall (%.0f x), %.2f s cpu; cpu ratio %.3f\n",
            p, sw, s / sw, sc, fw, s / fw, fc, r }'
done
printf '%s\n' "${ratios[@]}" | sort -n | awk '{ v[NR] = $1 } END {
    printf "median cpu ratio session / fixed: %.3f\n", (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
