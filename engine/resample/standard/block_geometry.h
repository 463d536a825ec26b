#pragma once
// How a file is cut into blocks. A block covers f input frames (a multiple of P, so it
// starts on a whole input frame and on phase 0) and yields g = f * Q / P output frames.
// All products are 64-bit: P * Q and frame counts * Q pass 2^31 for unusual ratios.

#include <cstdint>

#include "engine/resample/standard/filter_design.h"

namespace zel {

inline constexpr std::int64_t kBlockLimit = 16384;      // reference build
inline constexpr std::int64_t kSimdBlockLimit = 65536;  // SIMD builds

inline constexpr std::int64_t CeilDiv(std::int64_t a, std::int64_t b) {
    return a / b + (a % b > 0 ? 1 : 0);
}

// f: the largest multiple of P not above the limit, or P itself when P exceeds it.
inline constexpr std::int64_t BlockFrames(std::int64_t p, std::int64_t limit) {
    return p > limit ? p : (limit / p) * p;
}

// g = f * Q / P, exact because f is a multiple of P.
inline constexpr std::int64_t BlockOutputs(std::int64_t f, std::int64_t p, std::int64_t q) {
    return f / p * q;
}

// Outputs of a final block after the first: the half span read ahead by the previous
// block plus the `remaining` new frames, ceil(25Q/P) + floor(remaining*Q/P).
inline constexpr std::int64_t FinalBlockOutputs(std::int64_t remaining, std::int64_t p,
                                                std::int64_t q) {
    return CeilDiv(kHalfSpan * q, p) + remaining * q / p;
}

// Outputs of a file that fits in its first block: exactly its own duration,
// ceil(total*Q/P), with no frame of look-ahead beyond the data.
inline constexpr std::int64_t SingleBlockOutputs(std::int64_t total, std::int64_t p,
                                                 std::int64_t q) {
    return CeilDiv(total * q, p);
}

// The largest count any block of a file can produce.
inline constexpr std::int64_t MaxBlockOutputs(std::int64_t f, std::int64_t p, std::int64_t q) {
    return BlockOutputs(f, p, q) + CeilDiv(kHalfSpan * q, p) + 1;
}

}  // namespace zel
