#!/usr/bin/env python3
"""WAV files as sox, ffmpeg, libsndfile and Python's wave module write them, converted by
zel-cli from 44.1 to 48 kHz and compared with the same signal computed at 48 kHz.

The signal is a sum of two sines per channel, known exactly, so the reference needs no
resampler of its own. Each output must keep its input's encoding, bits and channels, have
the input's duration at the new rate, reach the SNR floor of its encoding, and carry the
metadata the tool wrote. A tool that is not installed is reported and skipped.

Usage: wav_tools_test.py ZEL_CLI [--summary]  (--summary prints the share per tool)
"""
import math
import os
import shutil
import struct
import subprocess
import sys
import tempfile
import wave

IN_RATE = 44100
OUT_RATE = 48000
SECONDS = 1.0
EDGE = 64  # output frames at each end left out of the SNR (edge replication)
TOOL_TIMEOUT = 120

# Encoding -> (format tag without EXTENSIBLE, bits, SNR floor in dB).
FLOORS = {"u8": 30, "s16": 60, "s24": 60, "s32": 60, "f32": 60, "f64": 60,
          "ulaw": 28, "alaw": 28}
TAGS = {"u8": 1, "s16": 1, "s24": 1, "s32": 1, "f32": 3, "f64": 3, "ulaw": 7, "alaw": 6}
BITS = {"u8": 8, "s16": 16, "s24": 24, "s32": 32, "f32": 32, "f64": 64, "ulaw": 8, "alaw": 8}


def tone(channel, t):
    """The test signal of one channel at time t (seconds), peak below 0.8."""
    f1 = 440.0 * (1 + 0.25 * channel)
    f2 = 3100.0 + 170.0 * channel
    return 0.45 * math.sin(2 * math.pi * f1 * t + channel) + 0.3 * math.sin(2 * math.pi * f2 * t)


def raw_float_input(path, channels):
    frames = int(IN_RATE * SECONDS)
    samples = [tone(c, i / IN_RATE) for i in range(frames) for c in range(channels)]
    with open(path, "wb") as f:
        f.write(struct.pack("<%df" % len(samples), *samples))


# ---- a minimal chunk reader of its own, independent of the engine's -----------------------

def read_chunks(path):
    with open(path, "rb") as f:
        data = f.read()
    riff = data[:4]
    big = riff == b"RIFX"
    if riff not in (b"RIFF", b"RIFX", b"RF64") or data[8:12] != b"WAVE":
        raise ValueError("not a WAV file")
    end = "<" if not big else ">"
    chunks = []
    pos = 12
    ds64_data = None
    while pos + 8 <= len(data):
        cid = data[pos:pos + 4]
        size = struct.unpack(end + "I", data[pos + 4:pos + 8])[0]
        if cid == b"ds64":
            ds64_data = struct.unpack("<Q", data[pos + 16:pos + 24])[0]
        if cid == b"data" and (size == 0xFFFFFFFF or size == 0):
            size = ds64_data if ds64_data is not None else len(data) - pos - 8
        chunks.append((cid, data[pos + 8:pos + 8 + size]))
        pos += 8 + size + (size & 1)
    return riff, end, chunks


def parse(path):
    riff, end, chunks = read_chunks(path)
    fmt = next(body for cid, body in chunks if cid == b"fmt ")
    tag, channels, rate, _, align, bits = struct.unpack(end + "HHIIHH", fmt[:16])
    sub = tag
    if tag == 0xFFFE:
        sub = struct.unpack(end + "H", fmt[24:26])[0]
    data = next(body for cid, body in chunks if cid == b"data")
    return {"riff": riff, "end": end, "tag": tag, "sub": sub, "channels": channels,
            "rate": rate, "align": align, "bits": bits, "data": data, "chunks": chunks}


def ulaw_to_float(b):
    b = ~b & 0xFF
    mag = (((b & 0x0F) << 3) + 0x84) << ((b >> 4) & 7)
    return (-(mag - 0x84) if b & 0x80 else (mag - 0x84)) / 32768.0


def alaw_to_float(b):
    b ^= 0x55
    exp = (b >> 4) & 7
    mag = ((b & 0x0F) << 4) + 8
    if exp:
        mag = (mag + 0x100) << (exp - 1)
    return (mag if b & 0x80 else -mag) / 32768.0


def samples(w):
    d, end, bits, sub = w["data"], w["end"], w["bits"], w["sub"]
    if sub == 3:
        code = "f" if bits == 32 else "d"
        n = len(d) // (bits // 8)
        return list(struct.unpack(end + "%d%s" % (n, code), d[:n * bits // 8]))
    if sub == 7:
        return [ulaw_to_float(b) for b in d]
    if sub == 6:
        return [alaw_to_float(b) for b in d]
    if bits == 8:
        return [(b - 128) / 128.0 for b in d]
    width = bits // 8
    scale = float(1 << (bits - 1))
    order = "little" if end == "<" else "big"
    return [int.from_bytes(d[i:i + width], order, signed=True) / scale
            for i in range(0, len(d) - width + 1, width)]


def snr_db(out, channels, speed=1.0):
    frames = len(out) // channels
    best = -999.0
    for lag in (-1, 0, 1):
        sig = err = 0.0
        for j in range(EDGE, frames - EDGE):
            t = (j + lag) / OUT_RATE * speed
            for c in range(channels):
                ref = tone(c, t)
                sig += ref * ref
                e = out[j * channels + c] - ref
                err += e * e
        best = max(best, 10 * math.log10(sig / max(err, 1e-30)))
    return best


# ---- the tools ------------------------------------------------------------------------------

SOX_ENC = {"u8": ["-e", "unsigned", "-b", "8"], "s16": ["-e", "signed", "-b", "16"],
           "s24": ["-e", "signed", "-b", "24"], "s32": ["-e", "signed", "-b", "32"],
           "f32": ["-e", "floating-point", "-b", "32"], "f64": ["-e", "floating-point", "-b", "64"],
           "ulaw": ["-e", "u-law"], "alaw": ["-e", "a-law"]}
FF_CODEC = {"u8": "pcm_u8", "s16": "pcm_s16le", "s24": "pcm_s24le", "s32": "pcm_s32le",
            "f32": "pcm_f32le", "f64": "pcm_f64le", "ulaw": "pcm_mulaw", "alaw": "pcm_alaw"}
SF_ENC = {"u8": "-pcmu8", "s16": "-pcm16", "s24": "-pcm24", "s32": "-pcm32", "f32": "-float32",
          "f64": "-float64", "ulaw": "-ulaw", "alaw": "-alaw"}


def run(cmd, **kw):
    return subprocess.run(cmd, check=True, capture_output=True, timeout=TOOL_TIMEOUT, **kw)


def sox_case(enc, channels, extra=()):
    def make(raw, out):
        run(["sox", "-D", "-t", "raw", "-r", str(IN_RATE), "-e", "floating-point", "-b", "32",
             "-c", str(channels), raw] + SOX_ENC[enc] + list(extra) + [out])
    return make


def ffmpeg_case(enc, channels, extra=(), pipe=False):
    def make(raw, out):
        cmd = ["ffmpeg", "-v", "error", "-y", "-f", "f32le", "-ar", str(IN_RATE), "-ac",
               str(channels), "-i", raw, "-c:a", FF_CODEC[enc]] + list(extra)
        if pipe:
            with open(out, "wb") as f:
                subprocess.run(cmd + ["-f", "wav", "pipe:1"], check=True, stdout=f,
                               stderr=subprocess.PIPE, timeout=TOOL_TIMEOUT)
        else:
            run(cmd + [out])
    return make


def sndfile_case(enc, channels, rf64=False):
    def make(raw, out):
        mid = out + ".f32.wav"
        sox_case("f32", channels)(raw, mid)
        # libsndfile picks the container by the extension.
        written = out + ".rf64" if rf64 else out
        run(["sndfile-convert", SF_ENC[enc], mid, written])
        os.replace(written, out)
        os.remove(mid)
    return make


def python_wave_case(enc, channels):
    def make(raw, out):
        width = BITS[enc] // 8
        frames = int(IN_RATE * SECONDS)
        top = (1 << (8 * width - 1)) - 1
        body = bytearray()
        for i in range(frames):
            for c in range(channels):
                v = tone(c, i / IN_RATE)
                if width == 1:
                    body.append(int(round(v * 127)) + 128)
                else:
                    body += int(round(v * top)).to_bytes(width, "little", signed=True)
        with wave.open(out, "wb") as w:
            w.setnchannels(channels)
            w.setsampwidth(width)
            w.setframerate(IN_RATE)
            w.writeframes(bytes(body))
    return make


def cases():
    c = []

    def add(tool, name, enc, channels, make, marker=None, options=()):
        c.append((tool, name, enc, channels, make, marker, list(options)))

    for enc in ("u8", "s16", "s24", "s32", "f32", "f64", "ulaw", "alaw"):
        add("sox", enc + " stereo", enc, 2, sox_case(enc, 2))
        add("ffmpeg", enc + " stereo", enc, 2, ffmpeg_case(enc, 2))
        add("libsndfile", enc + " stereo", enc, 2, sndfile_case(enc, 2))
    add("sox", "s24 6 channels", "s24", 6, sox_case("s24", 6))
    add("sox", "s16 mono", "s16", 1, sox_case("s16", 1))
    add("sox", "s24 big-endian (RIFX)", "s24", 2, sox_case("s24", 2, ["-B"]))
    add("ffmpeg", "s16 6 channels", "s16", 6, ffmpeg_case("s16", 6))
    add("ffmpeg", "f32 3 channels", "f32", 3, ffmpeg_case("f32", 3))
    add("ffmpeg", "s24 RF64", "s24", 2, ffmpeg_case("s24", 2, ["-rf64", "always"]))
    add("ffmpeg", "s16 to a pipe", "s16", 2, ffmpeg_case("s16", 2, pipe=True))
    add("ffmpeg", "s16 with INFO title", "s16", 2,
        ffmpeg_case("s16", 2, ["-metadata", "title=Zel Tone"]), b"Zel Tone")
    add("ffmpeg", "s24 with bext", "s24", 2,
        ffmpeg_case("s24", 2, ["-write_bext", "1", "-metadata", "time_reference=88200",
                               "-metadata", "description=zeltest"]), b"zeltest")
    add("libsndfile", "s24 RF64", "s24", 2, sndfile_case("s24", 2, rf64=True))
    for enc in ("u8", "s16", "s24", "s32"):
        for ch in (1, 2):
            add("python-wave", "%s %dch" % (enc, ch), enc, ch, python_wave_case(enc, ch))
    # The high-quality mode reads and writes the same layouts and keeps the metadata.
    add("ffmpeg", "s24 with INFO title, high quality", "s24", 2,
        ffmpeg_case("s24", 2, ["-metadata", "title=Zel Tone"]), b"Zel Tone",
        ["--quality", "high"])
    return c


TOOL_BINARIES = {"sox": "sox", "ffmpeg": "ffmpeg", "libsndfile": "sndfile-convert",
                 "python-wave": None}


def check(zel, work, tool, name, enc, channels, make, marker, options):
    raw = os.path.join(work, "in%d.f32" % channels)
    if not os.path.exists(raw):
        raw_float_input(raw, channels)
    src = os.path.join(work, "in.wav")
    out = os.path.join(work, "in_ZEL.wav")
    for p in (src, out):
        if os.path.exists(p):
            os.remove(p)
    make(raw, src)
    w_in = parse(src)
    result = subprocess.run([zel, "--quiet", "--rate", str(OUT_RATE)] + options + [src],
                            capture_output=True, text=True, timeout=TOOL_TIMEOUT)
    if result.returncode != 0:
        return "zel-cli: " + result.stdout.strip()
    w = parse(out)
    problems = []
    if w["riff"] != b"RIFF" or w["end"] != "<":
        problems.append("container %s" % w["riff"])
    if (w["sub"], w["bits"], w["channels"], w["rate"]) != (TAGS[enc], BITS[enc], channels,
                                                          OUT_RATE):
        problems.append("format %s" % ((w["sub"], w["bits"], w["channels"], w["rate"]),))
    if w["sub"] == 3 and not any(cid == b"fact" for cid, _ in w["chunks"]):
        problems.append("float output without fact")
    in_frames = len(w_in["data"]) // w_in["align"]
    frames = len(w["data"]) // w["align"]
    expected = math.ceil(in_frames * OUT_RATE / IN_RATE)
    if abs(frames - expected) > 2:
        problems.append("%d frames, expected %d" % (frames, expected))
    snr = snr_db(samples(w), channels)
    if snr < FLOORS[enc]:
        problems.append("SNR %.1f dB below %d" % (snr, FLOORS[enc]))
    if marker is not None:
        meta = b"".join(body for cid, body in w["chunks"] if cid not in (b"data", b"fmt "))
        if marker not in meta:
            problems.append("metadata %r not carried" % marker)
        bext = [body for cid, body in w["chunks"] if cid == b"bext"]
        if bext and struct.unpack("<Q", bext[0][338:346])[0] != 96000:
            problems.append("bext time reference not moved to 96000")
    return "; ".join(problems) + (" (SNR %.1f dB)" % snr if problems else "")


# ---- hand-made files: the canonical header's corner cases and refusals --------------------

def canonical_bytes(channels, frames, data_size=None, trailing=b""):
    body = bytearray()
    for i in range(frames):
        for c in range(channels):
            body += struct.pack("<h", int(round(tone(c, i / IN_RATE) * 32767)))
    size = len(body) if data_size is None else data_size
    head = b"RIFF" + struct.pack("<I", 36 + len(body) + len(trailing)) + b"WAVE"
    head += b"fmt " + struct.pack("<IHHIIHH", 16, 1, channels, IN_RATE, IN_RATE * 2 * channels,
                                  2 * channels, 16)
    return head + b"data" + struct.pack("<I", size) + bytes(body) + trailing


def convert(zel, path, *options, lang="en_US.UTF-8"):
    env = dict(os.environ, LANG=lang, LC_ALL="", LC_MESSAGES="")
    return subprocess.run([zel, "--quiet", "--rate", str(OUT_RATE)] + list(options) + [path],
                          capture_output=True, text=True, timeout=TOOL_TIMEOUT, env=env)


def hand_made_checks(zel, work):
    """(name, problem or '') for each hand-made case."""
    results = []
    src = os.path.join(work, "hand.wav")
    out = os.path.join(work, "hand_ZEL.wav")
    frames = int(IN_RATE * SECONDS)
    expected = math.ceil(frames * OUT_RATE / IN_RATE)

    for label, size in (("data size 0", 0), ("data size 0xFFFFFFFF", 0xFFFFFFFF)):
        with open(src, "wb") as f:
            f.write(canonical_bytes(2, frames, data_size=size))
        r = convert(zel, src)
        got = len(parse(out)["data"]) // 4 if r.returncode == 0 else -1
        results.append((label, "" if abs(got - expected) <= 2 else "%d frames" % got))

    info = b"LIST" + struct.pack("<I", 18) + b"INFOINAM" + struct.pack("<I", 6) + b"Hello\0"
    with open(src, "wb") as f:
        f.write(canonical_bytes(1, frames, trailing=info))
    r = convert(zel, src)
    data = open(out, "rb").read() if r.returncode == 0 else b""
    w = parse(out) if data else None
    kept = (data[12:16] == b"fmt " and data[36:40] == b"data" and w is not None and
            any(cid == b"LIST" and b"Hello" in body for cid, body in w["chunks"]))
    results.append(("chunk behind canonical data carried", "" if kept else "not carried"))
    r = convert(zel, src, "--strip-metadata")
    data = open(out, "rb").read() if r.returncode == 0 else b""
    stripped = len(data) == 44 + struct.unpack("<I", data[40:44])[0] if data else False
    results.append(("--strip-metadata", "" if stripped else "chunks left"))

    # A compressed WAV that ZEL's own reader refuses is decoded through libsndfile.
    if shutil.which("sox") is not None:
        run(["sox", "-D", "-n", "-r", "8000", "-e", "ima-adpcm", src, "synth", "0.1", "sine", "440"])
        r = convert(zel, src)
        w = parse(out) if r.returncode == 0 else None
        # 800 frames, padded to whole ADPCM blocks of 505.
        got = len(w["data"]) // 2 if w else 0
        decoded = (w is not None and w["rate"] == OUT_RATE and w["bits"] == 16 and
                   800 * OUT_RATE // 8000 <= got <= math.ceil(1010 * OUT_RATE / 8000) + 2)
        results.append(("IMA ADPCM decoded", "" if decoded else "said %r" % r.stdout))

    refusals = []
    many = bytearray(canonical_bytes(1, 16))
    struct.pack_into("<H", many, 22, 40)
    refusals.append(("40 channels refused by count", bytes(many),
                     "40 channels are not supported", "チャンネル数 40 には対応していません"))
    for label, make, english, japanese in refusals:
        if isinstance(make, list):
            if shutil.which(make[0]) is None:
                continue
            run(make)
        else:
            with open(src, "wb") as f:
                f.write(make)
        en = convert(zel, src)
        ja = convert(zel, src, lang="ja_JP.UTF-8")
        ok = ("\t-2\t" in en.stdout and english in en.stdout and japanese in ja.stdout)
        results.append((label, "" if ok else "said %r / %r" % (en.stdout, ja.stdout)))
    return results


def main():
    if len(sys.argv) < 2:
        print(__doc__)
        return 2
    zel = sys.argv[1]
    summary = "--summary" in sys.argv
    totals = {}
    failures = []
    with tempfile.TemporaryDirectory() as work:
        for name, problem in hand_made_checks(zel, work):
            entry = totals.setdefault("hand-made", [0, 0, ""])
            entry[1] += 1
            if problem:
                failures.append("hand-made %s: %s" % (name, problem))
            else:
                entry[0] += 1
        for tool, name, enc, channels, make, marker, options in cases():
            binary = TOOL_BINARIES[tool]
            if binary is not None and shutil.which(binary) is None:
                totals.setdefault(tool, [0, 0, "not installed"])
                continue
            entry = totals.setdefault(tool, [0, 0, ""])
            entry[1] += 1
            try:
                problem = check(zel, work, tool, name, enc, channels, make, marker, options)
            except (subprocess.SubprocessError, ValueError, StopIteration, OSError) as e:
                problem = "%s: %s" % (type(e).__name__, e)
            if problem:
                failures.append("%s %s: %s" % (tool, name, problem))
            else:
                entry[0] += 1
    for f in failures:
        print("FAIL", f)
    for tool, (ok, n, note) in totals.items():
        if summary or note:
            print("%-12s %d/%d converted correctly %s" % (tool, ok, n, note))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
