#pragma once
// A filter over planes of float samples (one plane per channel), fed block by block: the
// inside of a resampler whose samples pass through the codec (see CodecResampler), which
// asks how many frames the next block takes, decodes them into the input planes and encodes
// the outputs the block yields. How the outputs are computed is the filter's own business,
// so the standard polyphase filter and the high-quality chain take each other's place.

#include <cstdint>

namespace zel {

class PlanarResampler {
  public:
    virtual ~PlanarResampler() = default;
    // Frames the next block takes when `remaining` frames of the file are left (never 0
    // while frames remain). The block is the final one when it takes them all.
    virtual std::int64_t NextBlockFrames(std::int64_t remaining) const = 0;
    // Where the next block's frames go: one pointer per channel.
    virtual float* const* InputPlanes() = 0;
    // Filters the block just filled; returns the outputs now in OutputPlanes().
    virtual std::int64_t FilterBlock(std::int64_t frames, bool final) = 0;
    // After the final block: further outputs of the stream's tail in OutputPlanes(); 0
    // once there are none. Resamplers whose final block yields everything keep this.
    virtual std::int64_t DrainTail() { return 0; }
    virtual const float* const* OutputPlanes() const = 0;
    // The most outputs one block can yield, for the caller's encoding buffer.
    virtual std::int64_t MaxBlockOutputs() const = 0;
};

}  // namespace zel
