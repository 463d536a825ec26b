#pragma once
// The file handling and block loop that every build of the conversion shares.

#include <cstdint>
#include <filesystem>

#include "engine/conversion_kernels.h"
#include "engine/conversion_result.h"
#include "platform/message_window.h"

namespace zel {

ConversionResult RunConversion(const ConversionKernels& kernels,
                               const std::filesystem::path& inputPath,
                               platform::MessageWindow* progressWindow,
                               const std::filesystem::path& outputPath, std::int32_t targetRate,
                               std::int32_t speedPercent);

}  // namespace zel
