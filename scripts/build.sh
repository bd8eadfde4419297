#!/usr/bin/env bash
# The main job: set up the machine, build the Linux and Windows targets and
# say where the artefacts are.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

bash scripts/setup.sh
for preset in linux windows; do
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset"
done

echo
echo "Artefacts:"
for preset in linux windows; do
    find "build/$preset" -maxdepth 2 -not -path '*/lib/*' \( -name '*.a' -o -name '*_tests' -o -name '*_tests.exe' \
        -o -name '*_bench' -o -name 'tonewell-render' \) -type f | sort | sed 's/^/  /'
done

# A short demo of the built module, rendered offline the way a host would play it.
demo=build/schumann.wav
build/linux/tonewell-render --program "Binaural - 7.83 (Schumann Resonance)" --seconds 10 -o "$demo"
echo
echo "Demo: $root/$demo (10 s, Schumann resonance beat: 196.085 Hz left, 203.915 Hz right)"
