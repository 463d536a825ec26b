#pragma once
// The AVX2/FMA build of the standard conversion: the same contract as the SSE builds.
// Only for processors that have both AVX2 and FMA.

#include "engine/resample/standard/conversion_kernels.h"

namespace zel {

extern const ConversionKernels kAvx2Kernels;

}  // namespace zel
