#pragma once
// The batch worker: converts the job's files one after another in list order, stores each
// result and reports it, and stops after a file the user cancelled (result 1). Any other
// result, failures included, lets the batch go on. WM_BATCH_FINISHED is sent exactly once,
// after the last file processed; after it the worker touches nothing of the job.
//
// A cancel is also heard between files: the answer to the all-files report after a file,
// and to the same report sent again after the pause before the next file (the bar does
// not move). When either asks to cancel, the next file is not opened at all: it gets
// code 1 and the batch ends there.

#include <cstdint>
#include <string>

#include "batch/batch_inputs.h"
#include "engine/conversion_builds.h"
#include "engine/conversion_outcome.h"
#include "engine/conversion_settings.h"
#include "platform/message_window.h"

namespace zel {

class BatchJob;

// The thread routine: returns 0, always.
std::uint32_t BatchThreadProc(BatchJob& job);

// One file of a batch: the output path from the suffix, refused with kOutputOpenError
// when the suffix is unusable or the output would land on an input of the batch;
// otherwise the conversion's own outcome.
ConversionOutcome ConvertBatchFile(const ConversionBuild& build, const std::string& input,
                                   const std::string& suffix, const BatchInputs& batchInputs,
                                   platform::MessageWindow* window,
                                   const ConversionSettings& settings);

}  // namespace zel
