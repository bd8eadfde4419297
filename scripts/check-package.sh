#!/usr/bin/env bash
# Checks the archives that scripts/package.sh wrote into dist/: each listing
# holds the bundle with its resources, 124 presets, README, licence and
# install text (and the tools in the Linux one); each bundle, unpacked into a
# VST 3 folder of its own, loads through the host kit (the Windows one under
# Wine) and its moduleinfo.json and presets pass the bundle tests.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

info=build/linux/Tonewell.vst3/Contents/Resources/moduleinfo.json
name=$(jq -er .Name "$info")
version=$(jq -er .Version "$info")
linux="$name-$version-linux-x86_64"
windows="$name-$version-windows-x64"
failures=0

fail() {
    echo "check-package: $*" >&2
    failures=$((failures + 1))
}

# check_listing FILE PLATFORM-DIR EXTRA...: the entries every archive needs.
check_listing() {
    local listing=$1 arch=$2 base=$3
    shift 3
    for entry in "Tonewell.vst3/Contents/$arch" "Tonewell.vst3/Contents/Resources/moduleinfo.json" \
        README.md LICENSE INSTALL.txt "$@"; do
        grep -qxF "$base/$entry" "$listing" || fail "$base: no $entry"
    done
    for scale in "" "_2.0x"; do
        grep -qE "^$base/Tonewell.vst3/Contents/Resources/Snapshots/[0-9A-F]{32}_snapshot$scale\.png$" \
            "$listing" || fail "$base: no snapshot image$scale"
    done
    local presets
    presets=$(grep -c "^$base/presets/.*\.vstpreset$" "$listing" || true)
    [[ "$presets" -eq 124 ]] || fail "$base: $presets presets instead of 124"
}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

tar -tzf "dist/$linux.tar.gz" | sed 's:/$::' >"$work/linux.txt"
check_listing "$work/linux.txt" x86_64-linux/Tonewell.so "$linux" tonewell-render tonewell-snapshot
unzip -Z1 "dist/$windows.zip" | sed 's:/$::' >"$work/windows.txt"
check_listing "$work/windows.txt" x86_64-win/Tonewell.vst3 "$windows"

# Unpacked as a user would, the bundle in a VST 3 folder of its own.
mkdir -p "$work/vst3" "$work/unpacked"
tar -C "$work/unpacked" -xzf "dist/$linux.tar.gz"
cp -a "$work/unpacked/$linux/Tonewell.vst3" "$work/vst3/"
TONEWELL_MODULE="$work/vst3/Tonewell.vst3/Contents/x86_64-linux/Tonewell.so" \
    TONEWELL_PRESETS="$work/unpacked/$linux/presets" \
    build/linux/tests/host_tests --gtest_brief=1 --gtest_filter='Factory.*:Bundle.*' ||
    fail "the unpacked Linux bundle fails the host tests"
if ! "$work/unpacked/$linux/tonewell-render" --list-programs >"$work/programs.txt" ||
    ! grep -q "Schumann" "$work/programs.txt"; then
    fail "the unpacked renderer does not list the programs"
fi

if [[ -x build/windows/tests/host_tests.exe ]]; then
    source scripts/wine-prefix.sh
    unzip -q "dist/$windows.zip" -d "$work/unpacked"
    TONEWELL_MODULE="$work/unpacked/$windows/Tonewell.vst3/Contents/x86_64-win/Tonewell.vst3" \
        TONEWELL_PRESETS="$work/unpacked/$windows/presets" \
        wine build/windows/tests/host_tests.exe --gtest_brief=1 --gtest_filter='Factory.*:Bundle.*' ||
        fail "the unpacked Windows bundle fails the host tests under Wine"
else
    fail "no Windows host tests built to load the Windows bundle"
fi

ls -l "dist/$linux.tar.gz" "dist/$windows.zip"
if [[ $failures -gt 0 ]]; then
    echo "check-package: $failures problems"
    exit 1
fi
echo "check-package: both archives complete, both bundles load"
