#pragma once
// The vector part of the 16-bit packing, one build per processor family: undithered
// frames of one or two channels, rounded to nearest (ties to even), saturated, and the
// clipped samples added to `clipped`. Returns the frames done from the start; the scalar
// loop takes the rest (all of them where this returns 0).

#include <cstdint>

namespace zel {

std::int64_t PackInt16FramesVector(const float* const* planar, int channels, std::int64_t frames,
                                   std::int16_t* interleaved, std::int64_t& clipped);

}  // namespace zel
