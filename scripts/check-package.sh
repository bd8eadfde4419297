#!/usr/bin/env bash
# Checks what scripts/package.sh wrote into dist/:
# - the archives: each listing holds the bundle with its resources, 124
#   presets, the listening guide, licence and install text (and the tools in
#   the Linux one); each bundle, unpacked into a VST 3 folder of its own,
#   loads through the host kit (the Windows one under Wine) and its
#   moduleinfo.json and presets pass the bundle tests;
# - the Debian package: lintian finds no error, its contents are the
#   expected list (the guide, the icon in the hicolor sizes), its menu entry
#   names the icon, its manual pages show installed paths and one event a
#   line, and unpacked its bundle loads, passes the validator and its tools
#   run;
# - the Windows setup program (scripts/check-installer.sh): installs, fails
#   safely, upgrades, remembers its folder and uninstalls, in a Wine prefix
#   of its own.
# The validator runs from the conformance tools (TONEWELL_CONFORMANCE_TOOLS,
# or ../shared/tools beside the repository). Without them every other check
# still runs, and a run that passes them all ends with exit status 77
# (skipped), never 0: it did not check what it was meant to.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

info=build/linux/Tonewell.vst3/Contents/Resources/moduleinfo.json
name=$(jq -er .Name "$info")
version=$(jq -er .Version "$info")
linux="$name-$version-linux-x86_64"
windows="$name-$version-windows-x64"
failures=0
skipped=()
tools="${TONEWELL_CONFORMANCE_TOOLS:-$root/../shared/tools}"

fail() {
    echo "check-package: $*" >&2
    failures=$((failures + 1))
}

# check_listing FILE PLATFORM-DIR EXTRA...: the entries every archive needs.
check_listing() {
    local listing=$1 arch=$2 base=$3
    shift 3
    for entry in "Tonewell.vst3/Contents/$arch" "Tonewell.vst3/Contents/Resources/moduleinfo.json" \
        guide.html LICENSE INSTALL.txt "$@"; do
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
            /usr/share/doc/tonewell/guide.html /usr/share/doc/tonewell/changelog.gz \
            /usr/share/doc/tonewell/copyright /usr/share/man /usr/share/man/man1 \
            /usr/share/man/man1/tonewell.1.gz /usr/share/man/man1/tonewell-render.1.gz \
            /usr/share/man/man1/tonewell-snapshot.1.gz \
            /usr/share/vst3 /usr/share/vst3/presets /usr/share/vst3/presets/Kestrin \
            /usr/share/vst3/presets/Kestrin/Tonewell
        (cd build/linux && find Tonewell.vst3) | sed 's:^:/usr/lib/vst3/:'
        printf '%s\n' /usr/share/icons /usr/share/icons/hicolor /usr/share/icons/hicolor/scalable \
            /usr/share/icons/hicolor/scalable/apps /usr/share/icons/hicolor/scalable/apps/tonewell.svg
        for size in 16 22 24 32 48 64 128 256; do
            printf '%s\n' "/usr/share/icons/hicolor/${size}x$size" "/usr/share/icons/hicolor/${size}x$size/apps" \
                "/usr/share/icons/hicolor/${size}x$size/apps/tonewell.png"
        done
        (cd build/linux/presets && ls) | sed 's:^:/usr/share/vst3/presets/Kestrin/Tonewell/:'
    } | sort >"$work/deb-expected.txt"
    diff -u "$work/deb-expected.txt" "$work/deb.txt" >"$work/deb-diff.txt" ||
        fail "the package's contents differ from the expected list: $(cat "$work/deb-diff.txt")"
    dpkg-deb -x "$package" "$work/deb"
    TONEWELL_MODULE="$work/deb/usr/lib/vst3/Tonewell.vst3/Contents/x86_64-linux/Tonewell.so" \
        TONEWELL_PRESETS="$work/deb/usr/share/vst3/presets/Kestrin/Tonewell" \
        build/linux/tests/host_tests --gtest_brief=1 --gtest_filter='Factory.*:Bundle.*' ||
        fail "the packaged Linux bundle fails the host tests"
    if [[ ! -d "$tools" ]]; then
        skipped+=("the validator on the packaged bundle")
    elif [[ ! -x "$tools/vst3-validator/validator" ]]; then
        fail "no $tools/vst3-validator/validator"
    elif "$tools/vst3-validator/validator" "$work/deb/usr/lib/vst3/Tonewell.vst3" >"$work/validator.txt" 2>&1; then
        grep -h "^Result" "$work/validator.txt" | sed 's/^/validator (package): /' || true
    else
        fail "the packaged bundle fails the validator: $(tail -3 "$work/validator.txt")"
    fi
    grep -qx "Icon=tonewell" "$work/deb/usr/share/applications/tonewell.desktop" ||
        fail "the menu entry names no icon"
    # One self-contained page: every picture embedded.
    guide="$work/deb/usr/share/doc/tonewell/guide.html"
    pictures=$(grep -oE '<img [^>]*src="[^"]{0,5}' "$guide" || true)
    [[ $(grep -c 'src="data:' <<<"$pictures") -ge 3 && -z $(grep -v 'src="data:' <<<"$pictures") ]] ||
        fail "the packaged guide does not embed its pictures: $(head -c 300 <<<"$pictures")"
    # The manual pages: installed paths only, and the snapshot tool's events
    # one a line (two forms on one line is the table run together).
    for page in "$work"/deb/usr/share/man/man1/*.1.gz; do
        ! zcat "$page" | grep -qE 'dist/stage|stage/deb|build/(linux|windows)' ||
            fail "$(basename "$page") names a build folder: $(zcat "$page" | grep -E 'stage|build/' | head -2)"
    done
    forms='(press|release|drag|click|double|wheel|over) X Y'
    ! zcat "$work/deb/usr/share/man/man1/tonewell-snapshot.1.gz" | grep -qE "$forms.*$forms" ||
        fail "tonewell-snapshot.1 runs its event table together"
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
    installer_status=0
    bash scripts/check-installer.sh "$setup" "$work/installer" || installer_status=$?
    case $installer_status in
    0) ;;
    77) skipped+=("the validator on the installed bundle") ;;
    *) fail "the Windows setup program" ;;
    esac
fi

ls -l "dist/$linux.tar.gz" "dist/$windows.zip" "$package" "$setup"
if [[ $failures -gt 0 ]]; then
    echo "check-package: $failures problems"
    exit 1
fi
if [[ ${#skipped[@]} -gt 0 ]]; then
    echo "check-package: SKIPPED, no conformance tools in $tools: $(printf '%s; ' "${skipped[@]}")"
    echo "check-package: every other check passed"
    exit 77
fi
echo "check-package: archives, Debian package and Windows setup complete; every bundle loads"
