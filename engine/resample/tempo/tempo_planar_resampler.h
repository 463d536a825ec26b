#pragma once
// A change of tempo that keeps the pitch, in the same pass as the rate conversion: each
// block's frames are stretched (all channels together, so they stay in phase) and the
// stretched stream goes on into the rate conversion, which runs at the normal speed.
// The stretched stream is exactly round(input frames / speed) long: the stretcher's own
// tail is cut, or made up with silence.

#include <cstdint>
#include <memory>
#include <vector>

#include "engine/base/aligned_buffer.h"
#include "engine/resample/planar_resampler.h"
#include "engine/resample/prepare_result.h"
#include "engine/resample/speed_ratio.h"
#include "engine/resample/tempo/tempo_stretch.h"

namespace zel {

// The stretched length of `frames` input frames: round(frames / speed), in 128 bits.
std::int64_t StretchedFrames(std::int64_t frames, SpeedRatio speed);

class TempoPlanarResampler final : public PlanarResampler {
  public:
    // `rate`: prepared for the rate change alone (speed 1/1), for `channels` channels.
    TempoPlanarResampler(std::unique_ptr<PlanarResampler> rate, SpeedRatio speed, int channels,
                         std::uint32_t sampleRate);

    // kTempoTooManyChannels beyond what the stretcher takes, kOutOfMemory without the buffers.
    PrepareResult Prepare();

    std::int64_t NextBlockFrames(std::int64_t remaining) const override;
    float* const* InputPlanes() override { return inputAt_.data(); }
    std::int64_t FilterBlock(std::int64_t frames, bool final) override;
    std::int64_t DrainTail() override;
    const float* const* OutputPlanes() const override { return outputAt_.data(); }
    std::int64_t MaxBlockOutputs() const override { return outputCapacity_; }

  private:
    void Stretch(std::int64_t frames);
    void Collect();
    std::int64_t RunRateBlocks();
    bool FeedRateBlock();

    std::unique_ptr<PlanarResampler> rate_;
    SpeedRatio speed_;
    int channels_;
    std::uint32_t sampleRate_;
    TempoStretch stretch_;

    std::vector<AlignedBuffer<float>> input_;
    std::vector<float*> inputAt_;
    std::vector<float> interleaved_;
    // Stretched frames, interleaved, waiting for the rate conversion.
    std::vector<float> pending_;
    std::int64_t pendingFrames_ = 0;
    std::vector<AlignedBuffer<float>> output_;
    std::vector<float*> outputAt_;
    std::int64_t outputCapacity_ = 0;
    std::int64_t produced_ = 0;

    std::int64_t rateBlocksPerCall_ = 1;
    std::int64_t pushed_ = 0;
    // Stretched frames received so far, and those the stream is owed once its end is known.
    std::int64_t stretched_ = 0;
    std::int64_t owed_ = -1;
    // Stretched frames handed to the rate conversion.
    std::int64_t fed_ = 0;
    bool rateFinished_ = false;
};

}  // namespace zel
