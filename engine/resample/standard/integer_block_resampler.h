#pragma once
// The canonical conversion of 8 and 16-bit PCM in one or two channels: a build's own
// kernels unpack the raw frames, filter them and pack the results with that build's
// rounding and saturation, so each build's output is exactly its own.

#include "engine/base/aligned_buffer.h"
#include "engine/resample/prepare_result.h"
#include "engine/resample/resampler.h"
#include "engine/resample/standard/conversion_kernels.h"
#include "engine/resample/standard/polyphase_resampler.h"

namespace zel {

class IntegerBlockResampler final : public Resampler {
  public:
    IntegerBlockResampler(const ResamplerSetup& setup, const ConversionKernels& kernels)
        : Resampler(setup), kernels_(kernels), planes_(kernels) {}

    // Whether a stream can take this path: 8-bit unsigned or 16-bit signed little-endian
    // PCM of one or two channels, every bit valid, output in the same encoding.
    static bool Takes(const ResamplerSetup& setup);

    PrepareResult Prepare();

    std::int64_t NextBlockFrames(std::int64_t remaining) const override {
        return planes_.NextBlockFrames(remaining);
    }
    // The build's packers saturate without counting.
    std::uint64_t ClippedSamples() const override { return 0; }
    std::uint64_t NonFiniteSamples() const override { return 0; }
    std::uint8_t* PushSpace() override { return rawInput_.data(); }

  private:
    std::int64_t Filter(const std::uint8_t* frames, std::int64_t count, bool final) override;
    const std::uint8_t* OutputBytes() const override { return rawOutput_.data(); }

    const ConversionKernels& kernels_;
    PolyphaseResampler planes_;
    SampleLayout layout_ = SampleLayout::Mono16;
    std::size_t frameBytes_ = 0;
    // With the spare room the kernels may read and write past their counts.
    AlignedBuffer<std::uint8_t> rawInput_;
    AlignedBuffer<std::uint8_t> rawOutput_;
};

}  // namespace zel
