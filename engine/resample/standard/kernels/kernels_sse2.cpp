// The SSE2 build: all four layouts vectorised; lane sums closed as (a0 + a2) + (a1 + a3).
// Compiled with SSE2 and nothing above it.

#include "engine/resample/standard/block_geometry.h"
#include "engine/resample/standard/conversion_kernels.h"
#include "engine/resample/standard/kernels/lane_sum_filter.h"
#include "engine/resample/standard/kernels/sse2_sample_kernels.h"

namespace zel {

const ConversionKernels kSse2Kernels = {"sse2", kSimdBlockLimit, UnpackAllSse2,
                                        LaneSumFilterEveryLayout<AlternatePairs>, PackAllSse2};

}  // namespace zel
