// The best-quality mode with SSE2: two doubles per tap group, multiply then add.

#include <emmintrin.h>

#include "engine/resample/hq/best_quality_kernel_body.h"

namespace zel {
namespace {

struct Sse2Doubles {
    using Reg = __m128d;
    static constexpr int kWidth = 2;
    static __m128d Zero() { return _mm_setzero_pd(); }
    static __m128d Load(const double* p) { return _mm_loadu_pd(p); }
    static __m128d Set(double v) { return _mm_set1_pd(v); }
    static void Store(double* p, __m128d v) { _mm_storeu_pd(p, v); }
    static __m128d Add(__m128d a, __m128d b) { return _mm_add_pd(a, b); }
    static __m128d Sub(__m128d a, __m128d b) { return _mm_sub_pd(a, b); }
    static __m128d Mul(__m128d a, __m128d b) { return _mm_mul_pd(a, b); }
    static __m128d MulAdd(__m128d a, __m128d b, __m128d c) {
        return _mm_add_pd(_mm_mul_pd(a, b), c);
    }
    static double Sum(__m128d v) { return _mm_cvtsd_f64(_mm_add_sd(v, _mm_unpackhi_pd(v, v))); }
};

}  // namespace

const BestQualityKernels kBestQualitySse2Kernels = MakeBestQualityKernels<Sse2Doubles>("sse2");

}  // namespace zel
