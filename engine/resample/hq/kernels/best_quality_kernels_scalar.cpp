// The best-quality mode's reference: one double at a time, sums in order of the taps.

#include "engine/resample/hq/best_quality_kernel_body.h"

namespace zel {
namespace {

struct ScalarDoubles {
    using Reg = double;
    static constexpr int kWidth = 1;
    static double Zero() { return 0.0; }
    static double Load(const double* p) { return *p; }
    static double Set(double v) { return v; }
    static void Store(double* p, double v) { *p = v; }
    static double Add(double a, double b) { return a + b; }
    static double Sub(double a, double b) { return a - b; }
    static double Mul(double a, double b) { return a * b; }
    static double MulAdd(double a, double b, double c) { return a * b + c; }
    static double Sum(double v) { return v; }
};

}  // namespace

const BestQualityKernels kBestQualityScalarKernels =
    MakeBestQualityKernels<ScalarDoubles>("scalar");

}  // namespace zel
