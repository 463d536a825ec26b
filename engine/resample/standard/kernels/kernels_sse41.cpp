// The SSE4.1 build: as the SSE3 build, except Stereo16, which unpacks by sign extension and
// sums each output as the four-way dot-product instruction does: for every group of four
// row entries (p0 + p1) + (p2 + p3), the thirteen group results added in order. Compiled
// with SSE4.1 and nothing above it.

#include <smmintrin.h>

#include "engine/resample/standard/block_geometry.h"
#include "engine/resample/standard/conversion_kernels.h"
#include "engine/resample/standard/kernels/adjacent_pair_closing.h"
#include "engine/resample/standard/kernels/lane_sum_filter.h"
#include "engine/resample/standard/kernels/sse2_sample_kernels.h"

namespace zel {
namespace {

// Stereo16: 4 frames per step. Two frames at a time are sign-extended to four 32-bit
// values (left, right, left, right) and converted; the even lanes are the left samples.
void UnpackStereo16Sse41(const std::uint8_t* raw, std::int64_t frames, float* left,
                         float* right) {
    for (std::int64_t s = 0; s < Steps(frames, 4); ++s, raw += 16, left += 4, right += 4) {
        const __m128i bytes = LoadRaw(raw);
        const __m128 first = _mm_cvtepi32_ps(_mm_cvtepi16_epi32(bytes));
        const __m128 second = _mm_cvtepi32_ps(_mm_cvtepi16_epi32(_mm_srli_si128(bytes, 8)));
        _mm_storeu_ps(left, _mm_shuffle_ps(first, second, _MM_SHUFFLE(2, 0, 2, 0)));
        _mm_storeu_ps(right, _mm_shuffle_ps(first, second, _MM_SHUFFLE(3, 1, 3, 1)));
    }
}

// Sums of neighbouring pairs: [a0 + a1, a2 + a3, b0 + b1, b2 + b3], the result of a
// horizontal addition, formed by two shuffles and one addition, which this processor family
// runs about three times as fast as the four-way dot-product instruction and faster than
// the horizontal addition itself.
inline __m128 PairSums(__m128 a, __m128 b) {
    return _mm_add_ps(_mm_shuffle_ps(a, b, _MM_SHUFFLE(2, 0, 2, 0)),
                      _mm_shuffle_ps(a, b, _MM_SHUFFLE(3, 1, 3, 1)));
}

// The group sums of one group for four outputs, one per lane: lane i is
// (p0 + p1) + (p2 + p3) of output i's four products, the dot-product instruction's order.
inline __m128 QuadGroupSums(const __m128 (&products)[kQuad]) {
    return PairSums(PairSums(products[0], products[1]), PairSums(products[2], products[3]));
}

// Four outputs of both channels. Lanes are outputs, so the running sums over the groups
// are plain vertical additions in group order, and no closing step is needed.
void QuadGroupSumsStereo(const OutputQuad& quad, const float* left, const float* right,
                         __m128& sumLeft, __m128& sumRight) {
    sumLeft = sumRight = _mm_setzero_ps();
    // Kept rolled: unrolled, the compiler hoists the row loads and spills registers.
#pragma GCC unroll 1
    for (int m = 0; m < kGroupsPerRow; ++m) {
        __m128 l[kQuad];
        __m128 r[kQuad];
#pragma GCC unroll 4
        for (int i = 0; i < kQuad; ++i) {
            const __m128 row = _mm_load_ps(quad.row[i] + 4 * m);
            l[i] = _mm_mul_ps(row, _mm_loadu_ps(left + quad.start[i] + 4 * m));
            r[i] = _mm_mul_ps(row, _mm_loadu_ps(right + quad.start[i] + 4 * m));
        }
        sumLeft = _mm_add_ps(sumLeft, QuadGroupSums(l));
        sumRight = _mm_add_ps(sumRight, QuadGroupSums(r));
    }
}

void FilterStereo16Sse41(const FilterState& state, const float* left, const float* right,
                         std::int64_t outputs, float* outLeft, float* outRight) {
    const __m128 gain = _mm_set1_ps(static_cast<float>(state.Q));
    ForEachOutputQuad(state, outputs, [&](const OutputQuad& quad, std::int64_t j) {
        __m128 l;
        __m128 r;
        QuadGroupSumsStereo(quad, left, right, l, r);
        _mm_storeu_ps(outLeft + j, _mm_mul_ps(l, gain));
        _mm_storeu_ps(outRight + j, _mm_mul_ps(r, gain));
    });
}

// Stereo16: 4 frames per step; each channel rounded to the nearest integer and saturated
// to 16 bits, then the two interleaved.
void PackStereo16Sse41(const float* left, const float* right, std::int64_t frames,
                       std::uint8_t* raw) {
    const __m128 top = _mm_set1_ps(kInt16Max);
    for (std::int64_t s = 0; s < Steps(frames, 4); ++s, left += 4, right += 4, raw += 16) {
        const __m128i l = _mm_cvtps_epi32(_mm_min_ps(_mm_loadu_ps(left), top));
        const __m128i r = _mm_cvtps_epi32(_mm_min_ps(_mm_loadu_ps(right), top));
        const __m128i both = _mm_packs_epi32(l, r);  // l0 l1 l2 l3 r0 r1 r2 r3
        StoreRaw(raw, _mm_unpacklo_epi16(both, _mm_srli_si128(both, 8)));
    }
}

void UnpackSse41(SampleLayout layout, const std::uint8_t* raw, std::int64_t frames,
                 float* left, float* right) {
    switch (layout) {
        case SampleLayout::Mono8: UnpackMono8Sse2(raw, frames, left); break;
        case SampleLayout::Stereo8: UnpackStereo8Sse2(raw, frames, left, right); break;
        case SampleLayout::Mono16: UnpackMono16Sse2(raw, frames, left); break;
        case SampleLayout::Stereo16: UnpackStereo16Sse41(raw, frames, left, right); break;
    }
}

void FilterSse41(SampleLayout layout, const FilterState& state, const float* left,
                 const float* right, std::int64_t outputs, float* outLeft, float* outRight) {
    if (layout == SampleLayout::Stereo16) {
        FilterStereo16Sse41(state, left, right, outputs, outLeft, outRight);
        return;
    }
    LaneSumFilterEveryLayout<AdjacentPairs>(layout, state, left, right, outputs, outLeft,
                                            outRight);
}

void PackSse41(SampleLayout layout, const float* left, const float* right, std::int64_t frames,
               std::uint8_t* raw) {
    switch (layout) {
        case SampleLayout::Mono8: PackMono8Sse2(left, frames, raw); break;
        case SampleLayout::Stereo8: PackStereo8Sse2(left, right, frames, raw); break;
        case SampleLayout::Mono16: PackMono16Sse2(left, frames, raw); break;
        case SampleLayout::Stereo16: PackStereo16Sse41(left, right, frames, raw); break;
    }
}

}  // namespace

const ConversionKernels kSse41Kernels = {"sse41", kSimdBlockLimit, UnpackSse41, FilterSse41,
                                         PackSse41};

}  // namespace zel
