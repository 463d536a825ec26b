#pragma once
// The closing of four lane sums by horizontal additions (SSE3), shared by the SSE3 and
// SSE4.1 builds. Only for the kernel files; internal linkage (see output_quads.h).

#include <pmmintrin.h>

namespace zel {
namespace {

// Lane i of the result closes accumulator i as (a0 + a1) + (a2 + a3): the first two
// additions pair neighbours within each accumulator, the third joins the pairs.
struct AdjacentPairs {
    __m128 operator()(__m128 a, __m128 b, __m128 c, __m128 d) const {
        return _mm_hadd_ps(_mm_hadd_ps(a, b), _mm_hadd_ps(c, d));
    }
};

}  // namespace
}  // namespace zel
