// 16-bit encoding with AVX2: eight samples per step, counted and clamped in floats (the
// bounds of signed16_quantizer.h), then truncated; the tail goes through QuantizeSigned16.

#include <immintrin.h>

#include <cstring>

#include "engine/codec/signed16_encode_kernels.h"
#include "engine/codec/signed16_quantizer.h"

namespace zel {
namespace {

constexpr std::size_t kLanes = 8;

struct Rounding {
    __m256 scale = _mm256_set1_ps(kSigned16Scale);
    __m256 belowHalf = _mm256_set1_ps(kBelowHalf);
    __m256 sign = _mm256_set1_ps(-0.0f);
    __m256 low = _mm256_set1_ps(static_cast<float>(kSigned16Low));
    __m256 high = _mm256_set1_ps(static_cast<float>(kSigned16High));
    __m256 firstAbove = _mm256_set1_ps(kSigned16FirstAbove);
    __m256 firstBelow = _mm256_set1_ps(kSigned16FirstBelow);
    // Per lane, minus the saturated samples (compare masks are -1).
    __m256i negativeCount = _mm256_setzero_si256();

    // Eight samples to eight 32-bit integers within the 16-bit range.
    __m256i Quantize(const float* in) {
        __m256 v = _mm256_mul_ps(_mm256_loadu_ps(in), scale);
        v = _mm256_and_ps(v, _mm256_cmp_ps(v, v, _CMP_ORD_Q));  // NaN to 0
        const __m256 w = _mm256_add_ps(v, _mm256_or_ps(_mm256_and_ps(v, sign), belowHalf));
        const __m256 over = _mm256_cmp_ps(w, firstAbove, _CMP_GE_OQ);
        const __m256 under = _mm256_cmp_ps(w, firstBelow, _CMP_LE_OQ);
        negativeCount = _mm256_add_epi32(negativeCount, _mm256_castps_si256(over));
        negativeCount = _mm256_add_epi32(negativeCount, _mm256_castps_si256(under));
        return _mm256_cvttps_epi32(_mm256_min_ps(_mm256_max_ps(w, low), high));
    }

    std::uint64_t Count() const {
        alignas(32) std::int32_t lanes[kLanes];
        _mm256_store_si256(reinterpret_cast<__m256i*>(lanes), negativeCount);
        std::uint64_t total = 0;
        for (const std::int32_t lane : lanes) total += static_cast<std::uint32_t>(-lane);
        return total;
    }
};

std::uint64_t EncodeMono(const float* in, std::size_t frames, std::uint8_t* dst) {
    Rounding rounding;
    std::size_t i = 0;
    for (; i + 2 * kLanes <= frames; i += 2 * kLanes) {
        // packs works within 128-bit halves; the permute puts the sixteen back in order.
        const __m256i packed = _mm256_packs_epi32(rounding.Quantize(in + i),
                                                  rounding.Quantize(in + i + kLanes));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(dst + 2 * i),
                            _mm256_permute4x64_epi64(packed, _MM_SHUFFLE(3, 1, 2, 0)));
    }
    std::uint32_t clipped = 0;
    for (; i < frames; ++i) {
        const std::int16_t v = QuantizeSigned16(in[i], clipped);
        std::memcpy(dst + 2 * i, &v, sizeof v);
    }
    return rounding.Count() + clipped;
}

std::uint64_t EncodeStereo(const float* left, const float* right, std::size_t frames,
                           std::uint8_t* dst) {
    Rounding rounding;
    const __m256i lowHalf = _mm256_set1_epi32(0xffff);
    std::size_t i = 0;
    for (; i + kLanes <= frames; i += kLanes) {
        // One 32-bit word per frame: left in the low half, right in the high one.
        const __m256i l = _mm256_and_si256(rounding.Quantize(left + i), lowHalf);
        const __m256i r = _mm256_slli_epi32(rounding.Quantize(right + i), 16);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(dst + 4 * i), _mm256_or_si256(l, r));
    }
    std::uint32_t clipped = 0;
    for (; i < frames; ++i) {
        const auto l = static_cast<std::uint16_t>(QuantizeSigned16(left[i], clipped));
        const auto r = static_cast<std::uint16_t>(QuantizeSigned16(right[i], clipped));
        const std::uint32_t frame = l | (static_cast<std::uint32_t>(r) << 16);
        std::memcpy(dst + 4 * i, &frame, sizeof frame);
    }
    return rounding.Count() + clipped;
}

}  // namespace

const Signed16EncodeKernels kAvx2Signed16Encode{"avx2", EncodeMono, EncodeStereo};

}  // namespace zel
