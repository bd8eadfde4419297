# Sourced by the scripts that run Windows programs under Wine (with $root set
# to the repository): a private, quiet prefix under build/, made on first
# use, so nothing touches the user's own.
export WINEDEBUG=-all
export WINEPREFIX="${TONEWELL_WINEPREFIX:-$root/build/wineprefix}"
export WINEDLLOVERRIDES="mscoree,mshtml="
if [[ ! -f "$WINEPREFIX/system.reg" ]]; then
    mkdir -p "$WINEPREFIX"
    wineboot -i >/dev/null 2>&1 || true
fi
