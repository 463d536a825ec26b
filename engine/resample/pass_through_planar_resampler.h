#pragma once
// The rate conversion when there is none to do: a tempo stage at the input's own rate hands
// its frames on as they are, unfiltered.

#include <algorithm>
#include <cstdint>
#include <vector>

#include "engine/base/aligned_buffer.h"
#include "engine/resample/planar_resampler.h"

namespace zel {

class PassThroughPlanarResampler final : public PlanarResampler {
  public:
    static constexpr std::int64_t kBlockFrames = 8192;

    // False when the planes cannot be had.
    bool Prepare(int channels) {
        planes_.resize(static_cast<std::size_t>(channels));
        at_.resize(planes_.size());
        for (std::size_t c = 0; c < planes_.size(); ++c) {
            if (!planes_[c].Allocate(kBlockFrames)) return false;
            at_[c] = planes_[c].data();
        }
        return true;
    }

    std::int64_t NextBlockFrames(std::int64_t remaining) const override {
        return std::min(remaining, kBlockFrames);
    }
    float* const* InputPlanes() override { return at_.data(); }
    std::int64_t FilterBlock(std::int64_t frames, bool) override { return frames; }
    const float* const* OutputPlanes() const override { return at_.data(); }
    std::int64_t MaxBlockOutputs() const override { return kBlockFrames; }

  private:
    std::vector<AlignedBuffer<float>> planes_;
    std::vector<float*> at_;
};

}  // namespace zel
