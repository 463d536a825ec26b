#include "engine/resample/hq/high_quality_planar_resampler.h"

#include <algorithm>

namespace zel {

bool HighQualityPlanarResampler::Prepare(std::int32_t inputRate, std::int32_t outputRate,
                                         SpeedRatio speed, int channels) {
    if (!resampler_.Prepare(inputRate, outputRate, speed, channels)) return false;
    const auto count = static_cast<std::size_t>(channels);
    outputAt_.resize(count);
    // The resampler's output planes stay where they are for the whole stream.
    for (std::size_t c = 0; c < count; ++c) outputAt_[c] = resampler_.Output(static_cast<int>(c));
    return true;
}

std::int64_t HighQualityPlanarResampler::NextBlockFrames(std::int64_t remaining) const {
    return std::min(remaining, HighQualityResampler::kMaxPushFrames);
}

std::int64_t HighQualityPlanarResampler::FilterBlock(std::int64_t frames, bool) {
    // The stream's tail comes out of DrainTail once the last block is in.
    // The block is already in place (InputPlanes).
    return resampler_.Push(resampler_.PushSpace(), frames);
}

}  // namespace zel
