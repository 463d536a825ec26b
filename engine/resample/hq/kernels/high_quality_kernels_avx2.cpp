// The high-quality mode with AVX2 and FMA: eight lanes per tap group, fused multiply-add.

#include <immintrin.h>

#include "engine/resample/hq/high_quality_kernel_body.h"
#include "engine/resample/standard/kernels/lane_sum_filter.h"

namespace zel {
namespace {

struct Avx2Vector {
    using Reg = __m256;
    static constexpr int kWidth = 8;
    static __m256 Zero() { return _mm256_setzero_ps(); }
    static __m256 Load(const float* p) { return _mm256_loadu_ps(p); }
    static void Store(float* p, __m256 v) { _mm256_storeu_ps(p, v); }
    static __m256 Set(float v) { return _mm256_set1_ps(v); }
    static __m256 Add(__m256 a, __m256 b) { return _mm256_add_ps(a, b); }
    static __m256 Sub(__m256 a, __m256 b) { return _mm256_sub_ps(a, b); }
    // Shuffles within each half, then puts the halves' 64-bit pieces in order.
    static void Split(const float* p, __m256& even, __m256& odd) {
        const __m256 a = _mm256_loadu_ps(p);
        const __m256 b = _mm256_loadu_ps(p + 8);
        even = _mm256_castpd_ps(
            _mm256_permute4x64_pd(_mm256_castps_pd(_mm256_shuffle_ps(a, b, 0x88)), 0xD8));
        odd = _mm256_castpd_ps(
            _mm256_permute4x64_pd(_mm256_castps_pd(_mm256_shuffle_ps(a, b, 0xDD)), 0xD8));
    }
    // An empty asm that claims to change r: the compiler must load it once into a register
    // instead of once per multiply-add that reads it.
    static __m256 InRegister(__m256 r) {
        asm("" : "+x"(r));
        return r;
    }
    static __m256 MulAdd(__m256 a, __m256 b, __m256 c) { return _mm256_fmadd_ps(a, b, c); }
    static __m128 FoldHalves(__m256 v) {
        return _mm_add_ps(_mm256_castps256_ps128(v), _mm256_extractf128_ps(v, 1));
    }
    static void Close(const __m256 (&acc)[kGroup], float* out) {
        _mm_storeu_ps(out, CloseAlternatePairs(FoldHalves(acc[0]), FoldHalves(acc[1]),
                                               FoldHalves(acc[2]), FoldHalves(acc[3])));
    }
};

}  // namespace

const HighQualityKernels kHighQualityAvx2Kernels = MakeHighQualityKernels<Avx2Vector>("avx2");

}  // namespace zel
