#include "engine/resample/hq/best_quality_planar_resampler.h"

#include <algorithm>

namespace zel {

bool BestQualityPlanarResampler::Prepare(std::int32_t inputRate, std::int32_t outputRate,
                                         SpeedRatio speed, int channels) {
    if (!resampler_.Prepare(inputRate, outputRate, speed, channels)) return false;
    const auto count = static_cast<std::size_t>(channels);
    inputs_.resize(count);
    inputAt_.resize(count);
    outputAt_.resize(count);
    for (std::size_t c = 0; c < count; ++c) {
        if (!inputs_[c].Allocate(BestQualityResampler::kMaxPushFrames)) return false;
        inputAt_[c] = inputs_[c].data();
        outputAt_[c] = resampler_.Output(static_cast<int>(c));
    }
    pushAt_.assign(inputAt_.begin(), inputAt_.end());
    return true;
}

std::int64_t BestQualityPlanarResampler::NextBlockFrames(std::int64_t remaining) const {
    return std::min(remaining, BestQualityResampler::kMaxPushFrames);
}

std::int64_t BestQualityPlanarResampler::FilterBlock(std::int64_t frames, bool) {
    // The stream's tail comes out of DrainTail once the last block is in.
    return resampler_.Push(pushAt_.data(), frames);
}

}  // namespace zel
