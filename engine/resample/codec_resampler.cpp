#include "engine/resample/codec_resampler.h"

#include "engine/codec/noise_shaping_design.h"
#include "engine/codec/sample_codec.h"

namespace zel {

CodecResampler::CodecResampler(const ResamplerSetup& setup,
                               std::unique_ptr<PlanarResampler> planes, OutputDither dither,
                               const Signed16EncodeKernels& encode)
    : Resampler(setup), planes_(std::move(planes)), dither_(dither), encode_(encode) {}

bool CodecResampler::Prepare() {
    const auto most = static_cast<std::uint64_t>(planes_->MaxBlockOutputs());
    if (!encoded_.Allocate(most * Setup().output.blockAlign)) return false;
    gain_ = Setup().settings.level.LinearGain();
    if (gain_ != 1.0f) {
        gained_.resize(Setup().input.channels);
        gainedAt_.resize(Setup().input.channels);
        for (std::size_t c = 0; c < gained_.size(); ++c) {
            if (!gained_[c].Allocate(most)) return false;
            gainedAt_[c] = gained_[c].data();
        }
    }
    if (dither_.step == 0.0f) return true;
    if (dither_.shaped) {
        shaper_.emplace(DesignNoiseShaping(Setup().settings.targetRate), dither_.step,
                        Setup().input.channels);
        if (!shaper_->Reserve(static_cast<std::int64_t>(most))) return false;
    }
    dithered_.resize(Setup().input.channels);
    ditheredAt_.resize(Setup().input.channels);
    for (std::size_t c = 0; c < dithered_.size(); ++c) {
        if (!dithered_[c].Allocate(most)) return false;
        ditheredAt_[c] = dithered_[c].data();
    }
    return true;
}

std::int64_t CodecResampler::Filter(const std::uint8_t* frames, std::int64_t count, bool final) {
    nonFinite_ += DecodePlanar(Setup().input, frames, static_cast<std::size_t>(count),
                               planes_->InputPlanes());
    return Encoded(planes_->FilterBlock(count, final));
}

std::int64_t CodecResampler::Encoded(std::int64_t count) {
    if (!deferred_) EncodeBlock(planes_->OutputPlanes(), count, encoded_.data());
    return count;
}

const float* const* CodecResampler::WithGain(const float* const* results, std::int64_t count) {
    if (gain_ == 1.0f) return results;
    for (std::size_t c = 0; c < gained_.size(); ++c) {
        const float* __restrict fresh = results[c];
        float* __restrict out = gained_[c].data();
        for (std::int64_t i = 0; i < count; ++i) out[i] = fresh[i] * gain_;
    }
    return gainedAt_.data();
}

void CodecResampler::EncodeBlock(const float* const* planes, std::int64_t count,
                                 std::uint8_t* target) {
    const float* const* results = WithGain(planes, count);
    if (dither_.step != 0.0f) {
        // Drawn channel by channel within each block.
        if (shaper_) {
            shaper_->Quantize(results, ditheredAt_.data(), count, noise_);
        } else {
            for (std::size_t c = 0; c < dithered_.size(); ++c) {
                const float* __restrict fresh = results[c];
                float* __restrict out = dithered_[c].data();
                for (std::int64_t i = 0; i < count; ++i)
                    out[i] = fresh[i] + noise_.Next() * dither_.step;
            }
        }
        results = ditheredAt_.data();
    }
    clipped_ +=
        EncodePlanar(Setup().output, results, static_cast<std::size_t>(count), target, encode_);
}

}  // namespace zel
