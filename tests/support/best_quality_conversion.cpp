#include "tests/support/best_quality_conversion.h"

#include <algorithm>
#include <cstring>

#include "engine/resample/hq/best_quality_planar_resampler.h"

namespace zel {

std::vector<std::vector<float>> ResampleFloatBestQuality(
    const BestQualityKernels& kernels, std::int32_t inputRate, std::int32_t outputRate,
    std::int32_t speedPercent, const std::vector<std::vector<float>>& planar,
    std::int64_t pushFrames) {
    const int channels = static_cast<int>(planar.size());
    BestQualityPlanarResampler resampler(kernels);
    if (channels == 0 || !resampler.Prepare(inputRate, outputRate, SpeedFromPercent(speedPercent), channels))
        return {};
    pushFrames = std::clamp<std::int64_t>(pushFrames, 1, BestQualityResampler::kMaxPushFrames);
    const auto total = static_cast<std::int64_t>(planar[0].size());
    // Room for the whole output up front, so a benchmark times no reallocation.
    std::vector<std::vector<float>> result(static_cast<std::size_t>(channels));
    const std::int64_t about =
        total * static_cast<std::int64_t>(outputRate) / inputRate * 100 / speedPercent + 4096;
    for (auto& channel : result) channel.reserve(static_cast<std::size_t>(about));
    const auto keep = [&](std::int64_t count) {
        for (int c = 0; c < channels; ++c) {
            const float* out = resampler.OutputPlanes()[c];
            result[c].insert(result[c].end(), out, out + count);
        }
    };
    for (std::int64_t offset = 0; offset < total; offset += pushFrames) {
        const std::int64_t frames = std::min(pushFrames, total - offset);
        for (int c = 0; c < channels; ++c)
            std::memcpy(resampler.InputPlanes()[c], planar[c].data() + offset,
                        static_cast<std::size_t>(frames) * sizeof(float));
        keep(resampler.FilterBlock(frames, offset + frames == total));
    }
    for (std::int64_t count = resampler.DrainTail(); count > 0; count = resampler.DrainTail())
        keep(count);
    return result;
}

}  // namespace zel
