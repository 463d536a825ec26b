#pragma once
// The best-quality chain behind the codec's float planes: it takes blocks of up to a push;
// its outputs, already rounded to float, are read where the chain leaves them.

#include <cstdint>
#include <vector>

#include "engine/base/aligned_buffer.h"
#include "engine/resample/hq/best_quality_resampler.h"
#include "engine/resample/planar_resampler.h"
#include "engine/resample/speed_ratio.h"

namespace zel {

class BestQualityPlanarResampler final : public PlanarResampler {
  public:
    explicit BestQualityPlanarResampler(const BestQualityKernels& kernels) : resampler_(kernels) {}

    // False when the filter or the planes cannot be had.
    bool Prepare(std::int32_t inputRate, std::int32_t outputRate, SpeedRatio speed,
                 int channels);

    std::int64_t NextBlockFrames(std::int64_t remaining) const override;
    float* const* InputPlanes() override { return inputAt_.data(); }
    std::int64_t FilterBlock(std::int64_t frames, bool final) override;
    std::int64_t DrainTail() override { return resampler_.Finish(); }
    const float* const* OutputPlanes() const override { return outputAt_.data(); }
    std::int64_t MaxBlockOutputs() const override { return resampler_.OutputCapacity(); }

  private:
    BestQualityResampler resampler_;
    std::vector<AlignedBuffer<float>> inputs_;
    std::vector<float*> inputAt_;
    std::vector<const float*> pushAt_;  // the same planes, as the resampler takes them
    std::vector<const float*> outputAt_;
};

}  // namespace zel
