#pragma once
// How long a finished conversion's output is, by the rules the conversion itself follows:
// the standard paths' blocks (block_geometry.h), the high- and best-quality streams' rounding
// (high_quality_resampler.h). A cancelled or failed conversion writes fewer.

#include <cstdint>

#include "engine/resample/conversion_settings.h"

namespace zel {

// The frames written for `inputFrames` frames at `inputRate` with `settings`, the
// standard paths cutting blocks of at most `blockLimit` frames (the build's). 0 for
// settings the engine cannot convert to; UINT64_MAX where the count would not fit.
std::uint64_t OutputFrameCount(std::uint64_t inputFrames, std::uint32_t inputRate,
                               const ConversionSettings& settings, std::int64_t blockLimit);

}  // namespace zel
