#pragma once
// How the two sample encodings store a value: 8-bit unsigned with 128 for silence, and
// 16-bit signed little-endian. Shared by every build, the tests and the sample writer.
//
// The functions have internal linkage so that each kernel file keeps a copy compiled for
// its own instruction set (see output_quads.h).

#include <cstdint>

namespace zel {

inline constexpr std::int32_t kEightBitZero = 128;
inline constexpr std::int32_t kInt16Min = -32768;
inline constexpr std::int32_t kInt16MaxValue = 32767;
inline constexpr std::int32_t kUint8MaxValue = 255;

// The same bounds and biases as single-precision floats, for the vector builds.
inline constexpr float kEightBitBias = 128.0f;
inline constexpr float kSixteenBitBias = 32768.0f;
inline constexpr float kInt16Max = 32767.0f;
inline constexpr float kUint8Max = 255.0f;
inline constexpr float kUint16Max = 65535.0f;

namespace {

inline std::int16_t ReadInt16(const std::uint8_t* p) {
    return static_cast<std::int16_t>(static_cast<std::uint16_t>(p[0] | (p[1] << 8)));
}

inline void WriteInt16(std::uint8_t* p, std::int32_t v) {
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
}

}  // namespace
}  // namespace zel
