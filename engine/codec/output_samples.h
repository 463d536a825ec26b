#pragma once
// What the samples of an output are, as the user chose them: their depth and their dither.

#include <cstdint>

#include "engine/codec/sample_format.h"

namespace zel {

// kSame: the input's encoding (or the nearest its container holds); the rest name a depth.
enum class OutputDepth : std::int32_t { kSame, kInt8, kInt16, kInt24, kInt32, kFloat32, kFloat64 };

// The dither of integer outputs. kAuto: TPDF only where the output has fewer bits than the
// input, so same-depth conversions stay exact. kTpdf and kShaped: also on every output of
// 16 bits and fewer; kShaped moves the noise where the ear hears it least.
enum class DitherChoice : std::int32_t { kAuto, kNone, kTpdf, kShaped };

// The input's format with the chosen depth: 8-bit is unsigned, as in WAV files; channels,
// rate, speaker mask and byte order stay.
WavSampleFormat WithDepth(const WavSampleFormat& input, OutputDepth depth);

}  // namespace zel
