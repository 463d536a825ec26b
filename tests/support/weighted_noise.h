#pragma once
// Noise measured as a listener's meter would: the power spectrum of an error signal
// (Welch's average of Hann-windowed periodograms) summed under a standard weighting curve,
// for the tests and the benchmarks. Independent of the curve the engine designs with.

#include <span>
#include <vector>

namespace zel {

enum class NoiseWeighting { kFlat, kA, kItu468 };

// The curve's gain at `hertz` in dB: A-weighting (IEC 61672, 0 dB at 1 kHz) and the
// ITU-R BS.468 curve (+12.2 dB near 6.3 kHz, as that standard gives it).
double WeightingDb(NoiseWeighting weighting, double hertz);

// Mean-square power per bin of 0..Nyquist (segmentLength / 2 + 1 bins, segmentLength a
// power of two), summing to the signal's mean square.
std::vector<double> PowerSpectrum(std::span<const double> signal, std::size_t segmentLength);

// The weighted power of `signal` sampled at `sampleRate`, from `lowHz` up to `highHz`
// (capped at Nyquist).
double WeightedPower(std::span<const double> signal, double sampleRate, NoiseWeighting weighting,
                     double lowHz, double highHz);

}  // namespace zel
