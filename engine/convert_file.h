#pragma once
// Conversion of one WAV file into a new WAV file at the target rate and speed.
//
// All builds share this one driver and differ only in their kernels (block size,
// unpacking, dot product, packing). Progress: after every block the window receives
// WM_BATCH_PROGRESS with wParam = percent of the file and lParam = kCurrentFileBar; a
// non-zero answer cancels (code 1). The window may be null, then nothing is sent.
//
// The output is written beside its name and put in place only when the conversion ends
// with 0, or with 1 when no file of that name exists: a cancel keeps the blocks written
// so far as a valid WAV file, but never replaces an earlier file (detail
// kEarlierOutputKept). A cancel answered with kCancelDiscardingAnswer keeps nothing (detail
// kPartialRemoved). A failure never leaves a partial file and never touches an
// existing one. Only regular files are read; anything else is refused at once (-1)
// without waiting on it.

#include <filesystem>

#include "engine/conversion_builds.h"
#include "engine/conversion_outcome.h"
#include "engine/conversion_settings.h"
#include "platform/message_window.h"

namespace zel {

ConversionOutcome ConvertFile(const std::filesystem::path& inputPath,
                              platform::MessageWindow* progressWindow,
                              const std::filesystem::path& outputPath,
                              const ConversionSettings& settings,
                              const ConversionKernels& build = kReferenceKernels);

}  // namespace zel
