#include "engine/resample/hq/kaiser_sinc.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace zel {
namespace {

constexpr double kKaiserSlope = 0.1102;
constexpr double kKaiserOffset = 8.7;
// Terms of the Bessel series: the 32nd is below 1e-17 of the sum for every argument up to
// beta, so the series is cut there and evaluated by Horner's rule, which lets the many
// evaluations of a design overlap.
constexpr int kBesselTerms = 32;
// Taps closer than this to the centre take the sinc's limit.
constexpr double kCentreTolerance = 1e-12;

double BesselCoefficient(int k) {
    double factorial = 1.0;
    for (int i = 2; i <= k; ++i) factorial *= i;
    return 1.0 / (factorial * factorial);
}

// The Kaiser window I0(beta sqrt(1 - r^2)) / I0(beta) at every tau of `row`, into `row`.
// The series runs term by term over the whole row, so the evaluations are independent
// (vectorised, no chain of dependent multiplications per tap).
void KaiserWindow(const KaiserSinc& h, double tau0, std::vector<double>& row,
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

}  // namespace

double KaiserBeta(double attenuationDb) { return kKaiserSlope * (attenuationDb - kKaiserOffset); }

// The sine of the sinc steps by a fixed angle from tap to tap, so it is rotated instead of
// recomputed.
void DesignKaiserRow(const KaiserSinc& h, std::int64_t half, double frac, std::vector<double>& row,
                     std::vector<double>& scratch) {
    row.resize(static_cast<std::size_t>(2 * half));
    scratch.resize(row.size());
    const double step = 2.0 * std::numbers::pi * h.cutoff;
    const double tau0 = frac + static_cast<double>(half - 1);
    KaiserWindow(h, tau0, row, scratch);
    double sine = std::sin(step * tau0);
    double cosine = std::cos(step * tau0);
    const double stepSine = std::sin(step);
    const double stepCosine = std::cos(step);
    for (std::size_t k = 0; k < row.size(); ++k) {
        const double tau = tau0 - static_cast<double>(k);
        const double sinc =
            std::abs(tau) < kCentreTolerance ? 2.0 * h.cutoff : sine / (std::numbers::pi * tau);
        row[k] *= sinc;
        const double nextSine = sine * stepCosine - cosine * stepSine;  // sin(a - step)
        cosine = cosine * stepCosine + sine * stepSine;
        sine = nextSine;
    }
}

}  // namespace zel
