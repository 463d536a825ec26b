#include "tests/support/int16_packing.h"

#include <cmath>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace zel {
namespace {

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

#if defined(__SSE2__)
// Four frames at a time, undithered, for one or two channels: the same rounding as the
// scalar packing (cvtps2dq, follows the processor's mode), the same hold within one step of
// the range (a NaN becomes the step below it), saturation by packssdw, and the clipped
// samples counted from the 32-bit results. Returns the frames done; the rest is left over.
std::int64_t PackInt16FramesVector(const float* const* planar, int channels, std::int64_t frames,
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

#else
// Without SSE2 every frame takes the scalar loop.
std::int64_t PackInt16FramesVector(const float* const*, int, std::int64_t, std::int16_t*,
                                   std::int64_t&) {
    return 0;
}
#endif

}  // namespace

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
