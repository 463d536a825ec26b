#!/usr/bin/env python3
"""Level targets of zel-cli, checked with ffmpeg's own meter, against ffmpeg's loudnorm.

Generates four 44.1 kHz stereo 16-bit files of very different level and crest factor
(speech-like bursts, a full-scale master, a quiet classical-like passage, a sine), then:
  1. --loudness T for T in -23, -16, -14 LUFS at every rate the window offers: each output's
     integrated loudness (to 0.001 LU, from the filter's metadata) and true peak as ffmpeg's
     ebur128=peak=true filter measures them; within +-0.1 LU of the target, or short of it
     only where zel-cli says the true-peak ceiling (-1 dBTP) limited the gain, and the true
     peak at or below the ceiling.
  2. --headroom auto on the master, 44.1 -> 48 kHz at 100 % and 150 % speed: clipped
     samples (0 expected), and the same conversion at the gain found + 0.1 dB (clips
     expected, so the gain was no lower than needed within 0.1 dB).
  3. --album --loudness T for T in -23, -16, -14 LUFS at 8, 48 and 96 kHz, the four files as
     one album (one folder), and the three without the master as another: the album's
     integrated loudness within +-0.1 LU of the target, gated over the 400 ms blocks of all
     outputs together as ffmpeg's ebur128 filter measures them (its momentary loudness every
     100 ms); every output's true peak at or below the ceiling; every track moved by the same
     amount (ffmpeg's RMS level of each output less that of the same conversion without a
     level stage) within 0.1 dB, so the balance between the tracks stays.
  4. Wall time of one zel-cli command normalising all four files to -16 LUFS at 48 kHz (each
     on its own, and as one album) against ffmpeg's two-pass loudnorm (measure, then apply
     with the measured values, resampled to 48 kHz) on the same files, in the same run.

Usage: bench/level_bench.py ZEL_CLI [WORK_FOLDER]
"""
import itertools
import json
import math
import os
import re
import shutil
import subprocess
import sys
import time

RATES = [8000, 11025, 16000, 22050, 32000, 38000, 44100, 48000, 88200, 96000]
TARGETS = [-23.0, -16.0, -14.0]
CEILING = -1.0
SECONDS = 30

# ffmpeg lavfi sources, 44.1 kHz.
KINDS = {
    # Noise shaped like a voice band, switched on and off at syllable rate with pauses.
    "speech": "anoisesrc=c=pink:a=0.5:r=44100:d={d},bandpass=f=700:w=1200,"
              "volume='if(lt(mod(t,0.4),0.25)*lt(mod(t,3),2.4),1,0.02)':eval=frame,"
              "volume=6dB",
    # A limited pop-like master, then brought to 0 dBFS sample peak.
    "master": "anoisesrc=c=pink:a=0.9:r=44100:d={d},volume=14dB,alimiter=limit=1:level=false",
    # Quiet chords with a slow swell: high crest factor, low loudness.
    "classical": "aevalsrc='0.05*(0.3+0.7*abs(sin(0.2*t)))*(sin(2*PI*220*t)+0.6*sin(2*PI*277*t)"
                 "+0.5*sin(2*PI*330*t)+0.3*sin(2*PI*880*t))|0.05*(0.3+0.7*abs(sin(0.2*t)))*"
                 "(sin(2*PI*220*t)+0.6*sin(2*PI*330*t))':s=44100:d={d}",
    "sine": "sine=f=997:r=44100:d={d},volume=-12dB",
}


def run(args, **kw):
    return subprocess.run(args, check=True, capture_output=True, text=True, **kw)


def make_files(work):
    paths = {}
    for kind, graph in KINDS.items():
        path = os.path.join(work, kind + ".wav")
        run(["ffmpeg", "-v", "error", "-y", "-f", "lavfi", "-i", graph.format(d=SECONDS),
             "-ac", "2", "-c:a", "pcm_s16le", path])
        paths[kind] = path
    # The master at full scale: its highest sample at 32767 (sox normalises to 0 dBFS).
    full = os.path.join(work, "master_full.wav")
    run(["sox", paths["master"], full, "gain", "-n", "0"])
    os.replace(full, paths["master"])
    return paths


def meter(path, work):
    """ffmpeg's ebur128 filter on one file: its integrated loudness to a thousandth of a LU
    (the filter's frame metadata; the summary shows tenths), its true peak, and its
    momentary loudness every 100 ms (the loudness of each 400 ms gating block)."""
    log = os.path.join(work, "r128.txt")
    out = subprocess.run(["ffmpeg", "-nostats", "-hide_banner", "-i", path, "-af",
                          "ebur128=peak=true:metadata=1,ametadata=mode=print:file=" + log,
                          "-f", "null", "-"], capture_output=True, text=True).stderr
    summary = out[out.rfind("Summary:"):]
    peak = float(re.search(r"Peak:\s+(-?[\d.]+|-inf) dBFS", summary).group(1))
    with open(log) as f:
        text = f.read()
    os.remove(log)
    loud = float(re.findall(r"lavfi\.r128\.I=(-?[\d.]+|-inf)", text)[-1])
    blocks = [float(v) for v in re.findall(r"lavfi\.r128\.M=(-?[\d.]+|-inf)", text)]
    # The first three values are of windows not yet 400 ms long: no gating block.
    return loud, peak, blocks[3:]


def gated_loudness(blocks):
    """ITU-R BS.1770 integrated loudness of gating blocks given in LUFS: the absolute gate at
    -70 LUFS, then the relative gate 10 LU below the loudness of the blocks above it."""
    def mean_loudness(values):
        energies = [10 ** ((m + 0.691) / 10) for m in values]
        return 10 * math.log10(sum(energies) / len(energies)) - 0.691
    above = [m for m in blocks if m > -70]
    if not above:
        return float("-inf")
    relative = mean_loudness(above) - 10
    return mean_loudness([m for m in above if m > relative])


def rms_db(path):
    """ffmpeg's RMS level of the whole file (astats), to a millionth of a dB."""
    out = subprocess.run(["ffmpeg", "-nostats", "-hide_banner", "-i", path, "-af",
                          "astats=measure_perchannel=none:measure_overall=RMS_level", "-f",
                          "null", "-"], capture_output=True, text=True).stderr
    return float(re.search(r"RMS level dB:\s+(-?[\d.]+|-inf)", out).group(1))


def zel(cli, files, *options):
    out = run([cli, "--results", "jsonl", "-q", *options, *files]).stdout
    return [json.loads(line) for line in out.splitlines()]


def check_loudness(cli, files, work):
    rows, failures = [], 0
    for rate in RATES:
        for target in TARGETS:
            suffix = "_L%d_%d" % (rate, -target)
            for result in zel(cli, list(files.values()), "--rate", str(rate), "--loudness",
                              str(target), "--suffix", suffix):
                loud, peak, _ = meter(result["output"], work)
                limited = result["ceilingLimited"]
                within = abs(loud - target) <= 0.1 or (limited and loud < target)
                ok = within and peak <= CEILING and result["code"] == 0
                failures += not ok
                rows.append((rate, target, os.path.basename(result["input"]), result["gainDb"],
                             loud, peak, limited, ok))
                os.remove(result["output"])
    print("| rate | target | file | gain dB | ffmpeg I LUFS | ffmpeg TP dBTP | ceiling limited | ok |")
    print("|---|---|---|---|---|---|---|---|")
    for r in rows:
        print("| %d | %.0f | %s | %.2f | %.3f | %.1f | %s | %s |" % r)
    return failures


def check_headroom(cli, files):
    failures = 0
    print("\n| speed | gain found dB | clipped | clipped at gain + 0.1 dB |")
    print("|---|---|---|---|")
    for speed in (100, 150):
        found = zel(cli, [files["master"]], "--rate", "48000", "--speed", str(speed),
                    "--quality", "high", "--headroom", "auto", "--suffix", "_H")[0]
        above = zel(cli, [files["master"]], "--rate", "48000", "--speed", str(speed),
                    "--quality", "high", "--gain", "%.2f" % (found["gainDb"] + 0.1),
                    "--suffix", "_G")[0]
        ok = found["clippedSamples"] == 0 and above["clippedSamples"] > 0
        failures += not ok
        print("| %d | %.2f | %d | %d |" % (speed, found["gainDb"], found["clippedSamples"],
                                         above["clippedSamples"]))
        os.remove(found["output"])
        os.remove(above["output"])
    return failures


ALBUM_RATES = [8000, 48000, 96000]
# The four files, where the master's blocks alone pass the relative gate, and the three
# quieter ones, where the classical passage and the sine both count.
ALBUMS = {"all four": ["speech", "master", "classical", "sine"],
          "without the master": ["speech", "classical", "sine"]}


def check_album(cli, files, work):
    failures = 0
    print("\n| album | rate | target | album gain dB | zel album after LUFS | ffmpeg album I LUFS "
          "| highest track TP dBTP | tracks moved dB (min..max) | ok |")
    print("|---|---|---|---|---|---|---|---|---|")
    for (name, kinds), rate in itertools.product(ALBUMS.items(), ALBUM_RATES):
        inputs = [files[kind] for kind in kinds]
        plain = zel(cli, inputs, "--rate", str(rate), "--suffix", "_P%d" % rate)
        plain_rms = [rms_db(r["output"]) for r in plain]
        for target in TARGETS:
            results = zel(cli, inputs, "--rate", str(rate), "--loudness", str(target),
                          "--album", "--suffix", "_A%d_%d" % (rate, -target))
            outputs = [r["output"] for r in results]
            measured = [meter(o, work) for o in outputs]
            # The album: every output's gating blocks together, as ffmpeg's meter gives them.
            album = gated_loudness([b for m in measured for b in m[2]])
            # Each track against the same conversion without a level stage: a linear
            # measure, so a track pushed below the -70 LUFS gate still counts.
            moves = [rms_db(o) - p for o, p in zip(outputs, plain_rms)]
            gains = {r["gainDb"] for r in results}
            highest = max(m[1] for m in measured)
            ok = (all(r["code"] == 0 for r in results) and len(gains) == 1
                  and abs(album - target) <= 0.1 and highest <= CEILING
                  and max(moves) - min(moves) <= 0.1)
            failures += not ok
            print("| %s | %d | %.0f | %.2f | %.2f | %.3f | %.1f | %+.3f..%+.3f | %s |" % (
                name, rate, target, results[0]["gainDb"], results[0]["albumLoudnessAfter"], album,
                highest, min(moves), max(moves), ok))
            for o in outputs:
                os.remove(o)
        for r in plain:
            os.remove(r["output"])
    return failures


def loudnorm_two_pass(path, out):
    measure = subprocess.run(["ffmpeg", "-nostats", "-hide_banner", "-i", path, "-af",
                              "loudnorm=I=-16:TP=-1:LRA=11:print_format=json", "-f", "null",
                              "-"], capture_output=True, text=True).stderr
    m = json.loads(measure[measure.rfind("{"):measure.rfind("}") + 1])
    graph = ("loudnorm=I=-16:TP=-1:LRA=11:measured_I={input_i}:measured_TP={input_tp}:"
             "measured_LRA={input_lra}:measured_thresh={input_thresh}:offset={target_offset}:"
             "linear=true").format(**m)
    run(["ffmpeg", "-v", "error", "-y", "-i", path, "-af", graph, "-ar", "48000",
         "-c:a", "pcm_s16le", out])


def check_speed(cli, files, work):
    inputs = list(files.values())
    start = time.monotonic()
    zel(cli, inputs, "--rate", "48000", "--loudness", "-16", "--suffix", "_T")
    ours = time.monotonic() - start
    start = time.monotonic()
    zel(cli, inputs, "--rate", "48000", "--loudness", "-16", "--album", "--suffix", "_U")
    album = time.monotonic() - start
    start = time.monotonic()
    for path in inputs:
        loudnorm_two_pass(path, path.replace(".wav", "_ffmpeg.wav"))
    theirs = time.monotonic() - start
    print("\n| command | seconds (4 files x %d s) | ratio to ffmpeg (target <= 0.5) |" % SECONDS)
    print("|---|---|---|")
    print("| zel-cli --loudness -16 --rate 48000 | %.2f | %.2f |" % (ours, ours / theirs))
    print("| zel-cli --loudness -16 --album --rate 48000 | %.2f | %.2f |" % (album, album / theirs))
    print("| ffmpeg loudnorm, two passes, -ar 48000 | %.2f | |" % theirs)
    return (ours / theirs > 0.5) + (album / theirs > 0.5)


def main():
    cli = os.path.abspath(sys.argv[1])
    work = sys.argv[2] if len(sys.argv) > 2 else "/tmp/zel-level-bench"
    shutil.rmtree(work, ignore_errors=True)
    os.makedirs(work)
    files = make_files(work)
    for kind, path in files.items():
        loud, peak, _ = meter(path, work)
        print("input %-9s %6.1f LUFS %6.1f dBTP" % (kind, loud, peak))
    failures = check_loudness(cli, files, work)
    failures += check_headroom(cli, files)
    failures += check_album(cli, files, work)
    failures += check_speed(cli, files, work)
    shutil.rmtree(work, ignore_errors=True)
    print("\nfailures: %d" % failures)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
