#pragma once
// The bands of the high-quality filter, as shares of the lower Nyquist frequency, and its
// stopband depth: what both the prototype's design and the filter built from it aim at.

namespace zel {

inline constexpr double kPassbandEdge = 0.90;
inline constexpr double kStopbandEdge = 1.00;
inline constexpr double kStopbandAttenuationDb = 150.0;

}  // namespace zel
