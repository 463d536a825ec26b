// The SSE3 build: as the SSE2 build, but lane sums closed as (a0 + a1) + (a2 + a3) by
// horizontal additions. Compiled with SSE3 and nothing above it.

#include "engine/resample/standard/block_geometry.h"
#include "engine/resample/standard/conversion_kernels.h"
#include "engine/resample/standard/kernels/adjacent_pair_closing.h"
#include "engine/resample/standard/kernels/lane_sum_filter.h"
#include "engine/resample/standard/kernels/sse2_sample_kernels.h"

namespace zel {

const ConversionKernels kSse3Kernels = {"sse3", kSimdBlockLimit, UnpackAllSse2,
                                        LaneSumFilterEveryLayout<AdjacentPairs>, PackAllSse2};

}  // namespace zel
