#include "engine/resample/standard/block_conversion.h"

#include <algorithm>
#include <cassert>

#include "engine/codec/sample_rounding.h"
#include "engine/resample/standard/block_geometry.h"

namespace zel {
namespace {

constexpr double kProgressScale = 100.0;

std::uint64_t BufferBytes(std::int64_t f, std::int64_t maxOutputs, int blockAlign) {
    const std::uint64_t in = static_cast<std::uint64_t>(f + kBufferReserve);
    const std::uint64_t out = static_cast<std::uint64_t>(maxOutputs + kBufferReserve);
    return in * (blockAlign + 2 * sizeof(float)) + out * (blockAlign + 2 * sizeof(float));
}

template <typename T>
std::int64_t Elements(const AlignedBuffer<T>& buffer) {
    return static_cast<std::int64_t>(buffer.size());
}

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

PrepareResult BlockConversion::Prepare(SampleLayout layout, std::int64_t inputRate,
                                       std::int32_t targetRate, std::int32_t speedPercent) {
    layout_ = layout;
    const PrepareResult designed = DesignFilterFor(state_, inputRate, targetRate, speedPercent);
    if (designed != PrepareResult::kReady) return designed;

    blockAlign_ = BlockAlignOf(layout);
    const std::int64_t f = BlockFrames(state_.P, kernels_.blockLimit);
    geometry_ = {state_.P, state_.Q, f, BlockOutputs(f, state_.P, state_.Q)};
    // Vector loops may run up to kVectorSlack elements past the largest count.
    const std::int64_t maxOutputs = MaxBlockOutputs(f, state_.P, state_.Q) + kVectorSlack;
    if (BufferBytes(f, maxOutputs, blockAlign_) > kMaxDesignBytes)
        return PrepareResult::kRatioTooLarge;
    const std::uint64_t in = static_cast<std::uint64_t>(f + kBufferReserve);
    const std::uint64_t out = static_cast<std::uint64_t>(maxOutputs + kBufferReserve);
    const bool allocated = rawInput_.Allocate(in * blockAlign_) &&
                           rawOutput_.Allocate(out * blockAlign_) && inputLeft_.Allocate(in) &&
                           inputRight_.Allocate(in) && outputLeft_.Allocate(out) &&
                           outputRight_.Allocate(out);
    if (!allocated) return PrepareResult::kOutOfMemory;
    assert(IsAligned(state_.table.data()) && IsAligned(rawInput_.data()) &&
           IsAligned(rawOutput_.data()));
    assert(RowsZeroPadded(state_));
    return PrepareResult::kReady;
}

// The spare room that ConversionKernels promises, for a block of n frames placed at c and
// `outputs` outputs: checked in debug builds only.
void BlockConversion::CheckSpareRoom([[maybe_unused]] std::int64_t c,
                                     [[maybe_unused]] std::int64_t n,
                                     [[maybe_unused]] std::int64_t outputs) const {
    assert(c + n + kTapSpan + 1 + kVectorSlack <= Elements(inputLeft_));
    assert((n + kVectorSlack) * blockAlign_ <= Elements(rawInput_));
    assert(outputs + kVectorSlack <= Elements(outputLeft_));
    assert((outputs + kVectorSlack) * blockAlign_ <= Elements(rawOutput_));
}

// Input frame B + i of a block (B its first frame) always sits at X[kHalfSpan + i]; before
// it lie the look-back frames, and the first block replicates frame 0 into them.
ConversionResult BlockConversion::Run(ByteSource& source, ByteSink& sink, std::int64_t totalFrames,
                                      ConversionProgress* progress) {
    const float totalAsFloat = static_cast<float>(totalFrames);
    std::int64_t remaining = totalFrames;
    std::int64_t c = kHalfSpan;
    bool first = true;
    framesWritten_ = 0;
    while (remaining > 0) {
        std::int64_t n = 0;
        std::int64_t outputs = 0;
        const bool final = PlanBlock(first, remaining, n, outputs);
        CheckSpareRoom(c, n, outputs);
        if (!source.ReadExactly(rawInput_.data(), static_cast<std::size_t>(n) * blockAlign_))
            return kInputReadError;
        UnpackBlock(c, n, first, final);
        kernels_.filter(layout_, state_, inputLeft_.data(), inputRight_.data(), outputs,
                        outputLeft_.data(), outputRight_.data());
        if (!final) KeepHistory(c + n);
        c = kTapSpan;
        first = false;
        if (!WriteFrames(sink, outputs)) return kOutputWriteError;
        remaining -= n;
        const std::int64_t percent =
            100 - RoundHalfAway(static_cast<double>(remaining) * kProgressScale /
                                static_cast<double>(totalAsFloat));
        if (progress != nullptr && !progress->Continue(percent)) return kCancelled;
    }
    return kCompleted;
}

// Decides the frames read and the outputs produced by the next block. A block is final
// when the data has no more than it needs, so no frame outside the data chunk is read and
// the output always covers the whole input.
bool BlockConversion::PlanBlock(bool first, std::int64_t remaining, std::int64_t& n,
                                std::int64_t& outputs) const {
    const std::int64_t P = geometry_.P;
    const std::int64_t Q = geometry_.Q;
    const std::int64_t f = geometry_.blockFrames;
    if (first) {
        if (remaining <= f + kHalfSpan) {
            n = remaining;
            outputs = SingleBlockOutputs(remaining, P, Q);
            return true;
        }
        n = f + kHalfSpan;
        outputs = geometry_.blockOutputs;
        return false;
    }
    if (remaining <= f) {
        n = remaining;
        outputs = FinalBlockOutputs(remaining, P, Q);
        return true;
    }
    n = f;
    outputs = geometry_.blockOutputs;
    return false;
}

void BlockConversion::UnpackBlock(std::int64_t c, std::int64_t n, bool first, bool final) {
    float* left = inputLeft_.data();
    float* right = inputRight_.data();
    const bool stereo = ChannelsOf(layout_) == 2;
    kernels_.unpack(layout_, rawInput_.data(), n, left + c, right + c);
    if (first) {
        std::fill(left, left + c, left[c]);
        if (stereo) std::fill(right, right + c, right[c]);
    }
    if (final) {
        const std::int64_t last = c + n - 1;
        std::fill(left + c + n, left + c + n + kTapSpan + 1, left[last]);
        if (stereo) std::fill(right + c + n, right + c + n + kTapSpan + 1, right[last]);
    }
}

// The last kTapSpan frames become the next block's look-back and look-ahead. Only blocks
// that have a successor keep them: a short final block may not even hold kTapSpan frames.
void BlockConversion::KeepHistory(std::int64_t end) {
    float* left = inputLeft_.data();
    float* right = inputRight_.data();
    std::copy(left + end - kTapSpan, left + end, left);
    if (ChannelsOf(layout_) == 2) std::copy(right + end - kTapSpan, right + end, right);
}

bool BlockConversion::WriteFrames(ByteSink& sink, std::int64_t outputs) {
    const std::uint64_t bytes = static_cast<std::uint64_t>(outputs) * blockAlign_;
    const std::uint64_t written = static_cast<std::uint64_t>(framesWritten_) * blockAlign_;
    if (written + bytes > maxOutputBytes_) return false;
    kernels_.pack(layout_, outputLeft_.data(), outputRight_.data(), outputs, rawOutput_.data());
    if (!sink.Write(rawOutput_.data(), static_cast<std::size_t>(bytes))) return false;
    framesWritten_ += outputs;
    return true;
}

}  // namespace zel
