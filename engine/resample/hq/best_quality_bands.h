#pragma once
// The bands of the best-quality filter, as shares of the lower Nyquist frequency, and the
// stopband depth its Kaiser windows are designed for (a few dB past what the mode promises,
// -175 dB, so that the taps' truncation and the interpolation of rows stay below it).

namespace zel {

inline constexpr double kBestPassbandEdge = 0.98;
inline constexpr double kBestStopbandEdge = 1.00;
inline constexpr double kBestStopbandAttenuationDb = 180.0;

}  // namespace zel
