#!/usr/bin/env bash
# Times tonewell-render against SBaGen+ on the same job: ten minutes at
# 48 kHz into a 16-bit WAV of a 7.83 Hz binaural beat around 200 Hz. The two
# run in turn, PAIRS times (default 5), each into a file removed beforehand;
# every pair gives the ratios of SBaGen+'s wall and CPU time (user + system)
# to ours, and the summary prints their medians. tonewell-render flushes its
# file to disk before renaming it into place, SBaGen+ does not: the column
# "+ sync" is SBaGen+'s wall time with its file flushed too (coreutils sync
# on the file), the same work as ours.
#
# SBaGen+ (GPL-2.0) is not part of this project: its unchanged source and
# build script sit in ../shared/peers/sbagen-plus/ beside the repository. It
# is built from there into build/peers/sbagen-plus/ (needs libasound2-dev);
# when that folder is absent, only tonewell-render is timed.
#
# Usage: bench/compare-render.sh [PAIRS [OPTION...]]   (after cmake --build --preset linux)
# OPTIONs go to tonewell-render, e.g. --dither none.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
pairs=${1:-5}
extra=("${@:2}")
render="$root/build/linux/tonewell-render"
peer_source="$root/../shared/peers/sbagen-plus"
peer="$root/build/peers/sbagen-plus/sbagen+"

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
        bash "$peer_source/build.sh" "$(dirname "$peer")" >/dev/null
    fi
    echo "peer: SBaGen+ $(cat "$peer_source/VERSION"), built by its build.sh (gcc -O3)"
else
    echo "peer: $peer_source is absent; timing tonewell-render alone"
    peer=""
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
TIMEFORMAT='%R %U %S'

# Prints "wall cpu" in seconds for one run of the command.
timed() {
    local times
    times=$({ time "$@" >/dev/null 2>&1; } 2>&1)
    awk '{ printf "%.3f %.3f\n", $1, $2 + $3 }' <<<"$times"
}

ours() {
    rm -f "$work/ours.wav"
    timed "$render" --program "Binaural - 7.83 (Schumann Resonance)" --seconds 600 \
        --rate 48000 --format pcm16 "${extra[@]}" -o "$work/ours.wav"
}

theirs() {
    rm -f "$work/theirs.wav"
    timed "$peer" -Q -W -L 0:10:00 -r 48000 -o "$work/theirs.wav" -i 200+7.83/90
    timed sync "$work/theirs.wav"
}

# One row per pair: our wall and CPU, the peer's, the peer's wall with sync.
rows="$work/rows"
: >"$rows"
row() {
    awk '{ printf "%10.3f %9.3f %10.3f %9.3f %9.3f %7.2f %6.2f %8.2f\n", $1, $2, $3, $4, $5,
        ($1 > 0 ? $3 / $1 : 0), ($2 > 0 ? $4 / $2 : 0), ($1 > 0 ? $5 / $1 : 0) }'
}
echo "pair  ours wall  ours cpu  peer wall  peer cpu  + sync  x wall  x cpu  x +sync"
for ((pair = 1; pair <= pairs; ++pair)); do
    peer_wall=0 peer_cpu=0 sync_wall=0
    # Turn about, so neither always runs on a machine the other just warmed.
    if ((pair % 2 == 0)) && [[ -n "$peer" ]]; then
        { read -r peer_wall peer_cpu; read -r sync_wall _; } < <(theirs)
    fi
    read -r our_wall our_cpu < <(ours)
    if ((pair % 2 == 1)) && [[ -n "$peer" ]]; then
        { read -r peer_wall peer_cpu; read -r sync_wall _; } < <(theirs)
    fi
    line="$our_wall $our_cpu $peer_wall $peer_cpu $(awk "BEGIN { print $peer_wall + $sync_wall }")"
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
printf "med.%10.3f %9.3f %10.3f %9.3f %9.3f %7.2f %6.2f %8.2f\n" "$(column '$1')" \
    "$(column '$2')" "$(column '$3')" "$(column '$4')" "$(column '$5')" \
    "$(column '$1 > 0 ? $3 / $1 : 0')" "$(column '$2 > 0 ? $4 / $2 : 0')" \
    "$(column '$1 > 0 ? $5 / $1 : 0')"
