#!/usr/bin/env python3
"""Stopband sweep of the high-quality mode with float samples: full-scale 32-bit float tones
above the output's Nyquist frequency through `zel-cli --quality high`, and the level of
each one's alias in the float output, so what is measured is the filter, not a rounding.

usage: bench/stopband_sweep.py path/to/zel-cli

Prints the worst alias (dBFS) of each sweep and the tone that gave it."""

import math
import os
import struct
import subprocess
import sys
import tempfile

from quality_table import windowed_amplitude

# (input rate, output rate, first tone, last tone, tones)
SWEEPS = [
    (48000, 44100, 22060, 23990, 40),
    (96000, 8000, 4010, 47990, 60),
]


def write_float_tone(path, rate, hz):
    samples = [0.999 * math.sin(2 * math.pi * hz * n / rate) for n in range(rate)]
    data = struct.pack("<%df" % len(samples), *samples)
    fmt = struct.pack("<HHIIHH", 3, 1, rate, 4 * rate, 4, 32)
    body = (b"WAVE" + b"fmt " + struct.pack("<I", len(fmt)) + fmt + b"fact" +
            struct.pack("<II", 4, len(samples)) + b"data" + struct.pack("<I", len(data)) + data)
    with open(path, "wb") as f:
        f.write(b"RIFF" + struct.pack("<I", len(body)) + body)


def read_float_samples(path):
    with open(path, "rb") as f:
        data = f.read()
    at = 12
    while at + 8 <= len(data):
        tag, size = data[at:at + 4], struct.unpack("<I", data[at + 4:at + 8])[0]
        if tag == b"data":
            return struct.unpack("<%df" % (size // 4), data[at + 8:at + 8 + size // 4 * 4])
        at += 8 + size + (size & 1)
    sys.exit("no data chunk in " + path)


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    zel_cli = os.path.abspath(sys.argv[1])
    with tempfile.TemporaryDirectory() as scratch:
        src = os.path.join(scratch, "tone.wav")
        dst = os.path.join(scratch, "tone_sweep.wav")
        for rate_in, rate_out, first, last, count in SWEEPS:
            worst = (-math.inf, None)
            for i in range(count):
                hz = first + (last - first) * i / (count - 1)
                write_float_tone(src, rate_in, hz)
                if os.path.exists(dst):
                    os.remove(dst)
                subprocess.run([zel_cli, "--quality", "high", "--rate", str(rate_out),
                                "--suffix", "_sweep", src], check=True,
                               stdout=subprocess.DEVNULL)
                alias = abs(hz - round(hz / rate_out) * rate_out)
                level = windowed_amplitude(read_float_samples(dst), rate_out, alias)
                db = 20 * math.log10(level) if level > 0 else -math.inf
                worst = max(worst, (db, hz))
            print("%d -> %d Hz, %d tones %d..%d Hz: worst alias %.1f dBFS (tone %.0f Hz)" %
                  (rate_in, rate_out, count, first, last, worst[0], worst[1]))


if __name__ == "__main__":
    main()
