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
        -o -name '*_bench' \) -type f | sort | sed 's/^/  /'
done
