// zel-cli and the processor's builds: --cpu-info, and a conversion with every build this
// processor supports.

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <memory>
#include <string>

#include "cpu/cpu_features.h"
#include "engine/resample/builds/conversion_builds.h"
#include "engine/wav/wav_header.h"
#include "tests/support/temp_dir.h"
#include "tools/synthetic_wav.h"

namespace zel {
namespace {

struct CommandResult {
    int status = -1;
    std::string output;
};

CommandResult RunCli(const std::string& arguments) {
    const std::string command = std::string(ZEL_CLI_PATH) + " " + arguments + " 2>&1";
    CommandResult result;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr) return result;
    char buffer[4096];
    std::size_t got = 0;
    while ((got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
        result.output.append(buffer, got);
    const int status = ::pclose(pipe);
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

TEST(CliSimd, CpuInfoNamesTheBrandTheLevelAndTheBuilds) {
    const CommandResult info = RunCli("--cpu-info");
    ASSERT_EQ(info.status, 0) << info.output;
    const CpuFeatureLevel level = DetectCpuFeatures(nullptr);
    EXPECT_NE(info.output.find(ProcessorBrandText()), std::string::npos) << info.output;
    const char* const levelNames[] = {"none",   "MMX",    "SSE",  "SSE2",   "SSE3",
                                      "SSE4.1", "SSE4.2", "AVX2", "AVX-512"};
    const std::string levelLine =
        "feature level: " + std::to_string(level) + " (" + levelNames[level] + ")";
    EXPECT_NE(info.output.find(levelLine), std::string::npos) << info.output;
    // The builds named as --simd accepts them, those this processor runs only.
    const char* const builds[] = {"0=none",  "1=sse",  "2=sse2",  "3=sse3",
                                  "4=sse41", "5=avx2", "6=avx512"};
    for (SimdLevel simd = 0; simd <= 6; ++simd) {
        EXPECT_EQ(info.output.find(builds[simd]) != std::string::npos,
                  simd <= MaxSimdLevel(level))
            << builds[simd] << "\n" << info.output;
    }
}

TEST(CliSimd, ConvertsWithEveryBuildThisProcessorRuns) {
    test::TempDir dir;
    const SignalFormat format{2, 16, 44100};
    const auto input = dir / "tone.wav";
    ASSERT_TRUE(WriteFileBytes(input, MakeWavBytes(format, SineSignal(format, 70001, 440, 0.5))));
    const SimdLevel highest = MaxSimdLevel(DetectCpuFeatures(nullptr));
    for (SimdLevel level = 0; level <= highest; ++level) {
        const std::string suffix = "_L" + std::to_string(level);
        const CommandResult run = RunCli("--quiet --rate 48000 --simd " + std::to_string(level) +
                                         " --suffix " + suffix + " '" + input.string() + "'");
        ASSERT_EQ(run.status, 0) << run.output;
        const std::vector<std::uint8_t> bytes = ReadFileBytes(dir / ("tone" + suffix + ".wav"));
        // 70001 frames at 147:160 give ceil(25 x 160 / 147) + floor(69976 x 160 / 147) frames.
        EXPECT_EQ(bytes.size(), kWavHeaderSize + (28 + 76164) * 4u) << level;
    }
    if (highest < 4) {
        const CommandResult refused = RunCli("--simd 4 '" + input.string() + "'");
        EXPECT_EQ(refused.status, 2) << refused.output;
        EXPECT_NE(refused.output.find("cannot run"), std::string::npos) << refused.output;
    }
}

}  // namespace
}  // namespace zel
