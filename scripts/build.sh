#!/usr/bin/env bash
# The main job: set up the machine, build the Linux and Windows targets and
# say where the artefacts are.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

bash scripts/setup.sh
# The Windows build links a static libpng, RtAudio and RtMidi cross-built
# from Debian's sources.
bash scripts/build-libpng.sh mingw
bash scripts/build-rtaudio.sh mingw
# The Windows build runs its bundle tool and snapshot tool under Wine, in the
# project's own quiet prefix (as the test script does).
source scripts/wine-prefix.sh
for preset in linux windows; do
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset"
done

echo
echo "Plug-in modules (copy the whole Tonewell.vst3 folder into the host's VST 3 folder):"
echo "  Windows: $root/build/windows/Tonewell.vst3/Contents/x86_64-win/Tonewell.vst3"
echo "  Linux:   $root/build/linux/Tonewell.vst3/Contents/x86_64-linux/Tonewell.so"
echo "Bundle resources: Tonewell.vst3/Contents/Resources (moduleinfo.json, snapshots);"
echo "  factory presets: $root/build/linux/presets, $root/build/windows/presets"
echo "Release archives: bash scripts/package.sh (into $root/dist)"
echo "Offline renderer: $root/build/linux/tonewell-render"
echo "Desktop program: $root/build/linux/tonewell, $root/build/windows/Tonewell.exe (--no-window)"
echo "Editor snapshots: $root/build/linux/tonewell-snapshot"
echo "Listening guide: $root/build/linux/guide.html (beside the programs; also build/windows)"
echo "Tests and benchmarks:"
for preset in linux windows; do
    find "build/$preset" -maxdepth 2 \( -name '*_tests' -o -name '*_tests.exe' -o -name '*_bench' \) \
        -type f | sort | sed 's/^/  /'
done

# A short demo of the built module, rendered offline the way a host would play it.
demo=build/schumann.wav
build/linux/tonewell-render --program "Binaural - 7.83 (Schumann Resonance)" --seconds 10 -o "$demo"
echo
echo "Demo: $root/$demo (10 s, Schumann resonance beat: 196.085 Hz left, 203.915 Hz right)"

# The editor in both modes, and after a short scripted session, as pictures.
build/linux/tonewell-snapshot --note 69 -o build/editor-synthesizer.png
build/linux/tonewell-snapshot --set Mode=Generator -o build/editor-generator.png
build/linux/tonewell-snapshot -s tools/snapshot/demo.txt -o build/editor.png
echo "Editor snapshots: $root/build/editor-synthesizer.png, $root/build/editor-generator.png,"
echo "  $root/build/editor.png (tools/snapshot/demo.txt played on the editor)"
