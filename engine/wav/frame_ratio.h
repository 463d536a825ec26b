#pragma once
// Moving frame positions (time references, cue points, loops) onto an output's timeline.

#include <cstdint>

#include "engine/base/sound_markers.h"

namespace zel {

// Output frames per input frame, as a fraction (for example output and input rates
// with the speed applied, or the frame counts).
struct FrameRatio {
    std::uint64_t outputFrames = 1;
    std::uint64_t inputFrames = 1;
};

// A frame position on the output's timeline, rounded to nearest.
std::uint64_t MoveFramePosition(std::uint64_t frame, const FrameRatio& ratio);

// Every cue point and loop of `markers` on the output's timeline.
void MoveMarkers(SoundMarkers& markers, const FrameRatio& ratio);

}  // namespace zel
