#pragma once
// The batch worker: converts the job's files one after another in list order, stores each
// result and reports it, and stops after a file the user cancelled (result 1). Any other
// result, failures included, lets the batch go on. WM_BATCH_FINISHED is sent exactly once,
// after the last file processed; after it the worker touches nothing of the job.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

#include "batch/batch_inputs.h"
#include "engine/conversion_result.h"
#include "engine/convert_file.h"
#include "platform/message_window.h"

namespace zel {

class BatchJob;

// The thread routine: returns 0, always.
std::uint32_t BatchThreadProc(BatchJob& job);

// One file of a batch: the output path from the suffix, refused with kOutputOpenError
// when the suffix is unusable or the output would land on an input of the batch;
// otherwise the conversion's own result.
ConversionResult ConvertBatchFile(ConvertFunction convert, const std::string& input,
                                  const std::string& suffix, const BatchInputs& batchInputs,
                                  platform::MessageWindow* window, std::int32_t sampleRate,
                                  std::int32_t speed);

}  // namespace zel
