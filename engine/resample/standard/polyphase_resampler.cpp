#include "engine/resample/standard/polyphase_resampler.h"

#include <algorithm>

namespace zel {

PrepareResult PolyphaseResampler::Prepare(std::uint32_t inputRate, std::int32_t targetRate,
                                          std::int32_t speedPercent, int channels) {
    const PrepareResult designed = DesignFilterFor(state_, inputRate, targetRate, speedPercent);
    if (designed != PrepareResult::kReady) return designed;

    blockFrames_ = BlockFrames(state_.P, kernels_.blockLimit);
    maxOutputs_ = zel::MaxBlockOutputs(blockFrames_, state_.P, state_.Q);
    const std::uint64_t in = static_cast<std::uint64_t>(blockFrames_ + kBufferReserve);
    const std::uint64_t out =
        static_cast<std::uint64_t>(maxOutputs_ + kVectorSlack + kBufferReserve);
    if ((in + out) * sizeof(float) * static_cast<std::uint64_t>(channels) > kMaxDesignBytes)
        return PrepareResult::kRatioTooLarge;
    inputs_.resize(static_cast<std::size_t>(channels));
    outputs_.resize(static_cast<std::size_t>(channels));
    for (int c = 0; c < channels; ++c)
        if (!inputs_[c].Allocate(in) || !outputs_[c].Allocate(out)) return PrepareResult::kOutOfMemory;
    inputAt_.resize(inputs_.size());
    outputAt_.resize(outputs_.size());
    for (std::size_t c = 0; c < outputs_.size(); ++c) outputAt_[c] = outputs_[c].data();
    first_ = true;
    PointInputs(kHalfSpan);
    return PrepareResult::kReady;
}

std::int64_t PolyphaseResampler::NextBlockFrames(std::int64_t remaining) const {
    const std::int64_t nominal = first_ ? blockFrames_ + kHalfSpan : blockFrames_;
    return std::min(remaining, nominal);
}

std::int64_t PolyphaseResampler::OutputsOf(std::int64_t frames, bool final) const {
    if (!final) return BlockOutputs(blockFrames_, state_.P, state_.Q);
    return first_ ? SingleBlockOutputs(frames, state_.P, state_.Q)
                  : FinalBlockOutputs(frames, state_.P, state_.Q);
}

// The first block repeats its first frame into the look-back; the final block repeats its
// last frame into the look-ahead, as the canonical path does.
void PolyphaseResampler::ReplicateEdges(float* plane, std::int64_t frames, bool final) const {
    if (first_) std::fill(plane, plane + start_, plane[start_]);
    if (final) {
        const std::int64_t end = start_ + frames;
        std::fill(plane + end, plane + end + kTapSpan + 1, plane[end - 1]);
    }
}

void PolyphaseResampler::PointInputs(std::int64_t offset) {
    start_ = offset;
    for (std::size_t c = 0; c < inputs_.size(); ++c) inputAt_[c] = inputs_[c].data() + offset;
}

std::int64_t PolyphaseResampler::FilterBlock(std::int64_t frames, bool final) {
    const std::int64_t outputs = OutputsOf(frames, final);
    const std::size_t channels = inputs_.size();
    for (std::size_t c = 0; c < channels; ++c) ReplicateEdges(inputs_[c].data(), frames, final);
    std::size_t c = 0;
    for (; c + 1 < channels; c += 2)
        kernels_.filter(SampleLayout::Stereo16, state_, inputs_[c].data(), inputs_[c + 1].data(),
                        outputs, outputs_[c].data(), outputs_[c + 1].data());
    if (c < channels)
        kernels_.filter(SampleLayout::Mono16, state_, inputs_[c].data(), nullptr, outputs,
                        outputs_[c].data(), nullptr);
    // The last kTapSpan frames become the next block's look-back and look-ahead.
    if (!final) {
        const std::int64_t end = start_ + frames;
        for (auto& plane : inputs_)
            std::copy(plane.data() + end - kTapSpan, plane.data() + end, plane.data());
    }
    first_ = false;
    PointInputs(kTapSpan);
    return outputs;
}

}  // namespace zel
