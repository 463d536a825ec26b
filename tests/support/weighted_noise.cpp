#include "tests/support/weighted_noise.h"

#include <algorithm>
#include <bit>
#include <cassert>
#include <cmath>
#include <complex>
#include <numbers>

namespace zel {
namespace {

constexpr std::size_t kDefaultSegment = 8192;

void Fft(std::vector<std::complex<double>>& x) {
    const std::size_t n = x.size();
    for (std::size_t i = 1, j = 0; i < n; ++i) {
        std::size_t bit = n >> 1;
        for (; j & bit; bit >>= 1) j ^= bit;
        j ^= bit;
        if (i < j) std::swap(x[i], x[j]);
    }
    for (std::size_t len = 2; len <= n; len <<= 1) {
        const std::complex<double> turn = std::polar(1.0, -2.0 * std::numbers::pi / len);
        for (std::size_t start = 0; start < n; start += len) {
            std::complex<double> w = 1.0;
            for (std::size_t k = 0; k < len / 2; ++k, w *= turn) {
                const auto even = x[start + k], odd = x[start + k + len / 2] * w;
                x[start + k] = even + odd;
                x[start + k + len / 2] = even - odd;
            }
        }
    }
}

}  // namespace

double WeightingDb(NoiseWeighting weighting, double hertz) {
    const double f = hertz, f2 = f * f;
    switch (weighting) {
        case NoiseWeighting::kA: {
            const double ra =
                12194.0 * 12194.0 * f2 * f2 /
                ((f2 + 20.6 * 20.6) * std::sqrt((f2 + 107.7 * 107.7) * (f2 + 737.9 * 737.9)) *
                 (f2 + 12194.0 * 12194.0));
            return 20.0 * std::log10(ra) + 2.0;
        }
        case NoiseWeighting::kItu468: {
            const double h1 = -4.737338981378384e-24 * f2 * f2 * f2 +
                              2.043828333606125e-15 * f2 * f2 - 1.363894795463638e-7 * f2 + 1.0;
            const double h2 = 1.306612257412824e-19 * f2 * f2 * f - 2.118150887518656e-11 * f2 * f +
                              5.559488023498642e-4 * f;
            return 18.2 + 20.0 * std::log10(1.246332637532143e-4 * f / std::hypot(h1, h2));
        }
        case NoiseWeighting::kFlat:
            break;
    }
    return 0.0;
}

std::vector<double> PowerSpectrum(std::span<const double> signal, std::size_t segmentLength) {
    assert(segmentLength >= 2 && (segmentLength & (segmentLength - 1)) == 0);
    std::vector<double> window(segmentLength);
    double windowPower = 0.0;
    for (std::size_t i = 0; i < segmentLength; ++i) {
        window[i] = 0.5 - 0.5 * std::cos(2.0 * std::numbers::pi * i / segmentLength);
        windowPower += window[i] * window[i];
    }
    std::vector<double> bins(segmentLength / 2 + 1, 0.0);
    std::vector<std::complex<double>> buffer(segmentLength);
    std::size_t segments = 0;
    // Half-overlapping segments.
    for (std::size_t start = 0; start + segmentLength <= signal.size();
         start += segmentLength / 2, ++segments) {
        for (std::size_t i = 0; i < segmentLength; ++i) buffer[i] = signal[start + i] * window[i];
        Fft(buffer);
        for (std::size_t k = 0; k < bins.size(); ++k) {
            // Both halves of the spectrum but DC and Nyquist.
            const double twice = k == 0 || k == segmentLength / 2 ? 1.0 : 2.0;
            bins[k] += twice * std::norm(buffer[k]);
        }
    }
    if (segments == 0) return bins;
    for (double& b : bins) b /= static_cast<double>(segments) * windowPower * segmentLength;
    return bins;
}

double WeightedPower(std::span<const double> signal, double sampleRate, NoiseWeighting weighting,
                     double lowHz, double highHz) {
    const std::size_t segment = std::min<std::size_t>(
        kDefaultSegment, std::bit_floor(std::max<std::size_t>(signal.size(), 2)));
    const std::vector<double> bins = PowerSpectrum(signal, segment);
    const double top = std::min(highHz, sampleRate / 2.0);
    double sum = 0.0;
    for (std::size_t k = 0; k < bins.size(); ++k) {
        const double hz = sampleRate * static_cast<double>(k) / static_cast<double>(segment);
        if (hz < lowHz || hz > top || hz <= 0.0) continue;
        sum += bins[k] * std::pow(10.0, WeightingDb(weighting, hz) / 10.0);
    }
    return sum;
}

}  // namespace zel
