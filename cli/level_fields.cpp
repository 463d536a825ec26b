#include "cli/level_fields.h"

#include <cmath>
#include <cstdio>

namespace zel::cli {
namespace {

// Two decimals: a hundredth of a dB is below anything audible or any meter's precision.
std::string Decimal(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.2f", value);
    return text;
}

std::string JsonNumber(double value) { return std::isfinite(value) ? Decimal(value) : "null"; }

// Only in album mode, so per-file results keep their fields as they were.
std::string AlbumJsonFields(const LevelOutcome& level) {
    if (level.albumFiles == 0) return {};
    return ",\"albumFiles\":" + std::to_string(level.albumFiles) +
           ",\"albumLoudnessBefore\":" + JsonNumber(level.albumLoudnessBefore) +
           ",\"albumLoudnessAfter\":" + JsonNumber(level.albumLoudnessAfter);
}

}  // namespace

std::string LevelTabFields(const LevelOutcome& level) {
    if (!level.applied) return {};
    std::string fields = "\tgain=" + Decimal(level.gainDb) + "dB";
    if (std::isfinite(level.loudnessBefore))
        fields += "\tloudness=" + Decimal(level.loudnessBefore) + ">" +
                  Decimal(level.loudnessAfter) + "LUFS";
    if (std::isfinite(level.truePeakAfter))
        fields += "\ttrue_peak=" + Decimal(level.truePeakAfter) + "dBTP";
    if (level.ceilingLimited) fields += "\tceiling_limited";
    if (level.albumFiles > 0) fields += "\talbum_files=" + std::to_string(level.albumFiles);
    if (std::isfinite(level.albumLoudnessBefore))
        fields += "\talbum_loudness=" + Decimal(level.albumLoudnessBefore) + ">" +
                  Decimal(level.albumLoudnessAfter) + "LUFS";
    return fields;
}

std::string LevelJsonFields(const LevelOutcome& level) {
    if (!level.applied) return {};
    return ",\"gainDb\":" + JsonNumber(level.gainDb) +
           ",\"loudnessBefore\":" + JsonNumber(level.loudnessBefore) +
           ",\"loudnessAfter\":" + JsonNumber(level.loudnessAfter) +
           ",\"truePeakAfter\":" + JsonNumber(level.truePeakAfter) +
           ",\"ceilingLimited\":" + (level.ceilingLimited ? "true" : "false") +
           AlbumJsonFields(level);
}

}  // namespace zel::cli
