#pragma once
// The best-quality mode's loops, written once over a vector type V of doubles that each
// kernel file supplies for its own instruction set. Four outputs are summed side by side
// (for two channels, eight independent chains); groups past the last output repeat it and
// are not stored.
//
// Only for the kernel files; internal linkage.
//
// V provides: Reg, kWidth, Zero(), Load(p), Store(p, r), Set(value), Add(a, b), Sub(a, b),
// Mul(a, b), MulAdd(a, b, c) = a * b + c and Sum(r), the sum of a register's lanes;
// optionally StoreSum4(out4, r[4]), the four registers' sums reduced together and rounded to
// four floats, and for the
// transforms, with four lanes Transpose4(r[4]), with eight Transpose8(r[8]) and Half, the
// vector type of half the width, for levels and blocks shorter than a whole vector.

#include <algorithm>
#include <cstdint>

#include "engine/resample/hq/best_quality_kernels.h"
#include "engine/resample/hq/complex_fft_body.h"

namespace zel {
namespace {

inline constexpr int kGroup = static_cast<int>(kBestRunGroup);

template <class V>
concept SumsFourTogether = requires(float* out, const typename V::Reg (&r)[kGroup]) {
    V::StoreSum4(out, r);
};

// The sums of a group's `valid` outputs, each rounded to float once, into out[c][i0 ..].
template <class V, int Channels>
[[gnu::always_inline]] inline void StoreGroupSums(const typename V::Reg (&acc)[Channels][kGroup],
                                                  std::int64_t valid, float* const* out,
                                                  std::int64_t i0) {
    for (int c = 0; c < Channels; ++c) {
        if constexpr (SumsFourTogether<V>) {
            if (valid == kGroup) {
                V::StoreSum4(out[c] + i0, acc[c]);
                continue;
            }
            alignas(16) float sums[kGroup];
            V::StoreSum4(sums, acc[c]);
            for (std::int64_t i = 0; i < valid; ++i) out[c][i0 + i] = sums[i];
        } else {
            for (std::int64_t i = 0; i < valid; ++i)
                out[c][i0 + i] = static_cast<float>(V::Sum(acc[c][i]));
        }
    }
}

template <class V, int Channels>
void BestPhaseGroups(const double* __restrict row, std::int64_t taps, const double* const* x,
                     std::int64_t start, std::int64_t inStride, std::int64_t count,
                     float* const* out, std::int64_t outStride) {
    using Reg = typename V::Reg;
    for (std::int64_t i0 = 0; i0 < count; i0 += kGroup) {
        const std::int64_t valid = std::min<std::int64_t>(kGroup, count - i0);
        const double* src[Channels][kGroup];
        for (int c = 0; c < Channels; ++c)
            for (int i = 0; i < kGroup; ++i)
                src[c][i] = x[c] + start + (i0 + std::min<std::int64_t>(i, valid - 1)) * inStride;
        Reg acc[Channels][kGroup];
        for (int c = 0; c < Channels; ++c)
            for (int i = 0; i < kGroup; ++i) acc[c][i] = V::Zero();
        for (std::int64_t k = 0; k < taps; k += V::kWidth) {
            const Reg coefficient = V::Load(row + k);
#pragma GCC unroll 2
            for (int c = 0; c < Channels; ++c)
#pragma GCC unroll 4
                for (int i = 0; i < kGroup; ++i)
                    acc[c][i] = V::MulAdd(coefficient, V::Load(src[c][i] + k), acc[c][i]);
        }
        for (int c = 0; c < Channels; ++c) {
            if constexpr (SumsFourTogether<V>) {
                // The group's four sums reduced together, in one vector.
                alignas(16) float sums[kGroup];
                V::StoreSum4(sums, acc[c]);
                for (std::int64_t i = 0; i < valid; ++i) out[c][(i0 + i) * outStride] = sums[i];
            } else {
                for (std::int64_t i = 0; i < valid; ++i)
                    out[c][(i0 + i) * outStride] = static_cast<float>(V::Sum(acc[c][i]));
            }
        }
    }
}

template <class V>
void BestPhaseRun(const double* row, std::int64_t taps, const double* const* x, int channels,
                  std::int64_t start, std::int64_t inStride, std::int64_t count,
                  float* const* out, std::int64_t outStride) {
    int c = 0;
    for (; c + 2 <= channels; c += 2)
        BestPhaseGroups<V, 2>(row, taps, x + c, start, inStride, count, out + c, outStride);
    if (c < channels)
        BestPhaseGroups<V, 1>(row, taps, x + c, start, inStride, count, out + c, outStride);
}

// Output-major groups: output o reads x[c] + starts[o] with the row rows[o], or, when
// Interpolate, with the sum over r < 4 of weights[o][r] x the row r after rows[o]; it is
// written to out[c][o]. FixedTaps, when not 0, is `taps` known when compiled: the loop over
// taps unrolled whole.
template <class V, int Channels, bool Interpolate, int FixedTaps = 0>
void BestOrderedGroups(const double* const* rows,
                       const double (*weights)[kBestInterpolationRows],
                       const std::int64_t* starts, std::int64_t count, std::int64_t rowTaps,
                       const double* const* x, float* const* out) {
    using Reg = typename V::Reg;
    const std::int64_t taps = FixedTaps != 0 ? FixedTaps : rowTaps;
    for (std::int64_t i0 = 0; i0 < count; i0 += kGroup) {
        const std::int64_t valid = std::min<std::int64_t>(kGroup, count - i0);
        const double* row[kGroup];
        Reg w[kGroup][kBestInterpolationRows];
        const double* src[Channels][kGroup];
        for (int i = 0; i < kGroup; ++i) {
            const std::int64_t o = i0 + std::min<std::int64_t>(i, valid - 1);
            row[i] = rows[o];
            if (Interpolate)
                for (int r = 0; r < kBestInterpolationRows; ++r) w[i][r] = V::Set(weights[o][r]);
            for (int c = 0; c < Channels; ++c) src[c][i] = x[c] + starts[o];
        }
        Reg acc[Channels][kGroup];
        for (int c = 0; c < Channels; ++c)
            for (int i = 0; i < kGroup; ++i) acc[c][i] = V::Zero();
        for (std::int64_t k = 0; k < taps; k += V::kWidth) {
#pragma GCC unroll 4
            for (int i = 0; i < kGroup; ++i) {
                const double* r0 = row[i] + k;
                Reg coefficient;
                if (Interpolate) {
                    coefficient = V::Mul(w[i][0], V::Load(r0));
                    coefficient = V::MulAdd(w[i][1], V::Load(r0 + taps), coefficient);
                    coefficient = V::MulAdd(w[i][2], V::Load(r0 + 2 * taps), coefficient);
                    coefficient = V::MulAdd(w[i][3], V::Load(r0 + 3 * taps), coefficient);
                } else {
                    coefficient = V::Load(r0);
                }
#pragma GCC unroll 2
                for (int c = 0; c < Channels; ++c)
                    acc[c][i] = V::MulAdd(coefficient, V::Load(src[c][i] + k), acc[c][i]);
            }
        }
        StoreGroupSums<V, Channels>(acc, valid, out, i0);
    }
}

// The rows of the stage after the steep one, whatever the ratio.
inline constexpr int kBestShortTaps = 24;

template <class V, bool Interpolate>
void BestOrdered(const double* const* rows, const double (*weights)[kBestInterpolationRows],
                 const std::int64_t* starts, std::int64_t count, std::int64_t taps,
                 const double* const* x, int channels, float* const* out) {
    int c = 0;
    if (!Interpolate && taps == kBestShortTaps) {
        for (; c + 2 <= channels; c += 2)
            BestOrderedGroups<V, 2, false, kBestShortTaps>(rows, weights, starts, count, taps,
                                                           x + c, out + c);
    }
    for (; c + 2 <= channels; c += 2)
        BestOrderedGroups<V, 2, Interpolate>(rows, weights, starts, count, taps, x + c, out + c);
    if (c < channels)
        BestOrderedGroups<V, 1, Interpolate>(rows, weights, starts, count, taps, x + c, out + c);
}

template <class V>
void BestRowRun(const double* const* rows, const std::int64_t* starts, std::int64_t count,
                std::int64_t taps, const double* const* x, int channels, float* const* out) {
    BestOrdered<V, false>(rows, nullptr, starts, count, taps, x, channels, out);
}

template <class V>
void BestInterpolated(const double* const* rows, const double (*weights)[kBestInterpolationRows],
                      const std::int64_t* starts, std::int64_t count, std::int64_t taps,
                      const double* const* x, int channels, float* const* out) {
    BestOrdered<V, true>(rows, weights, starts, count, taps, x, channels, out);
}

// BestOrderedGroups without interpolation over two runs of input: output o sums the first
// half of rows[o] against channel c's frames from starts[o] on, and its second half against
// those from starts[o] + shifts[o] on. Channels lie channelStride apart, so that a group
// addresses all of them from one place per output and its registers hold every pointer.
template <class V, int Channels, int FixedHalf = 0>
void BestSplitGroups(const double* const* rows, const std::int64_t* starts,
                     const std::int64_t* shifts, std::int64_t count, std::int64_t rowTaps,
                     const double* x, std::int64_t channelStride, float* const* out) {
    using Reg = typename V::Reg;
    const std::int64_t half = FixedHalf != 0 ? FixedHalf : rowTaps / 2;
    for (std::int64_t i0 = 0; i0 < count; i0 += kGroup) {
        const std::int64_t valid = std::min<std::int64_t>(kGroup, count - i0);
        const double* row[kGroup];
        const double* src[kGroup];
#pragma GCC unroll 4
        for (int i = 0; i < kGroup; ++i) {
            const std::int64_t o = i0 + std::min<std::int64_t>(i, valid - 1);
            row[i] = rows[o];
            src[i] = x + starts[o];
        }
        Reg acc[Channels][kGroup];
        for (int c = 0; c < Channels; ++c)
            for (int i = 0; i < kGroup; ++i) acc[c][i] = V::Zero();
        // The row's first half on the first run, then its second half on the second.
#pragma GCC unroll 2
        for (int part = 0; part < 2; ++part) {
            if (part == 1) {
#pragma GCC unroll 4
                for (int i = 0; i < kGroup; ++i) {
                    row[i] += half;
                    src[i] += shifts[i0 + std::min<std::int64_t>(i, valid - 1)];
                }
            }
#pragma GCC unroll 8
            for (std::int64_t k = 0; k < half; k += V::kWidth) {
#pragma GCC unroll 4
                for (int i = 0; i < kGroup; ++i) {
                    const Reg coefficient = V::Load(row[i] + k);
#pragma GCC unroll 2
                    for (int c = 0; c < Channels; ++c)
                        acc[c][i] = V::MulAdd(coefficient,
                                              V::Load(src[i] + c * channelStride + k), acc[c][i]);
                }
            }
        }
        StoreGroupSums<V, Channels>(acc, valid, out, i0);
    }
}

template <class V>
void BestSplitRowRun(const double* const* rows, const std::int64_t* starts,
                     const std::int64_t* shifts, std::int64_t count, std::int64_t taps,
                     const double* x, std::int64_t channelStride, int channels,
                     float* const* out) {
    int c = 0;
    if (taps == kBestShortTaps) {
        for (; c + 2 <= channels; c += 2)
            BestSplitGroups<V, 2, kBestShortTaps / 2>(rows, starts, shifts, count, taps,
                                                      x + c * channelStride, channelStride,
                                                      out + c);
    }
    for (; c + 2 <= channels; c += 2)
        BestSplitGroups<V, 2>(rows, starts, shifts, count, taps, x + c * channelStride,
                              channelStride, out + c);
    if (c < channels)
        BestSplitGroups<V, 1>(rows, starts, shifts, count, taps, x + c * channelStride,
                              channelStride, out + c);
}

// Vectors of halving outputs summed side by side: enough independent chains to hide the
// latency of the multiply-adds.
inline constexpr int kHalvingVectors = 4;

template <class V>
void BestHalve(const double* __restrict pairTaps, std::int64_t pairs, double centre,
               const double* __restrict even, const double* __restrict odd, std::int64_t count,
               double* __restrict out) {
    using Reg = typename V::Reg;
    // Output i finds its pairs at odd[i + pairs + j] and odd[i + pairs - 1 - j].
    constexpr std::int64_t kStep = kHalvingVectors * V::kWidth;
    const Reg middle = V::Set(centre);
    std::int64_t i0 = 0;
    for (; i0 + kStep <= count; i0 += kStep) {
        Reg acc[kHalvingVectors];
#pragma GCC unroll 4
        for (int v = 0; v < kHalvingVectors; ++v)
            acc[v] = V::Mul(middle, V::Load(even + i0 + v * V::kWidth));
        for (std::int64_t j = 0; j < pairs; ++j) {
            const Reg tap = V::Set(pairTaps[j]);
            const double* later = odd + i0 + pairs + j;
            const double* earlier = odd + i0 + pairs - 1 - j;
#pragma GCC unroll 4
            for (int v = 0; v < kHalvingVectors; ++v)
                acc[v] = V::MulAdd(tap,
                                   V::Add(V::Load(later + v * V::kWidth),
                                          V::Load(earlier + v * V::kWidth)),
                                   acc[v]);
        }
#pragma GCC unroll 4
        for (int v = 0; v < kHalvingVectors; ++v) V::Store(out + i0 + v * V::kWidth, acc[v]);
    }
    for (std::int64_t i = i0; i < count; ++i) {
        double sum = centre * even[i];
        for (std::int64_t j = 0; j < pairs; ++j)
            sum += pairTaps[j] * (odd[i + pairs + j] + odd[i + pairs - 1 - j]);
        out[i] = sum;
    }
}

template <class V>
concept StoresInterleaved = requires(double* p, typename V::Reg a) {
    V::StoreInterleaved(p, a, a);
};

template <class V>
void BestInterleave(const double* __restrict even, const double* __restrict odd,
                    std::int64_t count, double* __restrict out) {
    std::int64_t t = 0;
    if constexpr (StoresInterleaved<V>)
        for (; t + V::kWidth <= count; t += V::kWidth)
            V::StoreInterleaved(out + 2 * t, V::Load(even + t), V::Load(odd + t));
    for (; t < count; ++t) {
        out[2 * t] = even[t];
        out[2 * t + 1] = odd[t];
    }
}

template <class V>
void SpectrumProduct(const double* __restrict xRe, const double* __restrict xIm,
                     const double* __restrict hRe, const double* __restrict hIm, std::int64_t n,
                     double* __restrict outRe, double* __restrict outIm) {
    std::int64_t k = 0;
    for (; k + V::kWidth <= n; k += V::kWidth) {
        const auto xr = V::Load(xRe + k), xi = V::Load(xIm + k);
        typename V::Reg re, im;
        SwappedProduct<V>(xr, xi, V::Load(hRe + k), V::Load(hIm + k), re, im);
        V::Store(outRe + k, re);
        V::Store(outIm + k, im);
    }
    // The same steps as the transform that forms the product as it reads (complex_fft_body.h).
    for (; k < n; ++k)
        SwappedProduct<FftLane>(xRe[k], xIm[k], hRe[k], hIm[k], outRe[k], outIm[k]);
}

// The spectrum x h (bin by bin, both in the permuted order) transformed back into out, as
// SpectrumProduct followed by FftFromPermuted computes it, without the product's pass over
// whole arrays: out holds the first signal's filtered form in outIm, the second's in outRe.
template <class V>
void FilterFromPermuted(const ComplexFftPlan& plan, const double* xRe, const double* xIm,
                        const double* hRe, const double* hIm, double* outRe, double* outIm) {
    if (plan.size <= 8) {
        // A single block, transformed lane by lane, where the product kernel uses vectors
        // (whose multiply-adds may round differently): the two steps, as they are.
        SpectrumProduct<V>(xRe, xIm, hRe, hIm, plan.size, outRe, outIm);
        FftFromPermuted<V>(plan, outRe, outIm);
        return;
    }
    Recursive<V, false>(plan.twiddles.data(), plan.size, outRe, outIm,
                        ProductPoints{xRe, xIm, hRe, hIm, outRe});
}

template <class V>
constexpr BestQualityKernels MakeBestQualityKernels(const char* name) {
    return {name, BestPhaseRun<V>, BestRowRun<V>, BestSplitRowRun<V>, BestInterpolated<V>, FftToPermuted<V>,
            FftFromPermuted<V>, BestHalve<V>,
            SpectrumProduct<V>, BestInterleave<V>, FilterFromPermuted<V>};
}

}  // namespace
}  // namespace zel
