#pragma once
// The high-quality mode's loops, written once over a vector type V that each kernel file
// supplies for its own instruction set. Four outputs are summed side by side (for two
// channels, eight independent chains); groups past the last output repeat it and are not
// stored.
//
// Only for the kernel files; internal linkage (see output_quads.h).
//
// V provides: Reg, kWidth, Zero(), Load(p), Store(p, r), Set(value), Add(a, b), Sub(a, b),
// MulAdd(a, b, c) = a * b + c, InRegister(r), which returns r and keeps the compiler from
// folding its load into each instruction that uses it, Split(p, even, odd), which takes
// 2 x kWidth floats apart into their even and odd entries, and Close(const Reg (&)[4],
// float* out4), which stores the four lane sums.

#include <algorithm>
#include <cstdint>

#include "engine/resample/hq/high_quality_kernels.h"

namespace zel {
namespace {

inline constexpr int kGroup = static_cast<int>(kPhaseRunGroup);

// The first frame of each window of a group of outputs, from output i0 on; outputs past the
// `valid` ones repeat the last, so a short group reads nothing past the stream.
// Inlined and unrolled: a call per group measured a few percent of the whole conversion.
template <int Channels, int Windows>
[[gnu::always_inline]] inline void GroupWindows(const float* const* x, std::int64_t start,
                                                std::int64_t inStride, std::int64_t i0,
                                                std::int64_t valid,
                                                const float* (&src)[Channels][Windows]) {
#pragma GCC unroll 2
    for (int c = 0; c < Channels; ++c)
#pragma GCC unroll 4
        for (int i = 0; i < Windows; ++i)
            src[c][i] = x[c] + start + (i0 + std::min<std::int64_t>(i, valid - 1)) * inStride;
}

template <class V, int Channels>
void PhaseGroups(const float* __restrict row, std::int64_t taps, const float* const* x,
                 std::int64_t start, std::int64_t inStride, std::int64_t count, float* const* out,
                 std::int64_t outStride) {
    using Reg = typename V::Reg;
    for (std::int64_t i0 = 0; i0 < count; i0 += kGroup) {
        const std::int64_t valid = std::min<std::int64_t>(kGroup, count - i0);
        const float* src[Channels][kGroup];
        GroupWindows(x, start, inStride, i0, valid, src);
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
        // Unrolled, so that the accumulators are closed from registers, not the stack.
#pragma GCC unroll 2
        for (int c = 0; c < Channels; ++c) {
            float sums[kGroup];
            V::Close(acc[c], sums);
            for (std::int64_t i = 0; i < valid; ++i) out[c][(i0 + i) * outStride] = sums[i];
        }
    }
}

template <class V>
void PhaseRun(const float* row, std::int64_t taps, const float* const* x, int channels,
              std::int64_t start, std::int64_t inStride, std::int64_t count, float* const* out,
              std::int64_t outStride) {
    int c = 0;
    for (; c + 2 <= channels; c += 2)
        PhaseGroups<V, 2>(row, taps, x + c, start, inStride, count, out + c, outStride);
    if (c < channels)
        PhaseGroups<V, 1>(row, taps, x + c, start, inStride, count, out + c, outStride);
}

template <class V>
void CloseFour(typename V::Reg a, typename V::Reg b, typename V::Reg c, typename V::Reg d,
               float* out4) {
    const typename V::Reg quad[4] = {a, b, c, d};
    V::Close(quad, out4);
}

// Two rows over the same windows: output i of row a goes to out[c][i * outStride], of row
// b to the place after it, and with Third, row c's to the place after that. Each sample
// vector, loaded once, meets every row, so the loads per multiply-add nearly halve; each
// output's sum is formed as in PhaseGroups (row c's closed with itself repeated). Windows
// per group: two fill sixteen registers with two channels; four (no third row) need 32.
template <class V, int Channels, bool Third, int Windows = kGroup / 2>
void SharedWindowGroups(const float* __restrict rowA, const float* __restrict rowB,
                        const float* __restrict rowC, std::int64_t taps, const float* const* x,
                        std::int64_t start, std::int64_t inStride, std::int64_t count,
                        float* const* out, std::int64_t outStride) {
    static_assert(Windows == 2 || Windows == 4, "sums close four at a time");
    using Reg = typename V::Reg;
    for (std::int64_t i0 = 0; i0 < count; i0 += Windows) {
        const std::int64_t valid = std::min<std::int64_t>(Windows, count - i0);
        const float* src[Channels][Windows];
        GroupWindows(x, start, inStride, i0, valid, src);
        // Rows a, b and c's outputs; arrays of at most eight registers, which the compiler
        // keeps in registers (larger ones it zeroes in memory first).
        Reg accA[Channels][Windows];
        Reg accB[Channels][Windows];
        Reg third[Channels][Third ? Windows : 1];
        for (int c = 0; c < Channels; ++c)
            for (int i = 0; i < Windows; ++i) {
                accA[c][i] = accB[c][i] = V::Zero();
                if constexpr (Third) third[c][i] = V::Zero();
            }
        for (std::int64_t k = 0; k < taps; k += V::kWidth) {
            const Reg a = V::Load(rowA + k);
            const Reg b = V::Load(rowB + k);
            Reg d = V::Zero();
            if constexpr (Third) d = V::Load(rowC + k);
#pragma GCC unroll 2
            for (int c = 0; c < Channels; ++c)
#pragma GCC unroll 4
                for (int i = 0; i < Windows; ++i) {
                    const Reg samples = V::InRegister(V::Load(src[c][i] + k));
                    accA[c][i] = V::MulAdd(a, samples, accA[c][i]);
                    accB[c][i] = V::MulAdd(b, samples, accB[c][i]);
                    if constexpr (Third) third[c][i] = V::MulAdd(d, samples, third[c][i]);
                }
        }
        // Unrolled, so that the accumulators are closed from registers, not the stack.
#pragma GCC unroll 2
        for (int c = 0; c < Channels; ++c) {
            float sumsA[4], sumsB[4], thirds[4];
            if constexpr (Windows == 2) {
                float sums[4];
                CloseFour<V>(accA[c][0], accA[c][1], accB[c][0], accB[c][1], sums);
                sumsA[0] = sums[0], sumsA[1] = sums[1], sumsB[0] = sums[2], sumsB[1] = sums[3];
                if constexpr (Third)
                    CloseFour<V>(third[c][0], third[c][1], third[c][0], third[c][1], thirds);
            } else {
                CloseFour<V>(accA[c][0], accA[c][1], accA[c][2], accA[c][3], sumsA);
                CloseFour<V>(accB[c][0], accB[c][1], accB[c][2], accB[c][3], sumsB);
                if constexpr (Third)
                    CloseFour<V>(third[c][0], third[c][1], third[c][2], third[c][3], thirds);
            }
            for (std::int64_t i = 0; i < valid; ++i) {
                out[c][(i0 + i) * outStride] = sumsA[i];
                out[c][(i0 + i) * outStride + 1] = sumsB[i];
                if constexpr (Third) out[c][(i0 + i) * outStride + 2] = thirds[i];
            }
        }
    }
}

template <class V, bool Third, int Windows = kGroup / 2>
void SharedWindowRun(const float* rowA, const float* rowB, const float* rowC, std::int64_t taps,
                     const float* const* x, int channels, std::int64_t start,
                     std::int64_t inStride, std::int64_t count, float* const* out,
                     std::int64_t outStride) {
    int c = 0;
    for (; c + 2 <= channels; c += 2)
        SharedWindowGroups<V, 2, Third, Windows>(rowA, rowB, rowC, taps, x + c, start, inStride,
                                                 count, out + c, outStride);
    if (c < channels)
        SharedWindowGroups<V, 1, Third, Windows>(rowA, rowB, rowC, taps, x + c, start, inStride,
                                                 count, out + c, outStride);
}

template <class V>
void PhasePairRun(const float* rowA, const float* rowB, std::int64_t taps, const float* const* x,
                  int channels, std::int64_t start, std::int64_t inStride, std::int64_t count,
                  float* const* out, std::int64_t outStride) {
    SharedWindowRun<V, false>(rowA, rowB, nullptr, taps, x, channels, start, inStride, count,
                              out, outStride);
}

template <class V>
void PhaseTripleRun(const float* rowA, const float* rowB, const float* rowC, std::int64_t taps,
                    const float* const* x, int channels, std::int64_t start,
                    std::int64_t inStride, std::int64_t count, float* const* out,
                    std::int64_t outStride) {
    SharedWindowRun<V, true>(rowA, rowB, rowC, taps, x, channels, start, inStride, count, out,
                             outStride);
}

template <class V, int Channels>
void InterpolatedGroups(const float* const* rows, const float* mus, const std::int64_t* starts,
                        std::int64_t count, std::int64_t taps, const float* const* x,
                        float* const* out) {
    using Reg = typename V::Reg;
    for (std::int64_t i0 = 0; i0 < count; i0 += kGroup) {
        const std::int64_t valid = std::min<std::int64_t>(kGroup, count - i0);
        const float* row[kGroup];
        Reg mu[kGroup];
        const float* src[Channels][kGroup];
        for (int i = 0; i < kGroup; ++i) {
            const std::int64_t o = i0 + std::min<std::int64_t>(i, valid - 1);
            row[i] = rows[o];
            mu[i] = V::Set(mus[o]);
            for (int c = 0; c < Channels; ++c) src[c][i] = x[c] + starts[o];
        }
        Reg acc[Channels][kGroup];
        for (int c = 0; c < Channels; ++c)
            for (int i = 0; i < kGroup; ++i) acc[c][i] = V::Zero();
        for (std::int64_t k = 0; k < taps; k += V::kWidth) {
#pragma GCC unroll 4
            for (int i = 0; i < kGroup; ++i) {
                const Reg r0 = V::Load(row[i] + k);
                const Reg coefficient =
                    V::MulAdd(mu[i], V::Sub(V::Load(row[i] + taps + k), r0), r0);
#pragma GCC unroll 2
                for (int c = 0; c < Channels; ++c)
                    acc[c][i] = V::MulAdd(coefficient, V::Load(src[c][i] + k), acc[c][i]);
            }
        }
        // Unrolled, so that the accumulators are closed from registers, not the stack.
#pragma GCC unroll 2
        for (int c = 0; c < Channels; ++c) {
            float sums[kGroup];
            V::Close(acc[c], sums);
            for (std::int64_t i = 0; i < valid; ++i) out[c][i0 + i] = sums[i];
        }
    }
}

template <class V>
void Interpolated(const float* const* rows, const float* mus, const std::int64_t* starts,
                  std::int64_t count, std::int64_t taps, const float* const* x, int channels,
                  float* const* out) {
    int c = 0;
    for (; c + 2 <= channels; c += 2)
        InterpolatedGroups<V, 2>(rows, mus, starts, count, taps, x + c, out + c);
    if (c < channels) InterpolatedGroups<V, 1>(rows, mus, starts, count, taps, x + c, out + c);
}

// Vectors of outputs summed side by side in one half-band pass; enough independent chains
// to hide the latency of the multiply-adds.
inline constexpr int kHalfBandVectors = 4;

// to[n] = from[2n] for n < frames, zeros from there to `padded`. Reads from[0 .. 2 frames - 1].
template <class V>
void EveryOther(const float* __restrict from, std::int64_t frames, std::int64_t padded,
                float* __restrict to) {
    std::int64_t n = 0;
    for (; n + V::kWidth <= frames; n += V::kWidth) {
        typename V::Reg taken, skipped;
        V::Split(from + 2 * n, taken, skipped);
        V::Store(to + n, taken);
    }
    for (; n < frames; ++n) to[n] = from[2 * n];
    for (; n < padded; ++n) to[n] = 0.0f;
}

template <class V>
void HalfBandChannel(const float* __restrict pairTaps, std::int64_t pairs, float centre,
                     const float* __restrict even, const float* __restrict odd,
                     std::int64_t count, float* __restrict out) {
    using Reg = typename V::Reg;
    constexpr std::int64_t kStep = kHalfBandVectors * V::kWidth;
    const Reg middle = V::Set(centre);
    for (std::int64_t i0 = 0; i0 < count; i0 += kStep) {
        Reg acc[kHalfBandVectors];
#pragma GCC unroll 4
        for (int v = 0; v < kHalfBandVectors; ++v)
            acc[v] = V::MulAdd(middle, V::Load(even + i0 + v * V::kWidth), V::Zero());
        for (std::int64_t j = 0; j < pairs; ++j) {
            const Reg tap = V::Set(pairTaps[j]);
            const float* later = odd + i0 + pairs + j;
            const float* earlier = odd + i0 + pairs - 1 - j;
#pragma GCC unroll 4
            for (int v = 0; v < kHalfBandVectors; ++v)
                acc[v] = V::MulAdd(tap,
                                   V::Add(V::Load(later + v * V::kWidth),
                                          V::Load(earlier + v * V::kWidth)),
                                   acc[v]);
        }
        // Vectors past the last output are not stored.
        for (int v = 0; v < kHalfBandVectors && i0 + v * V::kWidth < count; ++v)
            V::Store(out + i0 + v * V::kWidth, acc[v]);
    }
}

template <class V>
void HalfBand(const float* pairTaps, std::int64_t pairs, float centre, const float* const* x,
              int channels, std::int64_t mid, std::int64_t count, float* const* out, float* even,
              float* odd) {
    constexpr std::int64_t kStep = kHalfBandVectors * V::kWidth;
    // A pass reads whole groups of vectors; lanes past the last output read zeros.
    const std::int64_t padded = (count + kStep - 1) / kStep * kStep + 2 * pairs;
    for (int c = 0; c < channels; ++c) {
        // even[n] = x[mid + 2n]; odd[n] = x[mid + 2n + 1 - 2 pairs], so output i finds its
        // pairs at odd[i + pairs + j] and odd[i + pairs - 1 - j].
        EveryOther<V>(x[c] + mid, count, padded, even);
        EveryOther<V>(x[c] + mid + 1 - 2 * pairs, count + 2 * pairs - 1, padded, odd);
        HalfBandChannel<V>(pairTaps, pairs, centre, even, odd, count, out[c]);
    }
}

template <class V>
constexpr HighQualityKernels MakeHighQualityKernels(const char* name) {
    return {name, PhaseRun<V>, PhasePairRun<V>, PhaseTripleRun<V>, Interpolated<V>, HalfBand<V>};
}

// Rows that end half-way through a Wide vector run on Narrow, which fills its vectors.
template <class Wide, class Narrow>
void PhaseRunWholeVectors(const float* row, std::int64_t taps, const float* const* x,
                          int channels, std::int64_t start, std::int64_t inStride,
                          std::int64_t count, float* const* out, std::int64_t outStride) {
    if (taps % Wide::kWidth == 0)
        PhaseRun<Wide>(row, taps, x, channels, start, inStride, count, out, outStride);
    else
        PhaseRun<Narrow>(row, taps, x, channels, start, inStride, count, out, outStride);
}

template <class Wide, class Narrow>
void PhasePairRunWholeVectors(const float* rowA, const float* rowB, std::int64_t taps,
                              const float* const* x, int channels, std::int64_t start,
                              std::int64_t inStride, std::int64_t count, float* const* out,
                              std::int64_t outStride) {
    if (taps % Wide::kWidth == 0)
        PhasePairRun<Wide>(rowA, rowB, taps, x, channels, start, inStride, count, out, outStride);
    else
        PhasePairRun<Narrow>(rowA, rowB, taps, x, channels, start, inStride, count, out,
                             outStride);
}

template <class Wide, class Narrow>
void PhaseTripleRunWholeVectors(const float* rowA, const float* rowB, const float* rowC,
                                std::int64_t taps, const float* const* x, int channels,
                                std::int64_t start, std::int64_t inStride, std::int64_t count,
                                float* const* out, std::int64_t outStride) {
    if (taps % Wide::kWidth == 0)
        PhaseTripleRun<Wide>(rowA, rowB, rowC, taps, x, channels, start, inStride, count, out,
                             outStride);
    else
        PhaseTripleRun<Narrow>(rowA, rowB, rowC, taps, x, channels, start, inStride, count, out,
                               outStride);
}

template <class Wide, class Narrow>
void InterpolatedWholeVectors(const float* const* rows, const float* mus,
                              const std::int64_t* starts, std::int64_t count, std::int64_t taps,
                              const float* const* x, int channels, float* const* out) {
    if (taps % Wide::kWidth == 0)
        Interpolated<Wide>(rows, mus, starts, count, taps, x, channels, out);
    else
        Interpolated<Narrow>(rows, mus, starts, count, taps, x, channels, out);
}

template <class Wide, class Narrow>
constexpr HighQualityKernels MakeWideHighQualityKernels(const char* name) {
    return {name,
            PhaseRunWholeVectors<Wide, Narrow>,
            PhasePairRunWholeVectors<Wide, Narrow>,
            PhaseTripleRunWholeVectors<Wide, Narrow>,
            InterpolatedWholeVectors<Wide, Narrow>,
            HalfBand<Wide>};
}

}  // namespace
}  // namespace zel
