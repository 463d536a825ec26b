#pragma once
// The target of a conversion: the sampling frequency of the output and the playback
// speed. They always travel together, since the ratio of the two rates depends on both.
// With them goes how the conversion is done: the quality mode and the dither.

#include <cstdint>

namespace zel {

// kStandard: the filter every build shares. kHigh: the longer equiripple filter whose
// stop band starts at the lower Nyquist frequency, and saturation counted per sample.
enum class ConversionQuality : std::int32_t { kStandard, kHigh };

struct ConversionSettings {
    // Hz; the batch lets 8000..96000 through.
    std::int32_t targetRate = 0;
    // Percent, 100 = unchanged; the batch lets 50..200 through.
    std::int32_t speedPercent = 100;
    ConversionQuality quality = ConversionQuality::kStandard;
    // High quality only: TPDF dither on integer outputs of 16 bits and fewer.
    bool dither = false;
    // The output gets no chunk but its format and data: the input's metadata is left out.
    bool stripMetadata = false;

    // What the engine itself can convert to (both positive).
    bool IsConvertible() const { return targetRate >= 1 && speedPercent >= 1; }
};

}  // namespace zel
