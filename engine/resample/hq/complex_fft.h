#pragma once
// A complex transform of a power-of-two size in double precision, on split real and
// imaginary arrays, for the best-quality mode's fast-convolution stage. The plan holds the
// twiddles of every radix-4 pass; the passes themselves run in the per-ISA kernels.

#include <cstdint>
#include <memory>
#include <vector>

namespace zel {

struct ComplexFftPlan {
    // Builds the plan for `size` points (a power of two, at least 4): X[k] = sum x[n]
    // e^(-2 pi i n k / size).
    explicit ComplexFftPlan(std::int64_t size = 0);

    std::int64_t size = 0;
    // Per radix-4 pass of length n, for p < n / 4: W^p, W^2p and W^3p (W = e^(-2 pi i / n)),
    // stored one pass after another as re1, im1, re2, im2, re3, im3 runs of n / 4.
    std::vector<double> twiddles;
};

// The plan for `size` points, built once per process and size (a batch sets up many
// streams) and shared; thread-safe.
std::shared_ptr<const ComplexFftPlan> SharedComplexFftPlan(std::int64_t size);

// Split real and imaginary arrays of one transform's size.
struct SplitComplex {
    double* re;
    double* im;
};

// The forward transform of `re` + i `im` (each `plan.size` long), passing through the two
// scratch pairs `a` and `b`; returns the one that holds the result, in natural order whichever
// instruction set runs it. The input is only read, unless it is itself `a` (then it is
// overwritten); the first pass reads it where it lies, so nothing is copied in.
using ComplexFftFunction = SplitComplex (*)(const ComplexFftPlan& plan, const double* re,
                                            const double* im, SplitComplex a, SplitComplex b);

}  // namespace zel
