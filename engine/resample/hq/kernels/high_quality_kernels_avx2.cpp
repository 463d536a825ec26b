// The high-quality mode with AVX2 and FMA: eight lanes per tap group, fused multiply-add.

#include "engine/resample/hq/high_quality_kernel_body.h"
#include "engine/resample/hq/kernels/avx2_vectors.h"

namespace zel {

const HighQualityKernels kHighQualityAvx2Kernels = MakeHighQualityKernels<Avx2Vector>("avx2");

}  // namespace zel
