#pragma once
// Samples of every supported encoding to and from single-precision floats on the scale
// -1.0 .. +1.0 (full scale of the container: an integer sample v of an n-bit container is
// v / 2^(n-1)), interleaved or one plane per channel.
//
// Decoding a float input takes NaN and infinities as silence and holds finite values
// within +-kLargestDecodedMagnitude, so no filter's sum can overflow single precision and
// no output sample is ever NaN or infinite.
//
// Encoding to an integer rounds to the output's own step (2^(container-valid) container
// units, ties away from zero) and saturates; saturated samples are counted. Float outputs
// are stored as they are, never clipped.

#include <cstddef>
#include <cstdint>

#include "engine/codec/sample_format.h"
#include "engine/codec/signed16_encode_kernels.h"

namespace zel {

// 2^100: far above any audio, and far below the largest float divided by what a filter
// chain's taps sum to in magnitude.
inline constexpr double kLargestDecodedMagnitude = 0x1p100;

// Return the number of NaN or infinite samples taken as silence.
std::uint64_t DecodeInterleaved(const WavSampleFormat& format,
                                const std::uint8_t* __restrict source, std::size_t frames,
                                float* __restrict target);
std::uint64_t DecodePlanar(const WavSampleFormat& format, const std::uint8_t* __restrict source,
                           std::size_t frames, float* const* planes);

// Return the number of samples that had to be saturated.
std::uint64_t EncodeInterleaved(const WavSampleFormat& format, const float* __restrict source,
                                std::size_t frames, std::uint8_t* __restrict target);
// 16-bit frames of one or two channels go through `signed16`, the build's loops.
std::uint64_t EncodePlanar(const WavSampleFormat& format, const float* const* planes,
                           std::size_t frames, std::uint8_t* __restrict target,
                           const Signed16EncodeKernels& signed16 = kPortableSigned16Encode);

}  // namespace zel
