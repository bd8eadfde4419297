#!/usr/bin/env bash
# Tonewell in a real DAW: Debian's Ardour 7 on its dummy audio backend, without
# a window. The steps:
#   scan    - Ardour's VST 3 scanner indexes the bundle;
#   create  - Ardour's Lua shell (ardour7-lua, tests/daw/tonewell.lua): a
#             session with a MIDI track carrying Tonewell; "Binaural - 7.83
#             (Schumann Resonance)" chosen from the host's preset list and its
#             values read back within a second; "Binaural" set to 12.5; saved
#             and closed;
#   reopen  - the session opened again in a new Ardour, 12.5 read back, closed;
#   export  - four seconds of the session exported by ardour7-export, which
#             rolls the transport (Tonewell's generator sounds only then);
#   measure - both ears' frequencies in the file against the values
#             (tests/daw/measure.py).
# Ardour runs with HOME and the XDG folders in a private temporary folder, so
# nothing of the user's is read or touched. Every Ardour run has a time limit,
# and the Lua script announces each of its steps: one that makes no progress
# within STEP_LIMIT seconds (EXPORT_LIMIT for the export, which announces no
# steps) is ended, and the suite names it as a hang. The limits leave room for
# a machine that is busy with other work; an export normally takes 3 s.
# (The export goes through ardour7-export rather than the Lua shell's
# simple_export: in Ardour 7.3 that corrupts the heap in about one run of
# three, with or without a plug-in, and Ardour crashes as the export ends or
# as the session closes.)
#
#   scripts/daw-suite.sh [BUNDLE]
# BUNDLE (or TONEWELL_DAW_BUNDLE) defaults to build/linux/Tonewell.vst3. Logs
# and the exported file go to build/daw/ (or TONEWELL_DAW_LOGS). Exit status 0
# when every step passed; 75 when Ardour crashed in a way of its own (below)
# after every check of ours had passed, which is worth one more run; 1 for any
# other failure.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)

bundle=${1:-${TONEWELL_DAW_BUNDLE:-$root/build/linux/Tonewell.vst3}}
readonly STEP_LIMIT=20
readonly EXPORT_LIMIT=30
readonly RUN_LIMIT=60
readonly ARDOUR_CRASH=75
logs=${TONEWELL_DAW_LOGS:-$root/build/daw}
scanner=/usr/lib/ardour7/ardour-vst3-scanner

fail() {
    echo "daw: FAILED: $*"
    exit 1
}

# Ardour 7.3 now and then corrupts its heap as a session closes (with or
# without Tonewell): glibc's allocator finds it, prints one of its messages and
# aborts. Only that, after the run had done its work (FINISHED: 1; for the Lua
# runs, every check before the closing step passed), counts as Ardour's own
# crash; a wrong value, any other signal, a crash before the work was done or a
# hang does not.
ardour_heap_crash() { # log status finished
    local log=$1 status=$2 finished=$3
    ((status == 134 && finished)) || return 1
    grep -Eq '^(free|malloc|realloc|calloc|munmap_chunk|malloc_consolidate|_int_free|_int_malloc|_int_realloc|tcache_thread_shutdown)\(\): |^double free or corruption|^corrupted (size vs|double-linked)' "$log"
}

# Whether the stacks of a hung export show Ardour's own stall: a thread waits in
# start_audio_export, and no thread is both in Tonewell's code and in Ardour's
# (a host call into Tonewell, or Tonewell calling the host). A thread of
# Tonewell's own that waits for work is neither. Without stacks, no.
ardour_export_stall() { # stacks
    local stacks=$1
    [[ -s "$stacks" ]] && grep -q 'start_audio_export' "$stacks" || return 1
    awk '
        /^Thread / { if (ours && host) involved = 1; ours = 0; host = 0; next }
        /Tonewell\.so|\/(engine|core|vst3|gui|raster)\/[A-Za-z0-9_]+\.(cpp|h):/ { ours = 1 }
        /\/usr\/lib\/ardour7\// { host = 1 }
        END { if (ours && host) involved = 1; exit involved }
    ' "$stacks"
}

if [[ ! -f "$bundle/Contents/x86_64-linux/Tonewell.so" ]]; then
    fail "no Tonewell bundle at $bundle (build it first: cmake --build --preset linux)"
fi
bundle=$(cd "$bundle" && pwd)
for tool in ardour7-lua python3; do
    command -v "$tool" >/dev/null || fail "$tool is missing (scripts/setup.sh installs it)"
done
[[ -x "$scanner" ]] || fail "$scanner is missing (scripts/setup.sh installs Ardour)"

mkdir -p "$logs"
work=$(mktemp -d "${TMPDIR:-/tmp}/tonewell-daw.XXXXXX")
ardour_pid=""
cleanup() {
    if [[ -n "$ardour_pid" ]]; then
        kill -KILL "$ardour_pid" 2>/dev/null || true
    fi
    rm -rf "$work"
}
trap cleanup EXIT

export HOME="$work/home"
export XDG_CONFIG_HOME="$HOME/.config" XDG_CACHE_HOME="$HOME/.cache" XDG_DATA_HOME="$HOME/.local/share"
export VST3_PATH="$HOME/.vst3"
# glibc's allocator reports heap corruption on standard error, into the logs.
export LIBC_FATAL_STDERR_=1
mkdir -p "$VST3_PATH" "$XDG_CONFIG_HOME/ardour7" "$XDG_CACHE_HOME" "$XDG_DATA_HOME"
ln -s "$bundle" "$VST3_PATH/Tonewell.vst3"
# Release builds of Ardour hide the dummy backend unless told otherwise.
cat >"$XDG_CONFIG_HOME/ardour7/config" <<'EOF'
<?xml version="1.0" encoding="UTF-8"?>
<Ardour>
  <Config>
    <Option name="hide-dummy-backend" value="0"/>
  </Config>
</Ardour>
EOF

echo "daw: bundle $bundle"

# Runs a command of Ardour's with its output in LOG. Ends it when one step (the
# last "step: NAME" it printed, else NAME) takes longer than LIMIT seconds or
# the whole run longer than RUN_LIMIT: status 124. A failed command: status 1.
# Either way `failure` says what happened and `run_status` holds the status.
failure=""
run_status=0
supervise() { # name log limit command...
    local name=$1 log=$2 limit=$3
    shift 3
    : >"$log"
    "$@" >"$log" 2>&1 </dev/null &
    ardour_pid=$!
    local started=$SECONDS step=$name step_started=$SECONDS latest
    while kill -0 "$ardour_pid" 2>/dev/null; do
        latest=$(sed -n 's/^step: //p' "$log" 2>/dev/null | tail -n 1)
        if [[ -n "$latest" && "$latest" != "$step" ]]; then
            step=$latest
            step_started=$SECONDS
        fi
        if ((SECONDS - step_started > limit || SECONDS - started > RUN_LIMIT)); then
            local waited=$((SECONDS - step_started))
            # Where each thread waits, for whoever looks into the hang.
            if command -v gdb >/dev/null; then
                timeout -k 5 30 gdb -batch -p "$ardour_pid" -ex "thread apply all bt 30" \
                    >"$log.stacks" 2>&1 || true
                echo "    (stacks of the hung process: ${log#"$root"/}.stacks)"
            fi
            kill -TERM "$ardour_pid" 2>/dev/null || true
            sleep 2
            kill -KILL "$ardour_pid" 2>/dev/null || true
            wait "$ardour_pid" 2>/dev/null || true
            ardour_pid=""
            sed 's/^/    /' "$log" | tail -n 20
            failure="$name: HANG in step \"$step\" (no progress for $waited s)"
            return 124
        fi
        sleep 0.2
    done
    local status=0
    wait "$ardour_pid" || status=$?
    ardour_pid=""
    run_status=$status
    latest=$(sed -n 's/^step: //p' "$log" 2>/dev/null | tail -n 1)
    step=${latest:-$step}
    if ((status != 0)); then
        sed 's/^/    /' "$log" | tail -n 20
        failure="$name: exited with status $status in step \"$step\""
        return 1
    fi
}

run_lua() { # name args...
    local name=$1
    shift
    echo "daw: $name"
    if ! supervise "$name" "$logs/$name.log" "$STEP_LIMIT" ardour7-lua "$root/tests/daw/tonewell.lua" "$@"; then
        local last
        last=$(sed -n 's/^step: //p' "$logs/$name.log" | tail -n 1)
        if ardour_heap_crash "$logs/$name.log" "$run_status" \
            "$([[ "$last" == "close session" || "$last" == "done" ]] && echo 1 || echo 0)"; then
            echo "daw: FAILED: $failure: Ardour's own heap corruption as the session closed:"
            grep -E '^step: |\(\): |corruption|^corrupted' "$logs/$name.log" | tail -n 3 | sed 's/^/    /'
            exit "$ARDOUR_CRASH"
        fi
        fail "$failure"
    fi
    if ! grep -qx 'step: done' "$logs/$name.log"; then
        sed 's/^/    /' "$logs/$name.log" | tail -n 20
        fail "$name: the Lua script did not finish"
    fi
    grep -E '^(program|saved) values: ' "$logs/$name.log" | sed "s/^/daw: $name: /" || true
    echo "daw: $name passed"
}

echo "daw: scan"
supervise scan "$logs/scan.log" "$STEP_LIMIT" env LD_LIBRARY_PATH=/usr/lib/ardour7 "$scanner" -f \
    "$VST3_PATH/Tonewell.vst3" || fail "$failure"
grep -qs 'name="Tonewell"' "$XDG_CACHE_HOME"/ardour7/vst/*.v3i ||
    fail "scan: Ardour's plug-in cache lists no Tonewell"
echo "daw: scan passed"

session="$work/session"
run_lua create create "$session"
run_lua reopen reopen "$session"

echo "daw: export"
# ardour7-export exports the session range, which a session without regions
# lacks: four seconds from the start are written into the saved session.
# Positions are in superclock units, 282240000 a second.
state="$session/tonewell.ardour"
grep -q '<Locations/>' "$state" || fail "export: $state has no empty <Locations/> to fill"
sed -i 's|<Locations/>|<Locations><Location id="1" name="session" start="a0" end="a1128960000" flags="IsSessionRange" locked="0" timestamp="0" cue="0"/></Locations>|' "$state"
wav="$logs/tonewell.wav"
rm -f "$wav" "$logs"/export*.log*
export_status=0
supervise export "$logs/export.log" "$EXPORT_LIMIT" ardour7-export -o "$wav" "$session" tonewell ||
    export_status=$?
# Now and then Ardour 7.3's export stalls before it starts: its main thread
# waits in start_audio_export for the butler, which waits for a lock, and no
# thread is in Tonewell; it does so too in sessions where Tonewell never
# called the host back. Such a stall (ardour_export_stall) gets one more try;
# any other hang, and a second stall, fails.
if ((export_status == 124)) && ardour_export_stall "$logs/export.log.stacks"; then
    echo; echo "daw: $failure; once more"
    for file in "$logs"/export.log*; do mv "$file" "${file/export.log/export-stalled.log}"; done
    rm -f "$wav"
    export_status=0
    supervise export "$logs/export.log" "$EXPORT_LIMIT" ardour7-export -o "$wav" "$session" \
        tonewell || export_status=$?
fi
if ((export_status != 0)) && ardour_heap_crash "$logs/export.log" "$run_status" \
    "$([[ -s "$wav" ]] && echo 1 || echo 0)"; then
    echo "daw: FAILED: $failure: Ardour's own heap corruption as the export closed"
    exit "$ARDOUR_CRASH"
fi
((export_status == 0)) || fail "$failure"
[[ -f "$wav" ]] || fail "export: ardour7-export wrote no $wav"
echo "daw: export passed"

echo "daw: measure"
read -r frequency binaural center reverse < <(sed -n \
    's/^tones: frequency=\([^ ]*\) binaural=\([^ ]*\) center=\([01]\) reverse=\([01]\)$/\1 \2 \3 \4/p' \
    "$logs/reopen.log") || fail "measure: the reopened session reported no tone values"
if ! python3 "$root/tests/daw/measure.py" "$wav" "$frequency" "$binaural" "$center" "$reverse" |
    tee "$logs/measure.log" | sed 's/^/daw: /'; then
    fail "measure: the exported ears are not at the parameters' frequencies"
fi
echo "daw: passed"
