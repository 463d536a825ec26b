#include "engine/resample/hq/equiripple_design.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace zel {
namespace {

constexpr int kGridDensity = 16;  // grid points per extremal frequency
constexpr int kMaxIterations = 100;
constexpr double kSettled = 1e-6;  // relative gap between the largest error and the level
// A local extremum counts when it reaches the level within this share (rounding lets the
// old extremal points come out a hair below it).
constexpr double kLevelTolerance = 1e-6;

struct GridPoint {
    double x;       // cos(2 pi f)
    double wanted;  // 1 in the passband, 0 in the stopband
    double weight;
    int band;
};

std::vector<GridPoint> MakeGrid(const EquirippleSpec& spec) {
    const double step = 0.5 / static_cast<double>(kGridDensity * (spec.half + 1));
    std::vector<GridPoint> grid;
    auto addBand = [&](double from, double to, double wanted, double weight, int band) {
        const auto points = static_cast<std::int64_t>(std::ceil((to - from) / step));
        for (std::int64_t i = 0; i <= points; ++i) {
            const double f = i == points ? to : from + static_cast<double>(i) * step;
            grid.push_back({std::cos(2.0 * std::numbers::pi * f), wanted, weight, band});
        }
    };
    addBand(0.0, spec.passEdge, 1.0, 1.0, 0);
    addBand(spec.stopEdge, 0.5, 0.0, spec.stopWeight, 1);
    return grid;
}

// Barycentric weights 1 / prod (x_j - x_i), scaled by a common factor (every use is a
// ratio of sums over them), worked out in logarithms: 2K factors overflow a double.
std::vector<double> BarycentricWeights(const std::vector<double>& x) {
    const std::size_t n = x.size();
    std::vector<double> logs(n), signs(n, 1.0);
    for (std::size_t j = 0; j < n; ++j) {
        double sum = 0.0;
        for (std::size_t i = 0; i < n; ++i) {
            if (i == j) continue;
            const double d = x[j] - x[i];
            sum -= std::log(std::abs(d));
            if (d < 0.0) signs[j] = -signs[j];
        }
        logs[j] = sum;
    }
    const double top = *std::max_element(logs.begin(), logs.end());
    std::vector<double> w(n);
    for (std::size_t j = 0; j < n; ++j) w[j] = signs[j] * std::exp(logs[j] - top);
    return w;
}

// The cosine polynomial through (nodes, values), at x.
double Interpolate(const std::vector<double>& nodes, const std::vector<double>& weights,
                   const std::vector<double>& values, double x) {
    double num = 0.0;
    double den = 0.0;
    for (std::size_t j = 0; j < nodes.size(); ++j) {
        const double d = x - nodes[j];
        if (d == 0.0) return values[j];
        const double t = weights[j] / d;
        num += t * values[j];
        den += t;
    }
    return num / den;
}

struct Response {
    std::vector<double> nodes;
    std::vector<double> weights;
    std::vector<double> values;
    double level = 0.0;  // signed weighted error at the extremal points
};

// The polynomial that meets the extremal set with an alternating error of equal size.
Response Solve(const std::vector<GridPoint>& grid, const std::vector<std::size_t>& extremal) {
    std::vector<double> x(extremal.size());
    for (std::size_t j = 0; j < x.size(); ++j) x[j] = grid[extremal[j]].x;
    const std::vector<double> b = BarycentricWeights(x);
    double num = 0.0;
    double den = 0.0;
    for (std::size_t j = 0; j < x.size(); ++j) {
        const GridPoint& g = grid[extremal[j]];
        num += b[j] * g.wanted;
        den += (j % 2 == 0 ? 1.0 : -1.0) * b[j] / g.weight;
    }
    Response r;
    r.level = num / den;
    // The last point is implied; the others carry the interpolation. Their weights are the
    // full set's without the last point's factor.
    const std::size_t n = x.size() - 1;
    r.nodes.assign(x.begin(), x.begin() + static_cast<std::ptrdiff_t>(n));
    r.weights.resize(n);
    for (std::size_t j = 0; j < n; ++j) r.weights[j] = b[j] * (x[j] - x[n]);
    r.values.resize(n);
    for (std::size_t j = 0; j < n; ++j) {
        const GridPoint& g = grid[extremal[j]];
        r.values[j] = g.wanted - (j % 2 == 0 ? 1.0 : -1.0) * r.level / g.weight;
    }
    return r;
}

// Local extrema of the error at least `floor` in size, signs alternating, the largest kept
// when two of one sign follow each other, the smaller end dropped while there are too many.
// Empty when too few are left.
std::vector<std::size_t> AlternatingExtrema(const std::vector<double>& error,
                                            const std::vector<GridPoint>& grid, double floor,
                                            std::size_t wanted) {
    std::vector<std::size_t> found;
    for (std::size_t i = 0; i < error.size(); ++i) {
        const double e = error[i];
        if (std::abs(e) < floor) continue;
        const bool hasLeft = i > 0 && grid[i - 1].band == grid[i].band;
        const bool hasRight = i + 1 < error.size() && grid[i + 1].band == grid[i].band;
        const double s = e > 0.0 ? 1.0 : -1.0;
        if (hasLeft && s * error[i - 1] > s * e) continue;
        if (hasRight && s * error[i + 1] > s * e) continue;
        if (!found.empty() && (error[found.back()] > 0.0) == (e > 0.0)) {
            if (std::abs(e) > std::abs(error[found.back()])) found.back() = i;
            continue;
        }
        found.push_back(i);
    }
    while (found.size() > wanted) {
        if (std::abs(error[found.front()]) < std::abs(error[found.back()]))
            found.erase(found.begin());
        else
            found.pop_back();
    }
    if (found.size() < wanted) found.clear();
    return found;
}

// Each point moved to the largest error of its own sign between its neighbours: the count
// and the alternation are kept whatever the error looks like.
std::vector<std::size_t> MovedExtremal(const std::vector<double>& error, double level,
                                       std::vector<std::size_t> extremal) {
    const std::size_t n = extremal.size();
    for (std::size_t j = 0; j < n; ++j) {
        const double sign = (j % 2 == 0) == (level > 0.0) ? 1.0 : -1.0;
        const std::size_t from = j == 0 ? 0 : extremal[j - 1] + 1;
        const std::size_t to = j + 1 == n ? error.size() - 1 : extremal[j + 1] - 1;
        std::size_t best = extremal[j];
        for (std::size_t i = from; i <= to; ++i)
            if (sign * error[i] > sign * error[best]) best = i;
        extremal[j] = best;
    }
    return extremal;
}

// The next extremal set: the extrema that reach the level. While the guess is still far
// off (in the first rounds) too few may, and then each point moves on its own.
std::vector<std::size_t> NextExtremal(const std::vector<double>& error,
                                      const std::vector<GridPoint>& grid, double level,
                                      const std::vector<std::size_t>& extremal) {
    std::vector<std::size_t> found = AlternatingExtrema(
        error, grid, std::abs(level) * (1.0 - kLevelTolerance), extremal.size());
    return found.empty() ? MovedExtremal(error, level, extremal) : found;
}

// Taps from the response sampled at the 2K + 1 frequencies k / (2K + 1).
std::vector<double> TapsOf(const Response& r, std::int64_t half) {
    const std::int64_t length = 2 * half + 1;
    std::vector<double> a(static_cast<std::size_t>(half + 1));
    for (std::int64_t k = 0; k <= half; ++k)
        a[static_cast<std::size_t>(k)] = Interpolate(
            r.nodes, r.weights, r.values,
            std::cos(2.0 * std::numbers::pi * static_cast<double>(k) / static_cast<double>(length)));
    std::vector<double> taps(static_cast<std::size_t>(length));
    for (std::int64_t n = 0; n <= half; ++n) {
        double sum = a[0];
        for (std::int64_t k = 1; k <= half; ++k)
            sum += 2.0 * a[static_cast<std::size_t>(k)] *
                   std::cos(2.0 * std::numbers::pi * static_cast<double>(k * n % length) /
                            static_cast<double>(length));
        const double tap = sum / static_cast<double>(length);
        taps[static_cast<std::size_t>(half + n)] = tap;
        taps[static_cast<std::size_t>(half - n)] = tap;
    }
    return taps;
}

}  // namespace

std::vector<double> DesignEquiripple(const EquirippleSpec& spec) {
    if (spec.half < 1 || !(spec.passEdge > 0.0) || !(spec.passEdge < spec.stopEdge) ||
        !(spec.stopEdge < 0.5) || !(spec.stopWeight > 0.0))
        return {};
    const std::vector<GridPoint> grid = MakeGrid(spec);
    const std::size_t wanted = static_cast<std::size_t>(spec.half) + 2;
    std::vector<std::size_t> extremal(wanted);
    for (std::size_t j = 0; j < wanted; ++j)
        extremal[j] = j * (grid.size() - 1) / (wanted - 1);

    std::vector<double> error(grid.size());
    for (int iteration = 0; iteration < kMaxIterations; ++iteration) {
        const Response r = Solve(grid, extremal);
        double largest = 0.0;
        for (std::size_t i = 0; i < grid.size(); ++i) {
            error[i] = grid[i].weight * (grid[i].wanted - Interpolate(r.nodes, r.weights, r.values, grid[i].x));
            largest = std::max(largest, std::abs(error[i]));
        }
        if (largest - std::abs(r.level) <= kSettled * largest) return TapsOf(r, spec.half);
        extremal = NextExtremal(error, grid, r.level, extremal);
    }
    return {};
}

}  // namespace zel
