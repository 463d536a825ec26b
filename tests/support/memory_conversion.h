#pragma once
// Conversion of samples held in memory, without files: the same block loop as the file
// conversion, for benchmarks and for tests that look at one stream's geometry.

#include <cstdint>
#include <span>
#include <vector>

#include "engine/base/conversion_result.h"
#include "engine/resample/standard/block_conversion.h"
#include "engine/resample/standard/conversion_kernels.h"
#include "engine/wav/wav_header.h"
#include "platform/message_window.h"
#include "tests/support/canonical_header.h"

namespace zel {

struct MemoryConversion {
    ConversionResult result = kCompleted;
    BlockGeometry geometry;
    // The converted frames in the input's encoding, as a data chunk would hold them.
    std::vector<std::uint8_t> data;
};

// Converts the whole frames of `data` (a data chunk of `format`) to the target rate and
// speed (both positive), sending the in-file progress to `window` (may be null).
MemoryConversion ConvertSamples(const ConversionKernels& kernels, const WavFormat& format,
                                std::span<const std::uint8_t> data, std::int32_t targetRate,
                                std::int32_t speedPercent,
                                platform::MessageWindow* window = nullptr);

}  // namespace zel
