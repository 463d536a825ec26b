#pragma once
// Whole streams converted in memory, without files, through the product's resampler
// interface and block loop: for benchmarks and for tests that look at one stream.

#include <cstdint>
#include <span>
#include <vector>

#include "engine/base/conversion_progress.h"
#include "engine/base/conversion_result.h"
#include "engine/resample/hq/high_quality_kernels.h"
#include "engine/resample/resampler.h"
#include "engine/resample/standard/conversion_kernels.h"
#include "platform/message_window.h"
#include "tests/support/canonical_header.h"

namespace zel {

struct MemoryConversion {
    ConversionResult result = kCompleted;
    // The converted frames in the output's encoding, as a data chunk would hold them.
    std::vector<std::uint8_t> data;
    std::uint64_t clipped = 0;
};

// Converts the whole frames of `data` (interleaved in the setup's input encoding) with the
// resampler MakeResampler chooses for the setup and these kernels.
MemoryConversion ResampleBytes(const ResamplerSetup& setup, const ConversionKernels& standard,
                               const HighQualityKernels& highQuality,
                               std::span<const std::uint8_t> data,
                               ConversionProgress* progress = nullptr);

// The same into `output`, the caller's buffer (a benchmark allocates it once, as libsoxr's
// callers do, so that no run times fresh pages or a second copy): the bytes written; -1
// when the resampler could not be had, the conversion failed or the output did not fit.
std::int64_t ResampleBytesInto(const ResamplerSetup& setup, const ConversionKernels& standard,
                               const HighQualityKernels& highQuality,
                               std::span<const std::uint8_t> data, std::span<std::uint8_t> output);

// The same for a canonical file's data chunk in the standard mode, sending the in-file
// progress to `window` (may be null).
MemoryConversion ConvertSamples(const ConversionKernels& kernels, const WavFormat& format,
                                std::span<const std::uint8_t> data, std::int32_t targetRate,
                                std::int32_t speedPercent,
                                platform::MessageWindow* window = nullptr);

}  // namespace zel
