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
#include <utility>

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

// The same pass with vectors of V::kWidth points along q (s a multiple of the width).
template <class V>
void Radix4PassVector(const double* tw, std::int64_t n, std::int64_t s,
                      const double* __restrict xr, const double* __restrict xi,
                      double* __restrict yr, double* __restrict yi) {
    using Reg = typename V::Reg;
    const std::int64_t m = n / 4;
    const std::int64_t sm = s * m;
    for (std::int64_t p = 0; p < m; ++p) {
        const Reg c1 = V::Set(tw[p]), s1 = V::Set(tw[m + p]);
        const Reg c2 = V::Set(tw[2 * m + p]), s2 = V::Set(tw[3 * m + p]);
        const Reg c3 = V::Set(tw[4 * m + p]), s3 = V::Set(tw[5 * m + p]);
        const double* ar = xr + s * p;
        const double* ai = xi + s * p;
        double* outR = yr + s * 4 * p;
        double* outI = yi + s * 4 * p;
        for (std::int64_t q = 0; q < s; q += V::kWidth) {
            const Reg aR = V::Load(ar + q), aI = V::Load(ai + q);
            const Reg bR = V::Load(ar + q + sm), bI = V::Load(ai + q + sm);
            const Reg cR = V::Load(ar + q + 2 * sm), cI = V::Load(ai + q + 2 * sm);
            const Reg dR = V::Load(ar + q + 3 * sm), dI = V::Load(ai + q + 3 * sm);
            const Reg apcR = V::Add(aR, cR), apcI = V::Add(aI, cI);
            const Reg amcR = V::Sub(aR, cR), amcI = V::Sub(aI, cI);
            const Reg bpdR = V::Add(bR, dR), bpdI = V::Add(bI, dI);
            // j (b - d) = (dI - bI) + j (bR - dR)
            const Reg jR = V::Sub(dI, bI), jI = V::Sub(bR, dR);
            V::Store(outR + q, V::Add(apcR, bpdR));
            V::Store(outI + q, V::Add(apcI, bpdI));
            const Reg r1 = V::Sub(amcR, jR), i1 = V::Sub(amcI, jI);
            V::Store(outR + q + s, V::Sub(V::Mul(c1, r1), V::Mul(s1, i1)));
            V::Store(outI + q + s, V::MulAdd(c1, i1, V::Mul(s1, r1)));
            const Reg r2 = V::Sub(apcR, bpdR), i2 = V::Sub(apcI, bpdI);
            V::Store(outR + q + 2 * s, V::Sub(V::Mul(c2, r2), V::Mul(s2, i2)));
            V::Store(outI + q + 2 * s, V::MulAdd(c2, i2, V::Mul(s2, r2)));
            const Reg r3 = V::Add(amcR, jR), i3 = V::Add(amcI, jI);
            V::Store(outR + q + 3 * s, V::Sub(V::Mul(c3, r3), V::Mul(s3, i3)));
            V::Store(outI + q + 3 * s, V::MulAdd(c3, i3, V::Mul(s3, r3)));
        }
    }
}

// The first pass (s = 1): vectors of V::kWidth along p, whose results interleave, so each
// vector goes out lane by lane (m a multiple of the width).
template <class V>
void Radix4FirstPassVector(const double* tw, std::int64_t n, const double* __restrict xr,
                           const double* __restrict xi, double* __restrict yr,
                           double* __restrict yi) {
    using Reg = typename V::Reg;
    constexpr int kWidth = V::kWidth;
    const std::int64_t m = n / 4;
    alignas(64) double lanes[8][kWidth];
    for (std::int64_t p = 0; p < m; p += kWidth) {
        const Reg c1 = V::Load(tw + p), s1 = V::Load(tw + m + p);
        const Reg c2 = V::Load(tw + 2 * m + p), s2 = V::Load(tw + 3 * m + p);
        const Reg c3 = V::Load(tw + 4 * m + p), s3 = V::Load(tw + 5 * m + p);
        const Reg aR = V::Load(xr + p), aI = V::Load(xi + p);
        const Reg bR = V::Load(xr + p + m), bI = V::Load(xi + p + m);
        const Reg cR = V::Load(xr + p + 2 * m), cI = V::Load(xi + p + 2 * m);
        const Reg dR = V::Load(xr + p + 3 * m), dI = V::Load(xi + p + 3 * m);
        const Reg apcR = V::Add(aR, cR), apcI = V::Add(aI, cI);
        const Reg amcR = V::Sub(aR, cR), amcI = V::Sub(aI, cI);
        const Reg bpdR = V::Add(bR, dR), bpdI = V::Add(bI, dI);
        const Reg jR = V::Sub(dI, bI), jI = V::Sub(bR, dR);
        V::Store(lanes[0], V::Add(apcR, bpdR));
        V::Store(lanes[1], V::Add(apcI, bpdI));
        const Reg r1 = V::Sub(amcR, jR), i1 = V::Sub(amcI, jI);
        V::Store(lanes[2], V::Sub(V::Mul(c1, r1), V::Mul(s1, i1)));
        V::Store(lanes[3], V::MulAdd(c1, i1, V::Mul(s1, r1)));
        const Reg r2 = V::Sub(apcR, bpdR), i2 = V::Sub(apcI, bpdI);
        V::Store(lanes[4], V::Sub(V::Mul(c2, r2), V::Mul(s2, i2)));
        V::Store(lanes[5], V::MulAdd(c2, i2, V::Mul(s2, r2)));
        const Reg r3 = V::Add(amcR, jR), i3 = V::Add(amcI, jI);
        V::Store(lanes[6], V::Sub(V::Mul(c3, r3), V::Mul(s3, i3)));
        V::Store(lanes[7], V::MulAdd(c3, i3, V::Mul(s3, r3)));
        for (int l = 0; l < kWidth; ++l) {
            double* outR = yr + 4 * (p + l);
            double* outI = yi + 4 * (p + l);
            for (int j = 0; j < 4; ++j) {
                outR[j] = lanes[2 * j][l];
                outI[j] = lanes[2 * j + 1][l];
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
void ComplexFft(const ComplexFftPlan& plan, double* re, double* im, double* workRe,
                double* workIm) {
    double* xr = re;
    double* xi = im;
    double* yr = workRe;
    double* yi = workIm;
    const double* tw = plan.twiddles.data();
    std::int64_t n = plan.size;
    std::int64_t s = 1;
    for (; n >= 4; n /= 4, s *= 4) {
        if (s % V::kWidth == 0)
            Radix4PassVector<V>(tw, n, s, xr, xi, yr, yi);
        else if (s == 1 && (n / 4) % V::kWidth == 0)
            Radix4FirstPassVector<V>(tw, n, xr, xi, yr, yi);
        else
            Radix4Pass(tw, n, s, xr, xi, yr, yi);
        tw += 6 * (n / 4);
        std::swap(xr, yr);
        std::swap(xi, yi);
    }
    if (n == 2) {
        Radix2LastPass(s, xr, xi, yr, yi);
        std::swap(xr, yr);
        std::swap(xi, yi);
    }
    if (xr != re) {
        for (std::int64_t k = 0; k < plan.size; ++k) {
            re[k] = xr[k];
            im[k] = xi[k];
        }
    }
}

}  // namespace
}  // namespace zel
