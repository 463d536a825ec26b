#pragma once
// The codec's rounding to 16-bit signed samples, written once for every loop that uses it:
// nearest, ties away from zero, saturated and counted, NaN to 0 (Quantizer(16) of the
// general path, in single precision and without branches, so that it vectorises).

#include <cmath>
#include <cstdint>

namespace zel {

inline constexpr float kSigned16Scale = 32768.0f;
inline constexpr std::int32_t kSigned16Low = -32768;
inline constexpr std::int32_t kSigned16High = 32767;
// Far enough outside the range that clamping first changes no result or count.
inline constexpr float kSigned16Guard = 40000.0f;

// Just below one half: added outwards and truncated, it rounds to nearest with ties away
// from zero in single precision (one half itself would carry 0.5 - 2^-25 up to 1). Every
// float was checked against Quantizer(16).
inline constexpr float kBelowHalf = 0x1.fffffep-2f;

// A scaled and rounded-outwards value w truncates past the range exactly when it is at
// or beyond these (the vector kernels count and clamp in floats with them).
inline constexpr float kSigned16FirstAbove = 32768.0f;
inline constexpr float kSigned16FirstBelow = -32769.0f;

inline std::int16_t QuantizeSigned16(float x, std::uint32_t& clipped) {
    float v = x * kSigned16Scale;
    v = v == v ? v : 0.0f;
    v = v < -kSigned16Guard ? -kSigned16Guard : v;
    v = v > kSigned16Guard ? kSigned16Guard : v;
    const auto r = static_cast<std::int32_t>(v + std::copysign(kBelowHalf, v));
    clipped += static_cast<std::uint32_t>((r > kSigned16High) + (r < kSigned16Low));
    std::int32_t kept = r < kSigned16Low ? kSigned16Low : r;
    kept = kept > kSigned16High ? kSigned16High : kept;
    return static_cast<std::int16_t>(kept);
}

}  // namespace zel
