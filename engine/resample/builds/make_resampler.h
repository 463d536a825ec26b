#pragma once
// The one place a stream's resampler is chosen and prepared: the high-quality chain for
// the high-quality mode, the best-quality chain for the best-quality mode, a build's own integer kernels for 8 and 16-bit PCM in one or two
// channels, and the standard filter over float planes for everything else.

#include <memory>

#include "engine/resample/hq/best_quality_kernels.h"
#include "engine/resample/hq/high_quality_kernels.h"
#include "engine/resample/prepare_result.h"
#include "engine/resample/resampler.h"
#include "engine/resample/standard/conversion_kernels.h"

namespace zel {

struct PreparedResampler {
    PrepareResult result = PrepareResult::kOutOfMemory;
    std::unique_ptr<Resampler> resampler;  // set when result is kReady
};

// `setup`: rates, speed and channels positive. `standard`, `highQuality`: the kernels of
// the build that runs.
PreparedResampler MakeResampler(const ResamplerSetup& setup, const ConversionKernels& standard,
                                const HighQualityKernels& highQuality);
// The same with the best-quality kernels given too (the 3-argument form takes those of the
// build whose standard kernels are given).
PreparedResampler MakeResampler(const ResamplerSetup& setup, const ConversionKernels& standard,
                                const HighQualityKernels& highQuality,
                                const BestQualityKernels& bestQuality);

// The same with the high- and best-quality kernels of the build whose standard kernels are
// given.
PreparedResampler MakeResampler(const ResamplerSetup& setup, const ConversionKernels& build);

}  // namespace zel
