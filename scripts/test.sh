#!/usr/bin/env bash
# Builds everything and runs every test suite.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/steps.sh
scripts/install-deps.sh test
run_step "configuring (build-tests/)" build-tests/configure.log \
  cmake -S . -B build-tests -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZEL_BUILD_TESTS=ON
run_step "building with $(nproc) jobs" build-tests/build.log \
  cmake --build build-tests -j"$(nproc)"
echo "$script_name: testing"
cd build-tests
QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j"$(nproc)"
