#pragma once
// The step count of a vector loop that handles `width` elements per step and rounds up
// into the buffers' spare room instead of ending with scalar code (see ConversionKernels).
// Internal linkage, as everything shared by the kernel files (see output_quads.h).

#include <cstdint>

namespace zel {
namespace {

inline std::int64_t Steps(std::int64_t count, std::int64_t width) {
    return (count + width - 1) / width;
}

}  // namespace
}  // namespace zel
