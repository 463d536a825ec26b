#include "engine/codec/integer_packing.h"

#include <cmath>

#include "engine/codec/kernels/int16_packing_kernel.h"

namespace zel {
namespace {

constexpr int kXorShiftA = 13;
constexpr int kXorShiftB = 7;
constexpr int kXorShiftC = 17;
constexpr int kMantissaShift = 40;                // keep 24 random bits
constexpr float kUnitScale = 1.0f / 16777216.0f;  // 2^-24

// Nearest integer (ties to even, the processor's rounding mode; one instruction, as this
// file is built without errno for maths), saturated to [low, high]; `clipped` counts
// saturations. The value is first held within one step of the range so the conversion
// cannot overflow; a NaN counts as clipped low, as the vector kernels take it.
template <class Sample>
Sample Finish(float value, float low, float high, std::int64_t& clipped) {
    value = value > high + 1.0f ? high + 1.0f : value;
    value = value < low - 1.0f || std::isnan(value) ? low - 1.0f : value;
    const auto rounded = static_cast<std::int32_t>(std::lrint(value));
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
    std::int64_t clipped = 0;
    std::int64_t done = 0;
    if (dither == nullptr)
        done = PackInt16FramesVector(planar, channels, frames, interleaved, clipped);
    if (done == 0)
        return Pack(planar, channels, frames, interleaved, dither, 0.0f, -32768.0f, 32767.0f);
    // The vector path took one or two channels; their tails are left.
    const float* tails[2] = {planar[0] + done, channels == 2 ? planar[1] + done : nullptr};
    return clipped + Pack(tails, channels, frames - done, interleaved + done * channels, dither,
                          0.0f, -32768.0f, 32767.0f);
}

}  // namespace zel
