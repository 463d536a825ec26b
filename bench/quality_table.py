#!/usr/bin/env python3
"""The quality table of docs/quality.md: pure tones through zel-cli (standard, high and
best quality), sox (default and -v) and ffmpeg, 16-bit in and out, measured on the
outputs.

usage: bench/quality_table.py path/to/zel-cli

Each tone is one second long, written with plain rounding (no dither). Levels are read
under a four-term Blackman-Harris window from the middle 80 % of the output, so a
full-scale tone a few kHz away does not leak into the bin looked at. THD+N is the power
left after a least-squares fit of the fundamental, relative to it."""

import cmath
import math
import os
import shutil
import struct
import subprocess
import sys
import tempfile
import wave

FULL_SCALE = 32768.0

# (what, input rate, output rate, tone Hz, tone dBFS, measured Hz, kind)
CASES = [
    ("alias of 23 kHz, 48 -> 44.1 kHz (dBFS)", 48000, 44100, 23000, 0, 21100, "level"),
    ("alias of 5 kHz, 96 -> 8 kHz (dBFS)", 96000, 8000, 5000, 0, 3000, "level"),
    # The rounding of a 5 kHz tone at 96 kHz repeats every 96 samples and leaves a line at
    # 3 kHz in the input itself (about -115 dBFS); 5003 Hz spreads it over 1 Hz steps.
    ("alias of 5.003 kHz, 96 -> 8 kHz (dBFS)", 96000, 8000, 5003, 0, 2997, "level"),
    ("image of 20 kHz, 44.1 -> 96 kHz (dBFS)", 44100, 96000, 20000, 0, 24100, "level"),
    ("gain at 3 kHz, 96 -> 8 kHz (dB)", 96000, 8000, 3000, -1, 3000, "gain"),
    ("gain at 19.8 kHz, 48 -> 44.1 kHz (dB)", 48000, 44100, 19800, -1, 19800, "gain"),
    ("THD+N of 1 kHz, 44.1 -> 48 kHz (dB)", 44100, 48000, 1000, -1, 1000, "thdn"),
]


def write_tone(path, rate, hz, dbfs):
    amplitude = 32767.0 * 10 ** (dbfs / 20.0)
    frames = bytearray()
    for n in range(rate):
        v = int(round(amplitude * math.sin(2 * math.pi * hz * n / rate)))
        frames += struct.pack("<h", max(-32768, min(32767, v)))
    with wave.open(path, "wb") as w:
        w.setnchannels(1)
        w.setsampwidth(2)
        w.setframerate(rate)
        w.writeframes(bytes(frames))


def read_samples(path):
    """Rate and 16-bit mono samples; any fmt chunk (sox writes the extensible one)."""
    with open(path, "rb") as f:
        data = f.read()
    at, rate, samples = 12, 0, None
    while at + 8 <= len(data):
        tag, size = data[at:at + 4], struct.unpack("<I", data[at + 4:at + 8])[0]
        body = data[at + 8:at + 8 + size]
        if tag == b"fmt ":
            channels, rate, bits = struct.unpack("<H", body[2:4])[0], struct.unpack(
                "<I", body[4:8])[0], struct.unpack("<H", body[14:16])[0]
            assert channels == 1 and bits == 16, path
        elif tag == b"data":
            samples = struct.unpack("<%dh" % (len(body) // 2), body[:len(body) // 2 * 2])
        at += 8 + size + (size & 1)
    return rate, samples


def windowed_amplitude(y, rate, hz):
    start = len(y) // 10
    length = len(y) - 2 * start
    total, weights = 0j, 0.0
    for n in range(length):
        t = 2 * math.pi * n / (length - 1)
        w = 0.35875 - 0.48829 * math.cos(t) + 0.14128 * math.cos(2 * t) - 0.01168 * math.cos(3 * t)
        total += w * y[start + n] * cmath.exp(-2j * math.pi * hz * (start + n) / rate)
        weights += w
    return 2 * abs(total) / weights


def thd_plus_noise(y, rate, hz):
    start = len(y) // 10
    part = y[start:len(y) - start]
    ss = sc = cc = ys = yc = 0.0
    for n, v in enumerate(part):
        s, c = math.sin(2 * math.pi * hz * n / rate), math.cos(2 * math.pi * hz * n / rate)
        ss, sc, cc, ys, yc = ss + s * s, sc + s * c, cc + c * c, ys + v * s, yc + v * c
    det = ss * cc - sc * sc
    a, b = (ys * cc - yc * sc) / det, (yc * ss - ys * sc) / det
    residual = signal = 0.0
    for n, v in enumerate(part):
        model = a * math.sin(2 * math.pi * hz * n / rate) + b * math.cos(2 * math.pi * hz * n / rate)
        residual += (v - model) ** 2
        signal += model * model
    return 10 * math.log10(residual / signal)


def converters(zel_cli):
    def zel(quality, extra):
        def run(src, dst, rate):
            subprocess.run([zel_cli, "-q", "--quality", quality, "--rate", str(rate),
                            "--suffix", "_out"] + extra + [src], check=True,
                           stdout=subprocess.DEVNULL)
            os.replace(src[:-4] + "_out.wav", dst)
        return run

    table = [("zel standard", zel("standard", [])),
             ("zel high", zel("high", [])),
             ("zel high --dither", zel("high", ["--dither"])),
             ("zel best", zel("best", [])),
             ("zel best --dither", zel("best", ["--dither"]))]
    if shutil.which("sox"):
        table.append(("sox (rate, default)", lambda s, d, r: subprocess.run(
            ["sox", s, d, "rate", str(r)], check=True)))
        table.append(("sox (rate -v)", lambda s, d, r: subprocess.run(
            ["sox", s, d, "rate", "-v", str(r)], check=True)))
    if shutil.which("ffmpeg"):
        table.append(("ffmpeg (default)", lambda s, d, r: subprocess.run(
            ["ffmpeg", "-loglevel", "error", "-y", "-i", s, "-ar", str(r), d], check=True)))
    return table


def measure(path, case):
    _, _, _, hz, dbfs, measured, kind = case
    rate, y = read_samples(path)
    if kind == "thdn":
        return thd_plus_noise(y, rate, measured)
    level = windowed_amplitude(y, rate, measured)
    if kind == "gain":
        return 20 * math.log10(level / (32767.0 * 10 ** (dbfs / 20.0)))
    return 20 * math.log10(level / FULL_SCALE) if level > 0 else None


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    tools = converters(os.path.abspath(sys.argv[1]))
    print("| case | " + " | ".join(name for name, _ in tools) + " |")
    print("|---|" + "---:|" * len(tools))
    with tempfile.TemporaryDirectory() as scratch:
        for case in CASES:
            src = os.path.join(scratch, "tone.wav")
            write_tone(src, case[1], case[3], case[4])
            cells = []
            for _, convert in tools:
                dst = os.path.join(scratch, "converted.wav")
                convert(src, dst, case[2])
                value = measure(dst, case)
                cells.append("silence" if value is None
                             else ("%.3f" if case[6] == "gain" else "%.1f") % value)
            print("| %s | %s |" % (case[0], " | ".join(cells)))


if __name__ == "__main__":
    main()
