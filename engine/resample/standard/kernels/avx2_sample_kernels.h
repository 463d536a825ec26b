#pragma once
// Unpacking and packing of 16-bit samples with 256-bit integer vectors, for the AVX2/FMA
// build; 8-bit samples keep the SSE2 kernels. Packing does what the SSE2 kernels do, eight
// frames per step instead of four, so both builds write the same bytes. The raw buffers are
// only 16-byte aligned, so 32-byte access is unaligned. Each loop rounds its count up into
// the buffers' spare room like the SSE2 kernels.
//
// Only for the AVX2 kernel file; internal linkage (see output_quads.h).

#include <immintrin.h>

#include <cstdint>

#include "engine/codec/sample_encoding.h"
#include "engine/resample/standard/kernels/sse2_sample_kernels.h"
#include "engine/resample/standard/kernels/vector_steps.h"
#include "engine/resample/standard/sample_layout.h"

namespace zel {
namespace {

inline __m256i LoadRaw256(const std::uint8_t* raw) {
    return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(raw));
}

inline void StoreRaw256(std::uint8_t* raw, __m256i v) {
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(raw), v);
}

// Mono16: 16 samples per step, sign-extended to 32 bits and converted exactly.
inline void UnpackMono16Avx2(const std::uint8_t* raw, std::int64_t frames, float* out) {
    for (std::int64_t s = 0; s < Steps(frames, 16); ++s, raw += 32, out += 16) {
        const __m128i low = _mm_loadu_si128(reinterpret_cast<const __m128i*>(raw));
        const __m128i high = _mm_loadu_si128(reinterpret_cast<const __m128i*>(raw + 16));
        _mm256_storeu_ps(out, _mm256_cvtepi32_ps(_mm256_cvtepi16_epi32(low)));
        _mm256_storeu_ps(out + 8, _mm256_cvtepi32_ps(_mm256_cvtepi16_epi32(high)));
    }
}

// Stereo16: 8 frames per step. The left sample is the low half of each 32-bit frame,
// sign-extended by shifting it up and back; the right one is the high half.
inline void UnpackStereo16Avx2(const std::uint8_t* raw, std::int64_t frames, float* left,
                               float* right) {
    for (std::int64_t s = 0; s < Steps(frames, 8); ++s, raw += 32, left += 8, right += 8) {
        const __m256i units = LoadRaw256(raw);
        const __m256i l = _mm256_srai_epi32(_mm256_slli_epi32(units, 16), 16);
        _mm256_storeu_ps(left, _mm256_cvtepi32_ps(l));
        _mm256_storeu_ps(right, _mm256_cvtepi32_ps(_mm256_srai_epi32(units, 16)));
    }
}

// Mono16: 16 samples per step, as RoundToInt16Sse2. The 256-bit packing interleaves the
// two inputs' 128-bit halves, so the 64-bit quarters are put back in order.
inline void PackMono16Avx2(const float* y, std::int64_t frames, std::uint8_t* raw) {
    const __m256 top = _mm256_set1_ps(kInt16Max);
    for (std::int64_t s = 0; s < Steps(frames, 16); ++s, y += 16, raw += 32) {
        const __m256i a = _mm256_cvtps_epi32(_mm256_min_ps(_mm256_loadu_ps(y), top));
        const __m256i b = _mm256_cvtps_epi32(_mm256_min_ps(_mm256_loadu_ps(y + 8), top));
        StoreRaw256(raw,
                    _mm256_permute4x64_epi64(_mm256_packs_epi32(a, b), _MM_SHUFFLE(3, 1, 2, 0)));
    }
}

// Stereo16: 8 frames per step, as PackStereo16Sse2 (ties decided on y + 32768, each channel
// clamped to 0..65535 before rounding, 32768 taken off each 16-bit half).
inline void PackStereo16Avx2(const float* left, const float* right, std::int64_t frames,
                             std::uint8_t* raw) {
    const __m256 bias = _mm256_set1_ps(kSixteenBitBias);
    const __m256 bottom = _mm256_setzero_ps();
    const __m256 top = _mm256_set1_ps(kUint16Max);
    const __m256i flip = _mm256_set1_epi16(static_cast<std::int16_t>(0x8000));
    for (std::int64_t s = 0; s < Steps(frames, 8); ++s, left += 8, right += 8, raw += 32) {
        const __m256 tl =
            _mm256_max_ps(_mm256_min_ps(_mm256_add_ps(_mm256_loadu_ps(left), bias), top), bottom);
        const __m256 tr =
            _mm256_max_ps(_mm256_min_ps(_mm256_add_ps(_mm256_loadu_ps(right), bias), top), bottom);
        const __m256i frames32 =
            _mm256_or_si256(_mm256_cvtps_epi32(tl), _mm256_slli_epi32(_mm256_cvtps_epi32(tr), 16));
        StoreRaw256(raw, _mm256_sub_epi16(frames32, flip));
    }
}

inline void UnpackAllAvx2(SampleLayout layout, const std::uint8_t* raw, std::int64_t frames,
                          float* left, float* right) {
    switch (layout) {
        case SampleLayout::Mono8:
            UnpackMono8Sse2(raw, frames, left);
            break;
        case SampleLayout::Stereo8:
            UnpackStereo8Sse2(raw, frames, left, right);
            break;
        case SampleLayout::Mono16:
            UnpackMono16Avx2(raw, frames, left);
            break;
        case SampleLayout::Stereo16:
            UnpackStereo16Avx2(raw, frames, left, right);
            break;
    }
}

inline void PackAllAvx2(SampleLayout layout, const float* left, const float* right,
                        std::int64_t frames, std::uint8_t* raw) {
    switch (layout) {
        case SampleLayout::Mono8:
            PackMono8Sse2(left, frames, raw);
            break;
        case SampleLayout::Stereo8:
            PackStereo8Sse2(left, right, frames, raw);
            break;
        case SampleLayout::Mono16:
            PackMono16Avx2(left, frames, raw);
            break;
        case SampleLayout::Stereo16:
            PackStereo16Avx2(left, right, frames, raw);
            break;
    }
}

}  // namespace
}  // namespace zel
