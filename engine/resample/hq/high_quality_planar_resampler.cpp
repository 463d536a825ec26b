#include "engine/resample/hq/high_quality_planar_resampler.h"

#include <algorithm>

namespace zel {

bool HighQualityPlanarResampler::Prepare(std::int32_t inputRate, std::int32_t outputRate,
                                         std::int32_t speedPercent, int channels) {
    if (!resampler_.Prepare(inputRate, outputRate, speedPercent, channels)) return false;
    const auto count = static_cast<std::size_t>(channels);
    inputs_.resize(count);
    inputAt_.resize(count);
    outputAt_.resize(count);
    for (std::size_t c = 0; c < count; ++c) {
        if (!inputs_[c].Allocate(HighQualityResampler::kMaxPushFrames)) return false;
        inputAt_[c] = inputs_[c].data();
    }
    pushAt_.assign(inputAt_.begin(), inputAt_.end());
    if (ditherStep_ == 0.0f) return true;
    dithered_.resize(count);
    for (AlignedBuffer<float>& plane : dithered_)
        if (!plane.Allocate(static_cast<std::uint64_t>(resampler_.OutputCapacity())))
            return false;
    return true;
}

std::int64_t HighQualityPlanarResampler::NextBlockFrames(std::int64_t remaining) const {
    return std::min(remaining, HighQualityResampler::kMaxPushFrames);
}

std::int64_t HighQualityPlanarResampler::FilterBlock(std::int64_t frames, bool) {
    // The stream's tail comes out of DrainTail once the last block is in.
    return Publish(resampler_.Push(pushAt_.data(), frames));
}

std::int64_t HighQualityPlanarResampler::Publish(std::int64_t count) {
    for (std::size_t c = 0; c < outputAt_.size(); ++c) {
        const float* fresh = resampler_.Output(static_cast<int>(c));
        if (ditherStep_ == 0.0f) {
            outputAt_[c] = fresh;
            continue;
        }
        float* __restrict out = dithered_[c].data();
        for (std::int64_t i = 0; i < count; ++i) out[i] = fresh[i] + noise_.Next() * ditherStep_;
        outputAt_[c] = out;
    }
    return count;
}

}  // namespace zel
