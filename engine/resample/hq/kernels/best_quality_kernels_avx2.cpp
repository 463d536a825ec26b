// The best-quality mode with AVX2 and FMA: four doubles per tap group, fused multiply-add.

#include <immintrin.h>

#include "engine/resample/hq/best_quality_kernel_body.h"

namespace zel {
namespace {

struct Avx2Doubles {
    using Reg = __m256d;
    static constexpr int kWidth = 4;
    static __m256d Zero() { return _mm256_setzero_pd(); }
    static __m256d Load(const double* p) { return _mm256_loadu_pd(p); }
    static __m256d Set(double v) { return _mm256_set1_pd(v); }
    static void Store(double* p, __m256d v) { _mm256_storeu_pd(p, v); }
    static __m256d Add(__m256d a, __m256d b) { return _mm256_add_pd(a, b); }
    static __m256d Sub(__m256d a, __m256d b) { return _mm256_sub_pd(a, b); }
    static __m256d Mul(__m256d a, __m256d b) { return _mm256_mul_pd(a, b); }
    static __m256d MulAdd(__m256d a, __m256d b, __m256d c) { return _mm256_fmadd_pd(a, b, c); }
    // Rows become columns: r[i][j] = old r[j][i].
    static void Transpose4(__m256d (&r)[4]) {
        const __m256d t0 = _mm256_unpacklo_pd(r[0], r[1]);
        const __m256d t1 = _mm256_unpackhi_pd(r[0], r[1]);
        const __m256d t2 = _mm256_unpacklo_pd(r[2], r[3]);
        const __m256d t3 = _mm256_unpackhi_pd(r[2], r[3]);
        r[0] = _mm256_permute2f128_pd(t0, t2, 0x20);
        r[1] = _mm256_permute2f128_pd(t1, t3, 0x20);
        r[2] = _mm256_permute2f128_pd(t0, t2, 0x31);
        r[3] = _mm256_permute2f128_pd(t1, t3, 0x31);
    }
    // The lanes of r[0] .. r[3] summed, one sum per lane.
    static __m256d Sum4(const __m256d (&r)[4]) {
        const __m256d s01 = _mm256_hadd_pd(r[0], r[1]);
        const __m256d s23 = _mm256_hadd_pd(r[2], r[3]);
        return _mm256_add_pd(_mm256_permute2f128_pd(s01, s23, 0x20),
                             _mm256_permute2f128_pd(s01, s23, 0x31));
    }
    static double Sum(__m256d v) {
        const __m128d halves = _mm_add_pd(_mm256_castpd256_pd128(v), _mm256_extractf128_pd(v, 1));
        return _mm_cvtsd_f64(_mm_add_sd(halves, _mm_unpackhi_pd(halves, halves)));
    }
};

}  // namespace

const BestQualityKernels kBestQualityAvx2Kernels = MakeBestQualityKernels<Avx2Doubles>("avx2");

}  // namespace zel
