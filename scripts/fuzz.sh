#!/usr/bin/env bash
# Builds the WAV fuzzer with clang and runs it for the given number of seconds (default 60).
# Usage: scripts/fuzz.sh [SECONDS] [EXTRA libFuzzer ARGS...]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
shift || true
for p in clang libclang-rt-14-dev; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || {
    apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq clang libclang-rt-14-dev >/dev/null; break; }
done
cmake -S . -B build-fuzz -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DZEL_FUZZ=ON -DZEL_BUILD_TESTS=OFF -DZEL_BUILD_GUI=OFF >/dev/null
cmake --build build-fuzz -j"$(nproc)" --target zel_wav_fuzzer zel-fuzz-seeds >/dev/null
corpus=build-fuzz/corpus
mkdir -p "$corpus"
build-fuzz/tests/fuzz/zel-fuzz-seeds "$corpus"
build-fuzz/tests/fuzz/zel_wav_fuzzer -max_len=8192 -timeout=20 -rss_limit_mb=4096 \
  -max_total_time="$seconds" -print_final_stats=1 "$@" "$corpus"
