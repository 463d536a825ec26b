#pragma once
// The inner loops of the high-quality mode, one set per instruction set. Samples are planar
// floats; each output is the dot product of a row of taps (a multiple of eight) with the
// frames from its first input index on. Every output is formed by the same sequence of
// operations whichever group it is computed in, so results never depend on block sizes.

#include <cstdint>

namespace zel {

// Outputs of one phase that phaseRun sums side by side; a run of another length computes
// its last group whole all the same.
inline constexpr std::int64_t kPhaseRunGroup = 4;

struct HighQualityKernels {
    const char* name;
    // Phase-major: the outputs of one exact row. Output i reads x[c] + start + i * inStride
    // and is written to out[c][i * outStride], for i < count.
    void (*phaseRun)(const float* row, std::int64_t taps, const float* const* x, int channels,
                     std::int64_t start, std::int64_t inStride, std::int64_t count,
                     float* const* out, std::int64_t outStride);
    // Two exact rows whose outputs read the same frames (upsampling puts two or more outputs
    // in most input intervals): output i of rowA reads x[c] + start + i * inStride and is
    // written to out[c][i * outStride], that of rowB reads the same and goes to
    // out[c][i * outStride + 1]. Each output equals what phaseRun gives for it.
    void (*phasePairRun)(const float* rowA, const float* rowB, std::int64_t taps,
                         const float* const* x, int channels, std::int64_t start,
                         std::int64_t inStride, std::int64_t count, float* const* out,
                         std::int64_t outStride);
    // Three exact rows whose outputs read the same frames (more than two outputs per input
    // interval): as phasePairRun, rowC's output i going to out[c][i * outStride + 2].
    void (*phaseTripleRun)(const float* rowA, const float* rowB, const float* rowC,
                           std::int64_t taps, const float* const* x, int channels,
                           std::int64_t start, std::int64_t inStride, std::int64_t count,
                           float* const* out, std::int64_t outStride);
    // Interpolated rows: output i uses r0 + mus[i] x (r1 - r0), r0 = rows[i] and r1 the row
    // after it (rows[i] + taps), against x[c] + starts[i], and is written to out[c][i].
    void (*interpolated)(const float* const* rows, const float* mus, const std::int64_t* starts,
                         std::int64_t count, std::int64_t taps, const float* const* x, int channels,
                         float* const* out);
    // A half-band halving: output i is centre x x[c][mid + 2i] plus, for j < pairs,
    // pairTaps[j] x (x[c][mid + 2i + 2j + 1] + x[c][mid + 2i - 2j - 1]); every other tap of
    // such a filter is zero. Outputs are computed side by side in the lanes, from the even
    // and odd frames split into `even` and `odd` (each HalfBandScratch(count, pairs) floats);
    // out[c] must hold count rounded up to a multiple of sixteen.
    void (*halfBand)(const float* pairTaps, std::int64_t pairs, float centre,
                     const float* const* x, int channels, std::int64_t mid, std::int64_t count,
                     float* const* out, float* even, float* odd);
};

// Floats of each half-band scratch stream for `count` outputs: whole groups of up to 64
// lanes and the reach of the pairs.
constexpr std::int64_t HalfBandScratch(std::int64_t count, std::int64_t pairs) {
    return count + 64 + 2 * pairs;
}

// Room past the last output that a half-band pass may write (whole sixteen-lane vectors).
inline constexpr std::int64_t kHalfBandOutputSlack = 16;

// Scalar, the reference of the mode.
extern const HighQualityKernels kHighQualityScalarKernels;
extern const HighQualityKernels kHighQualitySse2Kernels;
// Only on processors with both AVX2 and FMA.
extern const HighQualityKernels kHighQualityAvx2Kernels;
// Only on processors with AVX-512 F, VL, BW and DQ besides AVX2 and FMA.
extern const HighQualityKernels kHighQualityAvx512Kernels;

}  // namespace zel
