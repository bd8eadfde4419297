#!/usr/bin/env bash
# Builds the PNG decoder's libFuzzer target with clang, AddressSanitizer and
# UndefinedBehaviorSanitizer in build/fuzz (the decoder then ignores chunk
# checksums, so that mutated inputs get past them), and fuzzes it for a bounded time
# (TONEWELL_FUZZ_SECONDS, default 20) from the seed images in tests/fuzz/corpus.
# Fails on any crash, leak, sanitizer report or time-out of one input.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
build=build/fuzz
seconds=${TONEWELL_FUZZ_SECONDS:-20}

# libpng itself is built with the fuzzer's coverage instrumentation and the
# sanitizers, so that the fuzzer can find its way through the decoder.
bash scripts/build-libpng.sh fuzz
deps="$root/build/deps/fuzz"

cmake -S . -B "$build" -G Ninja -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTONEWELL_SANITIZE=ON -DTONEWELL_BUILD_FUZZ=ON \
    -DTONEWELL_BUILD_BENCH=OFF -DCMAKE_CXX_FLAGS=-DFUZZING_BUILD_MODE_UNSAFE_FOR_PRODUCTION \
    -DPNG_LIBRARY="$deps/lib/libpng16.a" -DPNG_PNG_INCLUDE_DIR="$deps/include" >/dev/null
cmake --build "$build" --target png_decode_fuzz

# New inputs go to the working corpus; the seeds in the repository stay as they are.
corpus="$build/corpus"
mkdir -p "$corpus"
log="$build/png_decode_fuzz.log"
# libpng reports every broken input on stderr; -close_fd_mask=2 silences the
# target's stderr while libFuzzer and the sanitizers still report on their own.
# Forged headers make the decoder allocate images of up to 64 MiB; a small
# quarantine keeps AddressSanitizer from holding on to gigabytes of them.
export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}quarantine_size_mb=32"
if ! "$build/tests/fuzz/png_decode_fuzz" -max_total_time="$seconds" -timeout=10 -close_fd_mask=2 \
    -rss_limit_mb=2048 -malloc_limit_mb=512 -max_len=8192 -artifact_prefix="$build/" \
    "$corpus" tests/fuzz/corpus >"$log" 2>&1; then
    tail -n 60 "$log"
    echo "png_decode_fuzz failed; the input is in $build/ (crash-*, leak-*, timeout-*)" >&2
    exit 1
fi
grep -E '^Done [0-9]+ runs' "$log" || tail -n 1 "$log"
