# Sourced by the scripts that run Windows programs under Wine (with $root set
# to the repository): a private, quiet prefix under build/, made on first
# use, so nothing touches the user's own. winemenubuilder is off: it would
# copy the prefix's Start-menu entries and file types into the user's real
# desktop menus (~/.local/share/applications, ~/.config/menus).
export WINEDEBUG=-all
export WINEPREFIX="${TONEWELL_WINEPREFIX:-$root/build/wineprefix}"
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
if [[ ! -f "$WINEPREFIX/system.reg" ]]; then
    mkdir -p "$WINEPREFIX"
    wineboot -i >/dev/null 2>&1 || true
fi
