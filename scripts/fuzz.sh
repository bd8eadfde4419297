#!/usr/bin/env bash
# Builds the libFuzzer targets with clang, AddressSanitizer and
# UndefinedBehaviorSanitizer in build/fuzz, every library of ours with the
# fuzzer's coverage instrumentation, and fuzzes each target for a bounded time
# (TONEWELL_FUZZ_SECONDS per target, default 20):
#   png_decode_fuzz  the PNG decoder (which then ignores chunk checksums, so that
#                    mutated inputs get past them), from the images in
#                    tests/fuzz/corpus/png_decode;
#   state_fuzz       component and controller setState with arbitrary, lying
#                    and failing streams, then getState;
#   process_fuzz     set-up, buses and process calls decoded from the input;
#   sbagen_fuzz      SBaGen session text, seeded with SBaGen+'s example sessions
#                    (../shared/peers/sbagen-plus/examples, copied into a
#                    temporary folder when it is there).
# Arguments name the targets to run (default: all three). Fails on any crash,
# leak, sanitizer report, failed check or time-out of one input; the input is
# left in build/fuzz/.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
build=build/fuzz
seconds=${TONEWELL_FUZZ_SECONDS:-20}
targets=("$@")
[[ ${#targets[@]} -gt 0 ]] || targets=(png_decode_fuzz state_fuzz process_fuzz sbagen_fuzz)

# libpng itself is built with the fuzzer's coverage instrumentation and the
# sanitizers, so that the fuzzer can find its way through the decoder.
bash scripts/build-libpng.sh fuzz
deps="$root/build/deps/fuzz"

flags="-DFUZZING_BUILD_MODE_UNSAFE_FOR_PRODUCTION -fsanitize=fuzzer-no-link"
cmake -S . -B "$build" -G Ninja -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTONEWELL_SANITIZE=ON -DTONEWELL_BUILD_FUZZ=ON \
    -DTONEWELL_BUILD_BENCH=OFF -DCMAKE_C_FLAGS="$flags" -DCMAKE_CXX_FLAGS="$flags" \
    -DPNG_LIBRARY="$deps/lib/libpng16.a" -DPNG_PNG_INCLUDE_DIR="$deps/include" >/dev/null
cmake --build "$build" --target "${targets[@]}"

# Forged PNG headers make the decoder allocate images of up to 64 MiB; a small
# quarantine keeps AddressSanitizer from holding on to gigabytes of them.
export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}quarantine_size_mb=32"
status=0
for target in "${targets[@]}"; do
    name=${target%_fuzz}
    # New inputs go to the working corpus; the seeds in the repository stay as they are.
    corpus="$build/corpus/$name"
    seeds="tests/fuzz/corpus/$name"
    mkdir -p "$corpus"
    [[ -d "$seeds" ]] || seeds=""
    if [[ $name == sbagen ]]; then
        examples=${TONEWELL_SBAGEN_PEER:-$root/../shared/peers/sbagen-plus}/examples
        seeds=""
        if [[ -d "$examples" ]]; then
            seeds=$(mktemp -d)
            trap 'rm -rf "$seeds"' EXIT
            find "$examples" -name '*.sbg' -exec cp -t "$seeds" {} +
        fi
    fi
    log="$build/$target.log"
    # libpng reports every broken input on stderr; -close_fd_mask=2 silences
    # the target's stderr while libFuzzer and the sanitizers still report.
    if "$build/tests/fuzz/$target" -max_total_time="$seconds" -timeout=10 -close_fd_mask=2 \
        -rss_limit_mb=2048 -malloc_limit_mb=512 -max_len=8192 -artifact_prefix="$build/$name-" \
        "$corpus" $seeds >"$log" 2>&1; then
        echo "$target: $(grep -E '^Done [0-9]+ runs' "$log" || tail -n 1 "$log")"
    else
        tail -n 60 "$log"
        echo "$target failed; the input is in $build/ ($name-crash-*, -leak-*, -timeout-*)" >&2
        status=1
    fi
done
exit $status
