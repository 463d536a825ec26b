#pragma once
// The AVX2/FMA build of the standard conversion: the same contract as the SSE builds.
// Only for processors that have both AVX2 and FMA.

#include "engine/resample/standard/conversion_kernels.h"

namespace zel {

extern const ConversionKernels kAvx2Kernels;
// The same kernels as the AVX-512 build's standard ones, under that build's name: a build
// is known by its standard kernels, so each needs its own.
extern const ConversionKernels kAvx512BuildKernels;

}  // namespace zel
