#include "engine/codec/noise_shaping_design.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

#include "engine/codec/hearing_weighting.h"
#include "engine/codec/linear_prediction.h"

namespace zel {
namespace {

// Points across 0..Nyquist (midpoints) the weighting is integrated and the gains read on:
// far finer than anything a filter of the order resolves.
constexpr int kGridPoints = 1024;
// The widest range below its peak the weighting may span; bisected down from there.
constexpr double kWidestRangeDb = 60.0;
constexpr int kRangeSearchSteps = 20;
// A white floor under the weighting (relative to its peak), so the recursion never meets
// a singular autocorrelation.
constexpr double kWhiteFloor = 1e-9;

using Correlation = std::array<double, kNoiseShapingOrder + 1>;

struct Grid {
    // cosines[k][i] = cos(k w_i) for the grid's angular frequencies w_i.
    std::array<std::vector<double>, kNoiseShapingOrder + 1> cosines;
    // The weighting in power, 1 at its peak within the band.
    std::vector<double> weight;
};

Grid MakeGrid(double sampleRate) {
    Grid grid;
    for (auto& row : grid.cosines) row.resize(kGridPoints);
    std::vector<double> db(kGridPoints);
    for (int i = 0; i < kGridPoints; ++i) {
        const double w = std::numbers::pi * (i + 0.5) / kGridPoints;
        // cos(k w) by the Chebyshev recurrence: one library cosine per point.
        grid.cosines[0][i] = 1.0;
        grid.cosines[1][i] = std::cos(w);
        for (int k = 2; k <= kNoiseShapingOrder; ++k)
            grid.cosines[k][i] =
                2.0 * grid.cosines[1][i] * grid.cosines[k - 1][i] - grid.cosines[k - 2][i];
        db[i] = EarWeightingDb(w / (2.0 * std::numbers::pi) * sampleRate);
    }
    const double peak = *std::max_element(db.begin(), db.end());
    grid.weight.resize(kGridPoints);
    for (int i = 0; i < kGridPoints; ++i) grid.weight[i] = std::pow(10.0, (db[i] - peak) / 10.0);
    return grid;
}

// The filter for the weighting held within `rangeDb` below its peak.
NoiseShapingFilter DesignForRange(const Grid& grid, double rangeDb) {
    const double floor = std::pow(10.0, -rangeDb / 10.0);
    Correlation r{};
    for (int i = 0; i < kGridPoints; ++i) {
        const double weight = std::max(grid.weight[i], floor);
        for (int k = 0; k <= kNoiseShapingOrder; ++k) r[k] += weight * grid.cosines[k][i];
    }
    r[0] *= 1.0 + kWhiteFloor;
    NoiseShapingFilter filter;
    if (!PredictionErrorFilter(r, filter.a)) filter.a.fill(0.0);
    return filter;
}

// |NTF(w)|^2 = rho[0] + 2 sum rho[k] cos(k w), rho the autocorrelation of 1, a[0], ...
double PeakGainOnGrid(const Grid& grid, const NoiseShapingFilter& filter) {
    std::array<double, kNoiseShapingOrder + 1> taps{1.0};
    std::copy(filter.a.begin(), filter.a.end(), taps.begin() + 1);
    Correlation rho{};
    for (int k = 0; k <= kNoiseShapingOrder; ++k)
        for (int j = 0; j + k <= kNoiseShapingOrder; ++j) rho[k] += taps[j] * taps[j + k];
    double peak = 0.0;
    for (int i = 0; i < kGridPoints; ++i) {
        double gain = rho[0];
        for (int k = 1; k <= kNoiseShapingOrder; ++k) gain += 2.0 * rho[k] * grid.cosines[k][i];
        peak = std::max(peak, gain);
    }
    return peak;
}

bool WithinLimits(const Grid& grid, const NoiseShapingFilter& filter,
                  const NoiseShapingLimits& limits) {
    return 10.0 * std::log10(NoisePowerGain(filter)) <= limits.powerGainDb &&
           10.0 * std::log10(PeakGainOnGrid(grid, filter)) <= limits.peakGainDb;
}

}  // namespace

NoiseShapingFilter DesignNoiseShaping(double sampleRate, const NoiseShapingLimits& limits) {
    const Grid grid = MakeGrid(sampleRate);
    const NoiseShapingFilter widest = DesignForRange(grid, kWidestRangeDb);
    if (WithinLimits(grid, widest, limits)) return widest;
    // The gains grow with the range: bisect for the widest range inside the limits. Range
    // 0 is the flat weighting, whose filter shapes nothing.
    NoiseShapingFilter best;
    double low = 0.0, high = kWidestRangeDb;
    for (int step = 0; step < kRangeSearchSteps; ++step) {
        const double middle = 0.5 * (low + high);
        const NoiseShapingFilter filter = DesignForRange(grid, middle);
        if (WithinLimits(grid, filter, limits)) {
            best = filter;
            low = middle;
        } else {
            high = middle;
        }
    }
    return best;
}

double NoiseGainAt(const NoiseShapingFilter& filter, double hertz, double sampleRate) {
    const double w = 2.0 * std::numbers::pi * hertz / sampleRate;
    double re = 1.0, im = 0.0;
    for (int k = 0; k < kNoiseShapingOrder; ++k) {
        re += filter.a[k] * std::cos((k + 1) * w);
        im -= filter.a[k] * std::sin((k + 1) * w);
    }
    return re * re + im * im;
}

double NoisePowerGain(const NoiseShapingFilter& filter) {
    double sum = 1.0;
    for (double c : filter.a) sum += c * c;
    return sum;
}

}  // namespace zel
