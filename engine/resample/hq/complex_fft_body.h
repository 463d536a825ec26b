#pragma once
// The complex transform's passes (Stockham's self-sorting radix 4, one radix-2 pass last
// when the size is not a power of four), over a vector type V of doubles that each kernel
// file supplies: every pass but the first runs over contiguous runs of points at least a
// vector long (the first, of runs of one point, is plain scalar code).
//
// V provides, besides what best_quality_kernel_body.h uses: Store(p, r), Add and Sub.
//
// Only for the kernel files; internal linkage.

#include <cstdint>

#include "engine/resample/hq/complex_fft.h"

namespace zel {
namespace {

// One radix-4 pass: n points at stride s, from (xr, xi) into (yr, yi).
inline void Radix4Pass(const double* tw, std::int64_t n, std::int64_t s,
                       const double* __restrict xr, const double* __restrict xi,
                       double* __restrict yr, double* __restrict yi) {
    const std::int64_t m = n / 4;
    const double* w1r = tw;
    const double* w1i = tw + m;
    const double* w2r = tw + 2 * m;
    const double* w2i = tw + 3 * m;
    const double* w3r = tw + 4 * m;
    const double* w3i = tw + 5 * m;
    for (std::int64_t p = 0; p < m; ++p) {
        const double c1 = w1r[p], s1 = w1i[p], c2 = w2r[p], s2 = w2i[p], c3 = w3r[p], s3 = w3i[p];
        const double* ar = xr + s * p;
        const double* ai = xi + s * p;
        double* outR = yr + s * 4 * p;
        double* outI = yi + s * 4 * p;
        for (std::int64_t q = 0; q < s; ++q) {
            const double aR = ar[q], aI = ai[q];
            const double bR = ar[q + s * m], bI = ai[q + s * m];
            const double cR = ar[q + 2 * s * m], cI = ai[q + 2 * s * m];
            const double dR = ar[q + 3 * s * m], dI = ai[q + 3 * s * m];
            const double apcR = aR + cR, apcI = aI + cI;
            const double amcR = aR - cR, amcI = aI - cI;
            const double bpdR = bR + dR, bpdI = bI + dI;
            // j (b - d)
            const double jR = -(bI - dI), jI = bR - dR;
            outR[q] = apcR + bpdR;
            outI[q] = apcI + bpdI;
            const double r1 = amcR - jR, i1 = amcI - jI;
            outR[q + s] = c1 * r1 - s1 * i1;
            outI[q + s] = c1 * i1 + s1 * r1;
            const double r2 = apcR - bpdR, i2 = apcI - bpdI;
            outR[q + 2 * s] = c2 * r2 - s2 * i2;
            outI[q + 2 * s] = c2 * i2 + s2 * r2;
            const double r3 = amcR + jR, i3 = amcI + jI;
            outR[q + 3 * s] = c3 * r3 - s3 * i3;
            outI[q + 3 * s] = c3 * i3 + s3 * r3;
        }
    }
}

// One radix-4 butterfly on vectors: in holds a, b, c, d (real, imaginary), w the twiddles
// W^p, W^2p, W^3p (cosine, sine); out receives the four outputs (real, imaginary).
template <class V>
inline void Butterfly4(const typename V::Reg (&in)[8], const typename V::Reg (&w)[6],
                       typename V::Reg (&out)[8]) {
    using Reg = typename V::Reg;
    const Reg apcR = V::Add(in[0], in[4]), apcI = V::Add(in[1], in[5]);
    const Reg amcR = V::Sub(in[0], in[4]), amcI = V::Sub(in[1], in[5]);
    const Reg bpdR = V::Add(in[2], in[6]), bpdI = V::Add(in[3], in[7]);
    // j (b - d) = (dI - bI) + j (bR - dR)
    const Reg jR = V::Sub(in[7], in[3]), jI = V::Sub(in[2], in[6]);
    const Reg r[3] = {V::Sub(amcR, jR), V::Sub(apcR, bpdR), V::Add(amcR, jR)};
    const Reg i[3] = {V::Sub(amcI, jI), V::Sub(apcI, bpdI), V::Add(amcI, jI)};
    out[0] = V::Add(apcR, bpdR);
    out[1] = V::Add(apcI, bpdI);
    #pragma GCC unroll 8
    for (int k = 0; k < 3; ++k) {
        out[2 + 2 * k] = V::Sub(V::Mul(w[2 * k], r[k]), V::Mul(w[2 * k + 1], i[k]));
        out[3 + 2 * k] = V::MulAdd(w[2 * k], i[k], V::Mul(w[2 * k + 1], r[k]));
    }
}

// The same pass with vectors of V::kWidth points along q (s a multiple of the width).
template <class V>
void Radix4PassVector(const double* tw, std::int64_t n, std::int64_t s,
                      const double* __restrict xr, const double* __restrict xi,
                      double* __restrict yr, double* __restrict yi) {
    using Reg = typename V::Reg;
    const std::int64_t m = n / 4;
    for (std::int64_t p = 0; p < m; ++p) {
        Reg w[6];
        #pragma GCC unroll 8
        for (int k = 0; k < 6; ++k) w[k] = V::Set(tw[k * m + p]);
        const double* ar = xr + s * p;
        const double* ai = xi + s * p;
        double* outR = yr + s * 4 * p;
        double* outI = yi + s * 4 * p;
        for (std::int64_t q = 0; q < s; q += V::kWidth) {
            Reg in[8];
            #pragma GCC unroll 8
            for (int j = 0; j < 4; ++j) {
                in[2 * j] = V::Load(ar + q + j * s * m);
                in[2 * j + 1] = V::Load(ai + q + j * s * m);
            }
            Reg out[8];
            Butterfly4<V>(in, w, out);
            #pragma GCC unroll 8
            for (int j = 0; j < 4; ++j) {
                V::Store(outR + q + j * s, out[2 * j]);
                V::Store(outI + q + j * s, out[2 * j + 1]);
            }
        }
    }
}

// The first pass (s = 1): vectors of V::kWidth along p, whose results interleave, so each
// vector goes out lane by lane (m a multiple of the width), or, where V has
// Transpose4 (four lanes), transposed in registers.
template <class V>
void Radix4FirstPassVector(const double* tw, std::int64_t n, const double* __restrict xr,
                           const double* __restrict xi, double* __restrict yr,
                           double* __restrict yi) {
    using Reg = typename V::Reg;
    constexpr int kWidth = V::kWidth;
    const std::int64_t m = n / 4;
    alignas(64) double lanes[8][kWidth];
    for (std::int64_t p = 0; p < m; p += kWidth) {
        Reg w[6];
        #pragma GCC unroll 8
        for (int k = 0; k < 6; ++k) w[k] = V::Load(tw + k * m + p);
        Reg in[8];
        #pragma GCC unroll 8
        for (int j = 0; j < 4; ++j) {
            in[2 * j] = V::Load(xr + p + j * m);
            in[2 * j + 1] = V::Load(xi + p + j * m);
        }
        Reg out[8];
        Butterfly4<V>(in, w, out);
        if constexpr (kWidth == 4) {
            // Four outputs of four butterflies: transposed in registers, each butterfly's
            // four go out as one vector.
            Reg real[4] = {out[0], out[2], out[4], out[6]};
            Reg imag[4] = {out[1], out[3], out[5], out[7]};
            V::Transpose4(real);
            V::Transpose4(imag);
            #pragma GCC unroll 4
            for (int l = 0; l < 4; ++l) {
                V::Store(yr + 4 * (p + l), real[l]);
                V::Store(yi + 4 * (p + l), imag[l]);
            }
            continue;
        }
        #pragma GCC unroll 8
        for (int k = 0; k < 8; ++k) V::Store(lanes[k], out[k]);
        for (int l = 0; l < kWidth; ++l) {
            #pragma GCC unroll 8
            for (int j = 0; j < 4; ++j) {
                yr[4 * (p + l) + j] = lanes[2 * j][l];
                yi[4 * (p + l) + j] = lanes[2 * j + 1][l];
            }
        }
    }
}

inline void Radix2LastPass(std::int64_t s, const double* __restrict xr,
                           const double* __restrict xi, double* __restrict yr,
                           double* __restrict yi) {
    for (std::int64_t q = 0; q < s; ++q) {
        yr[q] = xr[q] + xr[q + s];
        yi[q] = xi[q] + xi[q + s];
        yr[q + s] = xr[q] - xr[q + s];
        yi[q + s] = xi[q] - xi[q + s];
    }
}

template <class V>
SplitComplex ComplexFft(const ComplexFftPlan& plan, const double* re, const double* im,
                        SplitComplex a, SplitComplex b) {
    const double* xr = re;
    const double* xi = im;
    // Each pass writes into the pair its input does not lie in.
    SplitComplex y = re == a.re ? b : a;
    const auto step = [&] {
        xr = y.re;
        xi = y.im;
        y = y.re == a.re ? b : a;
    };
    const double* tw = plan.twiddles.data();
    std::int64_t n = plan.size;
    std::int64_t s = 1;
    for (; n >= 4; n /= 4, s *= 4) {
        if (s % V::kWidth == 0)
            Radix4PassVector<V>(tw, n, s, xr, xi, y.re, y.im);
        else if (s == 1 && (n / 4) % V::kWidth == 0)
            Radix4FirstPassVector<V>(tw, n, xr, xi, y.re, y.im);
        else
            Radix4Pass(tw, n, s, xr, xi, y.re, y.im);
        tw += 6 * (n / 4);
        step();
    }
    if (n == 2) {
        Radix2LastPass(s, xr, xi, y.re, y.im);
        step();
    }
    return xr == a.re ? a : b;
}

}  // namespace
}  // namespace zel
