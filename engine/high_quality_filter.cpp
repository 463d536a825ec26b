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
// Terms of the Bessel series: the 32nd is below 1e-17 of the sum for every argument up to
// beta, so the series is cut there and evaluated by Horner's rule, which lets the many
// evaluations of a design overlap.
constexpr int kBesselTerms = 32;
// Taps closer than this to the centre take the sinc's limit.
constexpr double kCentreTolerance = 1e-12;
// A halving with its cut-off at a quarter of the input rate is a half-band filter.
constexpr std::int64_t kHalfBandRatio = 2;
constexpr double kHalfBandCutoff = 0.25;
constexpr double kCutoffTolerance = 1e-12;

double BesselCoefficient(int k) {
    double factorial = 1.0;
    for (int i = 2; i <= k; ++i) factorial *= i;
    return 1.0 / (factorial * factorial);
}

struct Prototype {
    double cutoff;     // cycles per input frame
    double halfWidth;  // window half-length, input frames
    double beta;
};

// The Kaiser window I0(beta sqrt(1 - r^2)) / I0(beta) at every tau of `row`, into `row`.
// The series runs term by term over the whole row, so the evaluations are independent
// (vectorised, no chain of dependent multiplications per tap).
void KaiserWindow(const Prototype& h, double tau0, std::vector<double>& row,
                  std::vector<double>& argument) {
    const double quarterBetaSquared = h.beta * h.beta / 4.0;
    for (std::size_t k = 0; k < row.size(); ++k) {
        const double r = (tau0 - static_cast<double>(k)) / h.halfWidth;
        argument[k] = r * r >= 1.0 ? -1.0 : quarterBetaSquared * (1.0 - r * r);
    }
    double top = BesselCoefficient(kBesselTerms - 1);
    std::fill(row.begin(), row.end(), top);
    for (int term = kBesselTerms - 2; term >= 0; --term) {
        const double c = BesselCoefficient(term);
        for (std::size_t k = 0; k < row.size(); ++k) row[k] = row[k] * argument[k] + c;
    }
    double atBeta = top;
    for (int term = kBesselTerms - 2; term >= 0; --term)
        atBeta = atBeta * quarterBetaSquared + BesselCoefficient(term);
    for (std::size_t k = 0; k < row.size(); ++k) row[k] = argument[k] < 0.0 ? 0.0 : row[k] / atBeta;
}

// Taps of one phase, frac in [0, 1], scaled so that they sum to one: every phase passes DC
// with the same gain, so no phase-dependent ripple turns into spurious tones. The sine of
// the sinc steps by a fixed angle from tap to tap, so it is rotated instead of recomputed.
void DesignRow(const Prototype& h, std::int64_t half, double frac, std::vector<double>& row,
               std::vector<double>& scratch) {
    const double step = 2.0 * std::numbers::pi * h.cutoff;
    const double tau0 = frac + static_cast<double>(half - 1);
    KaiserWindow(h, tau0, row, scratch);
    double sine = std::sin(step * tau0);
    double cosine = std::cos(step * tau0);
    const double stepSine = std::sin(step);
    const double stepCosine = std::cos(step);
    double sum = 0.0;
    for (std::size_t k = 0; k < row.size(); ++k) {
        const double tau = tau0 - static_cast<double>(k);
        const double sinc =
            std::abs(tau) < kCentreTolerance ? 2.0 * h.cutoff : sine / (std::numbers::pi * tau);
        row[k] *= sinc;
        sum += row[k];
        const double nextSine = sine * stepCosine - cosine * stepSine;  // sin(a - step)
        cosine = cosine * stepCosine + sine * stepSine;
        sine = nextSine;
    }
    for (double& v : row) v /= sum;
}

}  // namespace

bool HighQualityFilter::Design(std::int64_t p, std::int64_t q) {
    // Output bandwidth relative to the input's: 1 when upsampling.
    const double band = std::min(1.0, static_cast<double>(q) / static_cast<double>(p));
    return DesignBand(p, q, 0.5 * band * kPassbandEdge, 0.5 * band * kStopbandEdge);
}

bool HighQualityFilter::DesignBand(std::int64_t p, std::int64_t q, double passEdge,
                                   double stopEdge) {
    pairTaps_.clear();
    const std::int64_t divisor = GreatestCommonDivisor(p, q);
    p_ = p / divisor;
    q_ = q / divisor;
    const double band = 2.0 * stopEdge;
    const double transition = stopEdge - passEdge;
    const double length = (kStopbandAttenuationDb - kLengthOffset) /
                          (kLengthSlope * 2.0 * std::numbers::pi * transition);
    const std::int64_t halfMultiple = kTapMultiple / 2;
    half_ = (static_cast<std::int64_t>(std::ceil(length / 2.0)) + halfMultiple - 1) / halfMultiple *
            halfMultiple;

    const Prototype h{0.5 * (passEdge + stopEdge), static_cast<double>(half_),
                      kKaiserSlope * (kStopbandAttenuationDb - kKaiserOffset)};
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
    // the rows are designed.
    const std::size_t taps = static_cast<std::size_t>(Taps());
    std::vector<double> row(taps);
    std::vector<double> scratch(taps);
    for (std::int64_t l = 0; l < Rows(); ++l) {
        float* out = table_.data() + static_cast<std::size_t>(l) * taps;
        if (2 * l > phases_) {
            const float* mirror = table_.data() + static_cast<std::size_t>(phases_ - l) * taps;
            std::reverse_copy(mirror, mirror + taps, out);
            continue;
        }
        DesignRow(h, half_, static_cast<double>(l) / static_cast<double>(phases_), row, scratch);
        for (std::size_t k = 0; k < taps; ++k) out[k] = static_cast<float>(row[k]);
    }
    KeepHalfBand(h.cutoff);
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
