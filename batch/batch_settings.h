#pragma once
// The settings of a batch and how they are checked before it starts, in a fixed order:
// files, suffix (given, then usable in a file name), sampling frequency, speed. Shared by the
// desktop application and zel-cli.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "engine/resample/speed_ratio.h"

namespace zel {

inline constexpr std::int32_t kMinTargetRate = 8000;
inline constexpr std::int32_t kMaxTargetRate = 96000;
inline constexpr std::int32_t kDefaultTargetRate = 48000;
inline constexpr std::int32_t kMinSpeedPercent = 50;
inline constexpr std::int32_t kMaxSpeedPercent = 200;
inline constexpr std::int32_t kDefaultSpeedPercent = 100;
inline constexpr std::int64_t kNormalSpeedPercent = 100;
// The largest term of a speed in lowest terms: every ratio people use (25/24, 1001/1000,
// 24000/25025, a percent of four decimals) fits, and rate x term stays far below 2^63.
inline constexpr std::int64_t kMaxSpeedTerm = 1'000'000;
inline constexpr const char* kDefaultSuffix = "_ZEL";
// The frequency field is read up to this many characters.
inline constexpr std::size_t kFrequencyTextLimit = 79;

enum class SettingsProblem {
    kNone,
    kNoInputFiles,
    kNoSuffix,
    kBadTargetRate,
    kBadSpeed,
    // Checked right after kNoSuffix: a suffix that would name another folder or no name.
    kUnusableSuffix,
    // A speed within the range whose ratio has a term (in lowest terms) above kMaxSpeedTerm.
    kSpeedTermsTooLarge,
};

// A decimal number at the start of the text: white space skipped, optional sign, digits
// up to the first non-digit; 0 without digits. "48000Hz" reads 48000. Values beyond the
// 32-bit range read as the nearest end of it.
std::int32_t ParseLeadingInteger(std::string_view text);

// Whether a speed lies within kMinSpeedPercent..kMaxSpeedPercent, with terms (in lowest
// terms) up to kMaxSpeedTerm.
bool SpeedIsAllowed(SpeedRatio speed);

// `targetRate`: empty when every input keeps its own rate.
SettingsProblem CheckBatchSettings(std::size_t fileCount, const std::string& suffix,
                                   std::optional<std::int32_t> targetRate, SpeedRatio speed);

}  // namespace zel
