#pragma once
// The standard polyphase filter over planes of float samples, any number of channels: the
// exact design, block cutting, history and edge replication of the canonical conversion,
// with a build's filter kernel run on pairs of channels (and the last one alone when their
// number is odd).

#include <vector>

#include "engine/base/aligned_buffer.h"
#include "engine/resample/planar_resampler.h"
#include "engine/resample/prepare_result.h"
#include "engine/resample/speed_ratio.h"
#include "engine/resample/standard/block_planner.h"
#include "engine/resample/standard/conversion_kernels.h"
#include "engine/resample/standard/filter_design.h"

namespace zel {

// How the planes meet a build's kernels.
struct PlaneUse {
    // The layouts the filter kernel is told for a pair of channels and for one alone.
    SampleLayout pair = SampleLayout::Stereo16;
    SampleLayout single = SampleLayout::Mono16;
    // What each buffered frame costs beside the planes (a caller's raw buffers), held to
    // the design's memory limit together with them.
    std::uint64_t extraBytesPerFrame = 0;
};

class PolyphaseResampler final : public PlanarResampler {
  public:
    explicit PolyphaseResampler(const ConversionKernels& kernels) : kernels_(kernels) {}

    // Out of memory when the filter or the planes cannot be had; a ratio too large for
    // them is refused.
    PrepareResult Prepare(std::uint32_t inputRate, std::int32_t targetRate,
                          SpeedRatio speed, int channels, const PlaneUse& use = {});

    std::int64_t NextBlockFrames(std::int64_t remaining) const override {
        return planner_.NextBlockFrames(remaining);
    }
    float* const* InputPlanes() override { return inputAt_.data(); }
    std::int64_t FilterBlock(std::int64_t frames, bool final) override;
    const float* const* OutputPlanes() const override { return outputAt_.data(); }
    std::int64_t MaxBlockOutputs() const override { return planner_.MaxOutputs(); }
    // Frames of spare room behind the most outputs a block yields, for a caller's buffers.
    static constexpr std::int64_t kOutputSpare = kVectorSlack + kBufferReserve;

  private:
    void ReplicateEdges(float* plane, std::int64_t frames, bool final) const;
    void PointInputs(std::int64_t offset);

    const ConversionKernels& kernels_;
    FilterState state_;
    BlockPlanner planner_;
    PlaneUse use_;
    // Where the next block's first frame sits in each input plane.
    std::int64_t start_ = kHalfSpan;
    std::vector<AlignedBuffer<float>> inputs_;
    std::vector<AlignedBuffer<float>> outputs_;
    std::vector<float*> inputAt_;
    std::vector<float*> outputAt_;
};

}  // namespace zel
