#pragma once
// How a file is cut into blocks. A block covers f input frames (a multiple of P, so it
// starts on a whole input frame and on phase 0) and yields g = f * Q / P output frames.
// All products are 64-bit: P * Q and frame counts * Q pass 2^31 for unusual ratios.

#include <cstdint>

#include "engine/resample/standard/filter_design.h"

namespace zel {

inline constexpr std::int64_t kBlockLimit = 16384;      // reference build
inline constexpr std::int64_t kSimdBlockLimit = 65536;  // SIMD builds

// The rules are templates so that a check on any file (see OutputFrameCount) can run them
// in 128 bits; the conversion runs them in 64.
template <typename Int>
constexpr Int CeilDiv(Int a, Int b) {
    return a / b + (a % b > 0 ? 1 : 0);
}

// f: the largest multiple of P not above the limit, or P itself when P exceeds it.
template <typename Int>
constexpr Int BlockFrames(Int p, Int limit) {
    return p > limit ? p : (limit / p) * p;
}

// g = f * Q / P, exact because f is a multiple of P.
template <typename Int>
constexpr Int BlockOutputs(Int f, Int p, Int q) {
    return f / p * q;
}

// Outputs of a final block after the first: the half span read ahead by the previous
// block plus the `remaining` new frames, ceil(25Q/P) + floor(remaining*Q/P).
template <typename Int>
constexpr Int FinalBlockOutputs(Int remaining, Int p, Int q) {
    return CeilDiv<Int>(kHalfSpan * q, p) + remaining * q / p;
}

// Outputs of a file that fits in its first block: exactly its own duration,
// ceil(total*Q/P), with no frame of look-ahead beyond the data.
template <typename Int>
constexpr Int SingleBlockOutputs(Int total, Int p, Int q) {
    return CeilDiv<Int>(total * q, p);
}

// The largest count any block of a file can produce.
template <typename Int>
constexpr Int MaxBlockOutputs(Int f, Int p, Int q) {
    return BlockOutputs(f, p, q) + CeilDiv<Int>(kHalfSpan * q, p) + 1;
}

// The outputs of a whole stream of `total` frames at the reduced P:Q, cut into blocks of
// at most `limit` frames as the block loops cut it: a first block of f + 25 frames, full
// blocks of f, and a final block of the rest, or a single block when all fit in the first.
template <typename Int>
constexpr Int StreamOutputs(Int total, Int p, Int q, Int limit) {
    const Int f = BlockFrames(p, limit);
    if (total <= f + kHalfSpan) return SingleBlockOutputs(total, p, q);
    const Int afterFirst = total - f - kHalfSpan;
    const Int fullAfterFirst = CeilDiv(afterFirst, f) - 1;
    return (1 + fullAfterFirst) * BlockOutputs(f, p, q) +
           FinalBlockOutputs(afterFirst - fullAfterFirst * f, p, q);
}

}  // namespace zel
