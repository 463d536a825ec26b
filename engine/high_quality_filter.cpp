#include "engine/high_quality_filter.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

#include "engine/filter_design.h"

namespace zel {
namespace {

constexpr double kKaiserSlope = 0.1102;
constexpr double kKaiserOffset = 8.7;
constexpr double kLengthOffset = 7.95;
constexpr double kLengthSlope = 2.285;
constexpr double kBesselTolerance = 1e-17;

// Modified Bessel function of the first kind, order zero, by its power series.
double BesselI0(double x) {
    const double quarterSquare = x * x / 4.0;
    double term = 1.0;
    double sum = 1.0;
    for (int k = 1; term > kBesselTolerance * sum; ++k) {
        term *= quarterSquare / (static_cast<double>(k) * k);
        sum += term;
    }
    return sum;
}

struct Prototype {
    double cutoff;     // cycles per input frame
    double halfWidth;  // window half-length, input frames
    double beta;
    double besselOfBeta;

    // The windowed sinc at tau input frames from the centre.
    double operator()(double tau) const {
        const double r = tau / halfWidth;
        if (r * r >= 1.0) return 0.0;
        const double window = BesselI0(beta * std::sqrt(1.0 - r * r)) / besselOfBeta;
        const double arg = 2.0 * cutoff * tau;
        const double sinc =
            arg == 0.0 ? 1.0 : std::sin(std::numbers::pi * arg) / (std::numbers::pi * arg);
        return 2.0 * cutoff * sinc * window;
    }
};

// Taps of one phase, frac in [0, 1], scaled so that they sum to one: every phase passes DC
// with the same gain, so no phase-dependent ripple turns into spurious tones.
void DesignRow(const Prototype& h, std::int64_t half, double frac, std::vector<double>& row) {
    double sum = 0.0;
    for (std::size_t k = 0; k < row.size(); ++k) {
        row[k] = h(frac + static_cast<double>(half - 1) - static_cast<double>(k));
        sum += row[k];
    }
    for (double& v : row) v /= sum;
}

}  // namespace

bool HighQualityFilter::Design(std::int64_t p, std::int64_t q) {
    const std::int64_t divisor = GreatestCommonDivisor(p, q);
    p_ = p / divisor;
    q_ = q / divisor;
    // Output bandwidth relative to the input's: 1 when upsampling.
    const double band = std::min(1.0, static_cast<double>(q_) / static_cast<double>(p_));
    const double transition = 0.5 * band * (kStopbandEdge - kPassbandEdge);
    const double length = (kStopbandAttenuationDb - kLengthOffset) /
                          (kLengthSlope * 2.0 * std::numbers::pi * transition);
    const std::int64_t halfMultiple = kTapMultiple / 2;
    half_ = (static_cast<std::int64_t>(std::ceil(length / 2.0)) + halfMultiple - 1) / halfMultiple *
            halfMultiple;

    const Prototype h{0.25 * band * (kPassbandEdge + kStopbandEdge), static_cast<double>(half_),
                      kKaiserSlope * (kStopbandAttenuationDb - kKaiserOffset),
                      BesselI0(kKaiserSlope * (kStopbandAttenuationDb - kKaiserOffset))};
    exact_ = q_ * Taps() <= kMaxExactCoefficients;
    phases_ = exact_ ? q_
                     : std::max(kMinInterpolationPhases,
                                static_cast<std::int64_t>(std::ceil(
                                    static_cast<double>(kInterpolationPhasesAtFullBand) * band)));
    const std::uint64_t floats = static_cast<std::uint64_t>(phases_) * RowPitch();
    if (floats * sizeof(float) > kMaxHighQualityTableBytes || !table_.Allocate(floats)) {
        table_ = AlignedBuffer<float>();
        return false;
    }

    std::vector<double> row(static_cast<std::size_t>(Taps()));
    std::vector<double> next(row.size());
    const double phases = static_cast<double>(phases_);
    if (!exact_) DesignRow(h, half_, 0.0, next);
    for (std::int64_t l = 0; l < phases_; ++l) {
        float* out = table_.data() + l * RowPitch();
        if (exact_) {
            DesignRow(h, half_, static_cast<double>(l) / phases, row);
            for (std::size_t k = 0; k < row.size(); ++k) out[k] = static_cast<float>(row[k]);
            continue;
        }
        row.swap(next);
        DesignRow(h, half_, static_cast<double>(l + 1) / phases, next);
        for (std::size_t k = 0; k < row.size(); ++k) {
            out[k] = static_cast<float>(row[k]);
            out[row.size() + k] = static_cast<float>(next[k] - row[k]);
        }
    }
    return true;
}

}  // namespace zel
