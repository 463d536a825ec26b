#!/bin/sh
# Converts a fixed, varied set of WAV files with every build at several (rate, speed)
# settings and writes one manifest line per output: input, build, rate, speed, result
# code and the output's sha256. Two manifests from two trees compare with diff; any
# difference means a conversion no longer gives the same bytes.
#
#   scripts/byte-identity.sh ZEL_CLI MANIFEST [BASELINE]
#
# With BASELINE the new manifest is compared with it and the exit status says whether
# they match.
set -eu

if [ $# -lt 2 ] || [ $# -gt 3 ]; then
    echo "usage: $0 ZEL_CLI MANIFEST [BASELINE]" >&2
    exit 2
fi
cli=$(realpath "$1")
manifest=$2
baseline=${3:-}

work=$(mktemp -d -t zel-identity.XXXXXX)
trap 'rm -rf "$work"' EXIT INT TERM
inputs="$work/in"
mkdir "$inputs"

# The inputs: every rate, width and channel count at a short and a long length, the empty
# and one-frame cases, a LIST chunk after the data, a data chunk that promises more than
# the file holds, an odd number of data bytes and a LIST chunk before the data.
python3 - "$inputs" <<'EOF'
import math, os, struct, sys

folder = sys.argv[1]
state = 12345

def noise():
    # A fixed linear congruential generator: the same bytes on every machine.
    global state
    state = (state * 1103515245 + 12345) & 0x7FFFFFFF
    return state / 0x7FFFFFFF * 2.0 - 1.0

def samples(rate, bits, channels, frames):
    out = bytearray()
    for i in range(frames):
        for c in range(channels):
            # A sweep driven past full scale now and then, plus noise: clipping paths too.
            phase = 2 * math.pi * (200 + 40 * c) * i / rate * (1 + i / (2 * rate))
            value = 1.2 * math.sin(phase) * (0.5 + 0.5 * math.sin(i / 997)) + 0.1 * noise()
            value = max(-1.0, min(1.0, value))
            if bits == 8:
                out.append(max(0, min(255, int(round(128 + value * 127.5)))))
            else:
                out += struct.pack('<h', max(-32768, min(32767, int(round(value * 32767.5)))))
    return bytes(out)

def header(rate, bits, channels, data_size, extra=0):
    align = channels * bits // 8
    return (b'RIFF' + struct.pack('<I', 36 + data_size + extra) + b'WAVE' + b'fmt ' +
            struct.pack('<IHHIIHH', 16, 1, channels, rate, rate * align, align, bits) +
            b'data' + struct.pack('<I', data_size))

def write(name, content):
    with open(os.path.join(folder, name), 'wb') as f:
        f.write(content)

list_chunk = b'LIST' + struct.pack('<I', 26) + b'INFOISFT' + struct.pack('<I', 14) + b'sample writer\0'
for rate in (8000, 11025, 22050, 44100, 48000, 96000):
    for bits in (8, 16):
        for channels in (1, 2):
            stem = f'r{rate}_b{bits}_c{channels}'
            for frames in (30, 100000):
                data = samples(rate, bits, channels, frames)
                write(f'{stem}_n{frames}.wav', header(rate, bits, channels, len(data)) + data)
            if rate in (8000, 44100):
                for frames in (0, 1):
                    data = samples(rate, bits, channels, frames)
                    write(f'{stem}_n{frames}.wav', header(rate, bits, channels, len(data)) + data)
            if rate in (22050, 48000):
                data = samples(rate, bits, channels, 5000)
                write(f'{stem}_list.wav',
                      header(rate, bits, channels, len(data), len(list_chunk)) + data + list_chunk)
                write(f'{stem}_truncated.wav',
                      header(rate, bits, channels, len(data) * 2) + data)
data = samples(44100, 16, 2, 1000) + b'\x01'
write('odd_length.wav', header(44100, 16, 2, len(data)) + data)
data = samples(44100, 16, 1, 1000)
write('list_before_data.wav',
      header(44100, 16, 1, len(data), len(list_chunk))[:36] + list_chunk +
      b'data' + struct.pack('<I', len(data)) + data)
EOF

: > "$work/manifest"
# Listed once: the outputs land in the same folder and must not become inputs.
inputs_list=$(cd "$inputs" && ls -- *.wav)
for build in 0 1 2 3 4; do
    for setting in 48000/100 44100/100 8000/200 96000/50 22050/77 11025/133; do
        rate=${setting%/*}
        speed=${setting#*/}
        suffix="_out_s${build}_${rate}_${speed}"
        # One line per file: <input> TAB <code> TAB <message>. A nonzero exit only says
        # that some file failed; the codes are in the manifest.
        (cd "$inputs" && "$cli" --quiet --simd "$build" --rate "$rate" --speed "$speed" \
            --suffix "$suffix" -- $inputs_list \
            > "$work/results" 2> "$work/errors") || true
        while IFS="$(printf '\t')" read -r input code _message; do
            stem=${input%.wav}
            output="$inputs/${stem}${suffix}.wav"
            if [ -f "$output" ]; then
                hash=$(sha256sum "$output" | cut -d' ' -f1)
            else
                hash=none
            fi
            printf '%s\t%s\t%s\t%s\t%s\t%s\n' "$input" "$build" "$rate" "$speed" "$code" \
                "$hash" >> "$work/manifest"
        done < "$work/results"
    done
done

sort "$work/manifest" > "$manifest"
echo "$(wc -l < "$manifest") outputs listed in $manifest"
if [ -n "$baseline" ]; then
    if diff -u "$baseline" "$manifest"; then
        echo "byte-identical to $baseline"
    else
        echo "DIFFERENT from $baseline" >&2
        exit 1
    fi
fi
