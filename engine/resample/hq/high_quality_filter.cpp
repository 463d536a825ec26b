#include "engine/resample/hq/high_quality_filter.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

#include "engine/resample/hq/equiripple_prototype.h"
#include "engine/resample/hq/kaiser_sinc.h"
#include "engine/resample/standard/filter_design.h"

namespace zel {
namespace {

constexpr double kLengthOffset = 7.95;
constexpr double kLengthSlope = 2.285;
// A halving with its cut-off at a quarter of the input rate is a half-band filter.
constexpr std::int64_t kHalfBandRatio = 2;
constexpr double kHalfBandCutoff = 0.25;
constexpr double kCutoffTolerance = 1e-12;

// Half a filter's length in input frames, rounded up to whole vectors of taps.
std::int64_t RoundedHalf(double halfLength) {
    const std::int64_t halfMultiple = kTapMultiple / 2;
    return (static_cast<std::int64_t>(std::ceil(halfLength)) + halfMultiple - 1) / halfMultiple *
           halfMultiple;
}

}  // namespace

bool HighQualityFilter::Design(std::int64_t p, std::int64_t q) {
    const EquiripplePrototype& shape = EquiripplePrototype::Shared();
    if (!shape.Valid()) return false;
    // Output bandwidth relative to the input's, 1 when upsampling: one input frame is
    // `band` units of the shape.
    const double band = std::min(1.0, static_cast<double>(q) / static_cast<double>(p));
    const std::int64_t half = RoundedHalf(EquiripplePrototype::Reach() / band);
    pairTaps_.clear();
    return Tabulate(p, q, half, band, [&](double frac, std::vector<double>& row) {
        const double tau0 = frac + static_cast<double>(half - 1);
        row.resize(static_cast<std::size_t>(2 * half));
        for (std::size_t k = 0; k < row.size(); ++k)
            row[k] = shape.At((tau0 - static_cast<double>(k)) * band);
    });
}

bool HighQualityFilter::DesignBand(std::int64_t p, std::int64_t q, double passEdge,
                                   double stopEdge) {
    const double transition = stopEdge - passEdge;
    const double length = (kStopbandAttenuationDb - kLengthOffset) /
                          (kLengthSlope * 2.0 * std::numbers::pi * transition);
    const std::int64_t half = RoundedHalf(length / 2.0);
    const KaiserSinc h{0.5 * (passEdge + stopEdge), static_cast<double>(half),
                       KaiserBeta(kStopbandAttenuationDb)};
    std::vector<double> scratch;
    pairTaps_.clear();
    if (!Tabulate(p, q, half, 2.0 * stopEdge, [&](double frac, std::vector<double>& row) {
            DesignKaiserRow(h, half, frac, row, scratch);
        }))
        return false;
    KeepHalfBand(h.cutoff);
    return true;
}

bool HighQualityFilter::Tabulate(std::int64_t p, std::int64_t q, std::int64_t half, double band,
                                 const std::function<void(double, std::vector<double>&)>& design) {
    const std::int64_t divisor = GreatestCommonDivisor(p, q);
    p_ = p / divisor;
    q_ = q / divisor;
    half_ = half;
    exact_ = q_ * Taps() <= kMaxExactCoefficients;
    phases_ = exact_ ? q_
                     : std::max(kMinInterpolationPhases,
                                static_cast<std::int64_t>(std::ceil(
                                    static_cast<double>(kInterpolationPhasesAtFullBand) * band)));
    const std::uint64_t floats = static_cast<std::uint64_t>(Rows()) * Taps();
    if (floats * sizeof(float) > kMaxHighQualityTableBytes || !table_.Allocate(floats)) {
        table_ = AlignedBuffer<float>();
        return false;
    }

    // Row phases - l is row l reversed, since the prototype is symmetric, so only half of
    // the rows are designed. Each is scaled to sum to one: every phase passes DC with the
    // same gain, so no phase-dependent ripple turns into spurious tones.
    const std::size_t taps = static_cast<std::size_t>(Taps());
    std::vector<double> row;
    for (std::int64_t l = 0; l < Rows(); ++l) {
        float* out = table_.data() + static_cast<std::size_t>(l) * taps;
        if (2 * l > phases_) {
            const float* mirror = table_.data() + static_cast<std::size_t>(phases_ - l) * taps;
            std::reverse_copy(mirror, mirror + taps, out);
            continue;
        }
        design(static_cast<double>(l) / static_cast<double>(phases_), row);
        double sum = 0.0;
        for (double v : row) sum += v;
        for (std::size_t k = 0; k < taps; ++k) out[k] = static_cast<float>(row[k] / sum);
    }
    return true;
}

void HighQualityFilter::KeepHalfBand(double cutoff) {
    if (p_ != kHalfBandRatio || q_ != 1 || std::abs(cutoff - kHalfBandCutoff) > kCutoffTolerance)
        return;
    // Row 0 holds tap tau = half - 1 - k at k; the zeros at even tau are dropped.
    const float* row = Row(0);
    centre_ = row[half_ - 1];
    for (std::int64_t i = 0; i < half_ / 2; ++i) pairTaps_.push_back(row[half_ - 2 - 2 * i]);
}

}  // namespace zel
