#!/usr/bin/env python3
"""Measures renders of the reference phrase (examples/reference.mid) and draws
them: per sound the integrated loudness (EBU R128), the peak level, the samples
beyond full scale, the spectral centroid, the time to decay by 40 dB, the stereo
correlation and the peak/RMS ratio, as a Markdown table on standard output, and
one PNG with a grid of spectrograms. Names two sounds whose figures are all alike,
and exits 1 when a loudness or peak is out of bounds or two sounds are alike.

Usage: sound-gallery.py [--picture OUT.png] NAME=FILE.flac ...
Needs python3-numpy, python3-matplotlib and python3-soundfile.
"""

import argparse
import importlib.util
import itertools
import math
import os
import sys

import numpy
import soundfile

HERE = os.path.dirname(os.path.abspath(__file__))

# Where the ring note of the reference phrase starts, from the script that writes it.
_spec = importlib.util.spec_from_file_location(
    "reference", os.path.join(HERE, "..", "examples", "make-reference.py"))
_reference = importlib.util.module_from_spec(_spec)
sys.path.insert(0, os.path.join(HERE, "..", "examples"))
_spec.loader.exec_module(_reference)
RING_START_SECONDS = _reference.seconds(_reference.RING_START_BEAT)
RING_END_SECONDS = _reference.seconds(_reference.END_BEAT)

# The loudness every sound keeps on the phrase (LUFS, within the band) and the
# highest peak (dBFS).
TARGET_LOUDNESS = -21.0
LOUDNESS_BAND = 1.5
HIGHEST_PEAK_DB = -1.0

# Two sounds are alike when every figure lies this close to the other's.
ALIKE_CENTROID_RATIO = 0.12
ALIKE_DECAY_RATIO = 0.15
ALIKE_CORRELATION = 0.05
ALIKE_CREST_DB = 1.5


def decibels(value):
    return 20.0 * math.log10(value) if value > 0.0 else -math.inf


def spectral_centroid(mono, rate):
    """The power-weighted mean frequency of the whole render, in Hz."""
    size = 4096
    window = numpy.hanning(size)
    frames = numpy.lib.stride_tricks.sliding_window_view(mono, size)[::size // 2]
    power = (numpy.abs(numpy.fft.rfft(frames * window, axis=1)) ** 2).sum(axis=0)
    frequencies = numpy.fft.rfftfreq(size, 1.0 / rate)
    return float((frequencies * power).sum() / power.sum())


def biquad(x, b, a):
    """x through one biquad section with coefficients b and a (a[0] = 1)."""
    y = numpy.empty_like(x)
    x1 = x2 = y1 = y2 = 0.0
    for n, value in enumerate(x):
        out = b[0] * value + b[1] * x1 + b[2] * x2 - a[1] * y1 - a[2] * y2
        x2, x1, y2, y1 = x1, value, y1, out
        y[n] = out
    return y


def k_weighting(rate):
    """The two biquads of the K-weighting filter at rate: the head's high shelf and
    the high-pass, from their analogue prototypes."""
    k = math.tan(math.pi * 1681.974450955533 / rate)
    q = 0.7071752369554196
    vh = 10.0 ** (3.999843853973347 / 20.0)
    vb = vh ** 0.4996667741545416
    a0 = 1.0 + k / q + k * k
    shelf = ([(vh + vb * k / q + k * k) / a0, 2.0 * (k * k - vh) / a0, (vh - vb * k / q + k * k) / a0],
             [1.0, 2.0 * (k * k - 1.0) / a0, (1.0 - k / q + k * k) / a0])
    k = math.tan(math.pi * 38.13547087602444 / rate)
    q = 0.5003270373238773
    a0 = 1.0 + k / q + k * k
    high_pass = ([1.0, -2.0, 1.0], [1.0, 2.0 * (k * k - 1.0) / a0, (1.0 - k / q + k * k) / a0])
    return shelf, high_pass


def integrated_loudness(samples, rate):
    """EBU R128 integrated loudness in LUFS: K-weighted mean square in 400 ms blocks
    every 100 ms, gated at -70 LUFS and then 10 LU below the mean of those."""
    shelf, high_pass = k_weighting(rate)
    power = 0.0
    weighted = []
    for channel in samples.T:
        filtered = biquad(biquad(channel, *shelf), *high_pass)
        weighted.append(filtered ** 2)
    block, step = int(0.4 * rate), int(0.1 * rate)
    starts = range(0, len(samples) - block + 1, step)
    blocks = numpy.array([sum(w[s:s + block].mean() for w in weighted) for s in starts])
    loudness = -0.691 + 10.0 * numpy.log10(blocks + 1e-300)
    kept = blocks[loudness > -70.0]
    relative = -0.691 + 10.0 * math.log10(kept.mean()) - 10.0
    kept = blocks[(loudness > -70.0) & (loudness > relative)]
    return -0.691 + 10.0 * math.log10(kept.mean())


def decay_seconds(mono, rate):
    """Seconds from the ring note's loudest 10 ms to its first fall 40 dB below it,
    or None when it does not fall that far before the phrase ends."""
    start = int(RING_START_SECONDS * rate)
    end = min(len(mono), int(RING_END_SECONDS * rate))
    step = rate // 100
    segment = mono[start:end]
    count = len(segment) // step
    levels = numpy.sqrt((segment[:count * step].reshape(count, step) ** 2).mean(axis=1) + 1e-30)
    loudest = int(levels.argmax())
    below = numpy.nonzero(levels[loudest:] < levels[loudest] * 0.01)[0]
    return float(below[0]) * step / rate if len(below) else None


def figures(path):
    samples, rate = soundfile.read(path, dtype="float64", always_2d=True)
    left, right = samples[:, 0], samples[:, 1]
    mono = 0.5 * (left + right)
    peak = float(numpy.abs(samples).max())
    rms = math.sqrt(float((samples ** 2).mean()))
    correlation = float((left * right).sum() / math.sqrt((left ** 2).sum() * (right ** 2).sum()))
    return {
        "loudness": integrated_loudness(samples, rate),
        "peak": decibels(peak),
        "overs": int((numpy.abs(samples) > 1.0).sum()),
        "centroid": spectral_centroid(mono, rate),
        "decay": decay_seconds(mono, rate),
        "correlation": correlation,
        "crest": decibels(peak) - decibels(rms),
        "mono": mono,
        "rate": rate,
    }


def alike(a, b):
    def close_ratio(x, y, ratio):
        return abs(x - y) <= ratio * max(abs(x), abs(y))

    decays_alike = (a["decay"] is None and b["decay"] is None) or (
        a["decay"] is not None and b["decay"] is not None and close_ratio(a["decay"], b["decay"], ALIKE_DECAY_RATIO))
    return (close_ratio(a["centroid"], b["centroid"], ALIKE_CENTROID_RATIO) and decays_alike
            and abs(a["correlation"] - b["correlation"]) <= ALIKE_CORRELATION
            and abs(a["crest"] - b["crest"]) <= ALIKE_CREST_DB)


def table(named):
    lines = ["| Sound | Loudness (LUFS) | Peak (dBFS) | Centroid (Hz) | Decay by 40 dB (s) | Stereo correlation "
             "| Peak/RMS (dB) |",
             "|---|---|---|---|---|---|---|"]
    for name, f in named:
        decay = "%.2f" % f["decay"] if f["decay"] is not None else "> %.1f" % (RING_END_SECONDS - RING_START_SECONDS)
        lines.append("| %s | %.1f | %.1f | %.0f | %s | %.2f | %.1f |" % (
            name, f["loudness"], f["peak"], f["centroid"], decay, f["correlation"], f["crest"]))
    return "\n".join(lines)


def spectrogram(mono, rate):
    """Times (s), frequencies (Hz) and levels (dB, floored at -200) of 2048-sample
    Hann frames every 1024 samples."""
    size, hop = 2048, 1024
    window = numpy.hanning(size)
    frames = numpy.lib.stride_tricks.sliding_window_view(mono, size)[::hop]
    power = numpy.abs(numpy.fft.rfft(frames * window, axis=1)) ** 2 / (window.sum() ** 2 / 4.0)
    levels = 10.0 * numpy.log10(power.T + 1e-20)
    times = (numpy.arange(frames.shape[0]) * hop + size / 2) / rate
    return times, numpy.fft.rfftfreq(size, 1.0 / rate), levels


def draw(named, path):
    import matplotlib
    matplotlib.use("Agg")
    import matplotlib.pyplot as pyplot

    columns = 3
    rows = (len(named) + columns - 1) // columns
    figure, axes = pyplot.subplots(rows, columns, figsize=(10.5, 1.55 * rows + 0.4), dpi=72,
                                   sharex=True, sharey=True, squeeze=False)
    for axis in axes.flat[len(named):]:
        axis.set_visible(False)
    for axis, (name, f) in zip(axes.flat, named):
        times, frequencies, levels = spectrogram(f["mono"], f["rate"])
        axis.pcolormesh(times, frequencies, levels, cmap="magma", vmin=-110, vmax=-20, shading="auto",
                        rasterized=True)
        axis.set_yscale("log")
        axis.set_ylim(40, 12000)
        axis.set_title(name, fontsize=9, pad=2)
        axis.tick_params(labelsize=7)
    for axis in axes[:, 0]:
        axis.set_ylabel("Hz", fontsize=7)
    for axis in axes[-1, :]:
        axis.set_xlabel("s", fontsize=7)
    figure.suptitle("Zephyrant factory sounds on the reference phrase", fontsize=10)
    figure.tight_layout(pad=0.4, h_pad=0.6, w_pad=0.4, rect=(0, 0, 1, 0.98))
    # A palette of 128 colours keeps the picture small enough to keep in the repository.
    from io import BytesIO
    from PIL import Image
    drawn = BytesIO()
    figure.savefig(drawn, dpi=72, format="png")
    Image.open(drawn).convert("RGB").quantize(colors=128).save(path, optimize=True)


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--picture", help="PNG to draw the spectrograms into")
    parser.add_argument("renders", nargs="+", metavar="NAME=FILE")
    arguments = parser.parse_args()

    named = []
    for text in arguments.renders:
        name, _, path = text.partition("=")
        named.append((name, figures(path)))
    print(table(named))

    problems = []
    for name, f in named:
        if abs(f["loudness"] - TARGET_LOUDNESS) > LOUDNESS_BAND:
            problems.append("%s: %.1f LUFS, outside %.1f +- %.1f" % (name, f["loudness"], TARGET_LOUDNESS, LOUDNESS_BAND))
        if f["peak"] > HIGHEST_PEAK_DB or f["overs"] > 0:
            problems.append("%s: peak %.2f dBFS, %d samples beyond full scale" % (name, f["peak"], f["overs"]))
    for (name_a, a), (name_b, b) in itertools.combinations(named, 2):
        if alike(a, b):
            problems.append("%s and %s: alike in every figure" % (name_a, name_b))
    for problem in problems:
        print("sound-gallery: " + problem, file=sys.stderr)

    if arguments.picture:
        draw(named, arguments.picture)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
