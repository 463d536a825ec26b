#!/usr/bin/env bash
# Installs the Debian 12 packages that are missing for the named needs, without the
# recommended extras nothing here uses.
# Usage: scripts/install-deps.sh [build|test|fuzz|bench|arm64|all]...   (default: test fuzz)
#   build  compile zel and zel-cli
#   test   build, run every suite (packaging checks included) and build the Debian packages
#   fuzz   build and run the WAV fuzzer with clang
#   bench  the benchmarks and their comparison libraries
#   arm64  cross-build the core and zel-cli for 64-bit ARM and run its tests under qemu
set -euo pipefail
source "$(dirname "$0")/steps.sh"

# file and dpkg-dev (dpkg-shlibdeps) are what cpack's DEB generator runs, which README's
# install steps use.
build_packages=(cmake g++ make qt6-base-dev qt6-tools-dev qt6-tools-dev-tools qt6-l10n-tools
                libgl1-mesa-dev libsndfile1-dev libebur128-dev pkg-config
                file dpkg-dev)
# objdump checks the instruction levels; a Japanese font and Qt's Japanese texts show the
# windows as users see them.
test_packages=("${build_packages[@]}" libgtest-dev libgmock-dev binutils
               qt6-translations-l10n desktop-file-utils appstream man-db fonts-vlgothic
               slurm-wlm munge parallel  # the cluster tests
               sox ffmpeg sndfile-programs flac lame python3)  # files as these tools write them
fuzz_packages=(cmake make g++ clang libclang-rt-14-dev)
# googletest: the sources a cross build compiles GoogleTest from.
arm64_packages=(cmake make g++-aarch64-linux-gnu qemu-user googletest python3)
# numpy and matplotlib draw the quality pictures of docs/quality.md; KISS FFT and Highway are
# timed beside ZEL's own transforms and kernels.
bench_packages=("${build_packages[@]}" libbenchmark-dev pkg-config libsoxr-dev soundstretch
                libsamplerate0-dev libkissfft-dev libhwy-dev sox flac time python3-numpy
                python3-matplotlib)

needs=("$@")
[ ${#needs[@]} -gt 0 ] || needs=(test fuzz)
wanted=()
for need in "${needs[@]}"; do
  case $need in
    build) wanted+=("${build_packages[@]}") ;;
    test) wanted+=("${test_packages[@]}") ;;
    fuzz) wanted+=("${fuzz_packages[@]}") ;;
    bench) wanted+=("${bench_packages[@]}") ;;
    arm64) wanted+=("${arm64_packages[@]}") ;;
    all) wanted+=("${test_packages[@]}" "${fuzz_packages[@]}" "${bench_packages[@]}"
                  "${arm64_packages[@]}") ;;
    *) fail "unknown need '$need' (build, test, fuzz, bench, arm64 or all)" ;;
  esac
done

installed() {
  dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'
}

missing=()
for p in $(printf '%s\n' "${wanted[@]}" | sort -u); do
  installed "$p" || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
  echo "$script_name: all ${#wanted[@]} packages for ${needs[*]} are installed"
  exit 0
fi

apt_line="apt-get install --no-install-recommends ${missing[*]}"
if [ "$(id -u)" -eq 0 ]; then
  as_root=()
elif command -v sudo >/dev/null 2>&1; then
  as_root=(sudo)
else
  echo "$script_name: ${#missing[@]} packages are missing and installing them needs root," >&2
  echo "but this is not root and sudo is not installed. As root, run:" >&2
  echo "    apt-get update && $apt_line" >&2
  echo "then run this script again." >&2
  exit 1
fi

# The logs stay when a step fails, for the message that points to them.
log_dir=$(mktemp -d)
trap 'status=$?; [ $status -ne 0 ] || rm -rf "$log_dir"' EXIT
run_step "updating the package lists" "$log_dir/update.log" \
  "${as_root[@]}" apt-get update
run_step "installing ${#missing[@]} packages (${missing[*]})" "$log_dir/install.log" \
  "${as_root[@]}" env DEBIAN_FRONTEND=noninteractive \
  apt-get install -y --no-install-recommends "${missing[@]}"
