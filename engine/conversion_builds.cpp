#include "engine/conversion_builds.h"

#include <array>

#include "engine/avx2_kernels.h"

namespace zel {
namespace {

// CPU feature levels, as CPUID decoding numbers them.
constexpr std::int32_t kFeatureNone = 0;
constexpr std::int32_t kFeatureSse = 2;
constexpr std::int32_t kFeatureSse2 = 3;
constexpr std::int32_t kFeatureSse3 = 4;
constexpr std::int32_t kFeatureSse41 = 5;
constexpr std::int32_t kFeatureAvx2Fma = 7;

// The SSE builds below SSE2 have no high-quality kernels of their own: the scalar ones run.
const std::array<ConversionBuild, 6> kBuilds = {{
    {5, "avx2", kFeatureAvx2Fma, kAvx2Kernels, kHighQualityAvx2Kernels},
    {4, "sse41", kFeatureSse41, kSse41Kernels, kHighQualitySse2Kernels},
    {3, "sse3", kFeatureSse3, kSse3Kernels, kHighQualitySse2Kernels},
    {2, "sse2", kFeatureSse2, kSse2Kernels, kHighQualitySse2Kernels},
    {1, "sse", kFeatureSse, kSseKernels, kHighQualityScalarKernels},
    {0, "none", kFeatureNone, kReferenceKernels, kHighQualityScalarKernels},
}};

}  // namespace

std::span<const ConversionBuild> ConversionBuilds() { return kBuilds; }

const ConversionBuild& BuildForLevel(SimdLevel level) {
    for (const ConversionBuild& build : kBuilds)
        if (build.level == level) return build;
    return kBuilds.back();
}

const HighQualityKernels& HighQualityKernelsFor(const ConversionKernels& kernels) {
    for (const ConversionBuild& build : kBuilds)
        if (&build.kernels == &kernels) return build.highQualityKernels;
    return kHighQualityScalarKernels;
}

const ConversionBuild& BestBuildForFeatureLevel(std::int32_t featureLevel) {
    for (const ConversionBuild& build : kBuilds)
        if (featureLevel >= build.requiredFeatureLevel) return build;
    return kBuilds.back();
}

}  // namespace zel
