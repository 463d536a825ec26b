// The high-quality mode's reference: one float at a time, sums in order of the taps.

#include "engine/resample/hq/high_quality_kernel_body.h"

namespace zel {
namespace {

struct ScalarVector {
    using Reg = float;
    static constexpr int kWidth = 1;
    static float Zero() { return 0.0f; }
    static float Load(const float* p) { return *p; }
    static void Store(float* p, float v) { *p = v; }
    static float Set(float v) { return v; }
    static float Add(float a, float b) { return a + b; }
    static float Sub(float a, float b) { return a - b; }
    static void Split(const float* p, float& even, float& odd) {
        even = p[0];
        odd = p[1];
    }
    static float InRegister(float r) { return r; }
    static float MulAdd(float a, float b, float c) { return a * b + c; }
    static void Close(const float (&acc)[kGroup], float* out) {
        for (int i = 0; i < kGroup; ++i) out[i] = acc[i];
    }
};

}  // namespace

const HighQualityKernels kHighQualityScalarKernels = MakeHighQualityKernels<ScalarVector>("scalar");

}  // namespace zel
