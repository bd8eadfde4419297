#!/usr/bin/env bash
# Runs every test: native Release, native with sanitizers, and the Windows
# cross build under Wine.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

bash scripts/setup.sh
# The Windows build links a static libpng cross-built from Debian's sources.
bash scripts/build-libpng.sh mingw

# The Windows tests open real windows: they get a private X server on a free
# display, which is taken down however the script ends.
display=""
for number in $(seq 90 199); do
    if [[ ! -e /tmp/.X$number-lock && ! -e /tmp/.X11-unix/X$number ]]; then
        display=":$number"
        break
    fi
done
if [[ -z "$display" ]]; then
    echo "test: no free X display for Xvfb" >&2
    exit 1
fi
Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
trap 'kill "$xvfb_pid" 2>/dev/null || true' EXIT
for _ in $(seq 50); do
    [[ -e /tmp/.X11-unix/X${display#:} ]] && break
    sleep 0.1
done
export DISPLAY="$display"

# A private, quiet Wine prefix so the Windows tests never touch the user's.
export WINEDEBUG=-all
export WINEPREFIX="${TONEWELL_WINEPREFIX:-$root/build/wineprefix}"
export WINEDLLOVERRIDES="mscoree,mshtml="
if [[ ! -f "$WINEPREFIX/system.reg" ]]; then
    mkdir -p "$WINEPREFIX"
    wineboot -i >/dev/null 2>&1 || true
fi

status=0
passed=0
failed=0
for preset in linux linux-debug windows; do
    echo "== $preset =="
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset"
    if ctest --preset "$preset"; then
        passed=$((passed + 1))
    else
        failed=$((failed + 1))
        status=1
    fi
done
wineserver -k >/dev/null 2>&1 || true

# Short, bounded fuzzing runs (clang, libFuzzer, sanitizers) of the PNG
# decoder, the stored state and the process calls.
echo "== fuzz =="
if bash scripts/fuzz.sh; then
    passed=$((passed + 1))
else
    failed=$((failed + 1))
    status=1
fi

# One line for the whole run: each preset's suite and the fuzzing run.
echo "suites: $passed passed, $failed failed"
exit $status
