// The high-quality mode with AVX-512: sixteen lanes per tap group, fused multiply-add, for
// rows of whole vectors; rows of an odd number of eights, and the half-band pass, keep the
// eight lanes of AVX2 (masked loads for the last half vector measured slower than those).

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

}  // namespace

const HighQualityKernels kHighQualityAvx512Kernels =
    MakeWideHighQualityKernels<Avx512Vector, Avx2Vector>("avx512");

}  // namespace zel
