#!/usr/bin/env bash
# zel-cli over whole archives: 10 000 short files, and a tree of 200 long ones, each with
# --jobs 1 and --jobs 2, as files/s and input MB/s, against reading the same files with
# `cat > /dev/null` (the limit no converter can pass). All runs read from the page cache:
# the files were just written, and every timing is taken after one untimed read.
#
# Usage: bench/archive_bench.sh ZEL_CLI [WORK_FOLDER]   (needs about 1.5 GB there)
set -euo pipefail
cli=$1
work=${2:-${TMPDIR:-/tmp}/zel-archive-bench}
readonly short_count=10000 short_frames=11025   # 0.25 s mono 16-bit 44.1 kHz
readonly long_count=200 long_frames=1323000     # 30 s stereo 16-bit 44.1 kHz

rm -rf "$work"
mkdir -p "$work"
trap 'rm -rf "$work"' EXIT

# A 16-bit file of $2 channels and $3 frames at 44.1 kHz, noise as samples.
write_wav() {
  local path=$1 channels=$2 frames=$3 align=$(($2 * 2)) data=$(($2 * 2 * $3)) rate=44100
  le() {
    local hex
    if [ "$2" = 4 ]; then
      printf -v hex '\\x%02x\\x%02x\\x%02x\\x%02x' $(($1 & 255)) $(($1 >> 8 & 255)) \
        $(($1 >> 16 & 255)) $(($1 >> 24 & 255))
    else
      printf -v hex '\\x%02x\\x%02x' $(($1 & 255)) $(($1 >> 8 & 255))
    fi
    printf "$hex"
  }
  { printf 'RIFF'; le $((data + 36)) 4; printf 'WAVEfmt '; le 16 4; le 1 2; le "$channels" 2
    le $rate 4; le $((rate * align)) 4; le $align 2; le 16 2; printf 'data'; le $data 4
    head -c $data /dev/urandom; } > "$path"
}

# COUNT copies of TEMPLATE named FOLDER/dNN/fNNNNN.wav, 100 a folder, written by tee.
copy_tree() {
  local template=$1 count=$2 folder=$3 i names=()
  for ((i = 0; i < count; i++)); do
    ((i % 100 != 0)) || mkdir -p "$folder/d$((i / 100))"
    names+=("$folder/d$((i / 100))/f$i.wav")
    if [ ${#names[@]} -eq 500 ] || [ $i -eq $((count - 1)) ]; then
      tee "${names[@]}" < "$template" > /dev/null
      names=()
    fi
  done
}

now() { date +%s.%N; }

# Prints one result line: what, seconds, files/s, MB/s.
report() {
  awk -v what="$1" -v s="$2" -v n="$3" -v bytes="$4" 'BEGIN {
    printf "%-34s %8.2f s %10.1f files/s %8.1f MB/s\n", what, s, n / s, bytes / 1e6 / s }'
}

bench_tree() {
  local name=$1 folder=$2 count=$3 bytes start end jobs
  bytes=$(du -sb "$folder" | cut -f1)
  find "$folder" -name '*.wav' -print0 | xargs -0 cat > /dev/null
  start=$(now)
  find "$folder" -name '*.wav' -print0 | xargs -0 cat > /dev/null
  end=$(now)
  report "$name: cat > /dev/null" "$(awk -v a="$start" -v b="$end" 'BEGIN{print b-a}')" \
    "$count" "$bytes"
  for jobs in 1 2; do
    rm -rf "$work/out"
    start=$(now)
    "$cli" -q -r --jobs $jobs --output-dir "$work/out" "$folder" > "$work/results.tsv"
    end=$(now)
    [ "$(grep -c $'\t0\t' "$work/results.tsv")" -eq "$count" ] ||
      { echo "some file failed: $(grep -v $'\t0\t' "$work/results.tsv" | head -3)" >&2; exit 1; }
    report "$name: zel-cli --jobs $jobs" "$(awk -v a="$start" -v b="$end" 'BEGIN{print b-a}')" \
      "$count" "$bytes"
  done
  rm -rf "$work/out"
}

echo "zel-cli $("$cli" --version | cut -d' ' -f2), $(nproc) cores," \
  "$(uptime | sed 's/.*load/load/')"
write_wav "$work/short.wav" 1 $short_frames
copy_tree "$work/short.wav" $short_count "$work/short"
bench_tree "$short_count short files (0.25 s mono)" "$work/short" $short_count
rm -rf "$work/short"
write_wav "$work/long.wav" 2 $long_frames
copy_tree "$work/long.wav" $long_count "$work/long"
bench_tree "$long_count long files (30 s stereo)" "$work/long" $long_count
echo "load after: $(uptime | sed 's/.*load/load/')"
