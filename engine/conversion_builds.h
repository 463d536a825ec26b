#pragma once
// The builds of the conversion, in one table ordered from the highest instruction set
// down to the reference build, which runs on every processor and stands in for any level
// the table does not name. The build is chosen once per batch, from this table only.

#include <cstdint>
#include <span>

#include "engine/conversion_kernels.h"

namespace zel {

// Which build runs: 0 reference, 1 SSE, 2 SSE2, 3 SSE3, 4 SSE4.1.
using SimdLevel = std::int32_t;

struct ConversionBuild {
    SimdLevel level;
    // The build's name on the command line and in reports ("none", "sse", ... "sse41").
    const char* name;
    // The CPU feature level (2 SSE, 3 SSE2, 4 SSE3, 5 SSE4.1) the build needs at least.
    std::int32_t requiredFeatureLevel;
    const ConversionKernels& kernels;
};

// Highest level first; the last entry is the reference build.
std::span<const ConversionBuild> ConversionBuilds();

// The build a level names; the reference build for any other value.
const ConversionBuild& BuildForLevel(SimdLevel level);

// The highest build a processor of this CPU feature level runs.
const ConversionBuild& BestBuildForFeatureLevel(std::int32_t featureLevel);

}  // namespace zel
