#pragma once
// The AVX2/FMA vector types of the high- and best-quality kernels, shared by the AVX2 build
// and the AVX-512 build, which keeps them for the loops wider vectors do not speed up.
//
// Only for the kernel files; internal linkage.

#include <immintrin.h>

#include "engine/resample/standard/kernels/lane_sum_filter.h"

namespace zel {
namespace {

// Eight floats per tap group, fused multiply-add.
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
    static void Close(const __m256 (&acc)[4], float* out) {
        _mm_storeu_ps(out, CloseAlternatePairs(FoldHalves(acc[0]), FoldHalves(acc[1]),
                                               FoldHalves(acc[2]), FoldHalves(acc[3])));
    }
};

// Four doubles per tap group, fused multiply-add.
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
    // The lanes of r[0] .. r[3] summed, rounded to float and stored as four floats at out.
    static void StoreSum4(float* out, const __m256d (&r)[4]) {
        const __m256d s01 = _mm256_hadd_pd(r[0], r[1]);
        const __m256d s23 = _mm256_hadd_pd(r[2], r[3]);
        _mm_storeu_ps(out, _mm256_cvtpd_ps(_mm256_add_pd(_mm256_permute2f128_pd(s01, s23, 0x20),
                                                         _mm256_permute2f128_pd(s01, s23, 0x31))));
    }
    // a[0], b[0] .. a[3], b[3] at p.
    static void StoreInterleaved(double* p, __m256d a, __m256d b) {
        const __m256d low = _mm256_unpacklo_pd(a, b);   // a0 b0 a2 b2
        const __m256d high = _mm256_unpackhi_pd(a, b);  // a1 b1 a3 b3
        _mm256_storeu_pd(p, _mm256_permute2f128_pd(low, high, 0x20));
        _mm256_storeu_pd(p + 4, _mm256_permute2f128_pd(low, high, 0x31));
    }
    static double Sum(__m256d v) {
        const __m128d halves = _mm_add_pd(_mm256_castpd256_pd128(v), _mm256_extractf128_pd(v, 1));
        return _mm_cvtsd_f64(_mm_add_sd(halves, _mm_unpackhi_pd(halves, halves)));
    }
};

}  // namespace
}  // namespace zel
