// The SSE3 build: as the SSE2 build, but lane sums closed as (a0 + a1) + (a2 + a3) by
// horizontal additions. Compiled with SSE3 and nothing above it.

#include "engine/adjacent_pair_closing.h"
#include "engine/block_geometry.h"
#include "engine/conversion_kernels.h"
#include "engine/lane_sum_filter.h"
#include "engine/sse2_sample_kernels.h"

namespace zel {

const ConversionKernels kSse3Kernels = {"sse3", kSimdBlockLimit, UnpackAllSse2,
                                        LaneSumFilterEveryLayout<AdjacentPairs>, PackAllSse2};

}  // namespace zel
