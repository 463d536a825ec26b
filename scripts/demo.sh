#!/usr/bin/env bash
# Builds ZEL, writes a few sample WAV files and converts them with zel-cli to 48 kHz.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DZEL_BUILD_TESTS=OFF >/dev/null
cmake --build build -j"$(nproc)" >/dev/null
rm -rf samples
build/cli/zel-samples samples >/dev/null
echo "Converting the sample files in samples/ to 48000 Hz:"
build/cli/zel-cli --rate 48000 samples/*.wav
