#pragma once
// The canonical path's polyphase filter applied to any number of channels: the same
// design, block sizes, history and edge replication, with a build's filter kernel run on
// pairs of channels (and the last one alone when their number is odd).

#include <vector>

#include "engine/aligned_buffer.h"
#include "engine/block_conversion.h"
#include "engine/block_geometry.h"
#include "engine/conversion_kernels.h"
#include "engine/filter_design.h"
#include "engine/conversion_result.h"
#include "engine/planar_resampler.h"

namespace zel {

class PolyphaseResampler final : public PlanarResampler {
  public:
    explicit PolyphaseResampler(const ConversionKernels& kernels) : kernels_(kernels) {}

    // kCompleted, kOutOfMemory when the filter or the planes cannot be had, or the
    // refusal of a ratio too large for them (RatioRefusal).
    ConversionOutcome Prepare(std::uint32_t inputRate, std::int32_t targetRate,
                             std::int32_t speedPercent, int channels);

    std::int64_t NextBlockFrames(std::int64_t remaining) const override;
    float* const* InputPlanes() override { return inputAt_.data(); }
    std::int64_t FilterBlock(std::int64_t frames, bool final) override;
    const float* const* OutputPlanes() const override { return outputAt_.data(); }
    std::int64_t MaxBlockOutputs() const override { return maxOutputs_; }

  private:
    std::int64_t OutputsOf(std::int64_t frames, bool final) const;
    void ReplicateEdges(float* plane, std::int64_t frames, bool final) const;
    void PointInputs(std::int64_t offset);

    const ConversionKernels& kernels_;
    FilterState state_;
    std::int64_t blockFrames_ = 0;
    std::int64_t maxOutputs_ = 0;
    // Where the next block's first frame sits in each input plane.
    std::int64_t start_ = kHalfSpan;
    bool first_ = true;
    std::vector<AlignedBuffer<float>> inputs_;
    std::vector<AlignedBuffer<float>> outputs_;
    std::vector<float*> inputAt_;
    std::vector<float*> outputAt_;
};

}  // namespace zel
