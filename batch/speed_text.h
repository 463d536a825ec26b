#pragma once
// The speed as people type it: a percent ("110", "95.904"), a factor ("1.0417") or an
// exact ratio of whole numbers ("25/24", "24000/25025"), read into an exact fraction.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "engine/resample/speed_ratio.h"

namespace zel {

// What a plain number stands for: zel-cli's --speed counts in percent, the window's field
// in multiples of the normal speed. A ratio "a/b" is always a multiple.
enum class SpeedUnit { kPercent, kFactor };

// Digits with an optional decimal point, or two whole numbers around '/'; no sign, no
// exponent, no spaces. Empty when the text is none of these, or a term does not fit 64 bits.
std::optional<SpeedRatio> ParseSpeedText(std::string_view text, SpeedUnit unit);

// The speed as the window's field shows it: a factor of at most four decimals when the
// fraction is one ("1.25", "0.9"), else the ratio ("25/24").
std::string SpeedFactorText(SpeedRatio speed);

}  // namespace zel
