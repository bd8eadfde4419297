#!/usr/bin/env bash
# SBaGen sessions against SBaGen+ itself: every example session of the peer
# (../shared/peers/sbagen-plus/examples) rendered for its first 5 minutes at
# 48 kHz, 16-bit, by SBaGen+ (built here into a temporary folder, never into
# the repository) and by tonewell-render, then compared second by second by
# tests/sbagen/compare.py: each channel's level within 1.5 dB, SBaGen+'s most
# prominent tone present in ours within 0.2 Hz, pulse and spin rates within
# 0.05 Hz, in at least 95 % of the seconds of every file.
#
#   scripts/sbagen-suite.sh [EXAMPLE.sbg ...]
# The peer comes from TONEWELL_SBAGEN_PEER, by default ../shared/peers/sbagen-plus
# beside the repository; without it the suite is skipped (exit status 77).
# TONEWELL_SBAGEN_SECONDS (300) and TONEWELL_SBAGEN_JOBS (2) change the run.
# Exit status 0 when every file matches, 1 otherwise.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
peer=${TONEWELL_SBAGEN_PEER:-$root/../shared/peers/sbagen-plus}
render=$root/build/linux/tonewell-render
seconds=${TONEWELL_SBAGEN_SECONDS:-300}
jobs=${TONEWELL_SBAGEN_JOBS:-2}
python=/usr/bin/python3

if [[ ! -f "$peer/sbagen+.c" || ! -d "$peer/examples" ]]; then
    echo "sbagen: skipped: no SBaGen+ peer at $peer (set TONEWELL_SBAGEN_PEER)"
    exit 77
fi
peer=$(cd "$peer" && pwd)
[[ -x "$render" ]] || { echo "sbagen: FAILED: $render is not built"; exit 1; }
"$python" -c 'import numpy' 2>/dev/null || {
    echo "sbagen: FAILED: the comparison needs numpy (python3-numpy, scripts/setup.sh)"
    exit 1
}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
if ! bash "$peer/build.sh" "$work/bin" >"$work/build.log" 2>&1; then
    echo "sbagen: FAILED: SBaGen+ does not build:"
    tail -5 "$work/build.log"
    exit 1
fi
export SBAGEN="$work/bin/sbagen+" RENDER="$render" PYTHON="$python" WORK="$work" SECONDS_WANTED="$seconds"
export COMPARE="$root/tests/sbagen/compare.py" PEER="$peer" OMP_NUM_THREADS=1 OPENBLAS_NUM_THREADS=1
# numpy's large arrays otherwise go back to the system after every step.
export MALLOC_MMAP_THRESHOLD_=2147483647 MALLOC_TRIM_THRESHOLD_=2147483647 MALLOC_TOP_PAD_=268435456

# One example: both renders, then the comparison; its line goes to a file
# named after it, so the lines print in order.
compare_one() {
    local file=$1
    local name=${file#"$PEER/examples/"}
    local key=${name//\//_}
    local out="$WORK/$key"
    local length
    length=$(printf '%d:%02d:%02d' $((SECONDS_WANTED / 3600)) $((SECONDS_WANTED / 60 % 60)) \
        $((SECONDS_WANTED % 60)))
    # A session that mixes in a sound file (-m) gets the same generated one in both.
    local mix=() input=()
    if grep -qE '^[[:space:]]*-(.*[[:space:]])?-?m[[:space:]]' "$file"; then
        mix=(-m "$WORK/mix.wav")
        input=(--input "$WORK/mix.wav")
    fi
    # SBaGen+ reads a built-in sequence (-p drop, -p slide) from its command line
    # only: a file's -p line is given to it there, less its own -m.
    local source=("$file")
    local program
    program=$(grep -E '^[[:space:]]*-(.*[[:space:]])?-?p[[:space:]]' "$file" | head -1 | sed 's/#.*//')
    if [[ -n $program ]]; then
        local words
        read -ra words <<<"$program"
        source=()
        local i
        for ((i = 0; i < ${#words[@]}; i++)); do
            if [[ ${words[i]} == -m ]]; then
                i=$((i + 1))
            else
                source+=("${words[i]}")
            fi
        done
    fi
    if ! "$SBAGEN" -Q -W -S -L "$length" -r 48000 "${mix[@]}" -o "$out.ref.wav" "${source[@]}" \
        >/dev/null 2>"$out.err"; then
        echo "FAIL $name: SBaGen+ failed: $(head -c 200 "$out.err")" >"$out.line"
        return
    fi
    if ! "$RENDER" --session "$file" --seconds "$SECONDS_WANTED" --format pcm16 "${input[@]}" \
        -o "$out.ours.wav" >/dev/null 2>"$out.err"; then
        echo "FAIL $name: tonewell-render failed: $(grep -v warning "$out.err" | head -c 300)" >"$out.line"
        rm -f "$out.ref.wav"
        return
    fi
    "$PYTHON" "$COMPARE" "$out.ref.wav" "$out.ours.wav" --name "$name" >"$out.line" 2>&1 || true
    rm -f "$out.ref.wav" "$out.ours.wav"
}
export -f compare_one

# The sound file for sessions with a mix: a steady murmur of noise, 16-bit stereo.
"$python" - "$work/mix.wav" "$seconds" <<'MIX'
import sys, wave
import numpy as np
rate, seconds = 48000, int(sys.argv[2]) + 1
noise = np.random.default_rng(7).standard_normal((rate * seconds, 2))
spectrum = np.fft.rfft(noise, axis=0)
spectrum /= np.sqrt(np.maximum(np.fft.rfftfreq(len(noise), 1 / rate), 20.0))[:, None]
audio = np.fft.irfft(spectrum, len(noise), axis=0)
audio *= 0.1 / audio.std()
with wave.open(sys.argv[1], "wb") as w:
    w.setnchannels(2)
    w.setsampwidth(2)
    w.setframerate(rate)
    w.writeframes((np.clip(audio, -1, 1) * 32767).astype("<i2").tobytes())
MIX

if [[ $# -gt 0 ]]; then
    files=("$@")
else
    mapfile -t files < <(find "$peer/examples" -name '*.sbg' | LC_ALL=C sort)
fi
printf '%s\0' "${files[@]}" | xargs -0 -n 1 -P "$jobs" bash -c 'compare_one "$0"'

ok=0
bad=0
known=0
skipped=0
for file in "${files[@]}"; do
    name=${file#"$peer/examples/"}
    line=$(cat "$work/${name//\//_}.line" 2>/dev/null || echo "FAIL $name: no result")
    reason=$(awk -F '\t' -v name="$name" '$1 == name { print $2 }' "$root/tests/sbagen/known-differences.txt")
    if [[ $line == FAIL* && -n $reason ]]; then
        line="known ${line#FAIL } -- $reason"
    fi
    echo "$line"
    case $line in
    ok*) ok=$((ok + 1)) ;;
    skip*) skipped=$((skipped + 1)) ;;
    known*) known=$((known + 1)) ;;
    *) bad=$((bad + 1)) ;;
    esac
done
echo "sbagen: $ok of $((ok + bad + known)) example sessions match SBaGen+, $known known" \
    "difference(s), $bad failed, $skipped skipped"
[[ $bad -eq 0 ]]
