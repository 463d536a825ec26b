#pragma once
// How a conversion sets the level of its output: a fixed gain, a gain lowered so that no
// output sample saturates, or a gain that brings the integrated loudness (ITU-R BS.1770)
// to a target under a true-peak ceiling. The last two need a first read of the input that
// runs the same conversion without writing; the file driver does it and then converts
// with the gain it found as a fixed one.

#include <cmath>
#include <optional>

namespace zel {

struct LevelSettings {
    // dB; added to every float sample before dither and rounding.
    double gainDb = 0.0;
    // Lower the gain just enough that no output sample saturates (inter-sample peaks of
    // the resampled signal included, since the resampled signal itself is measured).
    bool headroomAuto = false;
    // LUFS; the integrated loudness the output is brought to.
    std::optional<double> loudnessTarget{};
    // dBTP; the true peak the loudness gain never pushes the output past.
    double truePeakCeiling = -1.0;
    // One gain for every file of an album (the files of one folder), chosen from what they
    // all hold, so the balance between them stays. A batch measures each album before it
    // converts its files; a file converted alone is an album of one.
    bool album = false;

    bool NeedsAnalysis() const { return headroomAuto || loudnessTarget.has_value(); }
    // Any change to the samples at all: such a stream takes the float path.
    bool ChangesLevel() const { return gainDb != 0.0 || NeedsAnalysis(); }
    float LinearGain() const { return static_cast<float>(std::pow(10.0, gainDb / 20.0)); }
};

}  // namespace zel
