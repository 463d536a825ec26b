#pragma once
// The target of a conversion: the sampling frequency of the output and the playback
// speed. They always travel together, since the ratio of the two rates depends on both.

#include <cstdint>

namespace zel {

struct ConversionSettings {
    // Hz; the batch lets 8000..96000 through.
    std::int32_t targetRate = 0;
    // Percent, 100 = unchanged; the batch lets 50..200 through.
    std::int32_t speedPercent = 100;
    // The output gets no chunk but its format and data: the input's metadata is left out.
    bool stripMetadata = false;

    // What the engine itself can convert to (both positive).
    bool IsConvertible() const { return targetRate >= 1 && speedPercent >= 1; }
};

}  // namespace zel
