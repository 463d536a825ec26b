#include "engine/resample/builds/conversion_builds.h"

#include <array>

#ifdef ZEL_X86_KERNELS
#include "engine/resample/standard/kernels/avx2_kernels.h"
#endif

namespace zel {
namespace {

// CPU feature levels, as CPUID decoding numbers them.
constexpr std::int32_t kFeatureNone = 0;
constexpr std::int32_t kFeatureSse = 2;
constexpr std::int32_t kFeatureSse2 = 3;
constexpr std::int32_t kFeatureSse3 = 4;
constexpr std::int32_t kFeatureSse41 = 5;
constexpr std::int32_t kFeatureAvx2Fma = 7;
constexpr std::int32_t kFeatureAvx512 = 8;

// The highest CPU feature level CPUID decoding gives.
constexpr std::int32_t kHighestFeatureLevel = kFeatureAvx512;

// The SSE builds below SSE2 have no high- or best-quality kernels of their own: the scalar ones run.
// Off x86 only the reference build is compiled.
const auto kBuilds = std::to_array<ConversionBuild>({
#ifdef ZEL_X86_KERNELS
    // The standard mode and the 16-bit encoding keep their AVX2 kernels.
    {6, "avx512", kFeatureAvx512, kAvx512BuildKernels, kHighQualityAvx512Kernels,
     kBestQualityAvx512Kernels, kAvx2Signed16Encode},
    {5, "avx2", kFeatureAvx2Fma, kAvx2Kernels, kHighQualityAvx2Kernels, kBestQualityAvx2Kernels,
     kAvx2Signed16Encode},
    {4, "sse41", kFeatureSse41, kSse41Kernels, kHighQualitySse2Kernels, kBestQualitySse2Kernels,
     kPortableSigned16Encode},
    {3, "sse3", kFeatureSse3, kSse3Kernels, kHighQualitySse2Kernels, kBestQualitySse2Kernels,
     kPortableSigned16Encode},
    {2, "sse2", kFeatureSse2, kSse2Kernels, kHighQualitySse2Kernels, kBestQualitySse2Kernels,
     kPortableSigned16Encode},
    {1, "sse", kFeatureSse, kSseKernels, kHighQualityScalarKernels, kBestQualityScalarKernels,
     kPortableSigned16Encode},
#endif
    {0, "none", kFeatureNone, kReferenceKernels, kHighQualityScalarKernels,
     kBestQualityScalarKernels, kPortableSigned16Encode},
});

}  // namespace

std::span<const ConversionBuild> ConversionBuilds() { return kBuilds; }

const ConversionBuild& BuildForLevel(SimdLevel level) {
    for (const ConversionBuild& build : kBuilds)
        if (build.level == level) return build;
    return kBuilds.back();
}

const ConversionBuild& BuildWithKernels(const ConversionKernels& kernels) {
    for (const ConversionBuild& build : kBuilds)
        if (&build.kernels == &kernels) return build;
    return kBuilds.back();
}

const ConversionBuild& BestBuildForFeatureLevel(std::int32_t featureLevel) {
    for (const ConversionBuild& build : kBuilds)
        if (featureLevel >= build.requiredFeatureLevel) return build;
    return kBuilds.back();
}

SimdLevel MaxSimdLevel(std::int32_t featureLevel) {
    if (featureLevel < 0 || featureLevel > kHighestFeatureLevel) return 0;
    return BestBuildForFeatureLevel(featureLevel).level;
}

const char* SimdLevelName(SimdLevel level) { return BuildForLevel(level).name; }

}  // namespace zel
