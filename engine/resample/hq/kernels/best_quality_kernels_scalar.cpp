// The best-quality mode's reference: one double at a time, sums in order of the taps.

#include "engine/resample/hq/best_quality_kernel_body.h"

namespace zel {
namespace {

// The transform's one-lane vector, with what the dot products need besides.
struct ScalarDoubles : FftLane {
    static double Zero() { return 0.0; }
    static double Sum(double v) { return v; }
};

}  // namespace

const BestQualityKernels kBestQualityScalarKernels =
    MakeBestQualityKernels<ScalarDoubles>("scalar");

}  // namespace zel
