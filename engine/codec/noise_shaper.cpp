#include "engine/codec/noise_shaper.h"

#include <cmath>

namespace zel {
namespace {

// Far enough past full scale for the codec to saturate it, near enough that the sum of
// signal and fed-back error stays an exact multiple of the step: an overflowing filter
// output (or NaN, which the codec writes as silence) cannot upset the loop.
constexpr double kSampleLimit = 2.0;
// Added and taken away again, it rounds any double below 2^51 in magnitude to the nearest
// whole number (ties to even), without a branch or a conversion.
constexpr double kRoundingShift = 0x1.8p52;

double Bounded(float sample) {
    const double x = sample;
    if (x != x) return 0.0;  // NaN
    return x < -kSampleLimit ? -kSampleLimit : x > kSampleLimit ? kSampleLimit : x;
}

}  // namespace

// The older errors are summed in pairs.
static_assert(kNoiseShapingOrder % 2 == 0 && kNoiseShapingOrder >= 2);

NoiseShaper::NoiseShaper(const NoiseShapingFilter& filter, float step, std::size_t channels)
    : filter_(filter), step_(step), inverseStep_(1.0 / step), history_(channels) {}

void NoiseShaper::Quantize(std::size_t channel, const float* in, float* out, std::int64_t count,
                           TpdfDither& dither) {
    History& history = history_[channel];
    double* const errors = history.errors.data();
    int at = history.at;
    const auto& a = filter_.a;
    for (std::int64_t i = 0; i < count; ++i) {
        // The older errors in two sums of their own, the newest added last: only that one
        // waits for the sample before.
        const double* e = errors + at;
        double even = 0.0, odd = 0.0;
        for (int k = 2; k < kNoiseShapingOrder; k += 2) {
            even += a[k] * e[k];
            odd += a[k + 1] * e[k + 1];
        }
        const double wanted = Bounded(in[i]) + (even + odd) + a[1] * e[1] + a[0] * e[0];
        // In steps: scaling by a power of two is exact, so is the product back.
        const double dithered = wanted * inverseStep_ + dither.Next();
        const double steps = (dithered + kRoundingShift) - kRoundingShift;
        const double quantized = steps * step_;
        at = at == 0 ? kNoiseShapingOrder - 1 : at - 1;
        errors[at] = errors[at + kNoiseShapingOrder] = quantized - wanted;
        out[i] = static_cast<float>(quantized);
    }
    history.at = at;
}

}  // namespace zel
