#pragma once
// The ratio every conversion runs at: P input frames for every Q output frames, formed
// from the input rate, the target rate and the speed, and reduced to lowest terms. The one
// place it is formed; the filters, the block geometry, the output's length and the
// metadata's frame positions all start from it.

#include <cstdint>
#include <numeric>

#include "engine/resample/speed_ratio.h"

namespace zel {

struct ConversionRatio {
    std::int64_t P = 1;  // input frames (input rate x speed numerator)
    std::int64_t Q = 1;  // output frames (target rate x speed denominator)
};

// Every argument positive. Products stay below 2^63 for rates below 2^32 and speed terms
// below 2^31 (the batch lets terms up to kMaxSpeedTerm through).
inline ConversionRatio ReducedRatio(std::int64_t inputRate, std::int64_t targetRate,
                                    SpeedRatio speed) {
    const std::int64_t p = inputRate * speed.numerator;
    const std::int64_t q = targetRate * speed.denominator;
    const std::int64_t divisor = std::gcd(p, q);
    return {p / divisor, q / divisor};
}

// round(frames x Q / P): the outputs a stream of `frames` input frames is owed at P:Q. A
// template so that a check on any file (see OutputFrameCount) can run it in 128 bits.
template <typename Int>
constexpr Int RoundedStreamOutputs(Int frames, Int p, Int q) {
    return (2 * frames * q + p) / (2 * p);
}

}  // namespace zel
