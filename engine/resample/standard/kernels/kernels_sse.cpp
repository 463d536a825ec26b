// The SSE build: SSE and MMX instructions only, so it runs where SSE2 is missing. Stereo16
// is vectorised: unpacked and packed 4 frames per step as two halves of 2 frames in 64-bit
// MMX registers (each loop ends with EMMS), and summed with four lane sums closed as
// (a0 + a2) + (a1 + a3). The other layouts are scalar, their sums rounded to single
// precision after every term.
//
// Doubles are kept out of this file: without SSE2 they would need the x87 unit, whose
// registers the MMX state shares.

#include <mmintrin.h>
#include <xmmintrin.h>

#include "engine/codec/sample_encoding.h"
#include "engine/resample/standard/block_geometry.h"
#include "engine/resample/standard/conversion_kernels.h"
#include "engine/resample/standard/kernels/lane_sum_filter.h"
#include "engine/resample/standard/kernels/output_quads.h"
#include "engine/resample/standard/kernels/vector_steps.h"

namespace zel {
namespace {

// ---- Unpacking --------------------------------------------------------------------------

void UnpackMono8Scalar(const std::uint8_t* raw, std::int64_t frames, float* out) {
    for (std::int64_t i = 0; i < frames; ++i)
        out[i] = static_cast<float>(raw[i] - kEightBitZero);
}

void UnpackStereo8Scalar(const std::uint8_t* raw, std::int64_t frames, float* left,
                         float* right) {
    for (std::int64_t i = 0; i < frames; ++i) {
        left[i] = static_cast<float>(raw[2 * i] - kEightBitZero);
        right[i] = static_cast<float>(raw[2 * i + 1] - kEightBitZero);
    }
}

void UnpackMono16Scalar(const std::uint8_t* raw, std::int64_t frames, float* out) {
    for (std::int64_t i = 0; i < frames; ++i) out[i] = ReadInt16(raw + 2 * i);
}

// Two frames in an MMX register: 0x8000 added to every 16-bit sample maps it onto
// 0..65535; the low half of each 32-bit frame is then the left value, the high half the
// right one, both converted exactly as pairs of 32-bit integers.
inline void UnpackTwoFrames(__m64 frames, __m64 flip, __m64 lowHalf, __m128& left,
                            __m128& right) {
    const __m64 biased = _mm_add_pi16(frames, flip);
    left = _mm_cvtpi32_ps(_mm_setzero_ps(), _mm_and_si64(biased, lowHalf));
    right = _mm_cvtpi32_ps(_mm_setzero_ps(), _mm_srli_pi32(biased, 16));
}

// Stereo16: 4 frames per step, as two halves of 2 frames; the halves' pairs are joined
// into four floats and the bias is taken off.
void UnpackStereo16Mmx(const std::uint8_t* raw, std::int64_t frames, float* left,
                       float* right) {
    const __m64 flip = _mm_set1_pi16(static_cast<short>(0x8000));
    const __m64 lowHalf = _mm_set1_pi32(0xFFFF);
    const __m128 bias = _mm_set1_ps(kSixteenBitBias);
    const auto* halves = reinterpret_cast<const __m64*>(raw);
    for (std::int64_t s = 0; s < Steps(frames, 4); ++s, halves += 2, left += 4, right += 4) {
        __m128 l0, r0, l1, r1;
        UnpackTwoFrames(halves[0], flip, lowHalf, l0, r0);
        UnpackTwoFrames(halves[1], flip, lowHalf, l1, r1);
        _mm_storeu_ps(left, _mm_sub_ps(_mm_movelh_ps(l0, l1), bias));
        _mm_storeu_ps(right, _mm_sub_ps(_mm_movelh_ps(r0, r1), bias));
    }
    _mm_empty();
}

void UnpackSse(SampleLayout layout, const std::uint8_t* raw, std::int64_t frames, float* left,
               float* right) {
    switch (layout) {
        case SampleLayout::Mono8: UnpackMono8Scalar(raw, frames, left); break;
        case SampleLayout::Stereo8: UnpackStereo8Scalar(raw, frames, left, right); break;
        case SampleLayout::Mono16: UnpackMono16Scalar(raw, frames, left); break;
        case SampleLayout::Stereo16: UnpackStereo16Mmx(raw, frames, left, right); break;
    }
}

// ---- Dot product --------------------------------------------------------------------------

// Scalar sums, k = 0..50 in order, each term added in single precision. Four outputs are
// summed side by side only so that their independent chains overlap.
template <int Channels>
void SequentialFilter(const FilterState& state, const float* const (&x)[Channels],
                      std::int64_t outputs, float* const (&out)[Channels]) {
    const float gain = static_cast<float>(state.Q);
    ForEachOutputQuad(state, outputs, [&](const OutputQuad& quad, std::int64_t j) {
        float sums[Channels][kQuad] = {};
        for (int k = 0; k <= kTapSpan; ++k) {
            for (int i = 0; i < kQuad; ++i) {
                const float coefficient = quad.row[i][k];
                for (int c = 0; c < Channels; ++c)
                    sums[c][i] += coefficient * x[c][quad.start[i] + k];
            }
        }
        for (int c = 0; c < Channels; ++c)
            for (int i = 0; i < kQuad; ++i) out[c][j + i] = sums[c][i] * gain;
    });
}

void FilterSse(SampleLayout layout, const FilterState& state, const float* left,
               const float* right, std::int64_t outputs, float* outLeft, float* outRight) {
    switch (layout) {
        case SampleLayout::Stereo16:
            LaneSumFilter(true, state, left, right, outputs, outLeft, outRight,
                          AlternatePairs{});
            break;
        case SampleLayout::Stereo8:
            SequentialFilter<2>(state, {left, right}, outputs, {outLeft, outRight});
            break;
        case SampleLayout::Mono8:
        case SampleLayout::Mono16: SequentialFilter<1>(state, {left}, outputs, {outLeft}); break;
    }
}

// ---- Packing ------------------------------------------------------------------------------

// Nearest integer, ties to even (the processor's default mode), of min(value, top); the
// clamp keeps values of 2^31 and more from converting to the integer minimum.
inline std::int32_t RoundBelow(float value, float top) {
    return _mm_cvt_ss2si(_mm_min_ss(_mm_set_ss(value), _mm_set_ss(top)));
}

inline std::int32_t PackInt16(float y) {
    const std::int32_t v = RoundBelow(y, kInt16Max);
    return v < kInt16Min ? kInt16Min : v;
}

// t = y + 128 in single precision, so a tie is decided on the biased value.
inline std::uint8_t PackUint8(float y) {
    const std::int32_t v = RoundBelow(y + kEightBitBias, kUint8Max);
    return static_cast<std::uint8_t>(v < 0 ? 0 : v);
}

void PackMono8Scalar(const float* y, std::int64_t frames, std::uint8_t* raw) {
    for (std::int64_t i = 0; i < frames; ++i) raw[i] = PackUint8(y[i]);
}

void PackStereo8Scalar(const float* left, const float* right, std::int64_t frames,
                       std::uint8_t* raw) {
    for (std::int64_t i = 0; i < frames; ++i) {
        raw[2 * i] = PackUint8(left[i]);
        raw[2 * i + 1] = PackUint8(right[i]);
    }
}

void PackMono16Scalar(const float* y, std::int64_t frames, std::uint8_t* raw) {
    for (std::int64_t i = 0; i < frames; ++i) WriteInt16(raw + 2 * i, PackInt16(y[i]));
}

// Two frames from the low halves of the biased, clamped values: left + 65536 * right, with
// 32768 taken off each 16-bit half.
inline __m64 PackTwoFrames(__m128 left, __m128 right, __m64 flip) {
    const __m64 l = _mm_cvtps_pi32(left);
    const __m64 r = _mm_cvtps_pi32(right);
    return _mm_sub_pi16(_mm_or_si64(l, _mm_slli_pi32(r, 16)), flip);
}

// Stereo16: 4 frames per step as two halves of 2 frames. t = y + 32768 in single precision
// (ties decided on the biased value), clamped to 0..65535 so each channel saturates.
void PackStereo16Mmx(const float* left, const float* right, std::int64_t frames,
                     std::uint8_t* raw) {
    const __m128 bias = _mm_set1_ps(kSixteenBitBias);
    const __m128 bottom = _mm_setzero_ps();
    const __m128 top = _mm_set1_ps(kUint16Max);
    const __m64 flip = _mm_set1_pi16(static_cast<short>(0x8000));
    auto* halves = reinterpret_cast<__m64*>(raw);
    for (std::int64_t s = 0; s < Steps(frames, 4); ++s, left += 4, right += 4, halves += 2) {
        const __m128 tl = _mm_max_ps(_mm_min_ps(_mm_add_ps(_mm_loadu_ps(left), bias), top),
                                     bottom);
        const __m128 tr = _mm_max_ps(_mm_min_ps(_mm_add_ps(_mm_loadu_ps(right), bias), top),
                                     bottom);
        halves[0] = PackTwoFrames(tl, tr, flip);
        halves[1] = PackTwoFrames(_mm_movehl_ps(tl, tl), _mm_movehl_ps(tr, tr), flip);
    }
    _mm_empty();
}

void PackSse(SampleLayout layout, const float* left, const float* right, std::int64_t frames,
             std::uint8_t* raw) {
    switch (layout) {
        case SampleLayout::Mono8: PackMono8Scalar(left, frames, raw); break;
        case SampleLayout::Stereo8: PackStereo8Scalar(left, right, frames, raw); break;
        case SampleLayout::Mono16: PackMono16Scalar(left, frames, raw); break;
        case SampleLayout::Stereo16: PackStereo16Mmx(left, right, frames, raw); break;
    }
}

}  // namespace

const ConversionKernels kSseKernels = {"sse", kSimdBlockLimit, UnpackSse, FilterSse, PackSse};

}  // namespace zel
