#include "engine/resample/hq/equiripple_prototype.h"

#include <cmath>
#include <cstdint>

#include "engine/resample/hq/equiripple_design.h"
#include "engine/resample/hq/high_quality_bands.h"
#include "engine/resample/hq/kaiser_sinc.h"

namespace zel {
namespace {

#include "engine/resample/hq/equiripple_prototype_taps.inc"

constexpr std::int64_t kCoarsePointsPerUnit = 2;
constexpr std::int64_t kCoarseHalf = 132;  // coarse taps on each side of the centre
// Passband ripple allowed per unit of stopband ripple.
constexpr double kStopWeight = 23000.0;
constexpr std::int64_t kCarryHalf = 10;  // coarse points on each side, carrying sinc
constexpr double kCarryAttenuationDb = 150.0;
constexpr std::int64_t kFinePointsPerUnit = 256;
constexpr std::int64_t kFinePerCoarse = kFinePointsPerUnit / kCoarsePointsPerUnit;
constexpr double kReachUnits = 68.0;

// Carrying weights for each of the kFinePerCoarse offsets between two coarse points, each
// set summing to one so that a constant is carried exactly.
std::vector<std::vector<double>> CarryWeights() {
    const KaiserSinc carry{0.5, static_cast<double>(kCarryHalf), KaiserBeta(kCarryAttenuationDb)};
    std::vector<std::vector<double>> weights(static_cast<std::size_t>(kFinePerCoarse));
    std::vector<double> scratch;
    for (std::int64_t r = 0; r < kFinePerCoarse; ++r) {
        std::vector<double>& w = weights[static_cast<std::size_t>(r)];
        DesignKaiserRow(carry, kCarryHalf,
                        static_cast<double>(r) / static_cast<double>(kFinePerCoarse), w, scratch);
        double sum = 0.0;
        for (double v : w) sum += v;
        for (double& v : w) v /= sum;
    }
    return weights;
}

bool SameSpec(const EquirippleSpec& a, const EquirippleSpec& b) {
    return a.half == b.half && a.passEdge == b.passEdge && a.stopEdge == b.stopEdge &&
           a.stopWeight == b.stopWeight;
}

}  // namespace

std::vector<double> StoredCoarseDesign(const EquirippleSpec& spec) {
    if (!SameSpec(spec, kStoredCoarseSpec)) return {};
    std::vector<double> taps(static_cast<std::size_t>(2 * spec.half + 1));
    for (std::int64_t n = 0; n <= spec.half; ++n) {
        const double tap = kStoredCoarseTaps[n];
        taps[static_cast<std::size_t>(spec.half + n)] = tap;
        taps[static_cast<std::size_t>(spec.half - n)] = tap;
    }
    return taps;
}

EquirippleSpec PrototypeCoarseSpec() {
    EquirippleSpec spec;
    spec.half = kCoarseHalf;
    spec.passEdge = 0.5 * kPassbandEdge / static_cast<double>(kCoarsePointsPerUnit);
    spec.stopEdge = 0.5 * kStopbandEdge / static_cast<double>(kCoarsePointsPerUnit);
    spec.stopWeight = kStopWeight;
    return spec;
}

const EquiripplePrototype& EquiripplePrototype::Shared() {
    static const EquiripplePrototype shape;
    return shape;
}

double EquiripplePrototype::Reach() { return kReachUnits; }

EquiripplePrototype::EquiripplePrototype() {
    // Designing it takes several milliseconds, a tenth of a minute's conversion.
    std::vector<double> coarse = StoredCoarseDesign(PrototypeCoarseSpec());
    if (coarse.empty()) coarse = DesignEquiripple(PrototypeCoarseSpec());
    if (coarse.empty()) return;
    const std::vector<std::vector<double>> weights = CarryWeights();
    // Past the coarse design's end and the carrying sinc's reach the shape is zero; two
    // more points let the cubic read up to the last one.
    const std::int64_t last = (kCoarseHalf + kCarryHalf) * kFinePerCoarse + 2;
    fine_.assign(static_cast<std::size_t>(last + 1), 0.0);
    for (std::int64_t i = 0; i <= last; ++i) {
        // Coarse position i / kFinePerCoarse = whole + offset.
        const std::int64_t whole = i / kFinePerCoarse;
        const std::vector<double>& w = weights[static_cast<std::size_t>(i % kFinePerCoarse)];
        double sum = 0.0;
        for (std::int64_t k = 0; k < 2 * kCarryHalf; ++k) {
            const std::int64_t j = whole - kCarryHalf + 1 + k;  // coarse tap, 0 at the centre
            if (j < -kCoarseHalf || j > kCoarseHalf) continue;
            sum += w[static_cast<std::size_t>(k)] * coarse[static_cast<std::size_t>(j + kCoarseHalf)];
        }
        fine_[static_cast<std::size_t>(i)] = sum;
    }
}

double EquiripplePrototype::At(double s) const {
    const double x = std::abs(s) * static_cast<double>(kFinePointsPerUnit);
    const auto i = static_cast<std::int64_t>(x);
    if (i + 2 >= static_cast<std::int64_t>(fine_.size())) return 0.0;
    const double t = x - static_cast<double>(i);
    // The shape is even, so the point before the centre is the one after it.
    const double before = fine_[static_cast<std::size_t>(i == 0 ? 1 : i - 1)];
    const double at = fine_[static_cast<std::size_t>(i)];
    const double next = fine_[static_cast<std::size_t>(i + 1)];
    const double after = fine_[static_cast<std::size_t>(i + 2)];
    return -t * (t - 1.0) * (t - 2.0) / 6.0 * before + (t + 1.0) * (t - 1.0) * (t - 2.0) / 2.0 * at -
           (t + 1.0) * t * (t - 2.0) / 2.0 * next + (t + 1.0) * t * (t - 1.0) / 6.0 * after;
}

}  // namespace zel
