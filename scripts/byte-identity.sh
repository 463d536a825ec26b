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
# the file holds, an odd number of data bytes and a LIST chunk before the data; then every
# other encoding (24 and 32-bit PCM, 32 and 64-bit float, mu-law, A-law) in 1, 2, 3 and 6
# channels, files with bext, cue, smpl and iXML metadata, and an RF64 file.
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

def chunk(tag, payload):
    return tag + struct.pack('<I', len(payload)) + payload + (b'\0' if len(payload) % 2 else b'')

def mulaw(v):
    sign = 0x80 if v < 0 else 0
    x = min(int(abs(v) * 32635), 32635) + 0x84
    exponent = max(0, x.bit_length() - 8)
    return ~(sign | (exponent << 4) | ((x >> (exponent + 3)) & 0x0F)) & 0xFF

def alaw(v):
    sign = 0 if v < 0 else 0x80
    x = min(int(abs(v) * 32767), 32767) >> 3
    if x < 32:
        code = x >> 1
    else:
        exponent = x.bit_length() - 5
        code = (exponent << 4) | ((x >> exponent) & 0x0F)
    return (sign | code) ^ 0x55

# name: (format tag, bits, packer)
encodings = {
    'u8': (1, 8, lambda v: bytes([max(0, min(255, int(round(128 + v * 127.5))))])),
    's16': (1, 16, lambda v: struct.pack('<h', max(-32768, min(32767, int(round(v * 32767.5)))))),
    's24': (1, 24, lambda v: struct.pack('<i', max(-2**23, min(2**23 - 1, int(round(v * 8388607.5)))))[:3]),
    's32': (1, 32, lambda v: struct.pack('<i', max(-2**31, min(2**31 - 1, int(round(v * 2147483647.0)))))),
    'f32': (3, 32, lambda v: struct.pack('<f', v * 1.1)),
    'f64': (3, 64, lambda v: struct.pack('<d', v * 1.1)),
    'ulaw': (7, 8, lambda v: bytes([mulaw(v)])),
    'alaw': (6, 8, lambda v: bytes([alaw(v)])),
}

def any_samples(pack, rate, channels, frames):
    out = bytearray()
    for i in range(frames):
        for c in range(channels):
            phase = 2 * math.pi * (300 + 70 * c) * i / rate
            out += pack(0.9 * math.sin(phase) * (0.6 + 0.4 * math.sin(i / 331)) + 0.05 * noise())
    return bytes(out)

def fmt_chunk(tag, bits, channels, rate):
    align = channels * bits // 8
    if channels <= 2:
        return chunk(b'fmt ', struct.pack('<HHIIHH', tag, channels, rate, rate * align, align, bits))
    mask = (1 << channels) - 1
    guid = struct.pack('<I', tag) + bytes.fromhex('000000001000800000aa00389b71')
    return chunk(b'fmt ', struct.pack('<HHIIHHHHI', 0xFFFE, channels, rate, rate * align, align,
                                      bits, 22, bits, mask) + guid)

def riff(chunks):
    body = b'WAVE' + b''.join(chunks)
    return b'RIFF' + struct.pack('<I', len(body)) + body

for name, (tag, bits, pack) in encodings.items():
    for channels in (1, 2, 3, 6):
        data = any_samples(pack, 44100, channels, 7001)
        write(f'enc_{name}_c{channels}.wav', riff([fmt_chunk(tag, bits, channels, 44100),
                                                   chunk(b'data', data)]))

bext = bytearray(602)
bext[0:11] = b'description'
bext[338:346] = struct.pack('<Q', 123456789)
cue = struct.pack('<I', 2) + b''.join(
    struct.pack('<II4sIII', n, pos, b'data', 0, 0, pos) for n, pos in ((1, 1000), (2, 5000)))
smpl = struct.pack('<9I', 0, 0, 22675, 60, 0, 0, 0, 1, 0) + struct.pack('<6I', 0, 0, 1200, 6000, 0, 0)
ixml = (b'<BWFXML><SPEED><TIMESTAMP_SAMPLE_RATE>44100</TIMESTAMP_SAMPLE_RATE>'
        b'<TIMESTAMP_SAMPLES_SINCE_MIDNIGHT_HI>0</TIMESTAMP_SAMPLES_SINCE_MIDNIGHT_HI>'
        b'<TIMESTAMP_SAMPLES_SINCE_MIDNIGHT_LO>123456789</TIMESTAMP_SAMPLES_SINCE_MIDNIGHT_LO>'
        b'</SPEED></BWFXML>')
for name in ('s16', 's24', 'f32'):
    tag, bits, pack = encodings[name]
    data = any_samples(pack, 44100, 2, 9001)
    write(f'meta_{name}.wav', riff([fmt_chunk(tag, bits, 2, 44100), chunk(b'bext', bytes(bext)),
                                     chunk(b'iXML', ixml), list_chunk, chunk(b'data', data),
                                     chunk(b'cue ', cue), chunk(b'smpl', smpl)]))

data = any_samples(encodings['s16'][2], 48000, 2, 6000)
ds64 = chunk(b'ds64', struct.pack('<QQQI', 0, len(data), len(data) // 4, 0))
body = b'WAVE' + ds64 + fmt_chunk(1, 16, 2, 48000) + b'data' + struct.pack('<I', 0xFFFFFFFF) + data
write('rf64_s16.wav', b'RF64' + struct.pack('<I', 0xFFFFFFFF) + body)
EOF

: > "$work/manifest"
# Listed once: the outputs land in the same folder and must not become inputs.
inputs_list=$(cd "$inputs" && ls -- *.wav)
# Every build this processor runs; the settings: standard mode at six (rate, speed) pairs,
# high quality at three, and high quality with dither at one.
max_build=$("$cli" --cpu-info | sed -n 's/^builds:.* \([0-9]\)=[a-z0-9]*$/\1/p')
for build in $(seq 0 "$max_build"); do
    for setting in 48000/100/standard 44100/100/standard 8000/200/standard 96000/50/standard \
                   22050/77/standard 11025/133/standard 48000/100/high 8000/200/high \
                   96000/77/high 44100/100/dither; do
        rate=${setting%%/*}
        rest=${setting#*/}
        speed=${rest%/*}
        mode=${rest#*/}
        case $mode in
            standard) mode_options= ;;
            high) mode_options="--quality high" ;;
            dither) mode_options="--quality high --dither" ;;
        esac
        suffix="_out_s${build}_${rate}_${speed}_${mode}"
        # One line per file: <input> TAB <code> TAB <message>. A nonzero exit only says
        # that some file failed; the codes are in the manifest.
        # shellcheck disable=SC2086  # the mode's options are separate words
        (cd "$inputs" && "$cli" --quiet --simd "$build" --rate "$rate" --speed "$speed" \
            $mode_options --suffix "$suffix" -- $inputs_list \
            > "$work/results" 2> "$work/errors") || true
        while IFS="$(printf '\t')" read -r input code _message; do
            stem=${input%.wav}
            output="$inputs/${stem}${suffix}.wav"
            if [ -f "$output" ]; then
                hash=$(sha256sum "$output" | cut -d' ' -f1)
            else
                hash=none
            fi
            printf '%s\t%s\t%s\t%s\t%s\t%s\t%s\n' "$input" "$build" "$rate" "$speed" "$mode" \
                "$code" "$hash" >> "$work/manifest"
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
