#include "engine/integer_packing.h"

#include <xmmintrin.h>

namespace zel {
namespace {

constexpr int kXorShiftA = 13;
constexpr int kXorShiftB = 7;
constexpr int kXorShiftC = 17;
constexpr int kMantissaShift = 40;                // keep 24 random bits
constexpr float kUnitScale = 1.0f / 16777216.0f;  // 2^-24
constexpr float kEightBitZero = 128.0f;

// Nearest integer (ties to even, the processor's rounding mode, in one instruction rather
// than a library call), saturated to [low, high]; `clipped` counts saturations. The value
// is first held within one step of the range so the conversion cannot overflow; a NaN
// converts to the integer minimum and counts as clipped low.
template <class Sample>
Sample Finish(float value, float low, float high, std::int64_t& clipped) {
    value = value > high + 1.0f ? high + 1.0f : value;
    value = value < low - 1.0f ? low - 1.0f : value;
    const std::int32_t rounded = _mm_cvtss_si32(_mm_set_ss(value));
    const auto top = static_cast<std::int32_t>(high);
    const auto bottom = static_cast<std::int32_t>(low);
    if (rounded > top || rounded < bottom) {
        ++clipped;
        return static_cast<Sample>(rounded > top ? top : bottom);
    }
    return static_cast<Sample>(rounded);
}

template <class Sample>
std::int64_t Pack(const float* const* planar, int channels, std::int64_t frames,
                  Sample* interleaved, TpdfDither* dither, float offset, float low, float high) {
    std::int64_t clipped = 0;
    for (std::int64_t i = 0; i < frames; ++i) {
        for (int c = 0; c < channels; ++c) {
            float value = planar[c][i] + offset;
            if (dither != nullptr) value += dither->Next();
            *interleaved++ = Finish<Sample>(value, low, high, clipped);
        }
    }
    return clipped;
}

}  // namespace

float TpdfDither::Uniform() {
    state_ ^= state_ << kXorShiftA;
    state_ ^= state_ >> kXorShiftB;
    state_ ^= state_ << kXorShiftC;
    return static_cast<float>(state_ >> kMantissaShift) * kUnitScale;
}

std::int64_t PackInt16(const float* const* planar, int channels, std::int64_t frames,
                       std::int16_t* interleaved, TpdfDither* dither) {
    return Pack(planar, channels, frames, interleaved, dither, 0.0f, -32768.0f, 32767.0f);
}

std::int64_t PackUint8(const float* const* planar, int channels, std::int64_t frames,
                       std::uint8_t* interleaved, TpdfDither* dither) {
    return Pack(planar, channels, frames, interleaved, dither, kEightBitZero, 0.0f, 255.0f);
}

}  // namespace zel
