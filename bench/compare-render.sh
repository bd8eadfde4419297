#!/usr/bin/env bash
# Times tonewell-render against SBaGen+ on the same job, as a user waits for
# it: wall time until the file is on disk. By default the job is ten minutes
# at 48 kHz into a 16-bit WAV of a 7.83 Hz binaural beat around 200 Hz; with
# --sbg FILE it is that SBaGen session, rendered by both programs. The two
# run in turn, PAIRS times (default 6), each into a file removed beforehand,
# each timed with `sync FILE` after it (tonewell-render flushes its file
# itself, SBaGen+ leaves it to the kernel) and each started from a clean disk:
# dirty data flushed and, where this user may, the page cache dropped. Every
# pair gives the ratios of SBaGen+'s wall and CPU time (user + system) to
# ours; the summary prints their medians.
#
# SBaGen+ (GPL-2.0) is not part of this project: its unchanged source and
# build script sit in ../shared/peers/sbagen-plus/ beside the repository. It
# is built from there into $TONEWELL_PEER_BUILD (default
# /tmp/tonewell-peers/sbagen-plus; needs libasound2-dev), outside the
# repository; when the source folder is absent, only tonewell-render is timed.
#
# Usage: bench/compare-render.sh [--sbg FILE] [PAIRS [OPTION...]]
#        (after cmake --build --preset linux)
# OPTIONs go to tonewell-render, e.g. --dither none; $TONEWELL_RENDER times
# another build of it.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
sbg=""
if [[ ${1:-} == --sbg ]]; then
    sbg=$(realpath "$2")
    shift 2
fi
pairs=${1:-6}
extra=("${@:2}")
render=${TONEWELL_RENDER:-$root/build/linux/tonewell-render}
peer_source="$root/../shared/peers/sbagen-plus"
peer_build=${TONEWELL_PEER_BUILD:-/tmp/tonewell-peers/sbagen-plus}
peer="$peer_build/sbagen+"

if [[ ! -x "$render" ]]; then
    echo "compare-render: build tonewell-render first: cmake --build --preset linux" >&2
    exit 1
fi
if [[ -d "$peer_source" ]]; then
    if [[ ! -x "$peer" ]]; then
        # The peer's build needs ALSA's headers.
        if [[ "$(dpkg-query -W -f='${Status}' libasound2-dev 2>/dev/null)" != "install ok installed" ]]; then
            sudo_cmd=()
            [[ $(id -u) -eq 0 ]] || sudo_cmd=(sudo)
            "${sudo_cmd[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq libasound2-dev >/dev/null
        fi
        bash "$peer_source/build.sh" "$peer_build" >/dev/null
    fi
    echo "peer: SBaGen+ $(cat "$peer_source/VERSION"), built by its build.sh (gcc -O3)"
else
    echo "peer: $peer_source is absent; timing tonewell-render alone"
    peer=""
fi

# A clean disk before every run: nothing dirty left to flush, and no cached
# pages of the programs, their libraries or the last output where allowed.
drop_caches=false
if sync && (echo 3 >/proc/sys/vm/drop_caches) 2>/dev/null; then
    drop_caches=true
    echo "each run starts with the page cache dropped"
else
    echo "each run starts after sync; the page cache cannot be dropped by this user"
fi
clean_disk() {
    sync
    if $drop_caches; then echo 3 >/proc/sys/vm/drop_caches; fi
}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
TIMEFORMAT='%R %U %S'

# Prints "wall cpu" in seconds for one run of the command followed by a sync
# of its output file (the last argument).
timed() {
    local output=${*: -1} times
    rm -f "$output"
    clean_disk
    times=$({ time {
        "${@:1:$#-1}" >/dev/null 2>&1
        sync "$output"
    }; } 2>&1)
    awk '{ printf "%.3f %.3f\n", $1, $2 + $3 }' <<<"$times"
}

ours() {
    if [[ -n "$sbg" ]]; then
        timed "$render" --session "$sbg" --rate 48000 --format pcm16 "${extra[@]}" -o "$work/ours.wav" \
            "$work/ours.wav"
    else
        timed "$render" --program "Binaural - 7.83 (Schumann Resonance)" --seconds 600 \
            --rate 48000 --format pcm16 "${extra[@]}" -o "$work/ours.wav" "$work/ours.wav"
    fi
}

theirs() {
    if [[ -n "$sbg" ]]; then
        timed "$peer" -Q -W -r 48000 -o "$work/theirs.wav" "$sbg" "$work/theirs.wav"
    else
        timed "$peer" -Q -W -L 0:10:00 -r 48000 -o "$work/theirs.wav" -i 200+7.83/90 \
            "$work/theirs.wav"
    fi
}

# One row per pair: our wall and CPU, the peer's.
rows="$work/rows"
: >"$rows"
row() {
    awk '{ printf "%10.3f %9.3f %10.3f %9.3f %7.2f %6.2f\n", $1, $2, $3, $4,
        ($1 > 0 ? $3 / $1 : 0), ($2 > 0 ? $4 / $2 : 0) }'
}
echo "pair  ours wall  ours cpu  peer wall  peer cpu  x wall  x cpu"
for ((pair = 1; pair <= pairs; ++pair)); do
    peer_wall=0 peer_cpu=0
    # Turn about, so neither always runs on a machine the other just warmed.
    if ((pair % 2 == 0)) && [[ -n "$peer" ]]; then
        read -r peer_wall peer_cpu < <(theirs)
    fi
    read -r our_wall our_cpu < <(ours)
    if ((pair % 2 == 1)) && [[ -n "$peer" ]]; then
        read -r peer_wall peer_cpu < <(theirs)
    fi
    line="$our_wall $our_cpu $peer_wall $peer_cpu"
    echo "$line" >>"$rows"
    printf "%4d" "$pair"
    row <<<"$line"
done

median() {
    sort -g | awk '{ v[NR] = $1 } END { print NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}
column() {
    awk "{ print ($1) }" "$rows" | median
}
# Medians of each column; the ratios are the medians of the pairs' ratios.
printf "med.%10.3f %9.3f %10.3f %9.3f %7.2f %6.2f\n" "$(column '$1')" "$(column '$2')" \
    "$(column '$3')" "$(column '$4')" "$(column '$1 > 0 ? $3 / $1 : 0')" \
    "$(column '$2 > 0 ? $4 / $2 : 0')"
