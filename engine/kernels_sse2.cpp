// The SSE2 build: all four layouts vectorised; lane sums closed as (a0 + a2) + (a1 + a3).
// Compiled with SSE2 and nothing above it.

#include "engine/block_geometry.h"
#include "engine/conversion_kernels.h"
#include "engine/lane_sum_filter.h"
#include "engine/sse2_sample_kernels.h"

namespace zel {
namespace {

void UnpackSse2(SampleLayout layout, const std::uint8_t* raw, std::int64_t frames, float* left,
                float* right) {
    switch (layout) {
        case SampleLayout::Mono8: UnpackMono8Sse2(raw, frames, left); break;
        case SampleLayout::Stereo8: UnpackStereo8Sse2(raw, frames, left, right); break;
        case SampleLayout::Mono16: UnpackMono16Sse2(raw, frames, left); break;
        case SampleLayout::Stereo16: UnpackStereo16Sse2(raw, frames, left, right); break;
    }
}

void FilterSse2(SampleLayout layout, const FilterState& state, const float* left,
                const float* right, std::int64_t outputs, float* outLeft, float* outRight) {
    const bool stereo = layout == SampleLayout::Stereo8 || layout == SampleLayout::Stereo16;
    LaneSumFilter(stereo, state, left, right, outputs, outLeft, outRight, AlternatePairs{});
}

void PackSse2(SampleLayout layout, const float* left, const float* right, std::int64_t frames,
              std::uint8_t* raw) {
    switch (layout) {
        case SampleLayout::Mono8: PackMono8Sse2(left, frames, raw); break;
        case SampleLayout::Stereo8: PackStereo8Sse2(left, right, frames, raw); break;
        case SampleLayout::Mono16: PackMono16Sse2(left, frames, raw); break;
        case SampleLayout::Stereo16: PackStereo16Sse2(left, right, frames, raw); break;
    }
}

}  // namespace

const ConversionKernels kSse2Kernels = {"sse2", kSimdBlockLimit, UnpackSse2, FilterSse2,
                                        PackSse2};

}  // namespace zel
