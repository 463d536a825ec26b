#include "engine/wav/frame_ratio.h"

namespace zel {

std::uint64_t MoveFramePosition(std::uint64_t frame, const FrameRatio& ratio) {
    if (ratio.inputFrames == 0) return frame;
    const unsigned __int128 scaled =
        (static_cast<unsigned __int128>(frame) * ratio.outputFrames + ratio.inputFrames / 2) /
        ratio.inputFrames;
    return scaled > ~std::uint64_t{0} ? ~std::uint64_t{0} : static_cast<std::uint64_t>(scaled);
}

void MoveMarkers(SoundMarkers& markers, const FrameRatio& ratio) {
    for (CueMarker& cue : markers.cues) cue.frame = MoveFramePosition(cue.frame, ratio);
    for (LoopMarker& loop : markers.loops) {
        loop.start = MoveFramePosition(loop.start, ratio);
        loop.end = MoveFramePosition(loop.end, ratio);
    }
}

}  // namespace zel
