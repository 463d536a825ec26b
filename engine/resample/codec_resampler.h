#pragma once
// Any resampler over float planes, behind the one interface: each block is decoded from the
// input's encoding, filtered per channel, optionally dithered, and encoded in the output's
// encoding with the codec's one rounding rule per encoding, saturated samples counted.

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "engine/base/aligned_buffer.h"
#include "engine/codec/noise_shaper.h"
#include "engine/codec/signed16_encode_kernels.h"
#include "engine/codec/tpdf_dither.h"
#include "engine/resample/output_dither.h"
#include "engine/resample/planar_resampler.h"
#include "engine/resample/resampler.h"

namespace zel {

class CodecResampler final : public Resampler, private SampleEncoder {
  public:
    // `planes`: prepared for the setup's ratio and channels. `dither`: TPDF dither of its
    // step added before encoding (none for step 0), or the quantiser that shapes it for
    // the target rate. `encode`: the build's loops for 16-bit outputs.
    CodecResampler(const ResamplerSetup& setup, std::unique_ptr<PlanarResampler> planes,
                   OutputDither dither, const Signed16EncodeKernels& encode);

    // False when the encoding buffer cannot be had.
    bool Prepare();

    std::int64_t NextBlockFrames(std::int64_t remaining) const override {
        return planes_->NextBlockFrames(remaining);
    }
    std::uint64_t ClippedSamples() const override { return clipped_; }
    std::uint64_t NonFiniteSamples() const override { return nonFinite_; }
    SampleEncoder* DeferEncoding() override {
        deferred_ = true;
        return this;
    }

  private:
    std::int64_t Filter(const std::uint8_t* frames, std::int64_t count, bool final) override;
    std::int64_t Drain() override { return Encoded(planes_->DrainTail()); }
    const std::uint8_t* OutputBytes() const override { return encoded_.data(); }
    const float* const* OutputPlanes() const override { return planes_->OutputPlanes(); }
    // The block's outputs encoded here, unless the caller encodes them.
    std::int64_t Encoded(std::int64_t count);
    void EncodeBlock(const float* const* planes, std::int64_t count,
                     std::uint8_t* target) override;
    std::int64_t MaxBlockFrames() const override { return planes_->MaxBlockOutputs(); }
    const float* const* WithGain(const float* const* results, std::int64_t count);

    std::unique_ptr<PlanarResampler> planes_;
    OutputDither dither_;
    const Signed16EncodeKernels& encode_;
    TpdfDither noise_;
    std::optional<NoiseShaper> shaper_;
    std::vector<AlignedBuffer<float>> dithered_;
    std::vector<float*> ditheredAt_;
    // The fixed gain of the level settings, applied before dither and rounding.
    float gain_ = 1.0f;
    std::vector<AlignedBuffer<float>> gained_;
    std::vector<float*> gainedAt_;
    AlignedBuffer<std::uint8_t> encoded_;
    // Counted by whichever thread encodes; read once the stream is done.
    std::uint64_t clipped_ = 0;
    std::uint64_t nonFinite_ = 0;
    bool deferred_ = false;
};

}  // namespace zel
