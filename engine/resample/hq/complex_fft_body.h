#pragma once
// The complex transform in place, for fast convolution: the forward transform by
// decimation in frequency leaves the spectrum in digit-reversed order, and the transform
// by decimation in time takes that order back to natural order. A product of two spectra
// in the same order needs no reordering, so neither direction ever sorts.
//
// Depth first: after a level of radix-4 butterflies over n points, each quarter is
// transformed whole before the next, so below the first levels every quarter lies in the
// first-level cache. The last two levels (blocks of 4 or 8 points, 8 when the size is not
// a power of four: one radix-4 level with one radix-2 after it) run as many blocks at a time
// as V has lanes, transposed into vectors: sixteen blocks are ready together, as the levels
// above them are done for four siblings before their blocks. The forward transform stores
// such blocks as they are computed, transposed (point i of the k-th block of a group at
// k + lanes x i, not at b x k + i), and the transform back reads them so and transposes
// once, at its end: the spectrum's order is each build's own, the same in both directions,
// and no transposition is ever undone. With eight lanes, the level of 32 points over blocks
// of 8 runs in their pass, on the registers before they are transposed.
//
// V provides, besides what best_quality_kernel_body.h uses: Store(p, r), Add, Sub and,
// with four lanes, Transpose4(r[4]); with eight, Transpose8(r[8]) and Half, a V of four
// lanes for levels and blocks too short for eight.
//
// Only for the kernel files; internal linkage.

#include <cstdint>

#include "engine/resample/hq/complex_fft.h"

namespace zel {
namespace {

// One double as a vector of one lane: the levels whose quarters are shorter than a vector.
struct FftLane {
    using Reg = double;
    static constexpr int kWidth = 1;
    static double Load(const double* p) { return *p; }
    static double Set(double v) { return v; }
    static void Store(double* p, double v) { *p = v; }
    static double Add(double a, double b) { return a + b; }
    static double Sub(double a, double b) { return a - b; }
    static double Mul(double a, double b) { return a * b; }
    static double MulAdd(double a, double b, double c) { return a * b + c; }
};

// The 4-point transform: in holds a, b, c, d (real, imaginary), out receives
// a + b + c + d, a - jb - c + jd, a - b + c - d, a + jb - c - jd.
template <class V>
inline void Butterfly4Plain(const typename V::Reg (&in)[8], typename V::Reg (&out)[8]) {
    using Reg = typename V::Reg;
    const Reg apcR = V::Add(in[0], in[4]), apcI = V::Add(in[1], in[5]);
    const Reg amcR = V::Sub(in[0], in[4]), amcI = V::Sub(in[1], in[5]);
    const Reg bpdR = V::Add(in[2], in[6]), bpdI = V::Add(in[3], in[7]);
    // j (b - d) = (dI - bI) + j (bR - dR)
    const Reg jR = V::Sub(in[7], in[3]), jI = V::Sub(in[2], in[6]);
    out[0] = V::Add(apcR, bpdR);
    out[1] = V::Add(apcI, bpdI);
    out[2] = V::Sub(amcR, jR);
    out[3] = V::Sub(amcI, jI);
    out[4] = V::Sub(apcR, bpdR);
    out[5] = V::Sub(apcI, bpdI);
    out[6] = V::Add(amcR, jR);
    out[7] = V::Add(amcI, jI);
}

// (re + j im) x (c + j s), in place.
template <class V>
inline void Rotate(typename V::Reg& re, typename V::Reg& im, typename V::Reg c,
                   typename V::Reg s) {
    const typename V::Reg r = V::Sub(V::Mul(c, re), V::Mul(s, im));
    im = V::MulAdd(c, im, V::Mul(s, re));
    re = r;
}

// The butterfly of one level with its twiddles W^(k p) as (cos, sin) in w[2 k - 2], w[2 k -
// 1]: in time applied to the inputs before it, in frequency to the outputs after it.
template <class V, bool FrequencyFirst>
[[gnu::always_inline]] inline void TwiddledButterfly4(typename V::Reg (&in)[8],
                                                      const typename V::Reg (&w)[6],
                                                      typename V::Reg (&out)[8]) {
    if (!FrequencyFirst) {
        #pragma GCC unroll 3
        for (int k = 1; k < 4; ++k)
            Rotate<V>(in[2 * k], in[2 * k + 1], w[2 * k - 2], w[2 * k - 1]);
    }
    Butterfly4Plain<V>(in, out);
    if (FrequencyFirst) {
        #pragma GCC unroll 3
        for (int k = 1; k < 4; ++k)
            Rotate<V>(out[2 * k], out[2 * k + 1], w[2 * k - 2], w[2 * k - 1]);
    }
}

// One level over n points (m = n / 4 a multiple of V's width). Decimation in frequency:
// x[p + r m] <- W^(r p) x (the r-th output of the butterfly of x[p + j m]); in time, the
// twiddles come first: the butterfly of W^(j p) x[p + j m]. W = e^(-2 pi i / n); tw holds
// W^p, W^2p and W^3p as re1, im1, re2, im2, re3, im3 runs of m.
// With Derived, W^2p and W^3p are formed from W^p instead of read: in the long levels,
// whose tables are as large as their points, reading a third of the twiddles saves more
// than the four products cost (in the short ones, which stay in the first-level cache, it
// does not).
template <class V, bool FrequencyFirst, bool Derived = false>
void Level(const double* tw, std::int64_t n, double* __restrict re, double* __restrict im) {
    using Reg = typename V::Reg;
    const std::int64_t m = n / 4;
    // Two steps at a time: the next loads start while the last products are formed.
    #pragma GCC unroll 2
    for (std::int64_t p = 0; p < m; p += V::kWidth) {
        Reg in[8];
        #pragma GCC unroll 4
        for (int j = 0; j < 4; ++j) {
            in[2 * j] = V::Load(re + p + j * m);
            in[2 * j + 1] = V::Load(im + p + j * m);
        }
        // W^(k p) as (cos, sin) in w[2 k - 2], w[2 k - 1].
        Reg w[6];
        if (Derived) {
            w[0] = V::Load(tw + p);
            w[1] = V::Load(tw + m + p);
            w[2] = w[0];
            w[3] = w[1];
            Rotate<V>(w[2], w[3], w[0], w[1]);
            w[4] = w[2];
            w[5] = w[3];
            Rotate<V>(w[4], w[5], w[0], w[1]);
        } else {
            #pragma GCC unroll 6
            for (int k = 0; k < 6; ++k) w[k] = V::Load(tw + k * m + p);
        }
        Reg out[8];
        TwiddledButterfly4<V, FrequencyFirst>(in, w, out);
        #pragma GCC unroll 4
        for (int j = 0; j < 4; ++j) {
            V::Store(re + p + j * m, out[2 * j]);
            V::Store(im + p + j * m, out[2 * j + 1]);
        }
    }
}

template <class V>
concept HasHalfWidth = requires { typename V::Half; };

template <class V, bool FrequencyFirst>
void AnyLevel(const double* tw, std::int64_t n, double* re, double* im) {
    if ((n / 4) % V::kWidth == 0) {
        if (V::kWidth >= 4 && n >= 512)
            Level<V, FrequencyFirst, true>(tw, n, re, im);
        else
            Level<V, FrequencyFirst>(tw, n, re, im);
        return;
    }
    if constexpr (HasHalfWidth<V>)
        AnyLevel<typename V::Half, FrequencyFirst>(tw, n, re, im);
    else
        Level<FftLane, FrequencyFirst>(tw, n, re, im);
}

// Pairs (x[2 r], x[2 r + 1]) <- (sum, difference), for r < pairs.
template <class V>
inline void Radix2Pairs(typename V::Reg* re, typename V::Reg* im, int pairs) {
    #pragma GCC unroll 8
    for (int r = 0; r < pairs; ++r) {
        const auto sumR = V::Add(re[2 * r], re[2 * r + 1]);
        const auto sumI = V::Add(im[2 * r], im[2 * r + 1]);
        re[2 * r + 1] = V::Sub(re[2 * r], re[2 * r + 1]);
        im[2 * r + 1] = V::Sub(im[2 * r], im[2 * r + 1]);
        re[2 * r] = sumR;
        im[2 * r] = sumI;
    }
}

// The whole transform of one block of b = 2, 4 or 8 points held in registers (one point,
// or one lane of each of several blocks, per register), `tw` the twiddles of size b.
// b is a constant, so that every loop unrolls and the points stay in registers.
template <class V, bool FrequencyFirst, int b>
[[gnu::always_inline]] inline void SmallBlock(const double* tw, typename V::Reg* re,
                                              typename V::Reg* im) {
    using Reg = typename V::Reg;
    if constexpr (b == 2) {
        Radix2Pairs<V>(re, im, 1);
        return;
    }
    // Size 8: a radix-4 level with m = 2, then radix 2 on each pair; in time, the reverse.
    constexpr int m = b / 4;
    if (!FrequencyFirst && b == 8) Radix2Pairs<V>(re, im, 4);
    #pragma GCC unroll 2
    for (int p = 0; p < m; ++p) {
        Reg in[8];
        #pragma GCC unroll 4
        for (int j = 0; j < 4; ++j) {
            in[2 * j] = re[p + j * m];
            in[2 * j + 1] = im[p + j * m];
        }
        if (!FrequencyFirst && p > 0) {
            #pragma GCC unroll 8
            for (int k = 1; k < 4; ++k)
                Rotate<V>(in[2 * k], in[2 * k + 1], V::Set(tw[(2 * k - 2) * m + p]),
                          V::Set(tw[(2 * k - 1) * m + p]));
        }
        Reg out[8];
        Butterfly4Plain<V>(in, out);
        if (FrequencyFirst && p > 0) {
            #pragma GCC unroll 8
            for (int k = 1; k < 4; ++k)
                Rotate<V>(out[2 * k], out[2 * k + 1], V::Set(tw[(2 * k - 2) * m + p]),
                          V::Set(tw[(2 * k - 1) * m + p]));
        }
        #pragma GCC unroll 8
        for (int j = 0; j < 4; ++j) {
            re[p + j * m] = out[2 * j];
            im[p + j * m] = out[2 * j + 1];
        }
    }
    if (FrequencyFirst && b == 8) Radix2Pairs<V>(re, im, 4);
}

// Where the first pass of a transform reads its points: the arrays it works in, in place.
struct InPlacePoints {
    template <class V>
    void Load(const double* re, const double* im, typename V::Reg& r, typename V::Reg& i) const {
        r = V::Load(re);
        i = V::Load(im);
    }
};

// One bin of the product x h, swapped: the real part into im, the imaginary part into re.
template <class V>
inline void SwappedProduct(typename V::Reg xr, typename V::Reg xi, typename V::Reg hr,
                           typename V::Reg hi, typename V::Reg& re, typename V::Reg& im) {
    im = V::Sub(V::Mul(xr, hr), V::Mul(xi, hi));
    re = V::MulAdd(xr, hi, V::Mul(xi, hr));
}

// Or, for the inverse transform of a filtered spectrum, the product x h of two spectra bin by
// bin, swapped (the real part as the imaginary one), formed as it is read: the transform
// starts with it in registers instead of reading back a whole array written just before. The
// point at re + k is bin k of x and h (`at` is the arrays' start).
struct ProductPoints {
    const double* xRe;
    const double* xIm;
    const double* hRe;
    const double* hIm;
    const double* at;
    template <class V>
    void Load(const double* re, const double*, typename V::Reg& r, typename V::Reg& i) const {
        const std::int64_t k = re - at;
        const auto xr = V::Load(xRe + k), xi = V::Load(xIm + k);
        SwappedProduct<V>(xr, xi, V::Load(hRe + k), V::Load(hIm + k), r, i);
    }
};

// `blocks` consecutive blocks of b points (2, 4 or 8), each transformed whole, read through
// `points`.
template <class V, bool FrequencyFirst, int b, class Points>
void BlocksOf(const double* tw, std::int64_t blocks, double* re, double* im,
              const Points& points) {
    std::int64_t first = 0;
    if constexpr (V::kWidth == 8) {
        using Reg = typename V::Reg;
        // Eight blocks of eight points at once: point i of each in the lanes of register i,
        // the sixteen registers of a block all held at once.
        if constexpr (b == 8) {
            for (; first + 8 <= blocks; first += 8) {
                double* r0 = re + first * b;
                double* i0 = im + first * b;
                Reg xr[8], xi[8];
                #pragma GCC unroll 8
                for (int k = 0; k < 8; ++k)
                    points.template Load<V>(r0 + k * b, i0 + k * b, xr[k], xi[k]);
                if (FrequencyFirst) {
                    V::Transpose8(xr);
                    V::Transpose8(xi);
                }
                SmallBlock<V, FrequencyFirst, b>(tw, xr, xi);
                if (!FrequencyFirst) {
                    V::Transpose8(xr);
                    V::Transpose8(xi);
                }
                #pragma GCC unroll 8
                for (int k = 0; k < 8; ++k) {
                    V::Store(r0 + k * b, xr[k]);
                    V::Store(i0 + k * b, xi[k]);
                }
            }
        }
        // Blocks of four points, and the blocks left over, four at a time.
        BlocksOf<typename V::Half, FrequencyFirst, b>(tw, blocks - first, re + first * b,
                                                      im + first * b, points);
        return;
    }
    if constexpr (V::kWidth == 4 && b >= 4) {
        using Reg = typename V::Reg;
        // Four blocks at once: point i of each in the lanes of register i.
        for (; first + 4 <= blocks; first += 4) {
            double* r0 = re + first * b;
            double* i0 = im + first * b;
            Reg xr[8], xi[8];
            #pragma GCC unroll 8
            for (int half = 0; half < b / 4; ++half) {
                Reg (&rows)[4] = reinterpret_cast<Reg (&)[4]>(xr[4 * half]);
                Reg (&irows)[4] = reinterpret_cast<Reg (&)[4]>(xi[4 * half]);
                #pragma GCC unroll 8
                for (int k = 0; k < 4; ++k)
                    points.template Load<V>(r0 + k * b + 4 * half, i0 + k * b + 4 * half,
                                            rows[k], irows[k]);
                if (FrequencyFirst) {
                    V::Transpose4(rows);
                    V::Transpose4(irows);
                }
            }
            SmallBlock<V, FrequencyFirst, b>(tw, xr, xi);
            #pragma GCC unroll 8
            for (int half = 0; half < b / 4; ++half) {
                Reg (&rows)[4] = reinterpret_cast<Reg (&)[4]>(xr[4 * half]);
                Reg (&irows)[4] = reinterpret_cast<Reg (&)[4]>(xi[4 * half]);
                if (!FrequencyFirst) {
                    V::Transpose4(rows);
                    V::Transpose4(irows);
                }
                #pragma GCC unroll 8
                for (int k = 0; k < 4; ++k) {
                    V::Store(r0 + k * b + 4 * half, rows[k]);
                    V::Store(i0 + k * b + 4 * half, irows[k]);
                }
            }
        }
    }
    for (; first < blocks; ++first) {
        double xr[8], xi[8];
        #pragma GCC unroll 8
        for (int k = 0; k < b; ++k)
            points.template Load<FftLane>(re + first * b + k, im + first * b + k, xr[k], xi[k]);
        SmallBlock<FftLane, FrequencyFirst, b>(tw, xr, xi);
        #pragma GCC unroll 8
        for (int k = 0; k < b; ++k) {
            re[first * b + k] = xr[k];
            im[first * b + k] = xi[k];
        }
    }
}

// The level of 32 points over four blocks of 8, on registers that hold the points in
// natural order (register j of the two transforms in xr[4 h + j], lanes p < 8), with its
// twiddles W^(k p) in w as Level reads them.
template <class V, bool FrequencyFirst>
[[gnu::always_inline]] inline void LevelOf32(const typename V::Reg (&w)[6], typename V::Reg* xr,
                                             typename V::Reg* xi) {
    using Reg = typename V::Reg;
    #pragma GCC unroll 2
    for (int h = 0; h < 2; ++h) {
        Reg in[8], out[8];
        #pragma GCC unroll 4
        for (int j = 0; j < 4; ++j) {
            in[2 * j] = xr[4 * h + j];
            in[2 * j + 1] = xi[4 * h + j];
        }
        TwiddledButterfly4<V, FrequencyFirst>(in, w, out);
        #pragma GCC unroll 4
        for (int j = 0; j < 4; ++j) {
            xr[4 * h + j] = out[2 * j];
            xi[4 * h + j] = out[2 * j + 1];
        }
    }
}

// With eight lanes, transforms of 32 points (`blocks` / 4 of them, an even number): the
// level over each and its four blocks of 8, a group of two transforms in registers at a
// time, so that the level costs no pass of its own. `above` holds the level's twiddles,
// `tw` the blocks'. Every point goes through the operations of Level and BlocksOf.
template <class V, bool FrequencyFirst, class Points>
void BlocksUnder32(const double* above, const double* tw, std::int64_t blocks, double* re,
                   double* im, const Points& points) {
    if constexpr (V::kWidth == 8) {
        using Reg = typename V::Reg;
        Reg w[6];
        #pragma GCC unroll 6
        for (int k = 0; k < 6; ++k) w[k] = V::Load(above + 8 * k);
        for (std::int64_t first = 0; first < blocks; first += 8) {
            double* r0 = re + first * 8;
            double* i0 = im + first * 8;
            Reg xr[8], xi[8];
            #pragma GCC unroll 8
            for (int k = 0; k < 8; ++k)
                points.template Load<V>(r0 + k * 8, i0 + k * 8, xr[k], xi[k]);
            if (FrequencyFirst) {
                LevelOf32<V, true>(w, xr, xi);
                V::Transpose8(xr);
                V::Transpose8(xi);
            }
            SmallBlock<V, FrequencyFirst, 8>(tw, xr, xi);
            if (!FrequencyFirst) {
                V::Transpose8(xr);
                V::Transpose8(xi);
                LevelOf32<V, false>(w, xr, xi);
            }
            #pragma GCC unroll 8
            for (int k = 0; k < 8; ++k) {
                V::Store(r0 + k * 8, xr[k]);
                V::Store(i0 + k * 8, xi[k]);
            }
        }
    }
}

template <class V, bool FrequencyFirst, class Points = InPlacePoints>
void SmallBlocks(const double* tw, int b, std::int64_t blocks, double* re, double* im,
                 const Points& points = {}) {
    if (b == 8)
        BlocksOf<V, FrequencyFirst, 8>(tw, blocks, re, im, points);
    else if (b == 4)
        BlocksOf<V, FrequencyFirst, 4>(tw, blocks, re, im, points);
    else
        BlocksOf<V, FrequencyFirst, 2>(tw, blocks, re, im, points);
}

// The transform of n points at `tw` (its levels' twiddles one after another, as the plan
// holds them).
// Every point is read first by the blocks at the bottom, through `points`.
template <class V, bool FrequencyFirst, class Points = InPlacePoints>
void Recursive(const double* tw, std::int64_t n, double* re, double* im,
               const Points& points = {}) {
    if (n <= 8) {
        SmallBlocks<V, FrequencyFirst>(tw, static_cast<int>(n), 1, re, im, points);
        return;
    }
    const std::int64_t m = n / 4;
    const double* child = tw + 6 * m;
    if (FrequencyFirst) AnyLevel<V, true>(tw, n, re, im);
    if (m <= 8) {
        SmallBlocks<V, FrequencyFirst>(child, static_cast<int>(m), 4, re, im, points);
    } else if (V::kWidth == 8 && m == 32) {
        // The quarters' levels and their sixteen blocks of 8 in one pass.
        BlocksUnder32<V, FrequencyFirst>(child, child + 6 * 8, 16, re, im, points);
    } else if (m <= 32) {
        // The four quarters' levels, then their sixteen blocks together.
        const std::int64_t b = m / 4;
        if (FrequencyFirst)
            for (int r = 0; r < 4; ++r) AnyLevel<V, true>(child, m, re + r * m, im + r * m);
        SmallBlocks<V, FrequencyFirst>(child + 6 * b, static_cast<int>(b), 16, re, im, points);
        if (!FrequencyFirst)
            for (int r = 0; r < 4; ++r) AnyLevel<V, false>(child, m, re + r * m, im + r * m);
    } else {
        for (int r = 0; r < 4; ++r)
            Recursive<V, FrequencyFirst>(child, m, re + r * m, im + r * m, points);
    }
    if (!FrequencyFirst) AnyLevel<V, false>(tw, n, re, im);
}

// Natural order in, digit-reversed order out.
template <class V>
void FftToPermuted(const ComplexFftPlan& plan, double* re, double* im) {
    Recursive<V, true>(plan.twiddles.data(), plan.size, re, im);
}

// Digit-reversed order in (as FftToPermuted leaves it), natural order out.
template <class V>
void FftFromPermuted(const ComplexFftPlan& plan, double* re, double* im) {
    Recursive<V, false>(plan.twiddles.data(), plan.size, re, im);
}

}  // namespace
}  // namespace zel
