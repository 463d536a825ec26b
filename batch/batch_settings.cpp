#include "batch/batch_settings.h"

#include <cctype>
#include <limits>

#include "batch/output_path.h"

namespace zel {

std::int32_t ParseLeadingInteger(std::string_view text) {
    text = text.substr(0, kFrequencyTextLimit);
    std::size_t i = 0;
    while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    std::int64_t value = 0;
    constexpr std::int64_t kLimit = std::numeric_limits<std::int32_t>::max() + 1ll;
    for (; i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])); ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > kLimit) value = kLimit;
    }
    if (negative) return static_cast<std::int32_t>(-value);
    return static_cast<std::int32_t>(value >= kLimit ? kLimit - 1 : value);
}

SettingsProblem CheckBatchSettings(std::size_t fileCount, const std::string& suffix,
                                   std::int32_t targetRate, std::int32_t speedPercent) {
    if (fileCount == 0) return SettingsProblem::kNoInputFiles;
    if (suffix.empty()) return SettingsProblem::kNoSuffix;
    if (!SuffixIsUsable(suffix)) return SettingsProblem::kUnusableSuffix;
    if (targetRate < kMinTargetRate || targetRate > kMaxTargetRate)
        return SettingsProblem::kBadTargetRate;
    if (speedPercent < kMinSpeedPercent || speedPercent > kMaxSpeedPercent)
        return SettingsProblem::kBadSpeed;
    return SettingsProblem::kNone;
}

}  // namespace zel
