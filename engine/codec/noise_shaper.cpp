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

bool NoiseShaper::Reserve(std::int64_t frames) {
    return noise_.Allocate(static_cast<std::uint64_t>(frames) * history_.size());
}

void NoiseShaper::Quantize(const float* const* in, float* const* out, std::int64_t count,
                           TpdfDither& dither) {
    const std::size_t channels = history_.size();
    const auto frames = static_cast<std::size_t>(count);
    for (std::size_t n = 0; n < channels * frames; ++n) noise_[n] = dither.Next();
    std::size_t c = 0;
    for (; c + 2 <= channels; c += 2) QuantizeTogether<2>(c, in, out, count);
    if (c < channels) QuantizeTogether<1>(c, in, out, count);
}

template <std::size_t Channels>
void NoiseShaper::QuantizeTogether(std::size_t first, const float* const* in, float* const* out,
                                   std::int64_t count) {
    const auto frames = static_cast<std::size_t>(count);
    double* errors[Channels];
    int at[Channels];
    const float* noise[Channels];
    for (std::size_t j = 0; j < Channels; ++j) {
        errors[j] = history_[first + j].errors.data();
        at[j] = history_[first + j].at;
        noise[j] = noise_.data() + (first + j) * frames;
    }
    const auto& a = filter_.a;
    for (std::size_t i = 0; i < frames; ++i) {
        for (std::size_t j = 0; j < Channels; ++j) {
            // The older errors in two sums of their own, the newest added last: only that
            // one waits for the sample before.
            const double* e = errors[j] + at[j];
            double even = 0.0, odd = 0.0;
            for (int k = 2; k < kNoiseShapingOrder; k += 2) {
                even += a[k] * e[k];
                odd += a[k + 1] * e[k + 1];
            }
            const double wanted =
                Bounded(in[first + j][i]) + (even + odd) + a[1] * e[1] + a[0] * e[0];
            // In steps: scaling by a power of two is exact, so is the product back.
            const double dithered = wanted * inverseStep_ + noise[j][i];
            const double steps = (dithered + kRoundingShift) - kRoundingShift;
            const double quantized = steps * step_;
            at[j] = at[j] == 0 ? kNoiseShapingOrder - 1 : at[j] - 1;
            errors[j][at[j]] = errors[j][at[j] + kNoiseShapingOrder] = quantized - wanted;
            out[first + j][i] = static_cast<float>(quantized);
        }
    }
    for (std::size_t j = 0; j < Channels; ++j) history_[first + j].at = at[j];
}

}  // namespace zel
