#pragma once
// The level a conversion set, as fields of zel-cli's result lines: "gain=-3.21dB",
// "loudness=-18.40>-23.00LUFS", "true_peak=-1.20dBTP", "ceiling_limited", and for an
// album's gain "album_files=12" and "album_loudness=-20.10>-23.00LUFS" on the tab-separated
// line; gainDb, loudnessBefore, loudnessAfter, truePeakAfter, ceilingLimited (and
// albumFiles, albumLoudnessBefore, albumLoudnessAfter) in JSON (null where not measured,
// as for silence). Nothing when no level stage ran.

#include <string>

#include "engine/convert/level_outcome.h"

namespace zel::cli {

std::string LevelTabFields(const LevelOutcome& level);
std::string LevelJsonFields(const LevelOutcome& level);

}  // namespace zel::cli
