#include "engine/resample/standard/polyphase_resampler.h"

#include <algorithm>
#include <cassert>

namespace zel {
namespace {

[[maybe_unused]] bool IsAligned(const void* p) {
    return reinterpret_cast<std::uintptr_t>(p) % kBufferAlignment == 0;
}

// The entries of each row past its last coefficient are zero (see ConversionKernels).
[[maybe_unused]] bool RowsZeroPadded(const FilterState& state) {
    for (std::int64_t p = 0; p < state.Q; ++p) {
        const float* row = state.table.Row(p);
        const std::int64_t taps = p == 0 ? kTapSpan + 1 : kTapSpan;
        for (std::int64_t k = taps; k < kRowStride; ++k)
            if (row[k] != 0.0f) return false;
    }
    return true;
}

}  // namespace

PrepareResult PolyphaseResampler::Prepare(std::uint32_t inputRate, std::int32_t targetRate,
                                          SpeedRatio speed, int channels,
                                          const PlaneUse& use) {
    const PrepareResult designed = DesignFilterFor(state_, inputRate, targetRate, speed);
    if (designed != PrepareResult::kReady) return designed;
    use_ = use;
    planner_ = BlockPlanner(state_.P, state_.Q, kernels_.blockLimit);
    const std::uint64_t in = static_cast<std::uint64_t>(planner_.BlockFrameCount() + kBufferReserve);
    const std::uint64_t out = static_cast<std::uint64_t>(planner_.MaxOutputs() + kOutputSpare);
    const std::uint64_t perFrame =
        sizeof(float) * static_cast<std::uint64_t>(channels) + use.extraBytesPerFrame;
    if ((in + out) * perFrame > kMaxDesignBytes) return PrepareResult::kRatioTooLarge;
    inputs_.resize(static_cast<std::size_t>(channels));
    outputs_.resize(static_cast<std::size_t>(channels));
    for (int c = 0; c < channels; ++c)
        if (!inputs_[c].Allocate(in) || !outputs_[c].Allocate(out)) return PrepareResult::kOutOfMemory;
    inputAt_.resize(inputs_.size());
    outputAt_.resize(outputs_.size());
    for (std::size_t c = 0; c < outputs_.size(); ++c) outputAt_[c] = outputs_[c].data();
    PointInputs(kHalfSpan);
    assert(IsAligned(state_.table.data()));
    assert(RowsZeroPadded(state_));
    return PrepareResult::kReady;
}

// The first block repeats its first frame into the look-back; the final block repeats its
// last frame into the look-ahead, as the canonical path does.
void PolyphaseResampler::ReplicateEdges(float* plane, std::int64_t frames, bool final) const {
    if (planner_.AtFirstBlock()) std::fill(plane, plane + start_, plane[start_]);
    if (final) {
        const std::int64_t end = start_ + frames;
        std::fill(plane + end, plane + end + kTapSpan + 1, plane[end - 1]);
    }
}

void PolyphaseResampler::PointInputs(std::int64_t offset) {
    start_ = offset;
    for (std::size_t c = 0; c < inputs_.size(); ++c) inputAt_[c] = inputs_[c].data() + offset;
}

// Input frame B + i of a block (B its first frame) always sits at plane[start_ + i]; before
// it lie the look-back frames.
std::int64_t PolyphaseResampler::FilterBlock(std::int64_t frames, bool final) {
    const std::int64_t outputs = planner_.OutputsOf(frames, final);
    // The spare room ConversionKernels promises every kernel.
    assert(start_ + frames + kTapSpan + 1 + kVectorSlack <=
           static_cast<std::int64_t>(inputs_.front().size()));
    assert(outputs + kVectorSlack <= static_cast<std::int64_t>(outputs_.front().size()));
    const std::size_t channels = inputs_.size();
    for (std::size_t c = 0; c < channels; ++c) ReplicateEdges(inputs_[c].data(), frames, final);
    std::size_t c = 0;
    for (; c + 1 < channels; c += 2)
        kernels_.filter(use_.pair, state_, inputs_[c].data(), inputs_[c + 1].data(), outputs,
                        outputs_[c].data(), outputs_[c + 1].data());
    if (c < channels)
        kernels_.filter(use_.single, state_, inputs_[c].data(), nullptr, outputs,
                        outputs_[c].data(), nullptr);
    // The last kTapSpan frames become the next block's look-back and look-ahead. Only
    // blocks with a successor keep them: a short final block may not even hold kTapSpan.
    if (!final) {
        const std::int64_t end = start_ + frames;
        for (auto& plane : inputs_)
            std::copy(plane.data() + end - kTapSpan, plane.data() + end, plane.data());
    }
    planner_.BlockDone();
    PointInputs(kTapSpan);
    return outputs;
}

}  // namespace zel
