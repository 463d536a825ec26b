#pragma once
// Kernel tests run each build that this processor family compiles and this processor runs;
// for any other the reason to skip.

#include <string>

#include "cpu/cpu_features.h"
#include "engine/resample/builds/conversion_builds.h"

namespace zel {

// Empty when the build of `level` can run here.
inline std::string WhyBuildCannotRunHere(SimdLevel level) {
    const ConversionBuild& build = BuildForLevel(level);
    if (build.level != level)
        return "build " + std::to_string(level) + " is not compiled for this processor family";
    if (build.level > MaxSimdLevel(DetectCpuFeatures(nullptr)))
        return std::string("this processor cannot run the ") + build.name + " build";
    return {};
}

}  // namespace zel
