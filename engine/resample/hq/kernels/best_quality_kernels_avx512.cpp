// The best-quality mode with AVX-512: eight doubles per vector, fused multiply-add, in the
// transforms, the spectrum product and the halvings. Its thirty-two registers hold a whole
// 8-point block of the transforms, eight blocks side by side, where sixteen spill.

// GCC 12 takes the undefined vector its unpack and shuffle intrinsics start from for an
// uninitialised read once they are inlined deep enough; there is no such read.
#pragma GCC diagnostic ignored "-Wuninitialized"

#include <immintrin.h>

#include "engine/resample/hq/best_quality_kernel_body.h"
#include "engine/resample/hq/kernels/avx2_vectors.h"

namespace zel {
namespace {

struct Avx512Doubles {
    using Reg = __m512d;
    using Half = Avx2Doubles;
    static constexpr int kWidth = 8;
    static __m512d Zero() { return _mm512_setzero_pd(); }
    static __m512d Load(const double* p) { return _mm512_loadu_pd(p); }
    static __m512d Set(double v) { return _mm512_set1_pd(v); }
    static void Store(double* p, __m512d v) { _mm512_storeu_pd(p, v); }
    static __m512d Add(__m512d a, __m512d b) { return _mm512_add_pd(a, b); }
    static __m512d Sub(__m512d a, __m512d b) { return _mm512_sub_pd(a, b); }
    static __m512d Mul(__m512d a, __m512d b) { return _mm512_mul_pd(a, b); }
    static __m512d MulAdd(__m512d a, __m512d b, __m512d c) { return _mm512_fmadd_pd(a, b, c); }
    // a[0], b[0], a[1], b[1] .. a[7], b[7] at p.
    static void StoreInterleaved(double* p, __m512d a, __m512d b) {
        const __m512i low = _mm512_setr_epi64(0, 8, 1, 9, 2, 10, 3, 11);
        const __m512i high = _mm512_setr_epi64(4, 12, 5, 13, 6, 14, 7, 15);
        _mm512_storeu_pd(p, _mm512_permutex2var_pd(a, low, b));
        _mm512_storeu_pd(p + 8, _mm512_permutex2var_pd(a, high, b));
    }
    // Rows become columns: r[i][j] = old r[j][i]. Pairs within 128-bit pieces first, then
    // the pieces.
    static void Transpose8(__m512d (&r)[8]) {
        __m512d t[8];
        for (int k = 0; k < 4; ++k) {
            t[2 * k] = _mm512_unpacklo_pd(r[2 * k], r[2 * k + 1]);
            t[2 * k + 1] = _mm512_unpackhi_pd(r[2 * k], r[2 * k + 1]);
        }
        // Pieces 0 and 2 of the first, then of the second (0x88); pieces 1 and 3 (0xDD).
        const __m512d u0 = _mm512_shuffle_f64x2(t[0], t[2], 0x88);  // columns 0, 4
        const __m512d u1 = _mm512_shuffle_f64x2(t[0], t[2], 0xDD);  // 2, 6
        const __m512d u2 = _mm512_shuffle_f64x2(t[1], t[3], 0x88);  // 1, 5
        const __m512d u3 = _mm512_shuffle_f64x2(t[1], t[3], 0xDD);  // 3, 7
        const __m512d u4 = _mm512_shuffle_f64x2(t[4], t[6], 0x88);
        const __m512d u5 = _mm512_shuffle_f64x2(t[4], t[6], 0xDD);
        const __m512d u6 = _mm512_shuffle_f64x2(t[5], t[7], 0x88);
        const __m512d u7 = _mm512_shuffle_f64x2(t[5], t[7], 0xDD);
        r[0] = _mm512_shuffle_f64x2(u0, u4, 0x88);
        r[4] = _mm512_shuffle_f64x2(u0, u4, 0xDD);
        r[2] = _mm512_shuffle_f64x2(u1, u5, 0x88);
        r[6] = _mm512_shuffle_f64x2(u1, u5, 0xDD);
        r[1] = _mm512_shuffle_f64x2(u2, u6, 0x88);
        r[5] = _mm512_shuffle_f64x2(u2, u6, 0xDD);
        r[3] = _mm512_shuffle_f64x2(u3, u7, 0x88);
        r[7] = _mm512_shuffle_f64x2(u3, u7, 0xDD);
    }
};

}  // namespace

// The dot products keep AVX2's four lanes: their rows are short (24 taps in the stage after
// the steep one), and eight lanes, whose products cost as much as two of four on processors
// that split them, only lengthened the closing sums.
const BestQualityKernels kBestQualityAvx512Kernels = {
    "avx512",
    BestPhaseRun<Avx2Doubles>,
    BestRowRun<Avx2Doubles>,
    BestSplitRowRun<Avx2Doubles>,
    BestInterpolated<Avx2Doubles>,
    FftToPermuted<Avx512Doubles>,
    FftFromPermuted<Avx512Doubles>,
    BestHalve<Avx512Doubles>,
    SpectrumProduct<Avx512Doubles>,
    BestInterleave<Avx512Doubles>,
    FilterFromPermuted<Avx512Doubles>,
};

}  // namespace zel
