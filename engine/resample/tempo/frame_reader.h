#pragma once
// Reads interleaved frames from a position that may fall between two input frames, through
// a short windowed-sinc interpolator; every channel through the same one, so that the
// channels keep their timing. Frames outside the held input read as silence.

#include <cstdint>

namespace zel {

// Interleaved input frames [first, first + frames) held at `data`.
struct HeldFrames {
    const float* data;
    std::int64_t first;
    std::int64_t frames;
    int channels;
};

// Frames either side of a position that the interpolation reads.
constexpr std::int64_t kReadReach = 8;

// Writes `count` frames starting at input position `at` to `out` (interleaved).
void ReadFrames(const HeldFrames& held, double at, std::int64_t count, float* out);

}  // namespace zel
