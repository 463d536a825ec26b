// Throughput of every build this processor runs, in output frames per second, on 16-bit
// audio held in memory (the shared block loop without files), against libsoxr at its
// default high quality (and libsamplerate's fastest sinc, for context) on the same data in
// the same run. Single thread. After the runs a table gives each build's ratio to libsoxr.

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "cpu/cpu_features.h"
#include "engine/conversion_kernels.h"
#include "engine/memory_conversion.h"
#include "tools/synthetic_wav.h"
#include "engine/wav_header.h"

#ifdef ZEL_HAVE_SOXR
#include <soxr.h>
#endif
#ifdef ZEL_HAVE_SAMPLERATE
#include <samplerate.h>
#endif

namespace {

using namespace zel;

constexpr double kSeconds = 10.0;

struct Conversion {
    std::int32_t inputRate;
    std::int32_t outputRate;
    std::uint16_t channels;

    std::string Name() const {
        return std::string(channels == 2 ? "stereo" : "mono") + "/" + std::to_string(inputRate) +
               "->" + std::to_string(outputRate);
    }
};

const Conversion kConversions[] = {
    {44100, 48000, 2}, {48000, 44100, 2}, {44100, 96000, 2},
    {44100, 48000, 1}, {48000, 44100, 1}, {44100, 96000, 1},
};

// A 16-bit data chunk: two sines, so every sample differs and nothing is silent.
const std::vector<std::uint8_t>& InputData(const Conversion& c) {
    static std::map<std::string, std::vector<std::uint8_t>> cache;
    const std::string key = std::to_string(c.inputRate) + "/" + std::to_string(c.channels);
    auto found = cache.find(key);
    if (found != cache.end()) return found->second;
    const SignalFormat format{c.channels, 16, static_cast<std::uint32_t>(c.inputRate)};
    const auto frames = static_cast<std::int64_t>(kSeconds * c.inputRate);
    SampleValues a = SineSignal(format, frames, 997.0, 0.45);
    const SampleValues b = SineSignal(format, frames, 5003.0, 0.4);
    for (std::size_t i = 0; i < a.size(); ++i) a[i] += b[i];
    std::vector<std::uint8_t> bytes = MakeWavBytes(format, a);
    bytes.erase(bytes.begin(), bytes.begin() + kWavHeaderSize);
    return cache.emplace(key, std::move(bytes)).first->second;
}

WavFormat FormatOf(const Conversion& c) {
    WavFormat format;
    format.formatTag = kPcmFormatTag;
    format.channels = c.channels;
    format.sampleRate = static_cast<std::uint32_t>(c.inputRate);
    format.bitsPerSample = 16;
    format.blockAlign = static_cast<std::uint16_t>(2 * c.channels);
    return format;
}

void RunBuild(benchmark::State& state, SimdLevel level, Conversion c) {
    const std::vector<std::uint8_t>& data = InputData(c);
    const ConversionKernels& kernels = BuildForLevel(level).kernels;
    std::int64_t frames = 0;
    for (auto _ : state) {
        MemoryConversion out = ConvertSamples(kernels, FormatOf(c), data, c.outputRate, 100);
        if (out.result != kCompleted) {
            state.SkipWithError("conversion failed");
            return;
        }
        frames = static_cast<std::int64_t>(out.data.size()) / (2 * c.channels);
        benchmark::DoNotOptimize(out.data.data());
    }
    state.SetItemsProcessed(state.iterations() * frames);
}

#ifdef ZEL_HAVE_SOXR
void RunSoxr(benchmark::State& state, Conversion c) {
    const std::vector<std::uint8_t>& data = InputData(c);
    const std::size_t inFrames = data.size() / (2 * c.channels);
    std::vector<std::int16_t> out(inFrames * c.outputRate / c.inputRate * c.channels + 4096);
    const soxr_io_spec_t io = soxr_io_spec(SOXR_INT16_I, SOXR_INT16_I);
    const soxr_quality_spec_t quality = soxr_quality_spec(SOXR_HQ, 0);
    const soxr_runtime_spec_t runtime = soxr_runtime_spec(1);
    std::size_t done = 0;
    for (auto _ : state) {
        std::size_t used = 0;
        const soxr_error_t error =
            soxr_oneshot(c.inputRate, c.outputRate, c.channels, data.data(), inFrames, &used,
                         out.data(), out.size() / c.channels, &done, &io, &quality, &runtime);
        if (error != nullptr) {
            state.SkipWithError(error);
            return;
        }
        benchmark::DoNotOptimize(out.data());
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(done));
}
#endif

#ifdef ZEL_HAVE_SAMPLERATE
void RunSamplerate(benchmark::State& state, Conversion c) {
    const std::vector<std::uint8_t>& data = InputData(c);
    const long inFrames = static_cast<long>(data.size() / (2 * c.channels));
    const long outFrames = inFrames * c.outputRate / c.inputRate + 4096;
    std::vector<float> in(inFrames * c.channels), out(outFrames * c.channels);
    std::vector<short> result(out.size());
    long done = 0;
    for (auto _ : state) {
        // The conversion from and to 16-bit samples belongs to the task.
        src_short_to_float_array(reinterpret_cast<const short*>(data.data()), in.data(),
                                 static_cast<int>(in.size()));
        SRC_DATA job{};
        job.data_in = in.data();
        job.data_out = out.data();
        job.input_frames = inFrames;
        job.output_frames = outFrames;
        job.src_ratio = static_cast<double>(c.outputRate) / c.inputRate;
        if (src_simple(&job, SRC_SINC_FASTEST, c.channels) != 0) {
            state.SkipWithError("src_simple failed");
            return;
        }
        done = job.output_frames_gen;
        src_float_to_short_array(out.data(), result.data(), static_cast<int>(done * c.channels));
        benchmark::DoNotOptimize(result.data());
    }
    state.SetItemsProcessed(state.iterations() * done);
}
#endif

// Remembers every run's throughput for the closing table.
class CollectingReporter : public benchmark::ConsoleReporter {
  public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            auto items = run.counters.find("items_per_second");
            if (items != run.counters.end() && run.run_type == Run::RT_Iteration)
                rates[run.run_name.function_name] = items->second.value;
        }
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> rates;
};

void PrintRatios(const std::map<std::string, double>& rates, SimdLevel maxLevel) {
    std::printf("\nOutput frames per second (millions), and ratio to libsoxr high quality:\n");
    for (const Conversion& c : kConversions) {
        const auto soxr = rates.find("soxr_hq/" + c.Name());
        if (rates.find(std::string(SimdLevelName(0)) + "/" + c.Name()) == rates.end() &&
            soxr == rates.end())
            continue;
        std::printf("%-22s", c.Name().c_str());
        for (SimdLevel level = 0; level <= maxLevel; ++level) {
            const auto zel = rates.find(std::string(SimdLevelName(level)) + "/" + c.Name());
            if (zel == rates.end()) continue;
            std::printf("  %s %.1f", SimdLevelName(level), zel->second / 1e6);
            if (soxr != rates.end()) std::printf(" (%.2fx)", zel->second / soxr->second);
        }
        if (soxr != rates.end()) std::printf("  soxr %.1f", soxr->second / 1e6);
        std::printf("\n");
    }
}

}  // namespace

int main(int argc, char** argv) {
    const SimdLevel maxLevel = MaxSimdLevel(DetectCpuFeatures(nullptr));
    std::printf("processor: %s\n", ProcessorBrandText().c_str());
    for (const Conversion& c : kConversions) {
        for (SimdLevel level = 0; level <= maxLevel; ++level)
            benchmark::RegisterBenchmark(
                (std::string(SimdLevelName(level)) + "/" + c.Name()).c_str(), RunBuild, level, c);
#ifdef ZEL_HAVE_SOXR
        benchmark::RegisterBenchmark(("soxr_hq/" + c.Name()).c_str(), RunSoxr, c);
#endif
#ifdef ZEL_HAVE_SAMPLERATE
        benchmark::RegisterBenchmark(("src_sinc_fastest/" + c.Name()).c_str(), RunSamplerate, c);
#endif
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    CollectingReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    PrintRatios(reporter.rates, maxLevel);
    benchmark::Shutdown();
    return 0;
}
