#pragma once
// Planar floats through the best-quality chain as the codec sees it (double inside, float
// out), pushed in any sizes.

#include <cstdint>
#include <vector>

#include "engine/resample/hq/best_quality_kernels.h"

namespace zel {

// Planar float channels of equal length, pushed `pushFrames` at a time (1 up to
// BestQualityResampler::kMaxPushFrames). Empty when the filter could not be prepared.
std::vector<std::vector<float>> ResampleFloatBestQuality(
    const BestQualityKernels& kernels, std::int32_t inputRate, std::int32_t outputRate,
    std::int32_t speedPercent, const std::vector<std::vector<float>>& planar,
    std::int64_t pushFrames);

}  // namespace zel
