#pragma once
// The settings of a batch and how they are checked before it starts, in a fixed order:
// files, suffix (given, then usable in a file name), sampling frequency, speed. Shared by the
// desktop application and zel-cli.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace zel {

inline constexpr std::int32_t kMinTargetRate = 8000;
inline constexpr std::int32_t kMaxTargetRate = 96000;
inline constexpr std::int32_t kDefaultTargetRate = 48000;
inline constexpr std::int32_t kMinSpeedPercent = 50;
inline constexpr std::int32_t kMaxSpeedPercent = 200;
inline constexpr std::int32_t kDefaultSpeedPercent = 100;
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
};

// A decimal number at the start of the text: white space skipped, optional sign, digits
// up to the first non-digit; 0 without digits. "48000Hz" reads 48000. Values beyond the
// 32-bit range read as the nearest end of it.
std::int32_t ParseLeadingInteger(std::string_view text);

SettingsProblem CheckBatchSettings(std::size_t fileCount, const std::string& suffix,
                                   std::int32_t targetRate, std::int32_t speedPercent);

}  // namespace zel
