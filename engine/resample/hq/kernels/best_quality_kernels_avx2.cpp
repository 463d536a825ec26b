// The best-quality mode with AVX2 and FMA: four doubles per tap group, fused multiply-add.

#include "engine/resample/hq/best_quality_kernel_body.h"
#include "engine/resample/hq/kernels/avx2_vectors.h"

namespace zel {

const BestQualityKernels kBestQualityAvx2Kernels = MakeBestQualityKernels<Avx2Doubles>("avx2");

}  // namespace zel
