#!/usr/bin/env python3
"""Files in every format as sox, ffmpeg, flac, lame and libsndfile write them, converted by
zel-cli from 44.1 to 48 kHz into 16-bit WAV and compared with the tone computed at 48 kHz.

Each tool writes a 1 kHz stereo tone (0.5 full scale, 1 s) in the formats it writes; the
output must be 48 kHz, about 1 s long (lossy encoders may pad a frame), and hold the tone
at its level (1 % for lossless formats, 10 % for lossy ones) in both channels. Each tool
that is not installed is reported and skipped. The committed files of tests/data/formats
cover the same formats without the tools (sound_file_test).

Usage: format_tools_test.py ZEL_CLI
"""
import cmath
import math
import os
import shutil
import struct
import subprocess
import sys
import tempfile

IN_RATE = 44100
OUT_RATE = 48000
HZ = 1000.0
LEVEL = 0.5
TIMEOUT = 120

# (tool, file name, command with IN for the source WAV and OUT for the file, lossy)
MAKERS = [
    ("sox", "sox.flac", ["sox", "IN", "-b", "24", "OUT"], False),
    ("sox", "sox.aiff", ["sox", "IN", "OUT"], False),
    ("sox", "sox.au", ["sox", "IN", "OUT"], False),
    ("sox", "sox.caf", ["sox", "IN", "-t", "caf", "OUT"], False),
    ("flac", "flac.flac", ["flac", "-s", "-f", "-o", "OUT", "IN"], False),
    ("lame", "lame.mp3", ["lame", "--quiet", "-b", "192", "IN", "OUT"], True),
    ("ffmpeg", "ffmpeg.flac", ["ffmpeg", "-loglevel", "error", "-y", "-i", "IN", "OUT"], False),
    ("ffmpeg", "ffmpeg.aiff", ["ffmpeg", "-loglevel", "error", "-y", "-i", "IN", "OUT"], False),
    ("ffmpeg", "ffmpeg.ogg", ["ffmpeg", "-loglevel", "error", "-y", "-i", "IN", "-c:a",
                              "libvorbis", "-q:a", "6", "OUT"], True),
    ("ffmpeg", "ffmpeg.opus", ["ffmpeg", "-loglevel", "error", "-y", "-i", "IN", "-ar", "48000",
                               "-c:a", "libopus", "-b:a", "160k", "OUT"], True),
    ("ffmpeg", "ffmpeg.mp3", ["ffmpeg", "-loglevel", "error", "-y", "-i", "IN", "-c:a",
                              "libmp3lame", "-b:a", "192k", "OUT"], True),
    ("sndfile-convert", "libsndfile.w64", ["sndfile-convert", "-pcm24", "IN", "OUT"], False),
    ("sndfile-convert", "libsndfile.caf", ["sndfile-convert", "-pcm32", "IN", "OUT"], False),
    ("sox", "sox-float.caf", ["sox", "IN", "-e", "floating-point", "-b", "32", "-t", "caf", "OUT"],
     False),
]


def write_source(path):
    frames = IN_RATE
    body = bytearray()
    for n in range(frames):
        v = int(round(LEVEL * 32767 * math.sin(2 * math.pi * HZ * n / IN_RATE)))
        body += struct.pack("<hh", v, v)
    head = b"RIFF" + struct.pack("<I", 36 + len(body)) + b"WAVE"
    head += b"fmt " + struct.pack("<IHHIIHH", 16, 1, 2, IN_RATE, IN_RATE * 4, 4, 16)
    with open(path, "wb") as f:
        f.write(head + b"data" + struct.pack("<I", len(body)) + bytes(body))


def read_wav16(path):
    """(rate, channels, frames as lists) of a 16-bit PCM WAV written by zel-cli."""
    data = open(path, "rb").read()
    pos, rate, channels, samples = 12, 0, 0, b""
    while pos + 8 <= len(data):
        cid, size = data[pos:pos + 4], struct.unpack("<I", data[pos + 4:pos + 8])[0]
        body = data[pos + 8:pos + 8 + size]
        if cid == b"fmt ":
            channels, rate = struct.unpack("<HI", body[2:8])
        elif cid == b"data":
            samples = body
        pos += 8 + size + (size & 1)
    values = struct.unpack("<%dh" % (len(samples) // 2), samples)
    return rate, channels, [values[c::channels] for c in range(channels)]


def amplitude(channel, start, length):
    total = sum(channel[start + n] * cmath.exp(-2j * math.pi * HZ * n / OUT_RATE)
                for n in range(length))
    return 2 * abs(total) / length / 32768.0


def check(zel, work, name, lossy):
    out = os.path.join(work, "out_" + name + ".wav")
    r = subprocess.run([zel, "--quiet", "--rate", str(OUT_RATE), "--bits", "16", "--format",
                        "wav", "--suffix", "_x", os.path.join(work, name)],
                       capture_output=True, text=True, timeout=TIMEOUT)
    stem = os.path.splitext(name)[0]
    made = os.path.join(work, stem + "_x.wav")
    if r.returncode != 0 or not os.path.exists(made):
        return "zel-cli said %r" % (r.stdout + r.stderr)
    os.replace(made, out)
    rate, channels, frames = read_wav16(out)
    length = len(frames[0]) if frames else 0
    padding = 2 * 1152 * OUT_RATE // IN_RATE if lossy else 2
    if rate != OUT_RATE or channels != 2 or not OUT_RATE - 2 <= length <= OUT_RATE + padding:
        return "rate %d, %d channels, %d frames" % (rate, channels, length)
    tolerance = 0.10 if lossy else 0.01
    for c in range(2):
        # 0.25 s (250 whole cycles) from the middle.
        level = amplitude(frames[c], OUT_RATE // 4, OUT_RATE // 4)
        if abs(level / LEVEL - 1) > tolerance:
            return "channel %d at %.4f of full scale" % (c, level)
    return ""


def main():
    if len(sys.argv) != 2:
        print(__doc__)
        return 2
    zel = sys.argv[1]
    failures, ran = [], 0
    with tempfile.TemporaryDirectory() as work:
        source = os.path.join(work, "source.wav")
        write_source(source)
        for tool, name, command, lossy in MAKERS:
            if shutil.which(tool) is None:
                print("skipped %s: %s is not installed" % (name, tool))
                continue
            target = os.path.join(work, name)
            argv = [source if a == "IN" else target if a == "OUT" else a for a in command]
            made = subprocess.run(argv, capture_output=True, text=True, timeout=TIMEOUT)
            if made.returncode != 0:
                failures.append("%s: %s could not write it: %s" % (name, tool, made.stderr))
                continue
            ran += 1
            problem = check(zel, work, name, lossy)
            print("%s %s%s" % ("FAIL" if problem else "ok  ", name, ": " + problem if problem else ""))
            if problem:
                failures.append(name + ": " + problem)
    print("%d files converted, %d failed" % (ran, len(failures)))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
