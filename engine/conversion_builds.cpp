#include "engine/conversion_builds.h"

#include <array>

namespace zel {
namespace {

// CPU feature levels, as CPUID decoding numbers them.
constexpr std::int32_t kFeatureNone = 0;
constexpr std::int32_t kFeatureSse = 2;
constexpr std::int32_t kFeatureSse2 = 3;
constexpr std::int32_t kFeatureSse3 = 4;
constexpr std::int32_t kFeatureSse41 = 5;

const std::array<ConversionBuild, 5> kBuilds = {{
    {4, "sse41", kFeatureSse41, kSse41Kernels},
    {3, "sse3", kFeatureSse3, kSse3Kernels},
    {2, "sse2", kFeatureSse2, kSse2Kernels},
    {1, "sse", kFeatureSse, kSseKernels},
    {0, "none", kFeatureNone, kReferenceKernels},
}};

}  // namespace

std::span<const ConversionBuild> ConversionBuilds() { return kBuilds; }

const ConversionBuild& BuildForLevel(SimdLevel level) {
    for (const ConversionBuild& build : kBuilds)
        if (build.level == level) return build;
    return kBuilds.back();
}

const ConversionBuild& BestBuildForFeatureLevel(std::int32_t featureLevel) {
    for (const ConversionBuild& build : kBuilds)
        if (featureLevel >= build.requiredFeatureLevel) return build;
    return kBuilds.back();
}

}  // namespace zel
