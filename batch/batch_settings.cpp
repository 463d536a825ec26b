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

namespace {

bool SpeedInRange(SpeedRatio speed) {
    if (speed.numerator < 1 || speed.denominator < 1) return false;
    // Terms of up to 63 bits times a percent: 128-bit products.
    using Wide = __int128;
    const Wide scaled = Wide{speed.numerator} * kNormalSpeedPercent;
    return scaled >= Wide{speed.denominator} * kMinSpeedPercent &&
           scaled <= Wide{speed.denominator} * kMaxSpeedPercent;
}

bool TermsFit(SpeedRatio speed) {
    speed = LowestTerms(speed);
    return speed.numerator <= kMaxSpeedTerm && speed.denominator <= kMaxSpeedTerm;
}

}  // namespace

bool SpeedIsAllowed(SpeedRatio speed) { return SpeedInRange(speed) && TermsFit(speed); }

SettingsProblem CheckBatchSettings(std::size_t fileCount, const std::string& suffix,
                                   std::optional<std::int32_t> targetRate, SpeedRatio speed) {
    if (fileCount == 0) return SettingsProblem::kNoInputFiles;
    if (suffix.empty()) return SettingsProblem::kNoSuffix;
    if (!SuffixIsUsable(suffix)) return SettingsProblem::kUnusableSuffix;
    if (targetRate && (*targetRate < kMinTargetRate || *targetRate > kMaxTargetRate))
        return SettingsProblem::kBadTargetRate;
    if (!SpeedInRange(speed)) return SettingsProblem::kBadSpeed;
    if (!TermsFit(speed)) return SettingsProblem::kSpeedTermsTooLarge;
    return SettingsProblem::kNone;
}

}  // namespace zel
