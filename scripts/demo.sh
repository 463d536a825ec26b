#!/usr/bin/env bash
# Builds ZEL, writes a few sample WAV files and converts them with zel-cli to 48 kHz.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/steps.sh
scripts/install-deps.sh build
run_step "configuring (build/)" build/configure.log \
  cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DZEL_BUILD_TESTS=OFF
run_step "building zel-cli with $(nproc) jobs" build/build.log \
  cmake --build build -j"$(nproc)" --target zel-cli zel-samples
rm -rf samples
run_step "writing sample WAV files into samples/" build/samples.log build/cli/zel-samples samples
echo "Converting the sample files in samples/ to 48000 Hz:"
build/cli/zel-cli --rate 48000 samples/*.wav
