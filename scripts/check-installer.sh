#!/usr/bin/env bash
# Checks the Windows setup program under Wine, in a prefix of its own:
#   check-installer.sh SETUP.EXE WORK-FOLDER
# - A first install that fails (a file where the program folder goes) exits 4
#   and leaves the machine exactly as it was: no bundle, no presets, no entry.
# - A silent install puts the bundle, the factory presets, the listening
#   guide and Tonewell.exe (with its Start-menu entries) where they belong and
#   registers the uninstaller, with its icon, in the 64-bit registry; the
#   installed bundle loads through the host kit and passes the validator, and
#   the installed Tonewell.exe finds it.
# - An upgrade that fails after removing the installed files (a folder where
#   a new file goes) exits 4 and leaves the installed version and its entry
#   exactly as they were.
# - An install into another folder (/D=) moves the program there, and a
#   reinstall without /D= goes to the same folder again.
# - A silent uninstall removes everything installed, even with files deleted
#   by hand, and leaves a user's preset written beside the factory ones.
# - Nothing is written into the desktop's menus (winemenubuilder is off).
# Exit status 77: all passed, but the validator was not run because there are
# no conformance tools (TONEWELL_CONFORMANCE_TOOLS, or ../shared/tools).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
setup=$(realpath "$1")
work=$(realpath -m "$2")
mkdir -p "$work"
export TONEWELL_WINEPREFIX="$work/prefix"
# Anything Wine writes for the desktop lands here, and must not.
export XDG_DATA_HOME="$work/xdg/data" XDG_CONFIG_HOME="$work/xdg/config"
mkdir -p "$XDG_DATA_HOME" "$XDG_CONFIG_HOME"
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
value_of() { wine reg query "$key" /v "$1" /reg:64 2>/dev/null | tr -d '\r' | sed -n "s/^ *$1 *REG_[A-Z_]* *//p"; }
# run_setup EXPECTED-STATUS ARGS...: a silent setup, checked for its exit status.
run_setup() {
    local expected=$1 status=0
    shift
    timeout 120 wine "$setup" /S "$@" || status=$?
    wineserver -w
    [[ $status -eq $expected ]] || fail "setup $* exited with $status instead of $expected"
}

vst3=$(unix_path 'C:\Program Files\Common Files\VST3')
bundle="$vst3/Tonewell.vst3"
preset_root=$(unix_path 'C:\ProgramData\VST3 Presets')
presets="$preset_root/Kestrin/Tonewell"
vendor_dir=$(unix_path 'C:\Program Files\Kestrin')
program="$vendor_dir/Tonewell"
other_root=$(unix_path 'C:\AudioTools')
other="$other_root/Tonewell"
module="$bundle/Contents/x86_64-win/Tonewell.vst3"
menu=$(unix_path 'C:\ProgramData\Microsoft\Windows\Start Menu\Programs')
shortcut="$menu/Tonewell.lnk"
guide_link="$menu/Tonewell listening guide.lnk"

# What setup may touch: every file (with its checksum) and folder in its
# places, and the uninstall entry.
state() {
    local dir
    for dir in "$vst3" "$preset_root" "$vendor_dir" "$other_root" "$menu"; do
        [[ -e $dir ]] || continue
        find "$dir" -type d -printf 'folder %p\n'
        find "$dir" -type f -exec md5sum {} +
    done | sort
    { wine reg query "$key" /s /reg:64 2>/dev/null || true; } | tr -d '\r' | sort
}
# same_state BEFORE WHAT: the state now is BEFORE.
same_state() {
    state >"$work/after.txt"
    diff -u "$1" "$work/after.txt" >"$work/diff.txt" ||
        fail "$2 changed the machine: $(head -20 "$work/diff.txt")"
}

# A first install that fails: a file where the program folder goes.
mkdir -p "$vendor_dir"
printf 'in the way' >"$program"
state >"$work/before.txt"
run_setup 4
same_state "$work/before.txt" "a failed first install"
rm -rf "$vendor_dir"

run_setup 0
for file in "$module" "$bundle/Contents/Resources/moduleinfo.json" "$program/guide.html" \
    "$program/LICENSE" "$program/Uninstall.exe" "$program/Tonewell.exe" "$shortcut" "$guide_link"; do
    [[ -f "$file" ]] || fail "not installed: $file"
done
count=$(find "$presets" -name '*.vstpreset' 2>/dev/null | wc -l)
[[ "$count" -eq 124 ]] || fail "$count factory presets installed instead of 124"
grep -q "DisplayVersion" <<<"$(registered)" || fail "no uninstall entry in the 64-bit registry"
for value in DisplayName Publisher EstimatedSize UninstallString; do
    [[ -n "$(value_of "$value")" ]] || fail "the uninstall entry has no $value"
done
[[ "$(value_of DisplayIcon)" == 'C:\Program Files\Kestrin\Tonewell\Tonewell.exe' ]] ||
    fail "the uninstall entry's icon is '$(value_of DisplayIcon)', not Tonewell.exe"

TONEWELL_MODULE="$module" TONEWELL_PRESETS="$presets" \
    wine build/windows/tests/host_tests.exe --gtest_brief=1 --gtest_filter='Factory.*:Bundle.*' ||
    fail "the installed bundle fails the host tests"
# The validator, when the conformance tools are there (as scripts/conformance.sh finds them).
tools="${TONEWELL_CONFORMANCE_TOOLS:-$root/../shared/tools}"
validator_skipped=0
if [[ -d "$tools" ]]; then
    validator="$tools/vst3-validator/validator.exe"
    if [[ ! -f "$validator" ]]; then
        fail "no $validator"
    elif wine "$validator" -e 'C:\Program Files\Common Files\VST3\Tonewell.vst3' >"$work/validator.txt" 2>&1; then
        grep -h "^Result" "$work/validator.txt" | tr -d '\r' | sed 's/^/validator (installed): /' || true
    else
        fail "the installed bundle fails the validator: $(tail -3 "$work/validator.txt")"
    fi
else
    echo "check-installer: validator SKIPPED: no conformance tools in $tools"
    validator_skipped=1
fi

# Installed apart from the bundle, the program finds it in the VST 3 folder.
listing=$(wine "$program/Tonewell.exe" --list-programs 2>&1 | tr -d '\r' || true)
grep -q "Binaural - 7.83 (Schumann Resonance)" <<<"$listing" ||
    fail "the installed Tonewell.exe does not find the bundle: $(tail -3 <<<"$listing")"

# An upgrade that fails once the installed files are gone: a folder where the
# guide goes.
rm "$program/guide.html"
mkdir "$program/guide.html"
state >"$work/before.txt"
run_setup 4
same_state "$work/before.txt" "a failed upgrade"
rmdir "$program/guide.html"

# Moved to another folder, then reinstalled without /D=: the same folder.
# (Setup reads /D= unquoted, so the folder has no space.)
run_setup 0 '/D=C:\AudioTools\Tonewell'
[[ ! -e "$program" ]] || fail "installing into another folder left $program: $(ls "$program")"
run_setup 0
[[ -f "$other/Tonewell.exe" && -f "$other/guide.html" ]] || fail "the reinstall is not in $other"
[[ ! -e "$program" ]] || fail "a reinstall without /D= installed a second copy in $program"
[[ "$(value_of InstallLocation)" == 'C:\AudioTools\Tonewell' ]] ||
    fail "the uninstall entry points to '$(value_of InstallLocation)'"

# A user's own preset beside the factory ones, and files deleted by hand,
# before uninstalling.
printf 'mine' >"$presets/My Own.vstpreset"
rm -f "$other/guide.html" "$presets/432Hz Tunning.vstpreset"
# The uninstaller copies itself into %TEMP% and starts the copy; its own status
# says only whether that worked, so what it says and leaves there is kept for
# the message.
uninstall_status=0
timeout 120 wine "$other/Uninstall.exe" /S 2>"$work/uninstall.err" || uninstall_status=$?
wineserver -w
if [[ $uninstall_status -ne 0 ]]; then
    temp=$(unix_path "$(wine cmd /c echo %TEMP% 2>/dev/null | tr -d '\r')")
    fail "the silent uninstall exited with $uninstall_status: $(tail -5 "$work/uninstall.err")" \
        "(in %TEMP%: $(ls -A "$temp" 2>/dev/null | tr '\n' ' '))"
fi
[[ ! -e "$bundle" ]] || fail "the uninstall left the bundle"
[[ ! -e "$other_root" ]] || fail "the uninstall left $other_root: $(find "$other_root")"
[[ ! -e "$shortcut" && ! -e "$guide_link" ]] || fail "the uninstall left the Start-menu entries"
left=$(find "$presets" -type f -printf '%f\n' 2>/dev/null)
[[ "$left" == "My Own.vstpreset" ]] || fail "after the uninstall the presets folder holds: $left"
[[ -z "$(registered)" ]] || fail "the uninstall entry is still registered"

written=$(find "$XDG_DATA_HOME" "$XDG_CONFIG_HOME" -type f)
[[ -z "$written" ]] || fail "Wine wrote into the desktop's folders: $written"

wineserver -k >/dev/null 2>&1 || true
if [[ $failures -gt 0 ]]; then
    echo "check-installer: $failures problems"
    exit 1
fi
if [[ $validator_skipped -eq 1 ]]; then
    echo "check-installer: installed, failed safely, loaded and uninstalled cleanly; validator skipped"
    exit 77
fi
echo "check-installer: installed, failed safely, loaded, validated and uninstalled cleanly"
