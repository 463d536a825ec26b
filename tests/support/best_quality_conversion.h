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

// The same into `output`, the caller's planes (reused across runs, so that a benchmark times
// neither fresh pages nor a growing vector): the frames written per channel, -1 when the
// filter could not be prepared or the planes were too short.
std::int64_t ResampleFloatBestQualityInto(const BestQualityKernels& kernels,
                                          std::int32_t inputRate, std::int32_t outputRate,
                                          const std::vector<std::vector<float>>& planar,
                                          std::int64_t pushFrames,
                                          std::vector<std::vector<float>>& output);

}  // namespace zel
