#pragma once
// The builds of the conversion, in one table ordered from the highest instruction set
// down to the reference build, which runs on every processor and stands in for any level
// the table does not name. The build is chosen once per batch, from this table only.

#include <cstdint>
#include <span>

#include "engine/codec/signed16_encode_kernels.h"
#include "engine/resample/hq/best_quality_kernels.h"
#include "engine/resample/hq/high_quality_kernels.h"
#include "engine/resample/standard/conversion_kernels.h"

namespace zel {

// Which build runs: 0 reference, 1 SSE, 2 SSE2, 3 SSE3, 4 SSE4.1, 5 AVX2/FMA, 6 AVX-512.
using SimdLevel = std::int32_t;

struct ConversionBuild {
    SimdLevel level;
    // The build's name on the command line and in reports ("none", "sse", ... "avx512").
    const char* name;
    // The CPU feature level (2 SSE, 3 SSE2, 4 SSE3, 5 SSE4.1, 7 AVX2 and FMA, 8 AVX-512)
    // the build needs at least.
    std::int32_t requiredFeatureLevel;
    const ConversionKernels& kernels;
    // The high-quality mode's kernels on the same processors.
    const HighQualityKernels& highQualityKernels;
    // The best-quality mode's kernels on the same processors.
    const BestQualityKernels& bestQualityKernels;
    // The encoding of 16-bit outputs from float planes (the float-plane resamplers').
    const Signed16EncodeKernels& signed16Encode;
};

// Highest level first; the last entry is the reference build.
std::span<const ConversionBuild> ConversionBuilds();

// The build a level names; the reference build for any other value.
const ConversionBuild& BuildForLevel(SimdLevel level);

// The build whose standard kernels are `kernels` (its high- and best-quality kernels and
// its 16-bit encoding go with them); the reference build for kernels the table does not
// hold.
const ConversionBuild& BuildWithKernels(const ConversionKernels& kernels);

// The highest build a processor of this CPU feature level runs.
const ConversionBuild& BestBuildForFeatureLevel(std::int32_t featureLevel);

// The level of that build: 0,1 -> 0; 2 -> 1; 3 -> 2; 4 -> 3; 5,6 -> 4; 7 -> 5; 8 -> 6;
// anything else -> 0. Where a level's build is not compiled (SIMD builds off x86) the highest
// level below it that is.
SimdLevel MaxSimdLevel(std::int32_t featureLevel);

// The builds' names: "none", "sse", ...
const char* SimdLevelName(SimdLevel level);

}  // namespace zel
