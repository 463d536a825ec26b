// zel-cli end to end (start, read, convert, write, rename) on a 60 s stereo 44.1 kHz 16-bit
// file to 48 kHz, against `sox in.wav out.wav rate 48000` on the same file when sox is
// installed. Wall-clock time per conversion; after the runs the ratio of the two.

#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "bench/run_program.h"
#include "cpu/cpu_features.h"
#include "engine/resample/builds/conversion_builds.h"
#include "tools/synthetic_wav.h"

namespace {

namespace fs = std::filesystem;
using namespace zel;

constexpr std::int64_t kFrames = 60 * 44100;

// A folder with the input file, removed at exit.
class Workspace {
public:
    Workspace() {
        path_ = fs::temp_directory_path() / ("zel-cli-bench-" + std::to_string(::getpid()));
        fs::create_directories(path_);
        const SignalFormat format{2, 16, 44100};
        SampleValues a = SineSignal(format, kFrames, 997.0, 0.45);
        const SampleValues b = SineSignal(format, kFrames, 5003.0, 0.4);
        for (std::size_t i = 0; i < a.size(); ++i) a[i] += b[i];
        WriteFileBytes(Input(), MakeWavBytes(format, a));
    }
    ~Workspace() {
        std::error_code ignored;
        fs::remove_all(path_, ignored);
    }
    fs::path Input() const { return path_ / "in.wav"; }
    fs::path SoxOutput() const { return path_ / "out.wav"; }

private:
    fs::path path_;
};

const Workspace& SharedWorkspace() {
    static const Workspace workspace;
    return workspace;
}

void RunCommand(benchmark::State& state, std::vector<std::string> args) {
    for (auto _ : state) {
        if (!zel::bench::RunProgram(args)) {
            state.SkipWithError(("failed: " + args[0]).c_str());
            return;
        }
    }
    state.SetItemsProcessed(state.iterations() * kFrames * 48000 / 44100);
}

class CollectingReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs)
            if (run.run_type == Run::RT_Iteration)
                seconds[run.run_name.function_name] = run.GetAdjustedRealTime() / 1e3;
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> seconds;
};

}  // namespace

int main(int argc, char** argv) {
    const Workspace& workspace = SharedWorkspace();
    const std::string input = workspace.Input().string();
    const std::string cli = ZEL_CLI_PATH;
    const std::string defaultName = "zel-cli/default";
    const std::string soxName = "sox/rate48000";
    auto configure = [](benchmark::internal::Benchmark* b) {
        b->UseRealTime()->Unit(benchmark::kMillisecond)->MinTime(2.0);
    };
    configure(benchmark::RegisterBenchmark(
        "zel-cli/default", RunCommand,
        std::vector<std::string>{cli, "--quiet", "--rate", "48000", input}));
    const SimdLevel maxLevel = MaxSimdLevel(DetectCpuFeatures(nullptr));
    for (SimdLevel level = 0; level <= maxLevel; ++level)
        configure(benchmark::RegisterBenchmark(
            ("zel-cli/" + std::string(SimdLevelName(level))).c_str(), RunCommand,
            std::vector<std::string>{cli, "--quiet", "--rate", "48000", "--simd",
                                     std::to_string(level), input}));
    const std::string highName = "zel-cli/high";
    configure(benchmark::RegisterBenchmark(
        highName.c_str(), RunCommand,
        std::vector<std::string>{cli, "--quiet", "--quality", "high", "--rate", "48000", input}));
#ifdef ZEL_SOX_PATH
    configure(benchmark::RegisterBenchmark(
        "sox/rate48000", RunCommand,
        std::vector<std::string>{ZEL_SOX_PATH, input, workspace.SoxOutput().string(), "rate",
                                 "48000"}));
#endif
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    CollectingReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const auto zel = reporter.seconds.find(defaultName);
    const auto sox = reporter.seconds.find(soxName);
    if (zel != reporter.seconds.end() && sox != reporter.seconds.end())
        std::printf("\nzel-cli (default build) %.1f ms, sox %.1f ms: %.2f of sox's time\n",
                    zel->second * 1e3, sox->second * 1e3, zel->second / sox->second);
    const auto high = reporter.seconds.find(highName);
    if (high != reporter.seconds.end() && sox != reporter.seconds.end())
        std::printf("zel-cli --quality high %.1f ms: %.2f of sox's time\n", high->second * 1e3,
                    high->second / sox->second);
    benchmark::Shutdown();
    return 0;
}
