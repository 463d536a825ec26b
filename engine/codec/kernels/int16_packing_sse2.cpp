// The 16-bit packing of two or fewer channels, four frames at a time, in SSE2.

#include <emmintrin.h>

#include "engine/codec/kernels/int16_packing_kernel.h"

namespace zel {

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

}  // namespace zel
