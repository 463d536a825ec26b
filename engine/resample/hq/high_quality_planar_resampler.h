#pragma once
// The high-quality resampler over the block interface of the float planes, so the
// high-quality mode reads, writes and carries metadata exactly as the standard float path
// does.

#include <cstdint>
#include <vector>

#include "engine/resample/hq/high_quality_resampler.h"
#include "engine/resample/planar_resampler.h"
#include "engine/resample/speed_ratio.h"

namespace zel {

class HighQualityPlanarResampler final : public PlanarResampler {
  public:
    explicit HighQualityPlanarResampler(const HighQualityKernels& kernels) : resampler_(kernels) {}

    // False when the filter or the planes cannot be had.
    bool Prepare(std::int32_t inputRate, std::int32_t outputRate, SpeedRatio speed,
                 int channels);

    std::int64_t NextBlockFrames(std::int64_t remaining) const override;
    // The frames are decoded straight into the resampler's own input.
    float* const* InputPlanes() override { return resampler_.PushSpace(); }
    std::int64_t FilterBlock(std::int64_t frames, bool final) override;
    std::int64_t DrainTail() override { return resampler_.Finish(); }
    const float* const* OutputPlanes() const override { return outputAt_.data(); }
    std::int64_t MaxBlockOutputs() const override { return resampler_.OutputCapacity(); }

  private:
    HighQualityResampler resampler_;
    std::vector<const float*> outputAt_;
};

}  // namespace zel
