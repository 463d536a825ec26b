#pragma once
// How the standard filter cuts a stream, block by block: a first block of f + 25 frames
// (its look-back replicated from frame 0), full blocks of f, and a final block of what is
// left, so no frame outside the stream is read and the output covers the whole input.
// StreamOutputs is the same rule summed over a whole stream.

#include <algorithm>
#include <cstdint>

#include "engine/resample/standard/block_geometry.h"

namespace zel {

class BlockPlanner {
  public:
    BlockPlanner() = default;
    BlockPlanner(std::int64_t p, std::int64_t q, std::int64_t blockLimit)
        : p_(p), q_(q), blockFrames_(BlockFrames(p, blockLimit)) {}

    std::int64_t BlockFrameCount() const { return blockFrames_; }
    // The largest count any block of the stream can yield.
    std::int64_t MaxOutputs() const { return MaxBlockOutputs(blockFrames_, p_, q_); }
    bool AtFirstBlock() const { return first_; }

    // Frames the next block takes when `remaining` are left; it is final when it takes
    // them all.
    std::int64_t NextBlockFrames(std::int64_t remaining) const {
        return std::min(remaining, first_ ? blockFrames_ + kHalfSpan : blockFrames_);
    }
    // The outputs of the next block of `frames` frames.
    std::int64_t OutputsOf(std::int64_t frames, bool final) const {
        if (!final) return BlockOutputs(blockFrames_, p_, q_);
        return first_ ? SingleBlockOutputs(frames, p_, q_) : FinalBlockOutputs(frames, p_, q_);
    }
    void BlockDone() { first_ = false; }

  private:
    std::int64_t p_ = 1;
    std::int64_t q_ = 1;
    std::int64_t blockFrames_ = 1;
    bool first_ = true;
};

}  // namespace zel
