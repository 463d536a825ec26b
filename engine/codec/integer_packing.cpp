#include "engine/codec/integer_packing.h"

#include <emmintrin.h>

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

// Four frames at a time, undithered, for one or two channels: the same rounding
// (cvtps2dq, like cvtss2si, follows the processor's mode), the same hold within one step of
// the range (a NaN becomes the step below it), saturation by packssdw, and the clipped
// samples counted from the 32-bit results. Returns the frames done; the rest is left over.
std::int64_t PackInt16Vector(const float* const* planar, int channels, std::int64_t frames,
                             std::int16_t* interleaved, std::int64_t& clipped) {
    constexpr std::int64_t kFrames = 4;
    if (channels != 1 && channels != 2) return 0;
    const __m128 below = _mm_set1_ps(-32769.0f);
    const __m128 above = _mm_set1_ps(32768.0f);
    const __m128i top = _mm_set1_epi32(32767);
    const __m128i bottom = _mm_set1_epi32(-32768);
    __m128i count = _mm_setzero_si128();
    const auto round = [&](const float* from) {
        const __m128 held = _mm_min_ps(_mm_max_ps(_mm_loadu_ps(from), below), above);
        const __m128i r = _mm_cvtps_epi32(held);
        // Each comparison is -1 where true.
        count =
            _mm_sub_epi32(count, _mm_or_si128(_mm_cmpgt_epi32(r, top), _mm_cmplt_epi32(r, bottom)));
        return r;
    };
    std::int64_t i = 0;
    if (channels == 1) {
        for (; i + 2 * kFrames <= frames; i += 2 * kFrames) {
            const __m128i first = round(planar[0] + i);
            const __m128i second = round(planar[0] + i + kFrames);
            _mm_storeu_si128(reinterpret_cast<__m128i*>(interleaved + i),
                             _mm_packs_epi32(first, second));
        }
    } else {
        for (; i + kFrames <= frames; i += kFrames) {
            const __m128i left = round(planar[0] + i);
            const __m128i right = round(planar[1] + i);
            _mm_storeu_si128(
                reinterpret_cast<__m128i*>(interleaved + 2 * i),
                _mm_packs_epi32(_mm_unpacklo_epi32(left, right), _mm_unpackhi_epi32(left, right)));
        }
    }
    alignas(16) std::int32_t lanes[kFrames];
    _mm_store_si128(reinterpret_cast<__m128i*>(lanes), count);
    clipped += std::int64_t{lanes[0]} + lanes[1] + lanes[2] + lanes[3];
    return i;
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
    if (dither == nullptr) done = PackInt16Vector(planar, channels, frames, interleaved, clipped);
    if (done == 0)
        return Pack(planar, channels, frames, interleaved, dither, 0.0f, -32768.0f, 32767.0f);
    // The vector path took one or two channels; their tails are left.
    const float* tails[2] = {planar[0] + done, channels == 2 ? planar[1] + done : nullptr};
    return clipped + Pack(tails, channels, frames - done, interleaved + done * channels, dither,
                          0.0f, -32768.0f, 32767.0f);
}

std::int64_t PackUint8(const float* const* planar, int channels, std::int64_t frames,
                       std::uint8_t* interleaved, TpdfDither* dither) {
    return Pack(planar, channels, frames, interleaved, dither, kEightBitZero, 0.0f, 255.0f);
}

}  // namespace zel
