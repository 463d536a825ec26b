// The AVX2/FMA build. The dot product is phase-major: a row of 52 coefficients is kept in
// seven registers while every output of the block that uses it is summed, four at a time,
// so each output costs only its sample loads. Each output's sum is two interleaved chains
// of fused multiply-adds over eight lanes, joined and closed like the SSE2 build. Unpacking
// and packing are the SSE2 kernels, encoded with VEX. Compiled with AVX2 and FMA.

#include <immintrin.h>

#include "engine/avx2_kernels.h"
#include "engine/block_geometry.h"
#include "engine/conversion_kernels.h"
#include "engine/lane_sum_filter.h"
#include "engine/phase_walk.h"
#include "engine/sse2_sample_kernels.h"

namespace zel {
namespace {

constexpr int kFullGroups = kRowStride / 8;  // six groups of eight; four entries remain
constexpr int kRowRegisters = kFullGroups + 1;
constexpr int kTailOffset = 8 * kFullGroups;

using RowRegisters = __m256[kRowRegisters];

// The last four entries in the low half, zeros above, so no entry past the row is read.
inline __m256 LoadTail(const float* p) { return _mm256_zextps128_ps256(_mm_loadu_ps(p)); }

inline void LoadRow(const float* row, RowRegisters& r) {
    for (int g = 0; g < kFullGroups; ++g) r[g] = _mm256_loadu_ps(row + 8 * g);
    r[kFullGroups] = LoadTail(row + kTailOffset);
}

// Eight lane sums of one output: two chains (even and odd groups), then joined.
inline __m256 RowDot(const RowRegisters& r, const float* x) {
    __m256 even = _mm256_mul_ps(r[0], _mm256_loadu_ps(x));
    __m256 odd = _mm256_mul_ps(r[1], _mm256_loadu_ps(x + 8));
    for (int g = 2; g < kFullGroups; g += 2) {
        even = _mm256_fmadd_ps(r[g], _mm256_loadu_ps(x + 8 * g), even);
        odd = _mm256_fmadd_ps(r[g + 1], _mm256_loadu_ps(x + 8 * g + 8), odd);
    }
    even = _mm256_fmadd_ps(r[kFullGroups], LoadTail(x + kTailOffset), even);
    return _mm256_add_ps(even, odd);
}

inline __m128 FoldHalves(__m256 v) {
    return _mm_add_ps(_mm256_castps256_ps128(v), _mm256_extractf128_ps(v, 1));
}

// Four outputs' lane sums closed into one vector, lane i holding output i.
inline __m128 CloseFour(const __m256 (&sums)[kQuad]) {
    return CloseAlternatePairs(FoldHalves(sums[0]), FoldHalves(sums[1]), FoldHalves(sums[2]),
                               FoldHalves(sums[3]));
}

// One phase class: outputs first, first + Q, first + 2Q, ... below `outputs`, whose first
// input indices advance by P. Groups past the last output repeat it and are not stored.
template <int Channels>
void PhaseClass(const RowRegisters& row, const FilterState& state,
                const float* const (&x)[Channels], std::int64_t first, std::int64_t start,
                std::int64_t outputs, __m128 gain, float* const (&out)[Channels]) {
    // `member` counts the class's outputs, so no division is needed per group.
    for (std::int64_t j = first, member = 0; j < outputs; j += kQuad * state.Q, member += kQuad) {
        __m256 sums[Channels][kQuad];
        std::int64_t index[kQuad];
#pragma GCC unroll 4
        for (int i = 0; i < kQuad; ++i) {
            const std::int64_t k = j + i * state.Q < outputs ? i : 0;
            index[i] = j + k * state.Q;
            const std::int64_t a = start + (member + k) * state.P;
#pragma GCC unroll 2
            for (int c = 0; c < Channels; ++c) sums[c][i] = RowDot(row, x[c] + a);
        }
        for (int c = 0; c < Channels; ++c) {
            alignas(16) float values[kQuad];
            _mm_store_ps(values, _mm_mul_ps(CloseFour(sums[c]), gain));
            for (int i = kQuad - 1; i >= 0; --i) out[c][index[i]] = values[i];
        }
    }
}

template <int Channels>
void PhaseMajorFilter(const FilterState& state, const float* const (&x)[Channels],
                      std::int64_t outputs, float* const (&out)[Channels]) {
    const __m128 gain = _mm_set1_ps(static_cast<float>(state.Q));
    PhaseWalk walk(state.P, state.Q);
    const std::int64_t classes = outputs < state.Q ? outputs : state.Q;
    for (std::int64_t first = 0; first < classes; ++first, walk.Advance()) {
        RowRegisters row;
        LoadRow(state.table.Row(walk.Phase()), row);
        PhaseClass<Channels>(row, state, x, first, walk.Start(), outputs, gain, out);
    }
}

void FilterAvx2(SampleLayout layout, const FilterState& state, const float* left,
                const float* right, std::int64_t outputs, float* outLeft, float* outRight) {
    if (layout == SampleLayout::Stereo8 || layout == SampleLayout::Stereo16)
        PhaseMajorFilter<2>(state, {left, right}, outputs, {outLeft, outRight});
    else
        PhaseMajorFilter<1>(state, {left}, outputs, {outLeft});
}

}  // namespace

const ConversionKernels kAvx2Kernels = {"avx2", kSimdBlockLimit, UnpackAllSse2, FilterAvx2,
                                        PackAllSse2};

}  // namespace zel
