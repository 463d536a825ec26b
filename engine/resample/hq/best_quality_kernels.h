#pragma once
// The inner loops of the best-quality mode, one set per instruction set, in double
// precision: planar double samples, double taps (a multiple of eight per row), double sums;
// the last stage's outputs rounded once to the float the codec takes.
// Every output is formed by the same sequence of operations whichever group it is
// computed in, so results never depend on block sizes.

#include <cstdint>

#include "engine/resample/hq/complex_fft.h"

namespace zel {

// Outputs of one phase summed side by side; a run of another length computes its last
// group whole all the same.
inline constexpr std::int64_t kBestRunGroup = 4;
// Rows a cubic interpolation of taps weighs: the phase before, its own and two after.
inline constexpr int kBestInterpolationRows = 4;

struct BestQualityKernels {
    const char* name;
    // Phase-major: the outputs of one exact row. Output i reads x[c] + start + i * inStride
    // and is written to out[c][i * outStride], for i < count.
    void (*phaseRun)(const double* row, std::int64_t taps, const double* const* x, int channels,
                     std::int64_t start, std::int64_t inStride, std::int64_t count,
                     float* const* out, std::int64_t outStride);
    // Output-major: output i reads x[c] + starts[i] with its own row rows[i] and is
    // written to out[c][i], for i < count.
    void (*rowRun)(const double* const* rows, const std::int64_t* starts, std::int64_t count,
                   std::int64_t taps, const double* const* x, int channels, float* const* out);
    // rowRun over a doubled rate held as its two phases apart, channel c's frames at
    // x + c x channelStride: output i sums the first taps / 2 of rows[i] against the frames
    // from starts[i] on and the rest against those from starts[i] + shifts[i] on.
    void (*splitRowRun)(const double* const* rows, const std::int64_t* starts,
                        const std::int64_t* shifts, std::int64_t count, std::int64_t taps,
                        const double* x, std::int64_t channelStride, int channels,
                        float* const* out);
    // Interpolated rows: output i uses the taps sum over r < 4 of weights[i][r] x row r,
    // the rows following one another from rows[i] (rows[i] + r x taps), against
    // x[c] + starts[i], and is written to out[c][i].
    void (*interpolated)(const double* const* rows, const double (*weights)[kBestInterpolationRows],
                         const std::int64_t* starts, std::int64_t count, std::int64_t taps,
                         const double* const* x, int channels, float* const* out);
    // The steep stage's transforms: natural into digit-reversed order, and back.
    ComplexFftInPlace fftToPermuted;
    ComplexFftInPlace fftFromPermuted;
    // A half-band halving from the input's even and odd frames, held apart: out[i] = centre
    // even[i] + sum over j < pairs of pairTaps[j] (odd[i + pairs - 1 - j] + odd[i + pairs +
    // j]), for i < count, where even[i] is frame 2 i and odd[n] frame 2 n + 1 - 2 pairs;
    // reads even up to count and odd up to count + 2 pairs - 1.
    void (*halve)(const double* pairTaps, std::int64_t pairs, double centre, const double* even,
                  const double* odd, std::int64_t count, double* out);
    // The steep stage's filter in the frequency domain: out = x h bin by bin, for n bins,
    // written swapped (the real part into outIm, the imaginary part into outRe), so that
    // the forward transform of it, swapped back, is the inverse transform.
    void (*spectrumProduct)(const double* xRe, const double* xIm, const double* hRe,
                            const double* hIm, std::int64_t n, double* outRe, double* outIm);
    // The two phases of a doubled rate, one after the other: out[2 t] = even[t],
    // out[2 t + 1] = odd[t], for t < count.
    void (*interleave)(const double* even, const double* odd, std::int64_t count, double* out);
    // spectrumProduct over the plan's size followed by fftFromPermuted of its result, with the
    // same result, the product formed as the transform first reads each bin.
    void (*filterFromPermuted)(const ComplexFftPlan& plan, const double* xRe, const double* xIm,
                               const double* hRe, const double* hIm, double* outRe,
                               double* outIm);
};

// Scalar, the reference of the mode.
extern const BestQualityKernels kBestQualityScalarKernels;
extern const BestQualityKernels kBestQualitySse2Kernels;
// Only on processors with both AVX2 and FMA.
extern const BestQualityKernels kBestQualityAvx2Kernels;
// Only on processors with AVX-512 F, VL, BW and DQ besides AVX2 and FMA.
extern const BestQualityKernels kBestQualityAvx512Kernels;

}  // namespace zel
