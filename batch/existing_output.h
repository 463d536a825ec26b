#pragma once
// Whether an output that already exists is the finished result of converting its input,
// so that a batch run again after an interruption leaves it alone. Finished means: a
// WAV file our conversion reads (metadata, RF64 and every encoding included), whose sizes
// agree with the file's length, at the target rate in the input's channels, encoding and
// bits, and exactly as many frames as this conversion writes (OutputFrameCount, so a
// change of speed shows). A cancelled conversion keeps a valid but shorter file, which
// therefore is converted again. What the file cannot show (quality mode, dither, the
// metadata choice) is not checked.

#include <cstddef>
#include <filesystem>
#include <string>
#include <vector>

#include "engine/base/conversion_result.h"
#include "engine/resample/conversion_settings.h"

namespace zel {

// The code of a file left alone because its finished output exists. Counted apart from
// failures: a batch whose files were all converted or skipped succeeded.
inline constexpr ConversionResult kSkippedExisting = 2;

// `blockLimit`: the build's (ConversionKernels::blockLimit), on which the standard
// paths' length depends.
bool IsFinishedOutput(const std::filesystem::path& output, const std::filesystem::path& input,
                      const ConversionSettings& settings, std::int64_t blockLimit);

// How many of a batch's outputs exist already, finished or not, so the user can be asked
// before any is replaced. `folders` as BatchJob::m_outputFolders. An output that would
// land on a listed input is not counted: the batch refuses it without touching it.
std::size_t CountExistingOutputs(const std::vector<std::string>& inputs,
                                 const std::vector<std::filesystem::path>& folders,
                                 const std::string& suffix, std::string_view extension = {});

}  // namespace zel
