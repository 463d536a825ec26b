#pragma once
// A conversion from one open descriptor to another, for zel-cli's "-": standard input,
// in any format libsndfile reads from a pipe (WAV, AIFF, AU, FLAC, ...), to standard
// output. A pipe takes WAV with open-ended sizes; an output that is a file (a shell's
// "> out.flac") takes any container.

#include "engine/base/conversion_progress.h"
#include "engine/convert/conversion_outcome.h"
#include "engine/resample/conversion_settings.h"
#include "engine/resample/standard/conversion_kernels.h"
#include "platform/file_handle.h"

namespace zel {

// Whether `output` can take the container the settings ask for: WAV (also what `same`
// gives here) anywhere, the others only where the output can seek.
bool TakesContainer(const platform::FileHandle& output, const ConversionSettings& settings);

// Reads `input` to its end and writes the converted stream to `output`. Refused before
// anything is read when `output` cannot take the container.
ConversionOutcome ConvertDescriptors(platform::FileHandle& input, platform::FileHandle& output,
                                     ConversionProgress* progress,
                                     const ConversionSettings& settings,
                                     const ConversionKernels& build);

}  // namespace zel
