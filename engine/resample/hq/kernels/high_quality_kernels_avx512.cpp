// The high-quality mode with AVX-512: sixteen lanes per tap group, fused multiply-add, for
// rows of whole vectors and the half-band pass; rows of an odd number of eights keep the
// eight lanes of AVX2 (masked loads for the last half vector measured slower than those),
// two rows of them side by side in one register where outputs share their windows.

#include <immintrin.h>

#include "engine/resample/hq/high_quality_kernel_body.h"
#include "engine/resample/hq/kernels/avx2_vectors.h"

namespace zel {
namespace {

struct Avx512Vector {
    using Reg = __m512;
    static constexpr int kWidth = 16;
    static __m512 Zero() { return _mm512_setzero_ps(); }
    static __m512 Load(const float* p) { return _mm512_loadu_ps(p); }
    static void Store(float* p, __m512 v) { _mm512_storeu_ps(p, v); }
    static __m512 Set(float v) { return _mm512_set1_ps(v); }
    static __m512 Add(__m512 a, __m512 b) { return _mm512_add_ps(a, b); }
    static __m512 Sub(__m512 a, __m512 b) { return _mm512_sub_ps(a, b); }
    // As Avx2Vector's: one load into any of the 32 registers, not one per multiply-add.
    static __m512 InRegister(__m512 r) {
        asm("" : "+v"(r));
        return r;
    }
    static __m512 MulAdd(__m512 a, __m512 b, __m512 c) { return _mm512_fmadd_ps(a, b, c); }
    static void Split(const float* p, __m512& even, __m512& odd) {
        const __m512 a = _mm512_loadu_ps(p);
        const __m512 b = _mm512_loadu_ps(p + 16);
        const __m512i evens =
            _mm512_setr_epi32(0, 2, 4, 6, 8, 10, 12, 14, 16, 18, 20, 22, 24, 26, 28, 30);
        even = _mm512_permutex2var_ps(a, evens, b);
        odd = _mm512_permutex2var_ps(a, _mm512_add_epi32(evens, _mm512_set1_epi32(1)), b);
    }
    static __m128 FoldQuarters(__m512 v) {
        const __m256 halves =
            _mm256_add_ps(_mm512_castps512_ps256(v),
                          _mm256_castpd_ps(_mm512_extractf64x4_pd(_mm512_castps_pd(v), 1)));
        return Avx2Vector::FoldHalves(halves);
    }
    static void Close(const __m512 (&acc)[4], float* out) {
        _mm_storeu_ps(out, CloseAlternatePairs(FoldQuarters(acc[0]), FoldQuarters(acc[1]),
                                               FoldQuarters(acc[2]), FoldQuarters(acc[3])));
    }
};

// The sums of the eight-lane halves of a, b, c and d, in that order (each low half before its
// high half), each added exactly as Avx2Vector::Close adds an accumulator's lanes:
// ((l0 + l4) + (l2 + l6)) + ((l1 + l5) + (l3 + l7)). Eight sums in thirteen instructions,
// against some forty for four closes of 256-bit halves.
__m256 HalfSums(__m512 a, __m512 b, __m512 c, __m512 d) {
    // Quarters: a's low half, a's high half, b's low, b's high, each lane j + lane j + 4.
    const __m512 ab =
        _mm512_add_ps(_mm512_shuffle_f32x4(a, b, 0x88), _mm512_shuffle_f32x4(a, b, 0xDD));
    const __m512 cd =
        _mm512_add_ps(_mm512_shuffle_f32x4(c, d, 0x88), _mm512_shuffle_f32x4(c, d, 0xDD));
    // Per quarter q: ab[q][0] + ab[q][2], ab[q][1] + ab[q][3], the same of cd.
    const __m512 pairs =
        _mm512_add_ps(_mm512_shuffle_ps(ab, cd, 0x44), _mm512_shuffle_ps(ab, cd, 0xEE));
    // Per quarter q: the sum of ab's quarter q, then of cd's.
    const __m512 sums =
        _mm512_add_ps(_mm512_shuffle_ps(pairs, pairs, 0x88), _mm512_shuffle_ps(pairs, pairs, 0xDD));
    const __m512i order = _mm512_setr_epi32(0, 4, 8, 12, 1, 5, 9, 13, 0, 0, 0, 0, 0, 0, 0, 0);
    return _mm512_castps512_ps256(_mm512_permutexvar_ps(order, sums));
}

// Rows of an odd number of eights, two or three over the same windows: rows a and b side by
// side in one 512-bit register (a's eight lanes low, b's high) against each window's eight
// samples in both halves, a broadcast load; row c, if any, on the low half of the same
// samples. Every lane sees the multiply-adds it sees in SharedWindowGroups<Avx2Vector>,
// in the same order, so each output is the same to the bit;
// the 512-bit multiply-adds do twice the work per instruction, and four windows per channel
// share each load of taps.
template <int Channels, bool Third>
void BothRowsGroups(const float* __restrict rowA, const float* __restrict rowB,
                    const float* __restrict rowC, std::int64_t taps, const float* const* x,
                    std::int64_t start, std::int64_t inStride, std::int64_t count,
                    float* const* out, std::int64_t outStride) {
    constexpr int kWindows = 4;
    for (std::int64_t i0 = 0; i0 < count; i0 += kWindows) {
        const std::int64_t valid = std::min<std::int64_t>(kWindows, count - i0);
        const float* src[Channels][kWindows];
        GroupWindows(x, start, inStride, i0, valid, src);
        __m512 both[Channels][kWindows];
        __m256 third[Channels][kWindows];
        for (int c = 0; c < Channels; ++c)
            for (int i = 0; i < kWindows; ++i) {
                both[c][i] = _mm512_setzero_ps();
                third[c][i] = _mm256_setzero_ps();
            }
        for (std::int64_t k = 0; k < taps; k += Avx2Vector::kWidth) {
            const __m512 ab = _mm512_insertf32x8(
                _mm512_castps256_ps512(_mm256_loadu_ps(rowA + k)), _mm256_loadu_ps(rowB + k), 1);
            __m256 d = _mm256_setzero_ps();
            if constexpr (Third) d = _mm256_loadu_ps(rowC + k);
#pragma GCC unroll 2
            for (int c = 0; c < Channels; ++c)
#pragma GCC unroll 4
                for (int i = 0; i < kWindows; ++i) {
                    const __m512 samples = _mm512_broadcast_f32x8(_mm256_loadu_ps(src[c][i] + k));
                    both[c][i] = _mm512_fmadd_ps(ab, samples, both[c][i]);
                    if constexpr (Third)
                        third[c][i] =
                            _mm256_fmadd_ps(d, _mm512_castps512_ps256(samples), third[c][i]);
                }
        }
        // Unrolled, so that the accumulators are closed from registers, not the stack.
#pragma GCC unroll 2
        for (int c = 0; c < Channels; ++c) {
            const __m256 sums = HalfSums(both[c][0], both[c][1], both[c][2], both[c][3]);
            __m128 thirds = _mm_setzero_ps();
            if constexpr (Third) {
                const __m512 first =
                    _mm512_insertf32x8(_mm512_castps256_ps512(third[c][0]), third[c][1], 1);
                const __m512 second =
                    _mm512_insertf32x8(_mm512_castps256_ps512(third[c][2]), third[c][3], 1);
                thirds = _mm256_castps256_ps128(HalfSums(first, second, first, second));
            }
            // Window i's outputs of rows a and b are sums[2 i] and sums[2 i + 1], side by side.
            float pairSums[2 * kWindows];
            float thirdSums[kWindows];
            _mm256_storeu_ps(pairSums, sums);
            _mm_storeu_ps(thirdSums, thirds);
            for (std::int64_t i = 0; i < valid; ++i) {
                float* o = out[c] + (i0 + i) * outStride;
                o[0] = pairSums[2 * i];
                o[1] = pairSums[2 * i + 1];
                if constexpr (Third) o[2] = thirdSums[i];
            }
        }
    }
}

template <bool Third>
void BothRowsRun(const float* rowA, const float* rowB, const float* rowC, std::int64_t taps,
                 const float* const* x, int channels, std::int64_t start, std::int64_t inStride,
                 std::int64_t count, float* const* out, std::int64_t outStride) {
    int c = 0;
    for (; c + 2 <= channels; c += 2)
        BothRowsGroups<2, Third>(rowA, rowB, rowC, taps, x + c, start, inStride, count, out + c,
                                 outStride);
    if (c < channels)
        BothRowsGroups<1, Third>(rowA, rowB, rowC, taps, x + c, start, inStride, count, out + c,
                                 outStride);
}

void PairRun(const float* rowA, const float* rowB, std::int64_t taps, const float* const* x,
             int channels, std::int64_t start, std::int64_t inStride, std::int64_t count,
             float* const* out, std::int64_t outStride) {
    // Four windows per group: with 32 registers, sixteen chains for two channels, and each
    // load of the two rows' taps serves twice the samples.
    if (taps % Avx512Vector::kWidth == 0)
        SharedWindowRun<Avx512Vector, false, 4>(rowA, rowB, nullptr, taps, x, channels, start,
                                                inStride, count, out, outStride);
    else
        BothRowsRun<false>(rowA, rowB, nullptr, taps, x, channels, start, inStride, count, out,
                           outStride);
}

void TripleRun(const float* rowA, const float* rowB, const float* rowC, std::int64_t taps,
               const float* const* x, int channels, std::int64_t start, std::int64_t inStride,
               std::int64_t count, float* const* out, std::int64_t outStride) {
    if (taps % Avx512Vector::kWidth == 0)
        PhaseTripleRun<Avx512Vector>(rowA, rowB, rowC, taps, x, channels, start, inStride, count,
                                     out, outStride);
    else
        BothRowsRun<true>(rowA, rowB, rowC, taps, x, channels, start, inStride, count, out,
                          outStride);
}

constexpr HighQualityKernels MakeAvx512Kernels() {
    HighQualityKernels kernels = MakeWideHighQualityKernels<Avx512Vector, Avx2Vector>("avx512");
    kernels.phasePairRun = PairRun;
    kernels.phaseTripleRun = TripleRun;
    return kernels;
}

}  // namespace

const HighQualityKernels kHighQualityAvx512Kernels = MakeAvx512Kernels();

}  // namespace zel
