#pragma once
// Rounding and saturation of finished output values, shared by every build.

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "engine/codec/sample_encoding.h"

namespace zel {

// Nearest integer, ties away from zero: trunc(x) + trunc(2 * (x - trunc(x))).
inline std::int64_t RoundHalfAway(double x) {
    // Far outside any sample range; keeps the conversion to an integer defined.
    x = std::clamp(x, -1e15, 1e15);
    const double t = std::trunc(x);
    return static_cast<std::int64_t>(t) + static_cast<std::int64_t>(std::trunc(2.0 * (x - t)));
}

inline std::int16_t SaturateToInt16(std::int64_t v) {
    return static_cast<std::int16_t>(std::clamp<std::int64_t>(v, kInt16Min, kInt16MaxValue));
}

inline std::uint8_t SaturateToUint8(std::int64_t v) {
    return static_cast<std::uint8_t>(std::clamp<std::int64_t>(v, 0, kUint8MaxValue));
}

}  // namespace zel
