#pragma once
// A complex transform of a power-of-two size in double precision, on split real and
// imaginary arrays, for the best-quality mode's fast-convolution stage. The plan holds the
// twiddles of every radix-4 level; the levels themselves run in the per-ISA kernels.

#include <cstdint>
#include <memory>
#include <vector>

namespace zel {

struct ComplexFftPlan {
    // Builds the plan for `size` points (a power of two, at least 2): X[k] = sum x[n]
    // e^(-2 pi i n k / size).
    explicit ComplexFftPlan(std::int64_t size = 0);

    std::int64_t size = 0;
    // Per radix-4 level of length n (size, size / 4, ... down to 4), for p < n / 4: W^p, W^2p and W^3p (W = e^(-2 pi i / n)),
    // stored one pass after another as re1, im1, re2, im2, re3, im3 runs of n / 4.
    std::vector<double> twiddles;
};

// The plan for `size` points, built once per process and size (a batch sets up many
// streams) and shared; thread-safe.
std::shared_ptr<const ComplexFftPlan> SharedComplexFftPlan(std::int64_t size);

// A transform in place of `re` + i `im` (each `plan.size` long), forward (e^(-2 pi i n k /
// size)): either from natural into a permuted order (digit-reversed, the bottom blocks
// transposed: each build's own) or from that order back into natural order (see
// complex_fft_body.h). A spectrum multiplied bin by bin in the permuted
// order needs no sorting; the inverse transform is the forward one of the spectrum with
// its real and imaginary parts swapped, swapped back.
using ComplexFftInPlace = void (*)(const ComplexFftPlan& plan, double* re, double* im);

}  // namespace zel
