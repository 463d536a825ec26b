#!/usr/bin/env bash
# Builds everything with AddressSanitizer + UndefinedBehaviorSanitizer and runs all tests.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/steps.sh
scripts/install-deps.sh test
run_step "configuring with the sanitizers (build-asan/)" build-asan/configure.log \
  cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DZEL_SANITIZE=ON -DZEL_BUILD_TESTS=ON
run_step "building with $(nproc) jobs" build-asan/build.log \
  cmake --build build-asan -j"$(nproc)"
echo "$script_name: testing under the sanitizers"
cd build-asan
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 QT_QPA_PLATFORM=offscreen \
  ctest --output-on-failure -j"$(nproc)"
