// The SSE3 build: as the SSE2 build, but lane sums closed as (a0 + a1) + (a2 + a3) by
// horizontal additions. Compiled with SSE3 and nothing above it.

#include "engine/adjacent_pair_closing.h"
#include "engine/block_geometry.h"
#include "engine/conversion_kernels.h"
#include "engine/lane_sum_filter.h"
#include "engine/sse2_sample_kernels.h"

namespace zel {
namespace {

void UnpackSse3(SampleLayout layout, const std::uint8_t* raw, std::int64_t frames, float* left,
                float* right) {
    switch (layout) {
        case SampleLayout::Mono8: UnpackMono8Sse2(raw, frames, left); break;
        case SampleLayout::Stereo8: UnpackStereo8Sse2(raw, frames, left, right); break;
        case SampleLayout::Mono16: UnpackMono16Sse2(raw, frames, left); break;
        case SampleLayout::Stereo16: UnpackStereo16Sse2(raw, frames, left, right); break;
    }
}

void FilterSse3(SampleLayout layout, const FilterState& state, const float* left,
                const float* right, std::int64_t outputs, float* outLeft, float* outRight) {
    const bool stereo = layout == SampleLayout::Stereo8 || layout == SampleLayout::Stereo16;
    LaneSumFilter(stereo, state, left, right, outputs, outLeft, outRight, AdjacentPairs{});
}

void PackSse3(SampleLayout layout, const float* left, const float* right, std::int64_t frames,
              std::uint8_t* raw) {
    switch (layout) {
        case SampleLayout::Mono8: PackMono8Sse2(left, frames, raw); break;
        case SampleLayout::Stereo8: PackStereo8Sse2(left, right, frames, raw); break;
        case SampleLayout::Mono16: PackMono16Sse2(left, frames, raw); break;
        case SampleLayout::Stereo16: PackStereo16Sse2(left, right, frames, raw); break;
    }
}

}  // namespace

const ConversionKernels kSse3Kernels = {"sse3", kSimdBlockLimit, UnpackSse3, FilterSse3,
                                        PackSse3};

}  // namespace zel
