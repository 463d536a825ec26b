// The high-quality mode with AVX2 and FMA: eight lanes per tap group, fused multiply-add.

#include "engine/resample/hq/high_quality_kernel_body.h"
#include "engine/resample/hq/kernels/avx2_vectors.h"

namespace zel {
namespace {

// The lane sums of r[0] .. r[7], in that order, each formed as Avx2Vector::Close forms it:
// halves added low + high, then (lane 0 + lane 2) + (lane 1 + lane 3). Eight at once, the
// halves fold four registers with two permutes each and one transpose serves both halves.
[[gnu::always_inline]] inline __m256 CloseEight(const __m256 (&r)[8]) {
    __m256 f[4];
#pragma GCC unroll 4
    for (int i = 0; i < 4; ++i)
        f[i] = _mm256_add_ps(_mm256_permute2f128_ps(r[i], r[i + 4], 0x20),
                             _mm256_permute2f128_ps(r[i], r[i + 4], 0x31));
    const __m256 t0 = _mm256_unpacklo_ps(f[0], f[1]);
    const __m256 t1 = _mm256_unpackhi_ps(f[0], f[1]);
    const __m256 t2 = _mm256_unpacklo_ps(f[2], f[3]);
    const __m256 t3 = _mm256_unpackhi_ps(f[2], f[3]);
    const __m256 lane0 = _mm256_shuffle_ps(t0, t2, 0x44);
    const __m256 lane1 = _mm256_shuffle_ps(t0, t2, 0xEE);
    const __m256 lane2 = _mm256_shuffle_ps(t1, t3, 0x44);
    const __m256 lane3 = _mm256_shuffle_ps(t1, t3, 0xEE);
    return _mm256_add_ps(_mm256_add_ps(lane0, lane2), _mm256_add_ps(lane1, lane3));
}

// Two or three rows over the same windows, as SharedWindowGroups, with the sums closed in
// registers and stored straight to their places: output i of row r goes to
// out[c][i * outStride + r]. Closing through the stack cost about as much as the
// multiply-adds of these 17-vector rows. Whole: `Windows` divides the outputs.
template <int Channels, int Rows, int Windows, bool Whole = false>
void SharedWindowGroupsAvx2(const float* __restrict rowA, const float* __restrict rowB,
                            const float* __restrict rowC, std::int64_t taps, const float* const* x,
                            std::int64_t start, std::int64_t inStride, std::int64_t count,
                            float* const* out, std::int64_t outStride, std::int64_t first) {
    static_assert((Rows == 2 && (Windows == 2 || Windows == 3)) || (Rows == 3 && Windows == 2),
                  "a channel's sums close eight at a time");
    constexpr bool kThird = Rows == 3;
    using V = Avx2Vector;
    for (std::int64_t i0 = first; i0 < count; i0 += Windows) {
        const std::int64_t valid = Whole ? Windows : std::min<std::int64_t>(Windows, count - i0);
        const float* src[Channels][Windows];
        GroupWindows(x, start, inStride, i0, valid, src);
        // Arrays of at most eight registers, which the compiler keeps in registers.
        __m256 accA[Channels][Windows];
        __m256 accB[Channels][Windows];
        __m256 accC[Channels][kThird ? Windows : 1];
        for (int c = 0; c < Channels; ++c)
            for (int i = 0; i < Windows; ++i) {
                accA[c][i] = accB[c][i] = V::Zero();
                if constexpr (kThird) accC[c][i] = V::Zero();
            }
        for (std::int64_t k = 0; k < taps; k += V::kWidth) {
            const __m256 a = V::Load(rowA + k);
            const __m256 b = V::Load(rowB + k);
            __m256 d = V::Zero();
            if constexpr (kThird) d = V::Load(rowC + k);
#pragma GCC unroll 2
            for (int c = 0; c < Channels; ++c)
#pragma GCC unroll 3
                for (int i = 0; i < Windows; ++i) {
                    const __m256 samples = V::InRegister(V::Load(src[c][i] + k));
                    accA[c][i] = V::MulAdd(a, samples, accA[c][i]);
                    accB[c][i] = V::MulAdd(b, samples, accB[c][i]);
                    if constexpr (kThird) accC[c][i] = V::MulAdd(d, samples, accC[c][i]);
                }
        }
#pragma GCC unroll 2
        for (int c = 0; c < Channels; ++c) {
            float* const o = out[c] + i0 * outStride;
            if constexpr (kThird) {
                // Lanes 0-2 hold window 0's three outputs, lanes 4-6 window 1's.
                const __m256 sums = CloseEight({accA[c][0], accB[c][0], accC[c][0], accC[c][0],
                                                accA[c][1], accB[c][1], accC[c][1], accC[c][1]});
                const __m128 low = _mm256_castps256_ps128(sums);
                _mm_storel_pi(reinterpret_cast<__m64*>(o), low);
                _mm_store_ss(o + 2, _mm_movehl_ps(low, low));
                if (valid > 1) {
                    const __m128 high = _mm256_extractf128_ps(sums, 1);
                    _mm_storel_pi(reinterpret_cast<__m64*>(o + outStride), high);
                    _mm_store_ss(o + outStride + 2, _mm_movehl_ps(high, high));
                }
            } else {
                // Lanes 2i and 2i + 1 hold window i's two outputs.
                const int last = Windows - 1;
                const __m256 sums = CloseEight({accA[c][0], accB[c][0], accA[c][1], accB[c][1],
                                                accA[c][2 % Windows], accB[c][2 % Windows],
                                                accA[c][last], accB[c][last]});
                const __m128 low = _mm256_castps256_ps128(sums);
                _mm_storel_pi(reinterpret_cast<__m64*>(o), low);
                if (valid > 1) _mm_storeh_pi(reinterpret_cast<__m64*>(o + outStride), low);
                if (valid > 2)
                    _mm_storel_pi(reinterpret_cast<__m64*>(o + 2 * outStride),
                                  _mm256_extractf128_ps(sums, 1));
            }
        }
    }
}

// Paired rows take three windows per group: for two channels twelve chains, each sample
// load serving two multiply-adds and each load of the rows' taps six. The outputs that three
// do not divide go in a group of two rather than repeating a window.
void PairRun(const float* rowA, const float* rowB, std::int64_t taps, const float* const* x,
             int channels, std::int64_t start, std::int64_t inStride, std::int64_t count,
             float* const* out, std::int64_t outStride) {
    const std::int64_t whole = count / 3 * 3;
    int c = 0;
    for (; c + 2 <= channels; c += 2) {
        SharedWindowGroupsAvx2<2, 2, 3, true>(rowA, rowB, nullptr, taps, x + c, start, inStride,
                                              whole, out + c, outStride, 0);
        SharedWindowGroupsAvx2<2, 2, 2>(rowA, rowB, nullptr, taps, x + c, start, inStride, count,
                                        out + c, outStride, whole);
    }
    if (c < channels) {
        SharedWindowGroupsAvx2<1, 2, 3, true>(rowA, rowB, nullptr, taps, x + c, start, inStride,
                                              whole, out + c, outStride, 0);
        SharedWindowGroupsAvx2<1, 2, 2>(rowA, rowB, nullptr, taps, x + c, start, inStride, count,
                                        out + c, outStride, whole);
    }
}

// Three rows fill the sixteen registers with two windows of two channels.
void TripleRun(const float* rowA, const float* rowB, const float* rowC, std::int64_t taps,
               const float* const* x, int channels, std::int64_t start, std::int64_t inStride,
               std::int64_t count, float* const* out, std::int64_t outStride) {
    int c = 0;
    for (; c + 2 <= channels; c += 2)
        SharedWindowGroupsAvx2<2, 3, 2>(rowA, rowB, rowC, taps, x + c, start, inStride, count,
                                        out + c, outStride, 0);
    if (c < channels)
        SharedWindowGroupsAvx2<1, 3, 2>(rowA, rowB, rowC, taps, x + c, start, inStride, count,
                                        out + c, outStride, 0);
}

constexpr HighQualityKernels MakeAvx2Kernels() {
    HighQualityKernels kernels = MakeHighQualityKernels<Avx2Vector>("avx2");
    kernels.phasePairRun = PairRun;
    kernels.phaseTripleRun = TripleRun;
    return kernels;
}

}  // namespace

const HighQualityKernels kHighQualityAvx2Kernels = MakeAvx2Kernels();

}  // namespace zel
