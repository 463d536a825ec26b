#!/usr/bin/python3
"""Keeping the pitch: zel-cli --keep-pitch against SoundTouch's own command line
(soundstretch), on signals this script makes itself (44.1 kHz, 16 bits), at tempi 0.5, 0.8,
1.25 and 2.0 (tempo > 1: a shorter output):

  bursts  nine 30 ms tone bursts (500 Hz, 1 kHz, 2 kHz; 0.5 ms ramps, -6 dBFS) over a noise
          bed at -60 dBFS, 10 s: each burst's level (the peak of its 1 ms RMS envelope
          against the input's), its onset (first arrival at -6 dB and at -20 dB below its
          own peak, which also sees pre-echo) against its ideal time (input onset / tempo),
          and bursts lost (none found within 20 dB of the input's level).
  tones   a steady 1 kHz sine and a 220 Hz harmonic tone (ten partials, 1/k), 6 s each: the
          pitch of the output's middle in cents (a Hann-windowed DFT peak, interpolated).
  stereo  noise low-passed at 8 kHz whose right channel lags the left by 0.5 ms, 10 s: the
          inter-channel delay (the interpolated peak of the cross-correlation) over the
          whole file and in every quarter second; the worst deviation from 0.5 ms.
  length  every output's frames against round(input frames / tempo).
  speed   60 s of stereo (the three signals in turn), best of 5 wall times, zel-cli against
          soundstretch on the same file in the same run.

With --with-peers, sox's tempo (and tempo -s) and ffmpeg's atempo are measured too.

Usage: bench/tempo_bench.py ZEL_CLI [WORK_FOLDER] [--extra-args "ARGS"] [--with-peers]
"""
import os
import shlex
import subprocess
import sys
import tempfile
import time
import wave

import numpy as np

RATE = 44100
TEMPI = [0.5, 0.8, 1.25, 2.0]
BURST_TIMES = [0.50, 1.37, 2.21, 3.05, 4.40, 5.13, 6.62, 7.50, 8.81]
BURST_FREQS = [500.0, 1000.0, 2000.0]
BURST_SECONDS = 0.030
RAMP_SECONDS = 0.0005
BURST_AMPLITUDE = 0.5
BED_DBFS = -60.0
ENVELOPE_SECONDS = 0.001
SEARCH_SECONDS = 0.15
LAG_SECONDS = 0.0005
QUARTER = 0.25
RUNS = 5


def write_wav(path, frames):
    data = np.clip(np.round(frames * 32767.0), -32768, 32767).astype("<i2")
    with wave.open(path, "wb") as w:
        w.setnchannels(frames.shape[1])
        w.setsampwidth(2)
        w.setframerate(RATE)
        w.writeframes(data.tobytes())


def read_wav(path):
    with wave.open(path, "rb") as w:
        channels = w.getnchannels()
        data = np.frombuffer(w.readframes(w.getnframes()), "<i2")
    return data.reshape(-1, channels).astype(np.float64) / 32768.0


def bursts_signal(rng):
    n = int(10 * RATE)
    bed = rng.standard_normal(n) * 10 ** (BED_DBFS / 20)
    x = bed.copy()
    length = int(BURST_SECONDS * RATE)
    ramp = int(RAMP_SECONDS * RATE)
    shape = np.ones(length)
    shape[:ramp] = 0.5 - 0.5 * np.cos(np.pi * np.arange(ramp) / ramp)
    shape[-ramp:] = shape[:ramp][::-1]
    for i, t in enumerate(BURST_TIMES):
        start = int(t * RATE)
        f = BURST_FREQS[i % len(BURST_FREQS)]
        x[start:start + length] += BURST_AMPLITUDE * shape * np.sin(
            2 * np.pi * f * np.arange(length) / RATE)
    return np.stack([x, x], 1)


def tone_signal(kind):
    t = np.arange(int(6 * RATE)) / RATE
    if kind == "1k":
        x = 0.5 * np.sin(2 * np.pi * 1000 * t)
    else:
        x = sum(np.sin(2 * np.pi * 220 * k * t) / k for k in range(1, 11))
        x *= 0.5 / np.max(np.abs(x))
    return np.stack([x, x], 1)


def fractional_delay(x, seconds):
    n = len(x)
    spectrum = np.fft.rfft(x)
    f = np.fft.rfftfreq(n, 1 / RATE)
    return np.fft.irfft(spectrum * np.exp(-2j * np.pi * f * seconds), n)


def stereo_signal(rng):
    n = int(10 * RATE)
    spectrum = np.fft.rfft(rng.standard_normal(n))
    spectrum[np.fft.rfftfreq(n, 1 / RATE) > 8000] = 0
    left = np.fft.irfft(spectrum, n)
    left *= 0.3 / np.std(left) / 3
    return np.stack([left, fractional_delay(left, LAG_SECONDS)], 1)


def envelope(x):
    width = max(1, int(ENVELOPE_SECONDS * RATE))
    power = np.convolve(x * x, np.ones(width) / width, mode="same")
    return np.sqrt(power)


def onset(env, start, stop, threshold):
    above = np.nonzero(env[start:stop] >= threshold)[0]
    return start + above[0] if len(above) else None


def burst_figures(original, stretched, tempo):
    ein = envelope(original[:, 0])
    eout = envelope(stretched[:, 0])
    length = int(BURST_SECONDS * RATE)
    search = int(SEARCH_SECONDS * RATE)
    levels, early6, early20, lost = [], [], [], 0
    for t in BURST_TIMES:
        start = int(t * RATE)
        lo, hi = start - search, start + length + search
        peak_in = ein[lo:hi].max()
        on_in6 = onset(ein, lo, hi, peak_in / 2)
        on_in20 = onset(ein, lo, hi, peak_in / 10)
        ideal6, ideal20 = on_in6 / tempo, on_in20 / tempo
        olo = max(0, int(ideal6) - search)
        ohi = min(len(eout), int(ideal6) + length + search)
        peak_out = eout[olo:ohi].max() if ohi > olo else 0.0
        if peak_out < peak_in / 10:
            lost += 1
            continue
        levels.append(20 * np.log10(peak_out / peak_in))
        on6 = onset(eout, olo, ohi, peak_out / 2)
        on20 = onset(eout, olo, ohi, peak_out / 10)
        early6.append((on6 - ideal6) / RATE * 1000)
        early20.append((on20 - ideal20) / RATE * 1000)
    return levels, early6, early20, lost


def pitch(x, nominal):
    n = len(x)
    middle = x[n // 6: n - n // 6]
    window = np.hanning(len(middle))
    size = 1 << 22
    spectrum = np.abs(np.fft.rfft(middle * window, size))
    freqs = np.fft.rfftfreq(size, 1 / RATE)
    band = np.nonzero((freqs > nominal * 0.97) & (freqs < nominal * 1.03))[0]
    k = band[np.argmax(spectrum[band])]
    a, b, c = np.log(spectrum[k - 1: k + 2])
    shift = 0.5 * (a - c) / (a - 2 * b + c)
    return (k + shift) * RATE / size


def delay_ms(left, right):
    n = len(left)
    size = 1 << int(np.ceil(np.log2(2 * n)))
    cross = np.fft.irfft(np.fft.rfft(right, size) * np.conj(np.fft.rfft(left, size)), size)
    reach = int(0.002 * RATE)
    lags = np.concatenate([cross[-reach:], cross[:reach + 1]])
    k = np.argmax(lags)
    a, b, c = lags[k - 1: k + 2]
    shift = 0.5 * (a - c) / (a - 2 * b + c)
    return (k - reach + shift) / RATE * 1000


def delay_figures(stretched):
    whole = delay_ms(stretched[:, 0], stretched[:, 1])
    step = int(QUARTER * RATE)
    worst = 0.0
    for start in range(0, len(stretched) - step + 1, step):
        block = stretched[start:start + step]
        if np.std(block[:, 0]) < 1e-3:
            continue
        worst = max(worst, abs(delay_ms(block[:, 0], block[:, 1]) - LAG_SECONDS * 1000))
    return abs(whole - LAG_SECONDS * 1000), worst


def zel_command(zel, extra):
    def command(src, dst, tempo):
        speed = f"{tempo * 100:g}"
        return [zel, "-q", "--keep-pitch", "--rate", "keep", "--speed", speed,
                "--suffix", "_zel", *extra, src], os.path.splitext(src)[0] + "_zel.wav"
    return command


def soundstretch_command(src, dst, tempo):
    change = f"{(tempo - 1) * 100:g}"
    return ["soundstretch", src, dst, f"-tempo={change}"], dst


def sox_command(*options):
    def command(src, dst, tempo):
        return ["sox", src, dst, "tempo", *options, f"{tempo:g}"], dst
    return command


def ffmpeg_command(src, dst, tempo):
    return ["ffmpeg", "-v", "error", "-y", "-i", src, "-filter:a", f"atempo={tempo:g}",
            "-c:a", "pcm_s16le", dst], dst


def run(command):
    subprocess.run(command, check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


def stretch(tool, src, tempo, work):
    dst = os.path.join(work, "out_" + os.path.basename(src))
    command, out = tool(src, dst, tempo)
    if os.path.exists(out):
        os.remove(out)
    run(command)
    return read_wav(out)


def best_time(tool, src, tempo, work):
    best = float("inf")
    for _ in range(RUNS):
        dst = os.path.join(work, "timed.wav")
        command, out = tool(src, dst, tempo)
        if os.path.exists(out):
            os.remove(out)
        began = time.perf_counter()
        run(command)
        best = min(best, time.perf_counter() - began)
    return best


def measure(name, tool, files, tempo, work):
    row = {"tool": name, "tempo": tempo}
    lengths = []
    bursts = stretch(tool, files["bursts"], tempo, work)
    lengths.append(len(bursts) - round(len(files["bursts_signal"]) / tempo))
    levels, on6, on20, lost = burst_figures(files["bursts_signal"], bursts, tempo)
    row["level"] = max(levels, key=abs)
    row["onset6"] = max(on6, key=abs)
    row["onset20"] = max(on20, key=abs)
    row["lost"] = lost
    cents = []
    for kind, nominal in (("1k", 1000.0), ("220", 220.0)):
        out = stretch(tool, files[kind], tempo, work)
        lengths.append(len(out) - round(len(files[kind + "_signal"]) / tempo))
        cents.append(1200 * np.log2(pitch(out[:, 0], nominal) /
                                    pitch(files[kind + "_signal"][:, 0], nominal)))
    row["cents"] = max(cents, key=abs)
    stereo = stretch(tool, files["stereo"], tempo, work)
    lengths.append(len(stereo) - round(len(files["stereo_signal"]) / tempo))
    row["delay_whole"], row["delay_quarter"] = delay_figures(stereo)
    row["length"] = max(lengths, key=abs)
    row["seconds"] = best_time(tool, files["long"], tempo, work)
    return row


def main():
    args = [a for a in sys.argv[1:] if a != "--with-peers"]
    extra = []
    if "--extra-args" in args:
        i = args.index("--extra-args")
        extra = shlex.split(args[i + 1])
        del args[i:i + 2]
    if not args:
        sys.exit(__doc__)
    zel = os.path.abspath(args[0])
    work = args[1] if len(args) > 1 else tempfile.mkdtemp(prefix="tempo_bench_")
    os.makedirs(work, exist_ok=True)
    rng = np.random.default_rng(27)
    signals = {"bursts": bursts_signal(rng), "1k": tone_signal("1k"),
               "220": tone_signal("220"), "stereo": stereo_signal(rng)}
    signals["long"] = np.concatenate([signals["bursts"], signals["1k"], signals["220"],
                                      signals["stereo"]] * 2 + [signals["bursts"][:4 * RATE]])
    files = {}
    for name, frames in signals.items():
        path = os.path.join(work, name + ".wav")
        write_wav(path, frames)
        files[name] = path
        files[name + "_signal"] = read_wav(path)
    tools = [("zel-cli --keep-pitch", zel_command(zel, extra))]
    if "--with-peers" in sys.argv:
        tools += [("sox tempo", sox_command()), ("sox tempo -s", sox_command("-s")),
                  ("ffmpeg atempo", ffmpeg_command)]
    # Last: the reference the times are divided by.
    tools.append(("soundstretch", soundstretch_command))
    print(f"{len(signals['long']) / RATE:.0f} s for the speed; work folder {work}")
    print("| tool | tempo | length (frames off) | worst burst level (dB) | worst onset -6 / -20 dB"
          " (ms) | bursts lost | pitch (cents) | delay off, whole / worst quarter (ms) |"
          " time (s) | time / soundstretch |")
    print("|---|---|---|---|---|---|---|---|---|---|")
    for tempo in TEMPI:
        rows = [measure(name, tool, files, tempo, work) for name, tool in tools]
        reference = rows[-1]["seconds"]
        for row in rows:
            print(f"| {row['tool']} | {tempo:g} | {row['length']:+d} | {row['level']:+.2f} | "
                  f"{row['onset6']:+.1f} / {row['onset20']:+.1f} | {row['lost']} | "
                  f"{row['cents']:+.2f} | {row['delay_whole']:.3f} / {row['delay_quarter']:.3f} | "
                  f"{row['seconds']:.3f} | {row['seconds'] / reference:.2f} |")


if __name__ == "__main__":
    main()
