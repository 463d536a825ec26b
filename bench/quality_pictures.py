#!/usr/bin/env python3
"""The pictures of docs/quality.md: zel-cli in each mode (standard, high, best) and sox
(`rate`, its default, and `rate -v`) side by side, 32-bit float in and out so that no
rounding to integers hides the filters.

usage: bench/quality_pictures.py path/to/zel-cli [output folder, default docs]

quality-sweep.png     spectrogram of a logarithmic sine sweep, 1 to 48 kHz over 8 s at
                      -1 dBFS, converted 96 -> 44.1 kHz; aliases show as falling lines
quality-response.png  level of 96 kHz input tones at -1 dBFS after 96 -> 44.1 kHz: the
                      tone's own in the passband, its alias above 22.05 kHz; full range
                      and a passband zoom

The tones are one file of back-to-back segments, converted once per converter. Each
segment's level is read at the frequency expected in the output (the alias folded into
0..22.05 kHz) through a Kaiser window whose side lobes lie below -200 dB, from the
segment's middle, far enough from its edges that the switch between tones has left every
filter."""

import os
import shutil
import struct
import subprocess
import sys
import tempfile

try:
    import numpy as np
    import matplotlib
    matplotlib.use("Agg")
    import matplotlib.pyplot as plt
except ImportError as missing:
    sys.exit("%s: numpy and matplotlib are needed (scripts/install-deps.sh bench)" % missing)

RATE_IN = 96000
RATE_OUT = 44100
LEVEL = 10 ** (-1 / 20)  # -1 dBFS, clear of clipping in every converter
SWEEP_SECONDS = 8.0
# Started at 1 kHz rather than 20 Hz, the logarithmic sweep spends its last fifth (1.6 s)
# above 22.05 kHz, wide enough in the picture for the aliases to be seen falling.
SWEEP_FIRST_HZ, SWEEP_LAST_HZ = 1000.0, 48000.0
KAISER_BETA = 22.0  # side lobes about 208 dB down
STFT_FRAME, STFT_HOP = 2048, 1024
BINS_PER_ROW = 3  # each row of the picture shows the highest of three bins
COLOUR_STEP_DB = 10  # colours in steps, so that a level can be read off the bar
SEGMENT_SECONDS = 0.5
FADE_SECONDS = 0.01
READ_FRAMES = 16384  # at 44.1 kHz, 0.37 s from the middle of each 0.5 s segment
FLOOR_DB = -200.0
ZOOM_DB = 0.05
DPI = 100

CONVERTERS = [  # (label, how)
    ("ZEL standard", ("zel", "standard")),
    ("ZEL high", ("zel", "high")),
    ("ZEL best", ("zel", "best")),
    ("sox rate (default -h)", ("sox", [])),
    ("sox rate -v", ("sox", ["-v"])),
]


def write_float_wav(path, rate, samples):
    data = np.asarray(samples, dtype="<f4").tobytes()
    fmt = struct.pack("<HHIIHHH", 3, 1, rate, 4 * rate, 4, 32, 0)
    body = (b"WAVE" + b"fmt " + struct.pack("<I", len(fmt)) + fmt + b"fact" +
            struct.pack("<II", 4, len(samples)) + b"data" + struct.pack("<I", len(data)) + data)
    with open(path, "wb") as f:
        f.write(b"RIFF" + struct.pack("<I", len(body)) + body)


def read_float_wav(path):
    """Rate and mono float samples; plain or extensible fmt chunk, as sox writes it."""
    with open(path, "rb") as f:
        data = f.read()
    at, rate, samples = 12, 0, None
    while at + 8 <= len(data):
        tag = data[at:at + 4]
        size = int(np.frombuffer(data, "<u4", 1, at + 4)[0])
        if tag == b"fmt ":
            channels, rate, bits = (int(np.frombuffer(data, "<u2", 1, at + 10)[0]),
                                    int(np.frombuffer(data, "<u4", 1, at + 12)[0]),
                                    int(np.frombuffer(data, "<u2", 1, at + 22)[0]))
            if channels != 1 or bits != 32:
                sys.exit("%s: expected mono 32-bit float" % path)
        elif tag == b"data":
            samples = np.frombuffer(data, "<f4", size // 4, at + 8).astype(np.float64)
        at += 8 + size + (size & 1)
    if samples is None:
        sys.exit("no data chunk in " + path)
    return rate, samples


def convert(how, src, dst, zel_cli):
    tool, arg = how
    if tool == "zel":
        out_dir = os.path.dirname(dst)
        command = [zel_cli, "--quiet", "--rate", str(RATE_OUT), "--bits", "f32", "--quality",
                   arg, "--suffix", "_" + arg, "--output-dir", out_dir, src]
        produced = os.path.join(out_dir, os.path.basename(src)[:-4] + "_" + arg + ".wav")
    else:
        command = ["sox", src, dst, "rate"] + arg + [str(RATE_OUT)]
        produced = dst
    result = subprocess.run(command, capture_output=True, text=True)
    if result.returncode != 0 or "clip" in (result.stdout + result.stderr).lower():
        sys.exit("%s failed:\n%s%s" % (" ".join(command), result.stdout, result.stderr))
    if produced != dst:
        os.replace(produced, dst)
    rate, samples = read_float_wav(dst)
    if rate != RATE_OUT:
        sys.exit("%s: rate %d, not %d" % (dst, rate, RATE_OUT))
    return samples


def log_sweep():
    t = np.arange(int(SWEEP_SECONDS * RATE_IN)) / RATE_IN
    k = np.log(SWEEP_LAST_HZ / SWEEP_FIRST_HZ) / SWEEP_SECONDS
    phase = 2 * np.pi * SWEEP_FIRST_HZ * (np.exp(k * t) - 1) / k
    return LEVEL * np.sin(phase)


def response_tones():
    """Input frequencies: the passband, closer in its top fifth, and the stopband up to
    the input's Nyquist frequency, closer just past the edge."""
    edge = RATE_OUT / 2
    return np.unique(np.round(np.concatenate([
        np.geomspace(20, 0.8 * edge, 60),
        np.linspace(0.8 * edge, edge - 5, 160),
        np.linspace(edge + 5, 1.1 * edge, 80),
        np.linspace(1.1 * edge, RATE_IN / 2 - 10, 160),
    ]), 1))


def tone_segments(tones):
    """Back to back, each faded in and out so that no step between them rings past full
    scale (sox would clip it)."""
    length = int(SEGMENT_SECONDS * RATE_IN)
    t = np.arange(length) / RATE_IN
    ramp = np.sin(0.5 * np.pi * np.arange(int(FADE_SECONDS * RATE_IN)) /
                  (FADE_SECONDS * RATE_IN)) ** 2
    envelope = np.ones(length)
    envelope[:len(ramp)] = ramp
    envelope[-len(ramp):] = ramp[::-1]
    return np.concatenate([LEVEL * envelope * np.sin(2 * np.pi * hz * t) for hz in tones])


def folded(hz):
    hz = np.mod(hz, RATE_OUT)
    return np.where(hz > RATE_OUT / 2, RATE_OUT - hz, hz)


def tone_levels_db(samples, tones):
    """Each segment's level at its output frequency, relative to the input tone (dB)."""
    window = np.kaiser(READ_FRAMES, KAISER_BETA)
    n = np.arange(READ_FRAMES)
    segment = SEGMENT_SECONDS * RATE_OUT
    levels = []
    for i, hz in enumerate(folded(tones)):
        start = int(round((i + 0.5) * segment)) - READ_FRAMES // 2
        piece = samples[start:start + READ_FRAMES]
        amplitude = 2 * abs(np.sum(window * piece * np.exp(-2j * np.pi * hz * n / RATE_OUT)))
        levels.append(amplitude / window.sum() / LEVEL)
    return 20 * np.log10(np.maximum(np.array(levels), 1e-15))


def spectrogram_dbfs(samples):
    window = np.kaiser(STFT_FRAME, KAISER_BETA)
    starts = np.arange(0, len(samples) - STFT_FRAME + 1, STFT_HOP)
    frames = np.stack([samples[s:s + STFT_FRAME] * window for s in starts])
    magnitude = 2 * np.abs(np.fft.rfft(frames, axis=1)) / window.sum()
    rows = magnitude.shape[1] // BINS_PER_ROW
    peaks = magnitude[:, :rows * BINS_PER_ROW].reshape(len(starts), rows, BINS_PER_ROW).max(2)
    times = (starts + STFT_FRAME / 2) / RATE_OUT
    top_hz = rows * BINS_PER_ROW * RATE_OUT / STFT_FRAME
    return times, top_hz, 20 * np.log10(np.maximum(peaks, 1e-15)).T


def draw_sweeps(spectrograms, path):
    figure, axes = plt.subplots(1, len(spectrograms), figsize=(14, 4.5), sharey=True,
                                constrained_layout=True)
    steps = np.arange(FLOOR_DB, COLOUR_STEP_DB / 2, COLOUR_STEP_DB)
    colours = plt.get_cmap("inferno", len(steps) - 1)
    norm = matplotlib.colors.BoundaryNorm(steps, colours.N)
    edge_seconds = SWEEP_SECONDS * np.log(RATE_OUT / 2 / SWEEP_FIRST_HZ) / \
        np.log(SWEEP_LAST_HZ / SWEEP_FIRST_HZ)
    for ax, (label, (times, top_hz, db)) in zip(axes, spectrograms):
        image = ax.imshow(db, origin="lower", aspect="auto", cmap=colours, norm=norm,
                          interpolation="nearest",
                          extent=(0, SWEEP_SECONDS, 0, top_hz / 1000))
        ax.axvline(edge_seconds, color="cyan", linewidth=0.8, linestyle=":")
        ax.set_title(label)
        ax.set_xlabel("time (s)")
    axes[0].set_ylabel("output frequency (kHz)")
    bar = figure.colorbar(image, ax=axes, pad=0.01, fraction=0.02, ticks=steps[::2])
    bar.set_label("level (dBFS)")
    figure.suptitle("Logarithmic sine sweep 1 - 48 kHz over 8 s at -1 dBFS, 96 -> 44.1 kHz, "
                    "32-bit float in and out\nRight of the dotted line the input is above "
                    "22.05 kHz: all that is left there is aliases (falling lines)")
    figure.savefig(path, dpi=DPI)
    plt.close(figure)


def draw_responses(tones, responses, path):
    figure, (full, zoom) = plt.subplots(1, 2, figsize=(14, 5.2), constrained_layout=True)
    for label, db in responses:
        full.plot(tones / 1000, db, label=label, linewidth=1.2)
        zoom.plot(tones / 1000, db, label=label, linewidth=1.2)
    edge = RATE_OUT / 2000
    full.axvline(edge, color="grey", linewidth=0.8, linestyle=":")
    full.set_xlim(0, RATE_IN / 2000)
    full.set_ylim(FLOOR_DB, 10)
    full.set_yticks(np.arange(FLOOR_DB, 1, 20))
    full.set_title("Full range: the tone's level below 22.05 kHz, its alias's above")
    zoom.set_xlim(0.8 * edge, edge)
    zoom.set_ylim(-ZOOM_DB, ZOOM_DB)
    zoom.set_title("Passband zoom: top fifth of the output band, \u00b1%.2f dB" % ZOOM_DB)
    for ax in (full, zoom):
        ax.set_xlabel("input frequency (kHz)")
        ax.set_ylabel("output level relative to the input tone (dB)")
        ax.grid(True, linewidth=0.4, alpha=0.6)
    full.legend(loc="lower left")
    figure.suptitle("Magnitude response, 96 -> 44.1 kHz, 32-bit float in and out, "
                    "tones at -1 dBFS")
    figure.savefig(path, dpi=DPI)
    plt.close(figure)


def main():
    if len(sys.argv) not in (2, 3):
        sys.exit(__doc__)
    zel_cli = os.path.abspath(sys.argv[1])
    out_dir = sys.argv[2] if len(sys.argv) == 3 else "docs"
    if shutil.which("sox") is None:
        sys.exit("sox is not installed (scripts/install-deps.sh bench)")
    tones = response_tones()
    spectrograms, responses = [], []
    with tempfile.TemporaryDirectory() as scratch:
        sweep = os.path.join(scratch, "sweep.wav")
        steps = os.path.join(scratch, "tones.wav")
        write_float_wav(sweep, RATE_IN, log_sweep())
        write_float_wav(steps, RATE_IN, tone_segments(tones))
        for label, how in CONVERTERS:
            out = convert(how, sweep, os.path.join(scratch, "sweep_out.wav"), zel_cli)
            spectrograms.append((label, spectrogram_dbfs(out)))
            out = convert(how, steps, os.path.join(scratch, "tones_out.wav"), zel_cli)
            db = tone_levels_db(out, tones)
            responses.append((label, db))
            stop = tones > RATE_OUT / 2
            band = tones <= 0.9 * RATE_OUT / 2
            flat_to = tones[np.argmax(np.abs(db) > 0.01)]
            print("%-22s worst alias %7.1f dB (at %.0f Hz); up to 19.85 kHz %+.4f to "
                  "%+.4f dB; first off by 0.01 dB at %.0f Hz"
                  % (label, db[stop].max(), tones[stop][db[stop].argmax()],
                     db[band].min(), db[band].max(), flat_to))
    draw_sweeps(spectrograms, os.path.join(out_dir, "quality-sweep.png"))
    draw_responses(tones, responses, os.path.join(out_dir, "quality-response.png"))


if __name__ == "__main__":
    main()
