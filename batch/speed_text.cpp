#include "batch/speed_text.h"

#include <charconv>

namespace zel {
namespace {

constexpr std::int64_t kPercentPerFactor = 100;
constexpr int kFactorTextDecimals = 4;
// Digits beyond which a decimal number no longer fits 64 bits with its scale.
constexpr std::size_t kMostDecimalDigits = 16;

std::optional<std::int64_t> WholeNumber(std::string_view text) {
    if (text.empty()) return std::nullopt;
    std::int64_t value = 0;
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (ec != std::errc() || ptr != end || value < 0) return std::nullopt;
    return value;
}

bool AllDigits(std::string_view text) {
    return text.find_first_not_of("0123456789") == std::string_view::npos;
}

// "95.904" as 95904 / 1000, scaled by `scale` below the line.
std::optional<SpeedRatio> DecimalNumber(std::string_view text, std::int64_t scale) {
    const std::size_t point = text.find('.');
    const std::string_view whole = text.substr(0, point);
    const std::string_view fraction =
        point == std::string_view::npos ? std::string_view() : text.substr(point + 1);
    if (whole.empty() && fraction.empty()) return std::nullopt;
    if (!AllDigits(whole) || !AllDigits(fraction)) return std::nullopt;
    if (whole.size() + fraction.size() > kMostDecimalDigits) return std::nullopt;
    std::int64_t numerator = 0;
    for (char digit : whole) numerator = numerator * 10 + (digit - '0');
    std::int64_t denominator = scale;
    for (char digit : fraction) {
        numerator = numerator * 10 + (digit - '0');
        denominator *= 10;
    }
    if (numerator == 0) return SpeedRatio{0, 1};
    return LowestTerms({numerator, denominator});
}

}  // namespace

std::optional<SpeedRatio> ParseSpeedText(std::string_view text, SpeedUnit unit) {
    const std::size_t slash = text.find('/');
    if (slash == std::string_view::npos)
        return DecimalNumber(text, unit == SpeedUnit::kPercent ? kPercentPerFactor : 1);
    const std::optional<std::int64_t> numerator = WholeNumber(text.substr(0, slash));
    const std::optional<std::int64_t> denominator = WholeNumber(text.substr(slash + 1));
    if (!numerator || !denominator || *denominator == 0) return std::nullopt;
    if (*numerator == 0) return SpeedRatio{0, 1};
    return LowestTerms({*numerator, *denominator});
}

std::string SpeedFactorText(SpeedRatio speed) {
    std::int64_t scale = 1;
    for (int decimals = 0; decimals <= kFactorTextDecimals; ++decimals, scale *= 10) {
        if ((speed.numerator * scale) % speed.denominator != 0) continue;
        const std::int64_t scaled = speed.numerator * scale / speed.denominator;
        std::string text = std::to_string(scaled / scale);
        if (decimals == 0) return text;
        std::string fraction = std::to_string(scaled % scale);
        fraction.insert(0, static_cast<std::size_t>(decimals) - fraction.size(), '0');
        return text + "." + fraction;
    }
    return std::to_string(speed.numerator) + "/" + std::to_string(speed.denominator);
}

}  // namespace zel
