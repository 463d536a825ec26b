#include "tests/support/best_quality_conversion.h"

#include <algorithm>
#include <cstring>

#include "engine/resample/hq/best_quality_planar_resampler.h"

namespace zel {

namespace {

// Pushes the planes through a fresh resampler and hands each batch of outputs to
// keep(planes, count), which returns false to stop. False when the filter could not be
// prepared or keep stopped.
template <typename Keep>
bool StreamBestQuality(const BestQualityKernels& kernels, std::int32_t inputRate,
                       std::int32_t outputRate, std::int32_t speedPercent,
                       const std::vector<std::vector<float>>& planar, std::int64_t pushFrames,
                       Keep&& keep) {
    const int channels = static_cast<int>(planar.size());
    BestQualityPlanarResampler resampler(kernels);
    if (channels == 0 ||
        !resampler.Prepare(inputRate, outputRate, SpeedFromPercent(speedPercent), channels))
        return false;
    pushFrames = std::clamp<std::int64_t>(pushFrames, 1, BestQualityResampler::kMaxPushFrames);
    const auto total = static_cast<std::int64_t>(planar[0].size());
    for (std::int64_t offset = 0; offset < total; offset += pushFrames) {
        const std::int64_t frames = std::min(pushFrames, total - offset);
        for (int c = 0; c < channels; ++c)
            std::memcpy(resampler.InputPlanes()[c], planar[c].data() + offset,
                        static_cast<std::size_t>(frames) * sizeof(float));
        if (!keep(resampler.OutputPlanes(), resampler.FilterBlock(frames, offset + frames == total)))
            return false;
    }
    for (std::int64_t count = resampler.DrainTail(); count > 0; count = resampler.DrainTail())
        if (!keep(resampler.OutputPlanes(), count)) return false;
    return true;
}

}  // namespace

std::vector<std::vector<float>> ResampleFloatBestQuality(
    const BestQualityKernels& kernels, std::int32_t inputRate, std::int32_t outputRate,
    std::int32_t speedPercent, const std::vector<std::vector<float>>& planar,
    std::int64_t pushFrames) {
    std::vector<std::vector<float>> result(planar.size());
    const bool done = StreamBestQuality(
        kernels, inputRate, outputRate, speedPercent, planar, pushFrames,
        [&](const float* const* planes, std::int64_t count) {
            for (std::size_t c = 0; c < result.size(); ++c)
                result[c].insert(result[c].end(), planes[c], planes[c] + count);
            return true;
        });
    return done ? result : std::vector<std::vector<float>>{};
}

std::int64_t ResampleFloatBestQualityInto(const BestQualityKernels& kernels,
                                          std::int32_t inputRate, std::int32_t outputRate,
                                          const std::vector<std::vector<float>>& planar,
                                          std::int64_t pushFrames,
                                          std::vector<std::vector<float>>& output) {
    std::int64_t written = 0;
    const bool done = StreamBestQuality(
        kernels, inputRate, outputRate, 100, planar, pushFrames,
        [&](const float* const* planes, std::int64_t count) {
            if (output.size() != planar.size()) return false;
            for (std::size_t c = 0; c < output.size(); ++c) {
                if (static_cast<std::int64_t>(output[c].size()) - written < count) return false;
                std::memcpy(output[c].data() + written, planes[c],
                            static_cast<std::size_t>(count) * sizeof(float));
            }
            written += count;
            return true;
        });
    return done ? written : -1;
}

}  // namespace zel
