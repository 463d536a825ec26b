#pragma once
// The gain a conversion applies, from its level settings and what the first read measured.

#include <cstdint>
#include <optional>

#include "engine/codec/sample_format.h"
#include "engine/convert/level_outcome.h"
#include "engine/convert/loudness_meter.h"
#include "engine/resample/level_settings.h"
#include "engine/resample/output_dither.h"

namespace zel {

// The converted signal at unity gain, as the first read saw it.
struct LevelMeasurement {
    // Largest magnitude of any sample, full scale 1.0.
    double samplePeak = 0.0;
    std::optional<LoudnessReading> loudness;
};

// The largest magnitude (full scale 1.0) an output sample may reach before dither and
// rounding without saturating: full scale less the step rounding may add and the most the
// dither (shaped or not) can move a sample. Float outputs: full scale.
double HeadroomLimit(const WavSampleFormat& output, const OutputDither& dither,
                     std::int32_t targetRate);

// The fixed gain, lowered by headroom and replaced by a loudness target's gain (never
// above the true-peak ceiling) as the settings ask.
LevelOutcome ChooseLevel(const LevelSettings& settings, const LevelMeasurement& measured,
                         double headroomLimit);

}  // namespace zel
