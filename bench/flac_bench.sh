#!/usr/bin/env bash
# The conversion people ask for most: 24-bit/96 kHz stereo FLAC to 16-bit/44.1 kHz FLAC
# with dither, 5 minutes of pink noise at -10 dBFS, zel-cli
# (--quality high --dither shaped) against sox (-b 16 rate 44100 dither -s) in the same
# run, alternating, three runs each: wall time and peak resident memory (GNU time), and
# ZEL's peak memory again for an input four times as long, which must not grow.
#
# Usage: bench/flac_bench.sh ZEL_CLI [WORK_FOLDER]   (needs sox, flac and GNU time)
set -euo pipefail
cli=$(realpath "$1")
work=${2:-${TMPDIR:-/tmp}/zel-flac-bench}
readonly seconds=300 runs=3
rm -rf "$work"
mkdir -p "$work"
trap 'rm -rf "$work"' EXIT
cd "$work"

sox -n -r 96000 -b 24 -c 2 in.flac synth "$seconds" pinknoise vol 0.3
sox in.flac in.flac in.flac in.flac long.flac

# "seconds peak_kib" of one command.
measure() {
  /usr/bin/time -f '%e %M' -o time.txt "$@" >/dev/null 2>&1
  cat time.txt
}

zel() {
  rm -f "${1%.flac}_B.flac"
  measure "$cli" --quiet --rate 44100 --bits 16 --quality high --dither shaped --format flac \
    --suffix _B "$1"
}
peer() { measure sox "$1" -b 16 out_sox.flac rate 44100 dither -s; }

echo "# $(date -u '+%Y-%m-%d %H:%M UTC'), $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | xargs)"
echo "# ${seconds} s 24-bit/96 kHz stereo FLAC -> 16-bit/44.1 kHz FLAC, seconds and peak KiB"
for run in $(seq "$runs"); do
  read -r zs zm < <(zel in.flac)
  read -r ss sm < <(peer in.flac)
  echo "run $run: zel-cli $zs s $zm KiB | sox $ss s $sm KiB | ratio $(awk -v z="$zs" -v s="$ss" 'BEGIN { printf "%.2f", z / s }')"
done
read -r ls lm < <(zel long.flac)
echo "four times as long (20 min): zel-cli $ls s, $lm KiB"
