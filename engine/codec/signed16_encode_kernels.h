#pragma once
// Float planes to 16-bit little-endian frames, the most common output, one set of loops per
// instruction set. Every set gives the same bytes and counts as QuantizeSigned16; a build
// of the conversion names the set it uses.

#include <cstddef>
#include <cstdint>

namespace zel {

struct Signed16EncodeKernels {
    const char* name;
    // Each returns the number of samples saturated.
    std::uint64_t (*mono)(const float* in, std::size_t frames, std::uint8_t* dst);
    std::uint64_t (*stereo)(const float* left, const float* right, std::size_t frames,
                            std::uint8_t* dst);
};

// Plain loops the compiler vectorises for the baseline processor; every build can run them.
extern const Signed16EncodeKernels kPortableSigned16Encode;
// Only on processors with AVX2 (x86 builds).
extern const Signed16EncodeKernels kAvx2Signed16Encode;

}  // namespace zel
