#pragma once
// Conversion of one WAV file into a new WAV file at the target rate and speed.
//
// All builds share this one driver and differ only in their kernels (block size,
// unpacking, dot product, packing). Progress: after every block `progress` hears the
// percent of the file done; an answer of false cancels (code 1). It may be null.
//
// The output is written beside its name and put in place only when the conversion ends
// with 0, or with 1 when no file of that name exists: a cancel keeps the blocks written
// so far as a valid WAV file, but never replaces an earlier file (detail
// kEarlierOutputKept). A cancel answered with kCancelDiscardingAnswer keeps nothing (detail
// kPartialRemoved). A failure never leaves a partial file and never touches an
// existing one. Only regular files are read; anything else is refused at once (-1)
// without waiting on it.

#include <filesystem>

#include "engine/base/conversion_progress.h"
#include "engine/convert/conversion_outcome.h"
#include "engine/convert/level_outcome.h"
#include "engine/resample/conversion_settings.h"
#include "engine/resample/builds/conversion_builds.h"

namespace zel {

ConversionOutcome ConvertFile(const std::filesystem::path& inputPath, ConversionProgress* progress,
                              const std::filesystem::path& outputPath,
                              const ConversionSettings& settings,
                              const ConversionKernels& build = kReferenceKernels);

// One read and one write at a gain chosen beforehand (`level.gainDb`, an album's), the
// outcome carrying `level`. The settings' level stage still runs, so the conversion takes
// the same float path as the read that measured it.
ConversionOutcome ConvertFileAtLevel(const std::filesystem::path& inputPath,
                                     ConversionProgress* progress,
                                     const std::filesystem::path& outputPath,
                                     const ConversionSettings& settings, const LevelOutcome& level,
                                     const ConversionKernels& build = kReferenceKernels);

}  // namespace zel
