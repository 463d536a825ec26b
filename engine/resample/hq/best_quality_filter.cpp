#include "engine/resample/hq/best_quality_filter.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

#include "engine/resample/hq/best_quality_bands.h"
#include "engine/resample/hq/kaiser_sinc.h"
#include "engine/resample/standard/filter_design.h"

namespace zel {
namespace {

constexpr double kLengthOffset = 7.95;
constexpr double kLengthSlope = 2.285;

// Half the length of a Kaiser design with this transition width (cycles per frame), in
// frames, rounded up to whole vectors of taps.
std::int64_t KaiserHalf(double transition) {
    const double length = (kBestStopbandAttenuationDb - kLengthOffset) /
                          (kLengthSlope * 2.0 * std::numbers::pi * transition);
    const std::int64_t halfMultiple = kBestTapMultiple / 2;
    return (static_cast<std::int64_t>(std::ceil(length / 2.0)) + halfMultiple - 1) /
           halfMultiple * halfMultiple;
}

}  // namespace

bool BestQualityFilter::Design(std::int64_t p, std::int64_t q) {
    // Output bandwidth relative to the input's, 1 when upsampling.
    const double band = std::min(1.0, static_cast<double>(q) / static_cast<double>(p));
    const double transition = 0.5 * (kBestStopbandEdge - kBestPassbandEdge) * band;
    const double cutoff = 0.25 * (kBestStopbandEdge + kBestPassbandEdge) * band;
    return Tabulate(p, q, KaiserHalf(transition), band, cutoff);
}

bool BestQualityFilter::DesignBands(std::int64_t p, std::int64_t q, double passEdge,
                                    double stopEdge) {
    return Tabulate(p, q, KaiserHalf(stopEdge - passEdge), 1.0, 0.5 * (passEdge + stopEdge));
}

std::vector<double> BestSteepTaps(std::int64_t up, double passEdge, double stopEdge,
                                  std::int64_t centreMultiple) {
    const double length = (kBestStopbandAttenuationDb - kLengthOffset) /
                          (kLengthSlope * 2.0 * std::numbers::pi * (stopEdge - passEdge));
    // Odd, so that the centre lies on a sample.
    const auto centre = (static_cast<std::int64_t>(std::ceil(length / 2.0)) + centreMultiple - 1) /
                        centreMultiple * centreMultiple;
    const KaiserSinc h{0.5 * (passEdge + stopEdge), static_cast<double>(centre + 1),
                       KaiserBeta(kBestStopbandAttenuationDb)};
    std::vector<double> row;
    std::vector<double> scratch;
    // Taps at tau = centre .. -centre - 1; the last lies on the window's edge (zero).
    DesignKaiserRow(h, centre + 1, 0.0, row, scratch);
    row.resize(static_cast<std::size_t>(2 * centre + 1));
    double sum = 0.0;
    for (double v : row) sum += v;
    for (double& v : row) v *= static_cast<double>(up) / sum;
    return row;
}

bool BestQualityFilter::Tabulate(std::int64_t p, std::int64_t q, std::int64_t half, double band,
                                 double cutoff) {
    const std::int64_t divisor = GreatestCommonDivisor(p, q);
    p_ = p / divisor;
    q_ = q / divisor;
    half_ = half;
    exact_ = q_ * Taps() <= kMaxBestExactCoefficients;
    phases_ = exact_ ? q_
                     : std::max(kBestMinInterpolationPhases,
                                static_cast<std::int64_t>(std::ceil(
                                    static_cast<double>(kBestInterpolationPhasesAtFullBand) *
                                    std::min(1.0, band))));
    // Interpolation reads one row before and two after the phase's own.
    const std::int64_t rows = exact_ ? phases_ : phases_ + 3;
    const std::uint64_t doubles = static_cast<std::uint64_t>(rows) * Taps();
    if (doubles * sizeof(double) > kMaxBestQualityTableBytes || !table_.Allocate(doubles)) {
        table_ = AlignedBuffer<double>();
        return false;
    }
    const KaiserSinc h{cutoff, static_cast<double>(half),
                       KaiserBeta(kBestStopbandAttenuationDb)};
    const auto taps = static_cast<std::size_t>(Taps());
    std::vector<double> row;
    std::vector<double> scratch;
    const std::int64_t first = exact_ ? 0 : -1;
    for (std::int64_t l = first; l < first + rows; ++l) {
        double* out = table_.data() + RowOffset(l);
        // Phase L - l is phase l reversed, the sinc being symmetric.
        if (2 * l > phases_) {
            const double* mirror = Row(phases_ - l);
            std::reverse_copy(mirror, mirror + taps, out);
            continue;
        }
        DesignKaiserRow(h, half, static_cast<double>(l) / static_cast<double>(phases_), row,
                        scratch);
        // Every phase passes DC with the same gain, so no phase-dependent ripple turns into
        // spurious tones.
        double sum = 0.0;
        for (double v : row) sum += v;
        for (std::size_t k = 0; k < taps; ++k) out[k] = row[k] / sum;
    }
    return true;
}

}  // namespace zel
