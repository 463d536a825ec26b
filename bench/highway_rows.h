#pragma once
// The short stage's rows written once with Highway (the portable SIMD library), built for
// AVX2 and for AVX-512, to be timed beside ZEL's own kernels for the same rows. Each has
// the signature of BestQualityKernels::rowRun (two channels at a time, taps a multiple of
// the vector's lanes).

#include <cstdint>

namespace zel::bench {

using RowRun = void (*)(const double* const* rows, const std::int64_t* starts, std::int64_t count,
                        std::int64_t taps, const double* const* x, int channels,
                        float* const* out);

void HighwayRowsAvx2(const double* const* rows, const std::int64_t* starts, std::int64_t count,
                     std::int64_t taps, const double* const* x, int channels, float* const* out);
void HighwayRowsAvx512(const double* const* rows, const std::int64_t* starts,
                       std::int64_t count, std::int64_t taps, const double* const* x,
                       int channels, float* const* out);

}  // namespace zel::bench
