#pragma once
// ConvertFile in the high-quality mode: the same contract (progress, cancel, outputs put
// in place only when complete, earlier files kept), with HighQualityResampler in place of
// the block loop, integer outputs saturated and every clipped sample counted.

#include <filesystem>

#include "engine/conversion_outcome.h"
#include "engine/conversion_settings.h"
#include "engine/high_quality_kernels.h"
#include "platform/message_window.h"

namespace zel {

ConversionOutcome ConvertFileHighQuality(const std::filesystem::path& inputPath,
                                         platform::MessageWindow* progressWindow,
                                         const std::filesystem::path& outputPath,
                                         const ConversionSettings& settings,
                                         const HighQualityKernels& kernels);

}  // namespace zel
