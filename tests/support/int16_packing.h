#pragma once
// The high-quality resampler's outputs as interleaved 16-bit samples, for the tests and
// the benchmarks that run it in memory: optional TPDF dither, rounding to the nearest
// integer (ties to even), saturation, and a count of the samples that had to be clipped.

#include <cstdint>

#include "engine/codec/tpdf_dither.h"

namespace zel {

// Interleaves `channels` planar channels into 16-bit samples; returns how many were
// clipped. `dither` may be null.
std::int64_t PackInt16(const float* const* planar, int channels, std::int64_t frames,
                       std::int16_t* interleaved, TpdfDither* dither);

}  // namespace zel
