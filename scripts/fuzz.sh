#!/usr/bin/env bash
# Builds the WAV fuzzer with clang and runs it for the given number of seconds (default 60).
# Usage: scripts/fuzz.sh [SECONDS] [EXTRA libFuzzer ARGS...]
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/steps.sh
seconds=${1:-60}
shift || true
scripts/install-deps.sh fuzz
run_step "configuring with clang (build-fuzz/)" build-fuzz/configure.log \
  cmake -S . -B build-fuzz -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DZEL_FUZZ=ON -DZEL_BUILD_TESTS=OFF -DZEL_BUILD_GUI=OFF
run_step "building the fuzzer with $(nproc) jobs" build-fuzz/build.log \
  cmake --build build-fuzz -j"$(nproc)" --target zel_wav_fuzzer zel-fuzz-seeds
corpus=build-fuzz/corpus
mkdir -p "$corpus"
run_step "writing the seed corpus" build-fuzz/seeds.log \
  build-fuzz/tests/fuzz/zel-fuzz-seeds "$corpus"
echo "$script_name: fuzzing for $seconds s"
build-fuzz/tests/fuzz/zel_wav_fuzzer -max_len=8192 -timeout=20 -rss_limit_mb=4096 \
  -max_total_time="$seconds" -print_final_stats=1 "$@" "$corpus"
