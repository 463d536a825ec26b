#pragma once
// The canonical path's polyphase filter applied to any number of channels: the same
// design, block sizes, history and edge replication, with a build's filter kernel run on
// pairs of channels (and the last one alone when their number is odd).

#include <vector>

#include "engine/base/aligned_buffer.h"
#include "engine/base/conversion_result.h"
#include "engine/resample/planar_resampler.h"
#include "engine/resample/prepare_result.h"
#include "engine/resample/standard/block_geometry.h"
#include "engine/resample/standard/conversion_kernels.h"
#include "engine/resample/standard/filter_design.h"

namespace zel {

class PolyphaseResampler final : public PlanarResampler {
  public:
    explicit PolyphaseResampler(const ConversionKernels& kernels) : kernels_(kernels) {}

    // Out of memory when the filter or the planes cannot be had; a ratio too large for
    // them is refused.
    PrepareResult Prepare(std::uint32_t inputRate, std::int32_t targetRate,
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
