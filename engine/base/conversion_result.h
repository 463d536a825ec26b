#pragma once
// The code of one file's conversion. Negative codes leave no output file behind; an
// output exists only after 0 and 1, always with a completed header. The words for the
// codes live in texts/.

#include <cstdint>

namespace zel {

using ConversionResult = std::int32_t;

inline constexpr ConversionResult kCompleted = 0;
inline constexpr ConversionResult kCancelled = 1;
inline constexpr ConversionResult kInputOpenError = -1;
inline constexpr ConversionResult kInputFormatError = -2;
inline constexpr ConversionResult kOutputOpenError = -3;
inline constexpr ConversionResult kOutputWriteError = -4;
inline constexpr ConversionResult kInputReadError = -5;
inline constexpr ConversionResult kOutOfMemory = -6;

}  // namespace zel
