#!/usr/bin/env bash
# Checks what scripts/package.sh wrote into dist/:
# - the archives: each listing holds the bundle with its resources, 124
#   presets, README, licence and install text (and the tools in the Linux
#   one); each bundle, unpacked into a VST 3 folder of its own, loads through
#   the host kit (the Windows one under Wine) and its moduleinfo.json and
#   presets pass the bundle tests;
# - the Debian package: lintian finds no error, its contents are the
#   expected list, and unpacked its bundle loads (and passes the validator
#   when the conformance tools are there) and its tools run;
# - the Windows setup program, in a Wine prefix of its own: a silent install
#   puts every file where it belongs and registers the uninstaller, the
#   installed bundle loads (and passes the validator), and a silent uninstall
#   removes all it installed but nothing else, files deleted by hand or not.
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
check_listing "$work/linux.txt" x86_64-linux/Tonewell.so "$linux" tonewell tonewell-render \
    tonewell-snapshot
unzip -Z1 "dist/$windows.zip" | sed 's:/$::' >"$work/windows.txt"
check_listing "$work/windows.txt" x86_64-win/Tonewell.vst3 "$windows" Tonewell.exe

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
    listing=$(wine "$work/unpacked/$windows/Tonewell.exe" --list-programs 2>&1 | tr -d '\r' || true)
    grep -q "Schumann" <<<"$listing" ||
        fail "the unpacked Tonewell.exe does not list the programs: $(tail -3 <<<"$listing")"
else
    fail "no Windows host tests built to load the Windows bundle"
fi

# The Debian package.
package="dist/tonewell_${version}_amd64.deb"
validator_dir="$root/../shared/tools/vst3-validator"
if [[ ! -f "$package" ]]; then
    fail "no $package"
else
    lintian --fail-on error --suppress-tags-from-file /dev/null "$package" >"$work/lintian.txt" 2>&1 ||
        fail "lintian reports errors: $(grep -E '^E:' "$work/lintian.txt" | head -5 | tr '\n' ' ')"
    sed 's/^/lintian: /' "$work/lintian.txt"
    dpkg-deb -c "$package" | sed -E 's/^([^ ]+ +){5}//; s:^\./:/:; s:/$::' | grep -v '^/\?$' |
        sort >"$work/deb.txt"
    {
        printf '%s\n' /usr /usr/bin /usr/bin/tonewell /usr/bin/tonewell-render /usr/bin/tonewell-snapshot \
            /usr/lib /usr/lib/vst3 /usr/share /usr/share/applications \
            /usr/share/applications/tonewell.desktop /usr/share/doc /usr/share/doc/tonewell \
            /usr/share/doc/tonewell/README.md.gz /usr/share/doc/tonewell/changelog.gz \
            /usr/share/doc/tonewell/copyright /usr/share/man /usr/share/man/man1 \
            /usr/share/man/man1/tonewell.1.gz /usr/share/man/man1/tonewell-render.1.gz \
            /usr/share/man/man1/tonewell-snapshot.1.gz \
            /usr/share/vst3 /usr/share/vst3/presets /usr/share/vst3/presets/Kestrin \
            /usr/share/vst3/presets/Kestrin/Tonewell
        (cd build/linux && find Tonewell.vst3) | sed 's:^:/usr/lib/vst3/:'
        (cd build/linux/presets && ls) | sed 's:^:/usr/share/vst3/presets/Kestrin/Tonewell/:'
    } | sort >"$work/deb-expected.txt"
    diff -u "$work/deb-expected.txt" "$work/deb.txt" >"$work/deb-diff.txt" ||
        fail "the package's contents differ from the expected list: $(cat "$work/deb-diff.txt")"
    dpkg-deb -x "$package" "$work/deb"
    TONEWELL_MODULE="$work/deb/usr/lib/vst3/Tonewell.vst3/Contents/x86_64-linux/Tonewell.so" \
        TONEWELL_PRESETS="$work/deb/usr/share/vst3/presets/Kestrin/Tonewell" \
        build/linux/tests/host_tests --gtest_brief=1 --gtest_filter='Factory.*:Bundle.*' ||
        fail "the packaged Linux bundle fails the host tests"
    if [[ -x "$validator_dir/validator" ]]; then
        "$validator_dir/validator" "$work/deb/usr/lib/vst3/Tonewell.vst3" >"$work/validator.txt" 2>&1 ||
            fail "the packaged bundle fails the validator: $(tail -3 "$work/validator.txt")"
        grep -h "^Result" "$work/validator.txt" | sed 's/^/validator (package): /' || true
    fi
    # Installed, the renderer finds the bundle under its prefix.
    HOME="$work" "$work/deb/usr/bin/tonewell-render" --list-programs >"$work/deb-programs.txt" &&
        grep -q Schumann "$work/deb-programs.txt" ||
        fail "the packaged renderer does not find the packaged bundle"
    "$work/deb/usr/bin/tonewell-snapshot" -o "$work/snapshot.png" >/dev/null &&
        [[ -s "$work/snapshot.png" ]] || fail "the packaged snapshot tool draws nothing"
fi

# The Windows setup program, in a fresh Wine prefix so that nothing from an
# earlier install counts.
setup="dist/$name-$version-windows-x64-setup.exe"
if [[ ! -f "$setup" ]]; then
    fail "no $setup"
elif [[ -x build/windows/tests/host_tests.exe ]]; then
    bash scripts/check-installer.sh "$setup" "$work/installer" || fail "the Windows setup program"
fi

ls -l "dist/$linux.tar.gz" "dist/$windows.zip" "$package" "$setup"
if [[ $failures -gt 0 ]]; then
    echo "check-package: $failures problems"
    exit 1
fi
echo "check-package: archives, Debian package and Windows setup complete; every bundle loads"
