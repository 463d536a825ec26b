// The SSE2 build: all four layouts vectorised; lane sums closed as (a0 + a2) + (a1 + a3).
// Compiled with SSE2 and nothing above it.

#include "engine/block_geometry.h"
#include "engine/conversion_kernels.h"
#include "engine/lane_sum_filter.h"
#include "engine/sse2_sample_kernels.h"

namespace zel {
namespace {

void FilterSse2(SampleLayout layout, const FilterState& state, const float* left,
                const float* right, std::int64_t outputs, float* outLeft, float* outRight) {
    const bool stereo = layout == SampleLayout::Stereo8 || layout == SampleLayout::Stereo16;
    LaneSumFilter(stereo, state, left, right, outputs, outLeft, outRight, AlternatePairs{});
}

}  // namespace

const ConversionKernels kSse2Kernels = {"sse2", kSimdBlockLimit, UnpackAllSse2, FilterSse2,
                                        PackAllSse2};

}  // namespace zel
