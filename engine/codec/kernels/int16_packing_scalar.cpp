// Processors without a vector build of the 16-bit packing: every frame takes the scalar
// loop.

#include "engine/codec/kernels/int16_packing_kernel.h"

namespace zel {

std::int64_t PackInt16FramesVector(const float* const*, int, std::int64_t, std::int16_t*,
                                   std::int64_t&) {
    return 0;
}

}  // namespace zel
