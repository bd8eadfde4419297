#!/usr/bin/env bash
# Tonewell in a second real host: Carla 2.5.10's host engine, driven through its
# Python binding (tests/carla/carla_suite.py) on a private JACK server (dummy
# driver, 48 kHz) and a private X display with a small window manager (Carla's
# editor window dies on an X error without one). The steps, each with a time
# limit that names the step when it runs out:
#   load, programs - the bundle loads; Carla shows the module's 130 program names;
#   program        - "Binaural - 7.83 (Schumann Resonance)" chosen, 200 and 7.83
#                    read back within 1 s, "Presets" reads the program's name;
#   volume, state  - Volume set and its text read; the state loaded into a fresh
#                    instance reads the same values;
#   project        - a project saved and loaded again into fresh instances;
#   record         - both ears recorded through JACK and measured;
#   editor         - the editor shown, closed and shown ten times, then its
#                    instance removed while it is open.
#
#   scripts/carla-suite.sh [BUNDLE]
# BUNDLE (or TONEWELL_CARLA_BUNDLE) defaults to build/linux/Tonewell.vst3. Carla
# comes from TONEWELL_CARLA, by default ../shared/tools/carla beside the
# repository. Logs go to build/carla/ (TONEWELL_CARLA_LOGS). Exit status 0 when
# every step passed, 77 when Carla is not there (skipped), 1 otherwise.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)

bundle=${1:-${TONEWELL_CARLA_BUNDLE:-$root/build/linux/Tonewell.vst3}}
carla=${TONEWELL_CARLA:-$root/../shared/tools/carla}
render=$root/build/linux/tonewell-render
logs=${TONEWELL_CARLA_LOGS:-$root/build/carla}
readonly RUN_LIMIT=110

fail() {
    echo "carla: FAILED: $*"
    exit 1
}

if [[ ! -f "$carla/bin/libcarla_standalone2.so" || ! -f "$carla/source/frontend/carla_backend.py" ]]; then
    echo "carla: skipped: no Carla host engine at $carla (set TONEWELL_CARLA)"
    exit 77
fi
carla=$(cd "$carla" && pwd)
[[ -f "$bundle/Contents/x86_64-linux/Tonewell.so" ]] ||
    fail "no Tonewell bundle at $bundle (build it first: cmake --build --preset linux)"
bundle=$(cd "$bundle" && pwd)
[[ -x "$render" ]] || fail "no $render to list the module's programs (cmake --build --preset linux)"
for tool in jackd jack_rec jack_lsp Xvfb evilwm xwininfo /usr/bin/python3; do
    command -v "$tool" >/dev/null || fail "$tool is missing (scripts/setup.sh installs it)"
done

mkdir -p "$logs"
work=$(mktemp -d "${TMPDIR:-/tmp}/tonewell-carla.XXXXXX")
pids=()
cleanup() {
    local pid
    for pid in "${pids[@]}"; do
        kill -TERM "$pid" 2>/dev/null || true
    done
    for pid in "${pids[@]}"; do
        wait "$pid" 2>/dev/null || true
    done
    rm -rf "$work"
}
trap cleanup EXIT

# Nothing of the user's is read or touched: a private home and a private server.
export HOME="$work/home"
export XDG_CONFIG_HOME="$HOME/.config" XDG_CACHE_HOME="$HOME/.cache" XDG_DATA_HOME="$HOME/.local/share"
mkdir -p "$XDG_CONFIG_HOME" "$XDG_CACHE_HOME" "$XDG_DATA_HOME"
# Clients never start a server of their own (jack_lsp polls before ours is up).
export JACK_DEFAULT_SERVER="tonewell-carla-$$" JACK_NO_AUDIO_RESERVATION=1 JACK_NO_START_SERVER=1

# A free display above those scripts/test.sh takes, so both can run at once.
display=""
for number in $(seq 200 299); do
    if [[ ! -e /tmp/.X$number-lock && ! -e /tmp/.X11-unix/X$number ]]; then
        display=":$number"
        break
    fi
done
[[ -n "$display" ]] || fail "no free X display for Xvfb"
Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp >"$logs/xvfb.log" 2>&1 &
pids+=($!)
jackd -n "$JACK_DEFAULT_SERVER" --no-realtime -d dummy -r 48000 -p 512 >"$logs/jackd.log" 2>&1 &
pids+=($!)
for _ in $(seq 100); do
    [[ -e /tmp/.X11-unix/X${display#:} ]] && jack_lsp >/dev/null 2>&1 && break
    sleep 0.1
done
[[ -e /tmp/.X11-unix/X${display#:} ]] || fail "Xvfb did not start on $display (build/carla/xvfb.log)"
jack_lsp >/dev/null 2>&1 || fail "the JACK server did not start (build/carla/jackd.log)"
export DISPLAY="$display"
evilwm >"$logs/wm.log" 2>&1 &
pids+=($!)

"$render" --list-programs >"$work/programs.txt" || fail "$render --list-programs failed"

echo "carla: $(basename "$carla") host engine, bundle $bundle, display $display"
log="$logs/carla.log"
# The host's own output goes to the log only; the suite's lines show as they come.
set +o pipefail
PYTHONDONTWRITEBYTECODE=1 timeout -k 5 "$RUN_LIMIT" /usr/bin/python3 -u "$root/tests/carla/carla_suite.py" --carla "$carla" \
    --bundle "$bundle" --programs "$work/programs.txt" --measure "$root/tests/daw/measure.py" \
    --work "$work" --logs "$logs" 2>&1 | tee "$log" | grep --line-buffered '^carla: '
status=${PIPESTATUS[0]}
set -o pipefail
case $status in
0) ;;
124 | 137)
    if ! grep -q '^carla: HANG' "$log"; then
        step=$(sed -n 's/^carla: step //p' "$log" | tail -n 1)
        echo "carla: HANG in step \"${step:-start}\" (the whole run took over $RUN_LIMIT s)"
    fi
    echo "carla: FAILED (log: ${log#"$root"/})"
    exit 1
    ;;
*)
    if ! grep -q '^carla: FAILED' "$log"; then
        step=$(sed -n 's/^carla: step //p' "$log" | tail -n 1)
        tail -n 20 "$log" | sed 's/^/    /'
        echo "carla: FAILED: the host process ended with status $status in step \"${step:-start}\" (log: ${log#"$root"/})"
    fi
    exit 1
    ;;
esac
