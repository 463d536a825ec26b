#pragma once
// Conversion of one WAV file into a new WAV file at the target rate and speed.
//
// All builds share one interface and one driver and differ only in their kernels (block
// size, unpacking, dot product, packing). Progress: after every block the window receives
// WM_BATCH_PROGRESS with wParam = percent of the file and lParam = kCurrentFileBar; a
// non-zero answer cancels (result 1, the blocks written so far kept as a valid WAV file).
// The window may be null, then nothing is sent.
//
// The output is written beside its name and put in place only when the conversion ends
// with 0 or 1, so a failure never leaves a partial file and never touches an existing
// file of that name. A target rate or speed below 1 is refused with kOutputOpenError.

#include <cstdint>
#include <filesystem>

#include "engine/conversion_result.h"
#include "platform/message_window.h"

namespace zel {

// Which build runs: 0 reference, 1 SSE, 2 SSE2, 3 SSE3, 4 SSE4.1; any other value runs
// the reference build.
using SimdLevel = std::int32_t;

using ConvertFunction = ConversionResult (*)(const std::filesystem::path& inputPath,
                                             platform::MessageWindow* progressWindow,
                                             const std::filesystem::path& outputPath,
                                             std::int32_t targetRate,
                                             std::int32_t speedPercent);

ConversionResult ConvertFile(const std::filesystem::path& inputPath,
                             platform::MessageWindow* progressWindow,
                             const std::filesystem::path& outputPath, std::int32_t targetRate,
                             std::int32_t speedPercent);

// The SIMD builds: the same interface, results and messages, with blocks of up to
// kSimdBlockLimit frames. A build needs its instruction set (and those below it) and does
// not test for it: callers pick a level the processor supports.
ConversionResult ConvertFileSSE(const std::filesystem::path& inputPath,
                                platform::MessageWindow* progressWindow,
                                const std::filesystem::path& outputPath,
                                std::int32_t targetRate, std::int32_t speedPercent);
ConversionResult ConvertFileSSE2(const std::filesystem::path& inputPath,
                                 platform::MessageWindow* progressWindow,
                                 const std::filesystem::path& outputPath,
                                 std::int32_t targetRate, std::int32_t speedPercent);
ConversionResult ConvertFileSSE3(const std::filesystem::path& inputPath,
                                 platform::MessageWindow* progressWindow,
                                 const std::filesystem::path& outputPath,
                                 std::int32_t targetRate, std::int32_t speedPercent);
ConversionResult ConvertFileSSE41(const std::filesystem::path& inputPath,
                                  platform::MessageWindow* progressWindow,
                                  const std::filesystem::path& outputPath,
                                  std::int32_t targetRate, std::int32_t speedPercent);

// The build that a level names.
ConvertFunction ConverterForLevel(SimdLevel level);

}  // namespace zel
