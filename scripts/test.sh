#!/usr/bin/env bash
# Runs every test: native Release, native with sanitizers, the concurrency
# stress test under ThreadSanitizer, the Windows cross build under Wine, the
# release archives, the host conformance tools, Ardour, Carla, and bounded fuzzing.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

bash scripts/setup.sh
# The Windows build links a static libpng, RtAudio and RtMidi cross-built
# from Debian's sources.
bash scripts/build-libpng.sh mingw
bash scripts/build-rtaudio.sh mingw

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
# With a server of our own, a test that finds no display fails instead of
# skipping (tools/hostkit/HostWindowLinux.h).
export TONEWELL_REQUIRE_DISPLAY=1

# A private, quiet Wine prefix so the Windows tests never touch the user's.
source scripts/wine-prefix.sh

# Each suite ends with one line in the summary: its result and its time.
status=0
passed=0
failed=0
skipped=0
summary=()
record() { # name result seconds [note]
    summary+=("$(printf '%-12s %-8s %4d s%s' "$1" "$2" "$3" "${4:+  ($4)}")")
    case "$2" in
    passed) passed=$((passed + 1)) ;;
    skipped) skipped=$((skipped + 1)) ;;
    *)
        failed=$((failed + 1))
        status=1
        ;;
    esac
}

# linux-tsan builds and runs only the concurrency stress test, under
# ThreadSanitizer.
for preset in linux linux-debug linux-tsan windows; do
    echo "== $preset =="
    start=$SECONDS
    if cmake --preset "$preset" >/dev/null && cmake --build --preset "$preset" &&
        ctest --preset "$preset"; then
        record "$preset" passed $((SECONDS - start))
    else
        record "$preset" failed $((SECONDS - start))
    fi
done

# The release archives from the builds above (seconds once they are built),
# their listings, and their bundles loaded through the host kit; the setup
# program under Wine. Skipped, never passed, when the validator could not run.
echo "== package =="
start=$SECONDS
package_status=0
{ bash scripts/package.sh && bash scripts/check-package.sh; } || package_status=$?
case $package_status in
0) record package passed $((SECONDS - start)) ;;
77) record package skipped $((SECONDS - start)) "no conformance tools: validator not run" ;;
*) record package failed $((SECONDS - start)) ;;
esac

# Host conformance tools on the built modules (scripts/conformance.sh); skipped,
# never passed, when the tools are not there.
echo "== conformance =="
start=$SECONDS
conformance_status=0
bash scripts/conformance.sh || conformance_status=$?
case $conformance_status in
0) record conformance passed $((SECONDS - start)) ;;
77) record conformance skipped $((SECONDS - start)) "no conformance tools" ;;
*) record conformance failed $((SECONDS - start)) ;;
esac
wineserver -k >/dev/null 2>&1 || true

# Tonewell in Debian's Ardour without a window (scripts/daw-suite.sh): a
# program chosen from the host's list, a saved session reopened, an export's
# two tones measured; a hang fails it and is named.
# Ardour 7.3 itself now and then corrupts its heap as a session closes (about
# one run in thirty, with or without Tonewell): the suite tells that crash apart
# by its signature (status 75) and only it gets one more run. A wrong value or
# frequency, a hang or any other crash fails at once.
echo "== daw =="
start=$SECONDS
daw_status=0
daw_note=""
bash scripts/daw-suite.sh || daw_status=$?
if ((daw_status == 75)); then
    echo "daw: Ardour's own crash; once more"
    daw_note="on the second run, after Ardour's own crash"
    daw_status=0
    bash scripts/daw-suite.sh || daw_status=$?
fi
if ((daw_status == 0)); then
    record daw passed $((SECONDS - start)) "$daw_note"
else
    record daw failed $((SECONDS - start))
fi

# Tonewell in Carla's host engine (scripts/carla-suite.sh): programs, values,
# state, a project, a recording through JACK and the editor; skipped, never
# passed, when Carla is not there.
echo "== carla =="
start=$SECONDS
carla_status=0
bash scripts/carla-suite.sh || carla_status=$?
case $carla_status in
0) record carla passed $((SECONDS - start)) ;;
77) record carla skipped $((SECONDS - start)) "no Carla host engine" ;;
*) record carla failed $((SECONDS - start)) ;;
esac

# SBaGen sessions against SBaGen+ itself (scripts/sbagen-suite.sh): its example
# sessions rendered by both and compared second by second; skipped, never
# passed, when the peer's source is not there.
echo "== sbagen =="
start=$SECONDS
mkdir -p build
set +e
bash scripts/sbagen-suite.sh 2>&1 | tee build/sbagen-suite.log
sbagen_status=${PIPESTATUS[0]}
set -e
sbagen_note=$(grep -E '^sbagen: [0-9]' build/sbagen-suite.log | tail -n 1 | sed 's/^sbagen: //')
case $sbagen_status in
0) record sbagen passed $((SECONDS - start)) "$sbagen_note" ;;
77) record sbagen skipped $((SECONDS - start)) "no SBaGen+ peer" ;;
*) record sbagen failed $((SECONDS - start)) ;;
esac

# Short, bounded fuzzing runs (clang, libFuzzer, sanitizers) of the PNG
# decoder, the stored state, the process calls and SBaGen session text.
echo "== fuzz =="
start=$SECONDS
if bash scripts/fuzz.sh; then
    record fuzz passed $((SECONDS - start))
else
    record fuzz failed $((SECONDS - start))
fi

echo "== summary =="
printf '%s\n' "${summary[@]}"
echo "suites: $passed passed, $failed failed, $skipped skipped"
exit $status
