#!/usr/bin/env bash
# Builds the benchmarks (Release, build-bench/) without running them, so that they keep
# compiling as the engine changes; the README's "Benchmarks" section runs them.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/steps.sh
scripts/install-deps.sh bench
run_step "configuring (build-bench/)" build-bench/configure.log \
  cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DZEL_BUILD_BENCH=ON \
    -DZEL_BUILD_TESTS=OFF -DZEL_BUILD_GUI=OFF
run_step "building the benchmarks with $(nproc) jobs" build-bench/build.log \
  cmake --build build-bench -j"$(nproc)"
