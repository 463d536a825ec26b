#pragma once
// Samples of every supported encoding to and from single-precision floats on the scale
// -1.0 .. +1.0 (full scale of the container: an integer sample v of an n-bit container is
// v / 2^(n-1)), interleaved or one plane per channel.
//
// Encoding to an integer rounds to the output's own step (2^(container-valid) container
// units, ties away from zero) and saturates; saturated samples are counted. Float outputs
// are stored as they are, never clipped.

#include <cstddef>
#include <cstdint>

#include "engine/codec/sample_format.h"

namespace zel {

void DecodeInterleaved(const WavSampleFormat& format, const std::uint8_t* __restrict source,
                       std::size_t frames, float* __restrict target);
void DecodePlanar(const WavSampleFormat& format, const std::uint8_t* __restrict source,
                  std::size_t frames, float* const* planes);

// Return the number of samples that had to be saturated.
std::uint64_t EncodeInterleaved(const WavSampleFormat& format, const float* __restrict source,
                                std::size_t frames, std::uint8_t* __restrict target);
std::uint64_t EncodePlanar(const WavSampleFormat& format, const float* const* planes,
                           std::size_t frames, std::uint8_t* __restrict target);

}  // namespace zel
