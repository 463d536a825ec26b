// The SSE3 build: as the SSE2 build, but lane sums closed as (a0 + a1) + (a2 + a3) by
// horizontal additions. Compiled with SSE3 and nothing above it.

#include "engine/adjacent_pair_closing.h"
#include "engine/block_geometry.h"
#include "engine/conversion_kernels.h"
#include "engine/lane_sum_filter.h"
#include "engine/sse2_sample_kernels.h"

namespace zel {
namespace {

void FilterSse3(SampleLayout layout, const FilterState& state, const float* left,
                const float* right, std::int64_t outputs, float* outLeft, float* outRight) {
    const bool stereo = layout == SampleLayout::Stereo8 || layout == SampleLayout::Stereo16;
    LaneSumFilter(stereo, state, left, right, outputs, outLeft, outRight, AdjacentPairs{});
}

}  // namespace

const ConversionKernels kSse3Kernels = {"sse3", kSimdBlockLimit, UnpackAllSse2, FilterSse3,
                                        PackAllSse2};

}  // namespace zel
