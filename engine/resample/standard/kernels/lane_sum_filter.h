#pragma once
// The dot product of the vector builds that keep four lane sums per output: lane i adds
// row[4s + i] * x[4s + i] for s = 0..12 in order, in single precision, and a closing step
// joins the four lanes. Four outputs are computed side by side (their sums are independent
// chains, so the additions overlap), and the closing works on the four outputs at once so
// their results come out as one vector. SSE instructions only.
//
// Only for the kernel files; internal linkage (see output_quads.h).

#include <xmmintrin.h>

#include <cstdint>

#include "engine/resample/standard/filter_design.h"
#include "engine/resample/standard/kernels/output_quads.h"
#include "engine/resample/standard/sample_layout.h"

namespace zel {
namespace {

inline constexpr int kGroupsPerRow = kRowStride / 4;  // 13 groups of four entries

// One result per lane: lane i of the result closes accumulator i as (a0 + a2) + (a1 + a3).
inline __m128 CloseAlternatePairs(__m128 a, __m128 b, __m128 c, __m128 d) {
    _MM_TRANSPOSE4_PS(a, b, c, d);
    // Now a holds lane 0 of the four accumulators, b lane 1, c lane 2, d lane 3.
    return _mm_add_ps(_mm_add_ps(a, c), _mm_add_ps(b, d));
}

struct AlternatePairs {
    __m128 operator()(__m128 a, __m128 b, __m128 c, __m128 d) const {
        return CloseAlternatePairs(a, b, c, d);
    }
};

// Lane sums of four outputs over one channel's samples x.
inline void QuadLaneSums(const OutputQuad& quad, const float* x, __m128 (&acc)[kQuad]) {
#pragma GCC unroll 4
    for (int i = 0; i < kQuad; ++i) acc[i] = _mm_setzero_ps();
#pragma GCC unroll 1
    for (int s = 0; s < kGroupsPerRow; ++s) {
#pragma GCC unroll 4
        for (int i = 0; i < kQuad; ++i) {
            const __m128 row = _mm_load_ps(quad.row[i] + 4 * s);
            const __m128 samples = _mm_loadu_ps(x + quad.start[i] + 4 * s);
            acc[i] = _mm_add_ps(acc[i], _mm_mul_ps(row, samples));
        }
    }
}

// The same for both channels, sharing each coefficient load.
inline void QuadLaneSumsStereo(const OutputQuad& quad, const float* left, const float* right,
                               __m128 (&accLeft)[kQuad], __m128 (&accRight)[kQuad]) {
#pragma GCC unroll 4
    for (int i = 0; i < kQuad; ++i) accLeft[i] = accRight[i] = _mm_setzero_ps();
    // Kept rolled: unrolled, the compiler hoists the row loads and spills registers.
#pragma GCC unroll 1
    for (int s = 0; s < kGroupsPerRow; ++s) {
#pragma GCC unroll 4
        for (int i = 0; i < kQuad; ++i) {
            const __m128 row = _mm_load_ps(quad.row[i] + 4 * s);
            const __m128 l = _mm_loadu_ps(left + quad.start[i] + 4 * s);
            const __m128 r = _mm_loadu_ps(right + quad.start[i] + 4 * s);
            accLeft[i] = _mm_add_ps(accLeft[i], _mm_mul_ps(row, l));
            accRight[i] = _mm_add_ps(accRight[i], _mm_mul_ps(row, r));
        }
    }
}

// Every output of the block: lane sums, closed by `close`, times Q.
template <class Closing>
inline void LaneSumFilter(bool stereo, const FilterState& state, const float* left,
                          const float* right, std::int64_t outputs, float* outLeft,
                          float* outRight, Closing close) {
    const __m128 gain = _mm_set1_ps(static_cast<float>(state.Q));
    if (stereo) {
        ForEachOutputQuad(state, outputs, [&](const OutputQuad& quad, std::int64_t j) {
            __m128 l[kQuad];
            __m128 r[kQuad];
            QuadLaneSumsStereo(quad, left, right, l, r);
            _mm_storeu_ps(outLeft + j, _mm_mul_ps(close(l[0], l[1], l[2], l[3]), gain));
            _mm_storeu_ps(outRight + j, _mm_mul_ps(close(r[0], r[1], r[2], r[3]), gain));
        });
    } else {
        ForEachOutputQuad(state, outputs, [&](const OutputQuad& quad, std::int64_t j) {
            __m128 l[kQuad];
            QuadLaneSums(quad, left, l);
            _mm_storeu_ps(outLeft + j, _mm_mul_ps(close(l[0], l[1], l[2], l[3]), gain));
        });
    }
}

// The filter kernel of a build that sums every layout with lane sums closed by `Closing`.
template <class Closing>
void LaneSumFilterEveryLayout(SampleLayout layout, const FilterState& state, const float* left,
                              const float* right, std::int64_t outputs, float* outLeft,
                              float* outRight) {
    const bool stereo = layout == SampleLayout::Stereo8 || layout == SampleLayout::Stereo16;
    LaneSumFilter(stereo, state, left, right, outputs, outLeft, outRight, Closing{});
}

}  // namespace
}  // namespace zel
