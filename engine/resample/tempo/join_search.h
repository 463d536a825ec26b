#pragma once
// Where the next segment joins: among whole input positions in [lo, hi], the one whose
// frames best continue the target (the cross-correlation summed over channels, normalised
// by the candidate's energy), refined to a fraction of a frame between its neighbours.

#include <cstdint>

#include "engine/resample/tempo/frame_reader.h"

namespace zel {

// `target`: `frames` interleaved frames. [lo, hi + frames) lies within `held`.
double BestJoin(const HeldFrames& held, std::int64_t lo, std::int64_t hi, const float* target,
                std::int64_t frames);

}  // namespace zel
