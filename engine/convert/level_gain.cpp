#include "engine/convert/level_gain.h"

#include <algorithm>
#include <cmath>

#include "engine/codec/noise_shaping_design.h"

namespace zel {
namespace {

double ToDb(double linear) { return 20.0 * std::log10(linear); }

// The noise shaper's error never exceeds a step and a half; fed back through its filter it
// moves a sample by at most that times the sum of the taps' magnitudes, plus the dither's
// own step.
double ShapedReachSteps(std::int32_t targetRate) {
    const NoiseShapingFilter filter = DesignNoiseShaping(targetRate);
    double taps = 0.0;
    for (double a : filter.a) taps += std::abs(a);
    return 1.5 * taps + 1.0;
}

}  // namespace

double HeadroomLimit(const WavSampleFormat& output, const OutputDither& dither,
                     std::int32_t targetRate) {
    if (IsFloatEncoding(output.encoding)) return 1.0;
    const double step = std::ldexp(1.0, 1 - static_cast<int>(output.validBits));
    // Rounding to nearest keeps anything below the largest value plus half a step; a whole
    // step is kept back so the float arithmetic of the gain cannot tip a sample over.
    double reach = 1.0;
    if (dither.step != 0.0f)
        reach += dither.shaped ? ShapedReachSteps(targetRate) : 1.0;
    return std::max(1.0 - reach * step, step);
}

LevelOutcome ChooseLevel(const LevelSettings& settings, const LevelMeasurement& measured,
                         double headroomLimit) {
    LevelOutcome level;
    level.applied = settings.ChangesLevel();
    level.gainDb = settings.gainDb;
    if (measured.loudness) {
        const LoudnessReading& reading = *measured.loudness;
        level.loudnessBefore = reading.integrated;
        if (settings.loudnessTarget && std::isfinite(reading.integrated)) {
            level.gainDb = *settings.loudnessTarget - reading.integrated;
            if (reading.truePeak > 0.0) {
                const double most = settings.truePeakCeiling - ToDb(reading.truePeak);
                level.ceilingLimited = level.gainDb > most;
                level.gainDb = std::min(level.gainDb, most);
            }
        } else if (settings.loudnessTarget) {
            level.gainDb = 0.0;  // silence stays silence
        }
    }
    if (settings.headroomAuto && measured.samplePeak > 0.0)
        level.gainDb = std::min(level.gainDb, ToDb(headroomLimit / measured.samplePeak));
    if (measured.loudness) {
        level.loudnessAfter = level.loudnessBefore + level.gainDb;
        if (measured.loudness->truePeak > 0.0)
            level.truePeakAfter = ToDb(measured.loudness->truePeak) + level.gainDb;
    }
    return level;
}

}  // namespace zel
