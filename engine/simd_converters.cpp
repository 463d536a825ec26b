// The four SIMD builds: the shared driver with each build's kernels.

#include "engine/conversion_driver.h"
#include "engine/conversion_kernels.h"
#include "engine/convert_file.h"

namespace zel {

ConversionResult ConvertFileSSE(const std::filesystem::path& inputPath,
                                platform::MessageWindow* progressWindow,
                                const std::filesystem::path& outputPath,
                                std::int32_t targetRate, std::int32_t speedPercent) {
    return RunConversion(kSseKernels, inputPath, progressWindow, outputPath, targetRate,
                         speedPercent);
}

ConversionResult ConvertFileSSE2(const std::filesystem::path& inputPath,
                                 platform::MessageWindow* progressWindow,
                                 const std::filesystem::path& outputPath,
                                 std::int32_t targetRate, std::int32_t speedPercent) {
    return RunConversion(kSse2Kernels, inputPath, progressWindow, outputPath, targetRate,
                         speedPercent);
}

ConversionResult ConvertFileSSE3(const std::filesystem::path& inputPath,
                                 platform::MessageWindow* progressWindow,
                                 const std::filesystem::path& outputPath,
                                 std::int32_t targetRate, std::int32_t speedPercent) {
    return RunConversion(kSse3Kernels, inputPath, progressWindow, outputPath, targetRate,
                         speedPercent);
}

ConversionResult ConvertFileSSE41(const std::filesystem::path& inputPath,
                                  platform::MessageWindow* progressWindow,
                                  const std::filesystem::path& outputPath,
                                  std::int32_t targetRate, std::int32_t speedPercent) {
    return RunConversion(kSse41Kernels, inputPath, progressWindow, outputPath, targetRate,
                         speedPercent);
}

}  // namespace zel
