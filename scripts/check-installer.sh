#!/usr/bin/env bash
# Checks the Windows setup program under Wine, in a prefix of its own:
#   check-installer.sh SETUP.EXE WORK-FOLDER
# A silent install puts the bundle, the factory presets, the documents and
# Tonewell.exe (with its Start-menu entry) where they belong and registers
# the uninstaller in the 64-bit registry; the installed bundle loads through
# the host kit and passes the validator (when the conformance tools are
# there), and the installed Tonewell.exe finds it; a silent uninstall
# removes everything it
# installed, even with files deleted by hand, and leaves a user's preset
# written beside the factory ones.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
setup=$(realpath "$1")
work=$2
mkdir -p "$work"
export TONEWELL_WINEPREFIX="$work/prefix"
source scripts/wine-prefix.sh
failures=0
fail() {
    echo "check-installer: $*" >&2
    failures=$((failures + 1))
}

unix_path() { winepath -u "$1" 2>/dev/null | tr -d '\r'; }
key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Tonewell'
# The registered version, empty when there is none ("reg" says so on stdout).
registered() { wine reg query "$key" /v DisplayVersion /reg:64 2>/dev/null | tr -d '\r' | grep DisplayVersion || true; }

bundle=$(unix_path 'C:\Program Files\Common Files\VST3\Tonewell.vst3')
presets=$(unix_path 'C:\ProgramData\VST3 Presets\Kestrin\Tonewell')
program=$(unix_path 'C:\Program Files\Kestrin\Tonewell')
module="$bundle/Contents/x86_64-win/Tonewell.vst3"
shortcut=$(unix_path 'C:\ProgramData\Microsoft\Windows\Start Menu\Programs\Tonewell.lnk')

timeout 120 wine "$setup" /S || fail "the silent install exited with $?"
wineserver -w
for file in "$module" "$bundle/Contents/Resources/moduleinfo.json" "$program/README.md" \
    "$program/LICENSE" "$program/Uninstall.exe" "$program/Tonewell.exe" "$shortcut"; do
    [[ -f "$file" ]] || fail "not installed: $file"
done
count=$(find "$presets" -name '*.vstpreset' 2>/dev/null | wc -l)
[[ "$count" -eq 124 ]] || fail "$count factory presets installed instead of 124"
registration=$(registered)
grep -q "DisplayVersion" <<<"$registration" || fail "no uninstall entry in the 64-bit registry"
for value in DisplayName Publisher EstimatedSize UninstallString; do
    wine reg query "$key" /v "$value" /reg:64 >/dev/null 2>&1 || fail "the uninstall entry has no $value"
done

TONEWELL_MODULE="$module" TONEWELL_PRESETS="$presets" \
    wine build/windows/tests/host_tests.exe --gtest_brief=1 --gtest_filter='Factory.*:Bundle.*' ||
    fail "the installed bundle fails the host tests"
validator="$root/../shared/tools/vst3-validator/validator.exe"
if [[ -f "$validator" ]]; then
    wine "$validator" -e 'C:\Program Files\Common Files\VST3\Tonewell.vst3' >"$work/validator.txt" 2>&1 ||
        fail "the installed bundle fails the validator: $(tail -3 "$work/validator.txt")"
    grep -h "^Result" "$work/validator.txt" | tr -d '\r' | sed 's/^/validator (installed): /' || true
fi

# Installed apart from the bundle, the program finds it in the VST 3 folder.
listing=$(wine "$program/Tonewell.exe" --list-programs 2>&1 | tr -d '\r' || true)
grep -q "Binaural - 7.83 (Schumann Resonance)" <<<"$listing" ||
    fail "the installed Tonewell.exe does not find the bundle: $(tail -3 <<<"$listing")"

# A second install over the first replaces it; then a user's own preset
# beside the factory ones, and files deleted by hand, before uninstalling.
timeout 120 wine "$setup" /S || fail "installing again exited with $?"
wineserver -w
printf 'mine' >"$presets/My Own.vstpreset"
rm -f "$program/README.md" "$presets/432Hz Tunning.vstpreset"
timeout 120 wine "$program/Uninstall.exe" /S || fail "the silent uninstall exited with $?"
wineserver -w
[[ ! -e "$bundle" ]] || fail "the uninstall left the bundle"
[[ ! -e "$program" ]] || fail "the uninstall left $program: $(ls "$program")"
[[ ! -e "$shortcut" ]] || fail "the uninstall left the Start-menu entry"
left=$(find "$presets" -type f -printf '%f\n' 2>/dev/null)
[[ "$left" == "My Own.vstpreset" ]] || fail "after the uninstall the presets folder holds: $left"
[[ -z "$(registered)" ]] || fail "the uninstall entry is still registered"

wineserver -k >/dev/null 2>&1 || true
if [[ $failures -gt 0 ]]; then
    echo "check-installer: $failures problems"
    exit 1
fi
echo "check-installer: installed, loaded and uninstalled cleanly"
