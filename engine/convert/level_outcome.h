#pragma once
// What a conversion did to the level of its output, for the result line and the bext chunk.

#include <limits>

namespace zel {

struct LevelOutcome {
    // Whether any gain stage ran (a fixed gain, headroom or a loudness target).
    bool applied = false;
    // dB added to every sample.
    double gainDb = 0.0;
    // The true-peak ceiling held the loudness gain back: the output is quieter than its
    // target.
    bool ceilingLimited = false;
    // LUFS of the converted signal before the gain and after it; NaN when not measured,
    // -infinity for silence.
    double loudnessBefore = std::numeric_limits<double>::quiet_NaN();
    double loudnessAfter = std::numeric_limits<double>::quiet_NaN();
    // dBTP of the output; NaN when not measured.
    double truePeakAfter = std::numeric_limits<double>::quiet_NaN();
    // The files of the album whose gain this is; 0 when the gain is the file's own.
    int albumFiles = 0;
    // LUFS of the album as a whole (every file's gating blocks together) before the gain
    // and after it; NaN when not measured.
    double albumLoudnessBefore = std::numeric_limits<double>::quiet_NaN();
    double albumLoudnessAfter = std::numeric_limits<double>::quiet_NaN();
};

}  // namespace zel
