#pragma once
// The outputs of a block, four at a time, for the vector builds' filter kernels.
//
// Only for the kernel files: everything here has internal linkage, so that each kernel
// file keeps its own copy compiled for its own instruction set and the linker never swaps
// in a copy built for a higher one.

#include <cstdint>

#include "engine/resample/standard/filter_design.h"
#include "engine/resample/standard/phase_walk.h"

namespace zel {
namespace {

inline constexpr int kQuad = 4;

// Coefficient rows and first input indices of four consecutive outputs.
struct OutputQuad {
    const float* row[kQuad];
    std::int64_t start[kQuad];
};

// Calls fn(quad, j) for j = 0, 4, 8, ... below `outputs`. The count is rounded up to a
// multiple of four: the outputs past the last one repeat its row and start, so they read
// nothing that it does not read, and their values land in the output buffers' spare room.
template <class QuadFunction>
inline void ForEachOutputQuad(const FilterState& state, std::int64_t outputs,
                              QuadFunction&& fn) {
    PhaseWalk walk(state.P, state.Q);
    OutputQuad quad{};
    for (std::int64_t j = 0; j < outputs; j += kQuad) {
        for (int i = 0; i < kQuad; ++i) {
            if (j + i < outputs) {
                quad.row[i] = state.table.Row(walk.Phase());
                quad.start[i] = walk.Start();
                walk.Advance();
            } else {
                quad.row[i] = quad.row[i - 1];
                quad.start[i] = quad.start[i - 1];
            }
        }
        fn(quad, j);
    }
}

}  // namespace
}  // namespace zel
