#pragma once
// One gain for the files of an album, so the balance between them stays: a first read of
// every file measures it as a file of its own would be measured (peaks, loudness, true
// peak) and adds its blocks to the album's loudness; the gain is the highest that every
// file's own rule allows with the album's loudness in place of its own (the loudness
// target, the true-peak ceiling, headroom); a second read of each file converts it at that
// gain. Memory: one meter for the album and a few numbers per file.

#include <cstddef>
#include <filesystem>
#include <limits>
#include <vector>

#include "engine/base/conversion_progress.h"
#include "engine/convert/conversion_outcome.h"
#include "engine/convert/level_analysis.h"
#include "engine/resample/builds/conversion_builds.h"
#include "engine/resample/conversion_settings.h"

namespace zel {

struct AlbumMeasurement {
    // kCancelled: a first read was cancelled, and the album is not converted;
    // kOutOfMemory: the album's meter failed.
    ConversionResult code = kCompleted;
    // Entry i: the first read of input i.
    std::vector<LevelAnalysis> files;
    // The files whose first read completed; they alone set the gain.
    int measuredFiles = 0;
    // LUFS of the album as a whole (every file's gating blocks together); NaN without a
    // loudness target, -infinity for silence.
    double loudness = std::numeric_limits<double>::quiet_NaN();
    double gainDb = 0.0;
    // The true-peak ceiling of some file held the album short of its target.
    bool ceilingLimited = false;
};

// Progress: the album's first reads as one, file by file.
AlbumMeasurement MeasureAlbum(const std::vector<std::filesystem::path>& inputs,
                              const ConversionSettings& settings, const ConversionKernels& build,
                              ConversionProgress* progress);

// What the album's gain does to file `index`: its own loudness and true peak moved by it.
LevelOutcome AlbumLevelOf(const AlbumMeasurement& album, std::size_t index);

// File `index` of a measured album converted at the album's gain in a second read (its
// progress the second half of the file's), or refused as its first read was.
ConversionOutcome ConvertAlbumFile(const std::filesystem::path& inputPath,
                                   ConversionProgress* progress,
                                   const std::filesystem::path& outputPath,
                                   const ConversionSettings& settings,
                                   const AlbumMeasurement& album, std::size_t index,
                                   const ConversionKernels& build = kReferenceKernels);

}  // namespace zel
