#pragma once
// The batch worker: converts the job's files one after another in list order (with one
// gain per album when the level settings ask for it: see BatchAlbums), stores each
// result and reports it, and stops after a file the user cancelled (result 1). Any other
// result, failures included, lets the batch go on. WM_BATCH_FINISHED is sent exactly once,
// after the last file processed; after it the worker touches nothing of the job.
//
// A cancel is also heard between files: the answer to the all-files report after a file,
// and to the same report sent again after the pause before the next file (the bar does
// not move). When either asks to cancel, the next file is not opened at all: it gets
// code 1 and the batch ends there.

#include <cstdint>
#include <filesystem>
#include <string>

#include "batch/batch_albums.h"
#include "batch/batch_inputs.h"
#include "engine/convert/conversion_outcome.h"
#include "engine/resample/conversion_settings.h"
#include "engine/resample/builds/conversion_builds.h"
#include "platform/message_window.h"

namespace zel {

class BatchJob;

// The thread routine: returns 0, always.
std::uint32_t BatchThreadProc(BatchJob& job);

// Where one file's output goes and whether a finished one is kept.
struct OutputChoice {
    std::string suffix;
    // Empty: beside the input. Otherwise created as needed.
    std::filesystem::path folder;
    bool skipExisting = false;
};

// One file of a batch: the output path from the choice, refused with kOutputOpenError
// when the suffix is unusable or the output would land on an input of the batch;
// kSkippedExisting when skipping and a finished output exists; otherwise the
// conversion's own outcome. With `albums`, file `index` of the batch is converted at its
// album's gain, the album measured first when it has not been (the first half of the
// file's progress); a cancel there ends with kCancelledWhileMeasuring. Memory running out anywhere in it (std::bad_alloc) gives
// kOutOfMemory, any other exception kOutOfMemory with kUnexpectedError; no temporary
// file is left behind and the batch goes on.
ConversionOutcome ConvertBatchFile(const ConversionBuild& build, const std::string& input,
                                   const OutputChoice& choice, const BatchInputs& batchInputs,
                                   platform::MessageWindow* window,
                                   const ConversionSettings& settings,
                                   BatchAlbums* albums = nullptr, std::size_t index = 0);

}  // namespace zel
