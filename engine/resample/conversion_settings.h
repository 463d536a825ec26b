#pragma once
// The target of a conversion: the sampling frequency of the output and the playback
// speed. They always travel together, since the ratio of the two rates depends on both.
// With them goes how the conversion is done and what it writes: the quality mode, the
// container and sample depth of the output, and its dither.

#include <cstdint>

#include "engine/base/output_container.h"
#include "engine/codec/output_samples.h"
#include "engine/resample/level_settings.h"
#include "engine/resample/speed_ratio.h"

namespace zel {

// kStandard: the filter every build shares. kHigh: the longer equiripple filter whose
// stop band starts at the lower Nyquist frequency, and saturation counted per sample.
// kBest: as kHigh, with a far longer double-precision filter (passband to 0.98 of the lower
// Nyquist frequency, -175 dB from it on).
enum class ConversionQuality : std::int32_t { kStandard, kHigh, kBest };

struct ConversionSettings {
    // Hz; the batch lets 8000..96000 through.
    std::int32_t targetRate = 0;
    // The playback speed; the batch lets 1/2..2 through.
    SpeedRatio speed = kNormalSpeed;
    ConversionQuality quality = ConversionQuality::kStandard;
    DitherChoice dither = DitherChoice::kAuto;
    // The output gets no chunk but its format and data: the input's metadata is left out.
    bool stripMetadata = false;
    OutputContainer container = OutputContainer::kSame;
    OutputDepth depth = OutputDepth::kSame;
    LevelSettings level{};
    // Each input is written at its own rate: targetRate is set per file from the input
    // (ForInputRate) before anything else reads it.
    bool keepInputRate = false;
    // The speed changes the tempo only: the pitch stays as it was.
    bool keepPitch = false;

    // What the engine itself can convert to (both positive).
    bool IsConvertible() const {
        return targetRate >= 1 && speed.numerator >= 1 && speed.denominator >= 1;
    }
    // The speed the rate conversion itself runs at: none when a tempo stage takes it.
    SpeedRatio ResamplingSpeed() const { return keepPitch ? kNormalSpeed : speed; }
    // Whether a tempo stage runs before the rate conversion.
    bool ChangesTempo() const { return keepPitch && !speed.IsNormal(); }
};

// `settings` for an input at `inputRate`: with keepInputRate, the target is that rate.
inline ConversionSettings ForInputRate(ConversionSettings settings, std::uint32_t inputRate) {
    if (settings.keepInputRate) {
        settings.targetRate = static_cast<std::int32_t>(inputRate);
        settings.keepInputRate = false;
    }
    return settings;
}

}  // namespace zel
