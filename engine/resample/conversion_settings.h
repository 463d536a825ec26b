#pragma once
// The target of a conversion: the sampling frequency of the output and the playback
// speed. They always travel together, since the ratio of the two rates depends on both.
// With them goes how the conversion is done and what it writes: the quality mode, the
// container and sample depth of the output, and its dither.

#include <cstdint>

#include "engine/base/output_container.h"
#include "engine/codec/output_samples.h"
#include "engine/resample/level_settings.h"

namespace zel {

// kStandard: the filter every build shares. kHigh: the longer equiripple filter whose
// stop band starts at the lower Nyquist frequency, and saturation counted per sample.
// kBest: as kHigh, with a far longer double-precision filter (passband to 0.98 of the lower
// Nyquist frequency, -175 dB from it on).
enum class ConversionQuality : std::int32_t { kStandard, kHigh, kBest };

struct ConversionSettings {
    // Hz; the batch lets 8000..96000 through.
    std::int32_t targetRate = 0;
    // Percent, 100 = unchanged; the batch lets 50..200 through.
    std::int32_t speedPercent = 100;
    ConversionQuality quality = ConversionQuality::kStandard;
    DitherChoice dither = DitherChoice::kAuto;
    // The output gets no chunk but its format and data: the input's metadata is left out.
    bool stripMetadata = false;
    OutputContainer container = OutputContainer::kSame;
    OutputDepth depth = OutputDepth::kSame;
    LevelSettings level{};

    // What the engine itself can convert to (both positive).
    bool IsConvertible() const { return targetRate >= 1 && speedPercent >= 1; }
};

}  // namespace zel
