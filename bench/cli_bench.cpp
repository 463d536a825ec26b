// zel-cli end to end (start, read, convert, write, rename) on a 60 s stereo 44.1 kHz 16-bit
// file to 48 kHz, against sox on the same file when it is installed: `rate 48000` beside the
// standard and high-quality modes, `rate -v 48000` beside the best. Wall-clock time per
// conversion; after the runs the ratios, by the median and by the fastest of the
// repetitions (`--benchmark_repetitions=N --benchmark_enable_random_interleaving=true`
// spreads each command's runs over the whole run, so a busy moment costs all alike).
// ZEL_CLI_BASELINE=/path/to/an/older/zel-cli adds its standard, high and best rows
// ("baseline/..."), measured in the same run.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
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
                seconds[run.run_name.function_name].push_back(run.GetAdjustedRealTime() / 1e3);
        ConsoleReporter::ReportRuns(runs);
    }
    // Every repetition's mean time per command, by command.
    std::map<std::string, std::vector<double>> seconds;
};

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    const std::size_t n = v.size();
    return n % 2 == 1 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2.0;
}

double Fastest(const std::vector<double>& v) { return *std::min_element(v.begin(), v.end()); }

// One command against its peer, by the median and by the fastest repetition.
void PrintRatio(const CollectingReporter& reporter, const std::string& name,
                const std::string& peerName) {
    const auto ours = reporter.seconds.find(name);
    const auto peer = reporter.seconds.find(peerName);
    if (ours == reporter.seconds.end() || peer == reporter.seconds.end()) return;
    const double oursMedian = Median(ours->second), peerMedian = Median(peer->second);
    const double oursFastest = Fastest(ours->second), peerFastest = Fastest(peer->second);
    std::printf("%-18s median %6.1f ms, %-14s %6.1f ms: %.2f | fastest %6.1f / %6.1f ms: %.2f"
                " (%zu runs)\n",
                name.c_str(), oursMedian * 1e3, peerName.c_str(), peerMedian * 1e3,
                oursMedian / peerMedian, oursFastest * 1e3, peerFastest * 1e3,
                oursFastest / peerFastest, ours->second.size());
}

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
    const std::string bestName = "zel-cli/best";
    configure(benchmark::RegisterBenchmark(
        bestName.c_str(), RunCommand,
        std::vector<std::string>{cli, "--quiet", "--quality", "best", "--rate", "48000", input}));
    const std::string soxVeryHighName = "sox/rate-v48000";
    const char* baseline = std::getenv("ZEL_CLI_BASELINE");
    if (baseline != nullptr && *baseline != '\0') {
        const std::string old = baseline;
        for (const char* quality : {"standard", "high", "best"})
            configure(benchmark::RegisterBenchmark(
                ("baseline/" + std::string(quality)).c_str(), RunCommand,
                std::vector<std::string>{old, "--quiet", "--quality", quality, "--rate", "48000",
                                         input}));
    }
#ifdef ZEL_SOX_PATH
    configure(benchmark::RegisterBenchmark(
        soxName.c_str(), RunCommand,
        std::vector<std::string>{ZEL_SOX_PATH, input, workspace.SoxOutput().string(), "rate",
                                 "48000"}));
    configure(benchmark::RegisterBenchmark(
        soxVeryHighName.c_str(), RunCommand,
        std::vector<std::string>{ZEL_SOX_PATH, input, workspace.SoxOutput().string(), "rate",
                                 "-v", "48000"}));
#endif
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    CollectingReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    std::printf("\n");
    PrintRatio(reporter, defaultName, soxName);
    PrintRatio(reporter, highName, soxName);
    PrintRatio(reporter, bestName, soxVeryHighName);
    PrintRatio(reporter, "baseline/standard", soxName);
    PrintRatio(reporter, "baseline/high", soxName);
    PrintRatio(reporter, "baseline/best", soxVeryHighName);
    benchmark::Shutdown();
    return 0;
}
