#!/usr/bin/env bash
# Cross-builds the libraries below the desktop application and zel-cli for 64-bit ARM and
# runs the engine's suites under qemu-user: the core must build and convert on a processor
# without the x86 kernels.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/steps.sh
scripts/install-deps.sh arm64
run_step "configuring for arm64 (build-arm64/)" build-arm64/configure.log \
  cmake -S . -B build-arm64 -DCMAKE_TOOLCHAIN_FILE=cmake/aarch64-linux-gnu.cmake \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZEL_BUILD_GUI=OFF -DZEL_BUILD_TESTS=ON \
  -DZEL_WITH_SNDFILE=OFF -DZEL_WITH_EBUR128=OFF  # neither is installed for arm64
run_step "building with $(nproc) jobs" build-arm64/build.log \
  cmake --build build-arm64 -j"$(nproc)"
echo "$script_name: testing under qemu-aarch64"
cd build-arm64
ctest --output-on-failure -j"$(nproc)"
