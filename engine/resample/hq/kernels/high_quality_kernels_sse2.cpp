// The high-quality mode with SSE2: four lanes per tap group, multiply then add.

#include <emmintrin.h>

#include "engine/resample/hq/high_quality_kernel_body.h"
#include "engine/resample/standard/kernels/lane_sum_filter.h"

namespace zel {
namespace {

struct Sse2Vector {
    using Reg = __m128;
    static constexpr int kWidth = 4;
    static __m128 Zero() { return _mm_setzero_ps(); }
    static __m128 Load(const float* p) { return _mm_loadu_ps(p); }
    static void Store(float* p, __m128 v) { _mm_storeu_ps(p, v); }
    static __m128 Set(float v) { return _mm_set1_ps(v); }
    static __m128 Add(__m128 a, __m128 b) { return _mm_add_ps(a, b); }
    static __m128 Sub(__m128 a, __m128 b) { return _mm_sub_ps(a, b); }
    static void Split(const float* p, __m128& even, __m128& odd) {
        const __m128 a = _mm_loadu_ps(p);
        const __m128 b = _mm_loadu_ps(p + 4);
        even = _mm_shuffle_ps(a, b, 0x88);
        odd = _mm_shuffle_ps(a, b, 0xDD);
    }
    static __m128 InRegister(__m128 r) {
        asm("" : "+x"(r));
        return r;
    }
    static __m128 MulAdd(__m128 a, __m128 b, __m128 c) { return _mm_add_ps(_mm_mul_ps(a, b), c); }
    static void Close(const __m128 (&acc)[kGroup], float* out) {
        _mm_storeu_ps(out, CloseAlternatePairs(acc[0], acc[1], acc[2], acc[3]));
    }
};

}  // namespace

const HighQualityKernels kHighQualitySse2Kernels = MakeHighQualityKernels<Sse2Vector>("sse2");

}  // namespace zel
