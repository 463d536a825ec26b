#pragma once
// A playback speed as an exact fraction: the output plays `numerator / denominator` times
// as fast as the input (25/24 turns 24 frames per second into 25; 1/1 leaves the speed).
// Kept as a fraction to the end, so an output's length follows the ratio and is rounded
// once, where a decimal factor would drift over a long file.

#include <cstdint>
#include <numeric>

namespace zel {

struct SpeedRatio {
    // Constructors, so that a bare number never fills a ratio by brace elision.
    constexpr SpeedRatio() = default;
    constexpr SpeedRatio(std::int64_t num, std::int64_t den) : numerator(num), denominator(den) {}

    std::int64_t numerator = 1;
    std::int64_t denominator = 1;

    friend bool operator==(const SpeedRatio&, const SpeedRatio&) = default;
    bool IsNormal() const { return numerator == denominator; }
    double Factor() const {
        return static_cast<double>(numerator) / static_cast<double>(denominator);
    }
};

inline constexpr SpeedRatio kNormalSpeed{1, 1};

// Both terms positive; the fraction in lowest terms.
inline SpeedRatio LowestTerms(SpeedRatio speed) {
    const std::int64_t divisor = std::gcd(speed.numerator, speed.denominator);
    return {speed.numerator / divisor, speed.denominator / divisor};
}

// A whole percent (positive) as a fraction: 125 -> 5/4.
inline SpeedRatio SpeedFromPercent(std::int64_t percent) { return LowestTerms({percent, 100}); }

}  // namespace zel
