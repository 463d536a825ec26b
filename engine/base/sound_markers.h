#pragma once
// Places in the audio that a file names, whatever container it came in: cue points (a
// WAV file's cue list and labels, an AIFF file's markers) and a sampler's sustain loops
// (a WAV file's smpl chunk, an AIFF file's instrument). Positions count sample frames
// from the start of the audio.

#include <cstdint>
#include <string>
#include <vector>

namespace zel {

struct CueMarker {
    std::uint32_t id = 0;
    std::uint64_t frame = 0;
    std::string label;  // UTF-8; empty when the point has no name
};

enum class LoopMode : std::uint8_t { kForward, kAlternating, kBackward };

struct LoopMarker {
    std::uint64_t start = 0;
    std::uint64_t end = 0;        // the frame after the last one of the loop
    std::uint32_t playCount = 0;  // 0: for as long as the note is held
    LoopMode mode = LoopMode::kForward;
};

struct SoundMarkers {
    std::vector<CueMarker> cues;
    std::vector<LoopMarker> loops;
    // The sampler's pitch: the MIDI note the recording plays at, and how many cents above
    // it. Meaningful only with loops.
    std::uint8_t baseNote = 60;
    std::int8_t detuneCents = 0;

    bool Empty() const { return cues.empty() && loops.empty(); }
};

}  // namespace zel
