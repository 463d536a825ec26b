#include "engine/resample/tempo/tempo_planar_resampler.h"

#include <algorithm>
#include <cstring>

namespace zel {
namespace {

// Input frames stretched per block.
constexpr std::int64_t kStretchBlock = 4096;
// Frames received from the stretcher per call.
constexpr std::int64_t kReceiveFrames = 4096;
// Stretched frames one call hands on at most, in units of the input block: a block at
// half speed yields two, the stretcher's bursts a little more; what is left waits for the
// next call, so the frames waiting stay bounded.
constexpr std::int64_t kHandedPerCall = 3;

}  // namespace

std::int64_t StretchedFrames(std::int64_t frames, SpeedRatio speed) {
    using Wide = __int128;
    const Wide numerator = speed.numerator;
    return static_cast<std::int64_t>((2 * Wide{frames} * speed.denominator + numerator) /
                                     (2 * numerator));
}

TempoPlanarResampler::TempoPlanarResampler(std::unique_ptr<PlanarResampler> rate,
                                           SpeedRatio speed, int channels,
                                           std::uint32_t sampleRate)
    : rate_(std::move(rate)), speed_(speed), channels_(channels), sampleRate_(sampleRate) {}

PrepareResult TempoPlanarResampler::Prepare() {
    if (channels_ > TempoStretch::kMostChannels) return PrepareResult::kTempoTooManyChannels;
    if (!stretch_.Start(channels_, sampleRate_, speed_.Factor())) return PrepareResult::kOutOfMemory;
    rateBlocksPerCall_ = kHandedPerCall * kStretchBlock / rate_->NextBlockFrames(INT64_MAX) + 2;
    outputCapacity_ = rateBlocksPerCall_ * rate_->MaxBlockOutputs();
    const auto channels = static_cast<std::size_t>(channels_);
    input_.resize(channels);
    inputAt_.resize(channels);
    output_.resize(channels);
    outputAt_.resize(channels);
    for (std::size_t c = 0; c < channels; ++c) {
        if (!input_[c].Allocate(kStretchBlock) ||
            !output_[c].Allocate(static_cast<std::uint64_t>(outputCapacity_)))
            return PrepareResult::kOutOfMemory;
        inputAt_[c] = input_[c].data();
        outputAt_[c] = output_[c].data();
    }
    interleaved_.resize(static_cast<std::size_t>(kStretchBlock) * channels);
    return PrepareResult::kReady;
}

std::int64_t TempoPlanarResampler::NextBlockFrames(std::int64_t remaining) const {
    return std::min(remaining, kStretchBlock);
}

void TempoPlanarResampler::Stretch(std::int64_t frames) {
    const auto channels = static_cast<std::size_t>(channels_);
    for (std::size_t c = 0; c < channels; ++c) {
        const float* plane = input_[c].data();
        for (std::int64_t i = 0; i < frames; ++i)
            interleaved_[static_cast<std::size_t>(i) * channels + c] = plane[i];
    }
    stretch_.Put(interleaved_.data(), frames);
    pushed_ += frames;
}

// Takes what the stretcher has ready into the pending frames, never past the owed length
// once it is known.
void TempoPlanarResampler::Collect() {
    const auto channels = static_cast<std::size_t>(channels_);
    for (;;) {
        std::int64_t room = kReceiveFrames;
        if (owed_ >= 0) room = std::min(room, owed_ - stretched_);
        if (room <= 0) return;
        const std::size_t at = static_cast<std::size_t>(pendingFrames_) * channels;
        pending_.resize(at + static_cast<std::size_t>(room) * channels);
        const std::int64_t got = stretch_.Receive(pending_.data() + at, room);
        pendingFrames_ += got;
        stretched_ += got;
        pending_.resize(static_cast<std::size_t>(pendingFrames_) * channels);
        if (got < room) return;
    }
}

// Hands the rate conversion its next block, if the pending frames hold it. Before the
// end is known one frame is held back, so that a block taken as not final is not.
bool TempoPlanarResampler::FeedRateBlock() {
    if (rateFinished_) return false;
    // The rate conversion's first block is longer than the others.
    std::int64_t frames = rate_->NextBlockFrames(INT64_MAX);
    bool final = false;
    if (owed_ < 0) {
        if (pendingFrames_ <= frames) return false;
    } else {
        const std::int64_t remaining = owed_ - fed_;
        frames = rate_->NextBlockFrames(remaining);
        final = frames == remaining;
        if (pendingFrames_ < frames) return false;
    }
    const auto channels = static_cast<std::size_t>(channels_);
    float* const* planes = rate_->InputPlanes();
    for (std::size_t c = 0; c < channels; ++c)
        for (std::int64_t i = 0; i < frames; ++i)
            planes[c][i] = pending_[static_cast<std::size_t>(i) * channels + c];
    pending_.erase(pending_.begin(),
                   pending_.begin() + static_cast<std::ptrdiff_t>(frames * channels_));
    pendingFrames_ -= frames;
    fed_ += frames;
    const std::int64_t outputs = rate_->FilterBlock(frames, final);
    rateFinished_ = final;
    for (std::size_t c = 0; c < channels; ++c)
        std::memcpy(output_[c].data() + produced_, rate_->OutputPlanes()[c],
                    static_cast<std::size_t>(outputs) * sizeof(float));
    produced_ += outputs;
    return true;
}

std::int64_t TempoPlanarResampler::RunRateBlocks() {
    produced_ = 0;
    for (std::int64_t block = 0; block < rateBlocksPerCall_ && FeedRateBlock(); ++block) {
    }
    return produced_;
}

std::int64_t TempoPlanarResampler::FilterBlock(std::int64_t frames, bool final) {
    Stretch(frames);
    if (final) {
        owed_ = StretchedFrames(pushed_, speed_);
        stretch_.Flush();
    }
    Collect();
    if (final && stretched_ < owed_) {
        // The stretcher gave less than the exact length: silence makes up the rest.
        const std::int64_t missing = owed_ - stretched_;
        pending_.resize(pending_.size() + static_cast<std::size_t>(missing * channels_), 0.0f);
        pendingFrames_ += missing;
        stretched_ = owed_;
    }
    return RunRateBlocks();
}

std::int64_t TempoPlanarResampler::DrainTail() {
    for (;;) {
        const std::int64_t outputs = RunRateBlocks();
        if (outputs > 0) return outputs;
        if (!rateFinished_) {
            if (pendingFrames_ == 0) return 0;
            continue;
        }
        produced_ = 0;
        const std::int64_t tail = rate_->DrainTail();
        if (tail == 0) return 0;
        const auto channels = static_cast<std::size_t>(channels_);
        for (std::size_t c = 0; c < channels; ++c)
            std::memcpy(output_[c].data(), rate_->OutputPlanes()[c],
                        static_cast<std::size_t>(tail) * sizeof(float));
        return tail;
    }
}

}  // namespace zel
