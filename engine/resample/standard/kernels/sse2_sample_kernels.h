#pragma once
// Unpacking and packing with SSE2 integer vectors, shared by the SSE2, SSE3 and SSE4.1
// builds. Each loop handles a fixed number of elements per step and rounds its count up
// into the buffers' spare room; the raw buffers are read and written with aligned 16-byte
// access from their start. Packing rounds to nearest with ties to even (the processor's
// default mode) and saturates every channel to its sample range.
//
// Only for the kernel files; internal linkage (see output_quads.h).

#include <emmintrin.h>

#include <cstdint>

#include "engine/codec/sample_encoding.h"
#include "engine/resample/standard/kernels/vector_steps.h"
#include "engine/resample/standard/sample_layout.h"

namespace zel {
namespace {

inline __m128i LoadRaw(const std::uint8_t* raw) {
    return _mm_load_si128(reinterpret_cast<const __m128i*>(raw));
}

inline void StoreRaw(std::uint8_t* raw, __m128i v) {
    _mm_store_si128(reinterpret_cast<__m128i*>(raw), v);
}

// Four unsigned 32-bit values (below 2^31) to floats, minus the bias.
inline __m128 ToFloatUnbiased(__m128i v, __m128 bias) {
    return _mm_sub_ps(_mm_cvtepi32_ps(v), bias);
}

// Mono8: 16 samples per step; zero-extend the bytes to 32 bits, convert, subtract 128.
inline void UnpackMono8Sse2(const std::uint8_t* raw, std::int64_t frames, float* out) {
    const __m128i zero = _mm_setzero_si128();
    const __m128 bias = _mm_set1_ps(kEightBitBias);
    for (std::int64_t s = 0; s < Steps(frames, 16); ++s, raw += 16, out += 16) {
        const __m128i bytes = LoadRaw(raw);
        const __m128i low = _mm_unpacklo_epi8(bytes, zero);
        const __m128i high = _mm_unpackhi_epi8(bytes, zero);
        _mm_storeu_ps(out, ToFloatUnbiased(_mm_unpacklo_epi16(low, zero), bias));
        _mm_storeu_ps(out + 4, ToFloatUnbiased(_mm_unpackhi_epi16(low, zero), bias));
        _mm_storeu_ps(out + 8, ToFloatUnbiased(_mm_unpacklo_epi16(high, zero), bias));
        _mm_storeu_ps(out + 12, ToFloatUnbiased(_mm_unpackhi_epi16(high, zero), bias));
    }
}

// Stereo8: 8 frames per step; the low byte of each 16-bit unit is the left sample, the
// high byte the right one.
inline void UnpackStereo8Sse2(const std::uint8_t* raw, std::int64_t frames, float* left,
                              float* right) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i lowByte = _mm_set1_epi16(0x00FF);
    const __m128 bias = _mm_set1_ps(kEightBitBias);
    for (std::int64_t s = 0; s < Steps(frames, 8); ++s, raw += 16, left += 8, right += 8) {
        const __m128i units = LoadRaw(raw);
        const __m128i l = _mm_and_si128(units, lowByte);
        const __m128i r = _mm_srli_epi16(units, 8);
        _mm_storeu_ps(left, ToFloatUnbiased(_mm_unpacklo_epi16(l, zero), bias));
        _mm_storeu_ps(left + 4, ToFloatUnbiased(_mm_unpackhi_epi16(l, zero), bias));
        _mm_storeu_ps(right, ToFloatUnbiased(_mm_unpacklo_epi16(r, zero), bias));
        _mm_storeu_ps(right + 4, ToFloatUnbiased(_mm_unpackhi_epi16(r, zero), bias));
    }
}

// Mono16: 8 samples per step; adding 0x8000 (wrapping) maps -32768..32767 onto 0..65535,
// which widens with a zero upper half and converts exactly; then 32768 is taken off.
inline void UnpackMono16Sse2(const std::uint8_t* raw, std::int64_t frames, float* out) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i flip = _mm_set1_epi16(static_cast<std::int16_t>(0x8000));
    const __m128 bias = _mm_set1_ps(kSixteenBitBias);
    for (std::int64_t s = 0; s < Steps(frames, 8); ++s, raw += 16, out += 8) {
        const __m128i biased = _mm_add_epi16(LoadRaw(raw), flip);
        _mm_storeu_ps(out, ToFloatUnbiased(_mm_unpacklo_epi16(biased, zero), bias));
        _mm_storeu_ps(out + 4, ToFloatUnbiased(_mm_unpackhi_epi16(biased, zero), bias));
    }
}

// Stereo16: 4 frames per step, the same bias; the low 16 bits of each 32-bit frame are
// the left sample, the high 16 bits the right one.
inline void UnpackStereo16Sse2(const std::uint8_t* raw, std::int64_t frames, float* left,
                               float* right) {
    const __m128i flip = _mm_set1_epi16(static_cast<std::int16_t>(0x8000));
    const __m128i lowHalf = _mm_set1_epi32(0xFFFF);
    const __m128 bias = _mm_set1_ps(kSixteenBitBias);
    for (std::int64_t s = 0; s < Steps(frames, 4); ++s, raw += 16, left += 4, right += 4) {
        const __m128i biased = _mm_add_epi16(LoadRaw(raw), flip);
        _mm_storeu_ps(left, ToFloatUnbiased(_mm_and_si128(biased, lowHalf), bias));
        _mm_storeu_ps(right, ToFloatUnbiased(_mm_srli_epi32(biased, 16), bias));
    }
}

// Eight values rounded and saturated to 16 bits. The upper clamp keeps values of 2^31 and
// more from converting to the integer minimum (the lower side saturates by itself).
inline __m128i RoundToInt16Sse2(__m128 a, __m128 b) {
    const __m128 top = _mm_set1_ps(kInt16Max);
    return _mm_packs_epi32(_mm_cvtps_epi32(_mm_min_ps(a, top)),
                           _mm_cvtps_epi32(_mm_min_ps(b, top)));
}

// Eight 8-bit samples as 16-bit values: y + 128 in single precision, rounded, saturated
// to 16 bits; the packing to bytes that follows saturates to 0..255.
inline __m128i RoundToUint8Wide(const float* y) {
    const __m128 bias = _mm_set1_ps(kEightBitBias);
    const __m128 top = _mm_set1_ps(kUint8Max);
    const __m128 a = _mm_min_ps(_mm_add_ps(_mm_loadu_ps(y), bias), top);
    const __m128 b = _mm_min_ps(_mm_add_ps(_mm_loadu_ps(y + 4), bias), top);
    return _mm_packs_epi32(_mm_cvtps_epi32(a), _mm_cvtps_epi32(b));
}

inline void PackMono8Sse2(const float* y, std::int64_t frames, std::uint8_t* raw) {
    for (std::int64_t s = 0; s < Steps(frames, 16); ++s, y += 16, raw += 16)
        StoreRaw(raw, _mm_packus_epi16(RoundToUint8Wide(y), RoundToUint8Wide(y + 8)));
}

inline void PackStereo8Sse2(const float* left, const float* right, std::int64_t frames,
                            std::uint8_t* raw) {
    for (std::int64_t s = 0; s < Steps(frames, 8); ++s, left += 8, right += 8, raw += 16) {
        const __m128i l = _mm_packus_epi16(RoundToUint8Wide(left), RoundToUint8Wide(left));
        const __m128i r = _mm_packus_epi16(RoundToUint8Wide(right), RoundToUint8Wide(right));
        StoreRaw(raw, _mm_unpacklo_epi8(l, r));
    }
}

inline void PackMono16Sse2(const float* y, std::int64_t frames, std::uint8_t* raw) {
    for (std::int64_t s = 0; s < Steps(frames, 8); ++s, y += 8, raw += 16)
        StoreRaw(raw, RoundToInt16Sse2(_mm_loadu_ps(y), _mm_loadu_ps(y + 4)));
}

// Stereo16: 4 frames per step. t = y + 32768 in single precision (so a tie is decided on
// the biased value), clamped to 0..65535 so that each channel saturates, rounded; the
// frame is left + 65536 * right with 32768 taken off each 16-bit half.
inline void PackStereo16Sse2(const float* left, const float* right, std::int64_t frames,
                             std::uint8_t* raw) {
    const __m128 bias = _mm_set1_ps(kSixteenBitBias);
    const __m128 bottom = _mm_setzero_ps();
    const __m128 top = _mm_set1_ps(kUint16Max);
    const __m128i flip = _mm_set1_epi16(static_cast<std::int16_t>(0x8000));
    for (std::int64_t s = 0; s < Steps(frames, 4); ++s, left += 4, right += 4, raw += 16) {
        const __m128 tl = _mm_max_ps(_mm_min_ps(_mm_add_ps(_mm_loadu_ps(left), bias), top),
                                     bottom);
        const __m128 tr = _mm_max_ps(_mm_min_ps(_mm_add_ps(_mm_loadu_ps(right), bias), top),
                                     bottom);
        const __m128i frames32 =
            _mm_or_si128(_mm_cvtps_epi32(tl), _mm_slli_epi32(_mm_cvtps_epi32(tr), 16));
        StoreRaw(raw, _mm_sub_epi16(frames32, flip));
    }
}

// Every layout with the kernels above: the unpacking and packing of the SSE2 and SSE3
// builds.
inline void UnpackAllSse2(SampleLayout layout, const std::uint8_t* raw, std::int64_t frames,
                          float* left, float* right) {
    switch (layout) {
        case SampleLayout::Mono8: UnpackMono8Sse2(raw, frames, left); break;
        case SampleLayout::Stereo8: UnpackStereo8Sse2(raw, frames, left, right); break;
        case SampleLayout::Mono16: UnpackMono16Sse2(raw, frames, left); break;
        case SampleLayout::Stereo16: UnpackStereo16Sse2(raw, frames, left, right); break;
    }
}

inline void PackAllSse2(SampleLayout layout, const float* left, const float* right,
                        std::int64_t frames, std::uint8_t* raw) {
    switch (layout) {
        case SampleLayout::Mono8: PackMono8Sse2(left, frames, raw); break;
        case SampleLayout::Stereo8: PackStereo8Sse2(left, right, frames, raw); break;
        case SampleLayout::Mono16: PackMono16Sse2(left, frames, raw); break;
        case SampleLayout::Stereo16: PackStereo16Sse2(left, right, frames, raw); break;
    }
}

}  // namespace
}  // namespace zel
