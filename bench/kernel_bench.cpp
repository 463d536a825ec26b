// Throughput of every build this processor runs, in output frames per second, on 16-bit
// audio held in memory (the shared block loop without files), against libsoxr at its
// default high quality (and libsamplerate's fastest sinc, for context) on the same data in
// the same run. Single thread. After the runs a table gives each build's ratio to libsoxr.
// The AVX2/FMA build and the high-quality mode's kernels run where the processor has AVX2
// and FMA; for the high-quality mode the table also gives the fraction of the core's FMA
// limit reached, and the filter set-up of awkward ratios is timed.
// The best-quality mode runs on 32-bit float stereo against libsoxr's very high quality
// (SOXR_VHQ) on the same samples, libsoxr both before and after it; the closing table
// compares with libsoxr's faster figure.

#include <benchmark/benchmark.h>
#include <malloc.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "cpu/cpu_features.h"
#include "engine/resample/builds/conversion_builds.h"
#include "engine/resample/hq/best_quality_resampler.h"
#include "engine/resample/hq/complex_fft.h"
#include "engine/resample/hq/equiripple_prototype.h"
#include "engine/resample/hq/high_quality_resampler.h"
#include "engine/resample/standard/conversion_kernels.h"
#include "engine/wav/wav_header.h"
#include "tests/support/best_quality_conversion.h"
#include "tests/support/canonical_header.h"
#include "tests/support/high_quality_conversion.h"
#include "tests/support/memory_conversion.h"
#include "bench/highway_rows.h"
#include "tools/synthetic_wav.h"

#ifdef ZEL_HAVE_KISSFFT
#include "bench/kissfft_transforms.h"
#endif
#ifdef ZEL_HAVE_SOXR
#include "bench/soxr_reference.h"
#endif
#ifdef ZEL_HAVE_SAMPLERATE
#include <samplerate.h>
#endif

namespace {

using namespace zel;

constexpr double kSeconds = 10.0;
constexpr SimdLevel kSse2Level = 2;
constexpr SimdLevel kAvx2Level = 5;
constexpr SimdLevel kAvx512Level = 6;

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
    {44100, 48000, 1}, {48000, 44100, 1}, {44100, 96000, 1}, {96000, 8000, 2},
    {96000, 44100, 2},
};

// FMA units and lanes of an AVX2 core: two fused multiply-adds of eight floats per cycle.
constexpr double kFmaPerCycle = 2.0 * 8.0;

bool HasAvx2AndFma() { return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma"); }

// The AVX-512 build's extensions, as the build table asks for them.
bool HasAvx512() { return MaxSimdLevel(DetectCpuFeatures(nullptr)) >= kAvx512Level; }

// The nominal clock from /proc/cpuinfo, in Hz (0 when unknown).
double CoreClockHz() {
    std::FILE* info = std::fopen("/proc/cpuinfo", "r");
    if (info == nullptr) return 0.0;
    char line[256];
    double mhz = 0.0;
    while (std::fgets(line, sizeof line, info) != nullptr)
        if (std::sscanf(line, "cpu MHz : %lf", &mhz) == 1) break;
    std::fclose(info);
    return mhz * 1e6;
}

struct HighQualityBuild {
    const char* name;
    const HighQualityKernels* kernels;
};

const HighQualityBuild kHighQualityBuilds[] = {{"hq_scalar", &kHighQualityScalarKernels},
                                               {"hq_sse2", &kHighQualitySse2Kernels},
                                               {"hq_avx2", &kHighQualityAvx2Kernels},
                                               {"hq_avx512", &kHighQualityAvx512Kernels}};

struct BestQualityBuild {
    const char* name;
    const BestQualityKernels* kernels;
};

const BestQualityBuild kBestQualityBuilds[] = {{"best_avx2", &kBestQualityAvx2Kernels},
                                               {"best_avx512", &kBestQualityAvx512Kernels}};

// Whether this processor runs a build's high- or best-quality kernels.
bool Runs(const void* kernels) {
    if (kernels == &kHighQualityAvx512Kernels || kernels == &kBestQualityAvx512Kernels)
        return HasAvx512();
    if (kernels == &kHighQualityAvx2Kernels || kernels == &kBestQualityAvx2Kernels)
        return HasAvx2AndFma();
    return true;
}

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

void RunHighQuality(benchmark::State& state, const HighQualityKernels* kernels, Conversion c) {
    const std::vector<std::uint8_t>& data = InputData(c);
    const std::span<const std::int16_t> samples(reinterpret_cast<const std::int16_t*>(data.data()),
                                                data.size() / 2);
    // Allocated once, as for libsoxr: every run writes into the same memory.
    std::vector<std::int16_t> out(samples.size() / c.channels * c.outputRate / c.inputRate *
                                      c.channels +
                                  4096);
    std::int64_t frames = 0;
    for (auto _ : state) {
        frames = ResampleInt16HighQualityInto(*kernels, c.channels, c.inputRate, c.outputRate,
                                              samples, out);
        if (frames < 0) {
            state.SkipWithError("no memory for the filter, or the output did not fit");
            return;
        }
        benchmark::DoNotOptimize(out.data());
    }
    state.SetItemsProcessed(state.iterations() * frames);
}

// Filter design and buffers of one stream, in seconds per set-up.
void RunHighQualitySetup(benchmark::State& state, std::int32_t inputRate, std::int32_t outputRate,
                         std::int32_t speed) {
    std::uint64_t bytes = 0;
    for (auto _ : state) {
        HighQualityResampler resampler(kHighQualityAvx2Kernels);
        if (!resampler.Prepare(inputRate, outputRate, SpeedFromPercent(speed), 2)) {
            state.SkipWithError("no memory for the filter");
            return;
        }
        bytes = resampler.Filter().TableBytes();
        benchmark::DoNotOptimize(&resampler);
    }
    state.counters["table_MiB"] = static_cast<double>(bytes) / (1 << 20);
}

// The equiripple design behind every high-quality filter, paid once per process.
void RunPrototypeDesign(benchmark::State& state) {
    for (auto _ : state) {
        std::vector<double> taps = DesignEquiripple(PrototypeCoarseSpec());
        if (taps.empty()) {
            state.SkipWithError("the design did not settle");
            return;
        }
        benchmark::DoNotOptimize(taps.data());
    }
}

// Vector FMAs of eight lanes per output frame, over every stage of the chain.
double FmaPerFrame(const Conversion& c) {
    HighQualityResampler resampler(kHighQualityScalarKernels);
    if (!resampler.Prepare(c.inputRate, c.outputRate, kNormalSpeed, c.channels)) return 0.0;
    return resampler.MultiplyAddsPerFrame() / 8.0;
}

struct Rates {
    std::int32_t input, output, speed;
};

// The best-quality mode's conversions: stereo, 32-bit float.
const Conversion kBestConversions[] = {
    {44100, 48000, 2}, {48000, 44100, 2}, {44100, 96000, 2}, {96000, 8000, 2}};

// The same two sines as InputData, as planar floats.
const std::vector<std::vector<float>>& FloatInput(const Conversion& c) {
    static std::map<std::string, std::vector<std::vector<float>>> cache;
    const std::string key = std::to_string(c.inputRate) + "/" + std::to_string(c.channels);
    auto found = cache.find(key);
    if (found != cache.end()) return found->second;
    const std::vector<std::uint8_t>& data = InputData(c);
    const auto* samples = reinterpret_cast<const std::int16_t*>(data.data());
    const std::size_t frames = data.size() / (2 * c.channels);
    std::vector<std::vector<float>> planar(c.channels, std::vector<float>(frames));
    for (std::size_t n = 0; n < frames; ++n)
        for (std::size_t ch = 0; ch < c.channels; ++ch)
            planar[ch][n] = static_cast<float>(samples[n * c.channels + ch]) / 32768.0f;
    return cache.emplace(key, std::move(planar)).first->second;
}

void RunBestQuality(benchmark::State& state, const BestQualityKernels* kernels, Conversion c) {
    const auto& input = FloatInput(c);
    // Allocated once, as for libsoxr: every run writes into the same memory.
    std::vector<std::vector<float>> out(
        input.size(), std::vector<float>(input[0].size() * c.outputRate / c.inputRate + 4096));
    std::int64_t frames = 0;
    for (auto _ : state) {
        frames = ResampleFloatBestQualityInto(*kernels, c.inputRate, c.outputRate, input,
                                              BestQualityResampler::kMaxPushFrames, out);
        if (frames < 0) {
            state.SkipWithError("no memory for the filter, or the output did not fit");
            return;
        }
        benchmark::DoNotOptimize(out[0].data());
    }
    state.SetItemsProcessed(state.iterations() * frames);
}

// The best-quality kernels one at a time, on data that stays in the second-level cache:
// a forward and an inverse transform of `size` points, or the spectrum product of as many
// bins, in points per second.
void RunTransforms(benchmark::State& state, const BestQualityKernels* kernels,
                   std::int64_t size) {
    const ComplexFftPlan plan(size);
    std::vector<double> re(static_cast<std::size_t>(size)), im(re.size());
    for (std::size_t n = 0; n < re.size(); ++n) {
        re[n] = std::sin(0.001 * static_cast<double>(n));
        im[n] = std::cos(0.003 * static_cast<double>(n));
    }
    for (auto _ : state) {
        kernels->fftToPermuted(plan, re.data(), im.data());
        kernels->fftFromPermuted(plan, re.data(), im.data());
        // Keeps the values finite over any number of rounds.
        for (double& v : re) v *= 1.0 / static_cast<double>(size);
        for (double& v : im) v *= 1.0 / static_cast<double>(size);
        benchmark::DoNotOptimize(re.data());
    }
    state.SetItemsProcessed(state.iterations() * size);
}

void RunSpectrumProduct(benchmark::State& state, const BestQualityKernels* kernels,
                        std::int64_t size) {
    std::vector<double> xRe(static_cast<std::size_t>(size), 0.5), xIm(xRe.size(), 0.25);
    std::vector<double> hRe(xRe.size(), 0.125), hIm(xRe.size(), -0.5);
    std::vector<double> outRe(xRe.size()), outIm(xRe.size());
    for (auto _ : state) {
        kernels->spectrumProduct(xRe.data(), xIm.data(), hRe.data(), hIm.data(), size,
                                 outRe.data(), outIm.data());
        benchmark::DoNotOptimize(outRe.data());
    }
    state.SetItemsProcessed(state.iterations() * size);
}

// The short stage after the steep one: outputs of rows of `taps` in their own order
// (rowRun) over two channels, in outputs per second.
void RunShortStage(benchmark::State& state, zel::bench::RowRun rowRun, std::int64_t taps) {
    constexpr std::int64_t kOutputs = 4096;
    constexpr std::int64_t kRows = 64;
    std::vector<double> table(static_cast<std::size_t>(kRows * taps));
    for (std::size_t k = 0; k < table.size(); ++k) table[k] = 1e-3 * static_cast<double>(k % 97);
    std::vector<double> left(static_cast<std::size_t>(2 * kOutputs + taps), 0.5);
    std::vector<double> right(left.size(), -0.25);
    std::vector<const double*> rows(kOutputs);
    std::vector<std::int64_t> starts(kOutputs);
    for (std::int64_t o = 0; o < kOutputs; ++o) {
        rows[o] = table.data() + (o * 37 % kRows) * taps;
        starts[o] = o * 2 - o / 8;
    }
    std::vector<float> outLeft(kOutputs), outRight(kOutputs);
    const double* x[] = {left.data(), right.data()};
    float* out[] = {outLeft.data(), outRight.data()};
    for (auto _ : state) {
        rowRun(rows.data(), starts.data(), kOutputs, taps, x, 2, out);
        benchmark::DoNotOptimize(outLeft.data());
    }
    state.SetItemsProcessed(state.iterations() * kOutputs);
}

// Filter design and buffers of one best-quality stream, in seconds per set-up.
void RunBestQualitySetup(benchmark::State& state, std::int32_t inputRate, std::int32_t outputRate,
                         std::int32_t speed) {
    std::uint64_t bytes = 0;
    for (auto _ : state) {
        BestQualityResampler resampler(kBestQualityAvx2Kernels);
        if (!resampler.Prepare(inputRate, outputRate, SpeedFromPercent(speed), 2)) {
            state.SkipWithError("no memory for the filter");
            return;
        }
        bytes = resampler.MemoryBytes();
        benchmark::DoNotOptimize(&resampler);
    }
    state.counters["memory_MiB"] = static_cast<double>(bytes) / (1 << 20);
}

#ifdef ZEL_HAVE_SOXR
// libsoxr's very high quality on the same float samples, interleaved as it takes them.
void RunSoxrVeryHigh(benchmark::State& state, Conversion c) {
    const auto& planar = FloatInput(c);
    const std::size_t inFrames = planar[0].size();
    std::vector<float> in(inFrames * c.channels);
    for (std::size_t n = 0; n < inFrames; ++n)
        for (std::size_t ch = 0; ch < c.channels; ++ch) in[n * c.channels + ch] = planar[ch][n];
    std::vector<float> out(inFrames * c.outputRate / c.inputRate * c.channels + 4096);
    zel::bench::TimeSoxrOneShot(state, c.inputRate, c.outputRate, c.channels, SOXR_FLOAT32_I,
                                in.data(), inFrames, out.data(), out.size() / c.channels,
                                SOXR_VHQ);
}

void RunSoxr(benchmark::State& state, Conversion c) {
    const std::vector<std::uint8_t>& data = InputData(c);
    const std::size_t inFrames = data.size() / (2 * c.channels);
    std::vector<std::int16_t> out(inFrames * c.outputRate / c.inputRate * c.channels + 4096);
    zel::bench::TimeSoxrOneShot(state, c.inputRate, c.outputRate, c.channels, SOXR_INT16_I,
                           data.data(), inFrames, out.data(), out.size() / c.channels);
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

// Remembers every run's throughput for the closing table; with --benchmark_repetitions the
// fastest repetition, the one least slowed by other work on the machine.
class CollectingReporter : public benchmark::ConsoleReporter {
  public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            auto items = run.counters.find("items_per_second");
            if (items == run.counters.end() || run.run_type != Run::RT_Iteration) continue;
            double& rate = rates[run.run_name.function_name];
            rate = std::max(rate, static_cast<double>(items->second.value));
        }
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> rates;
};

// libsoxr's rate moves with what ran before it in the process: the faster of its run
// among the others and its run after them all, where both were made.
std::map<std::string, double>::const_iterator FasterSoxrHq(const std::map<std::string, double>& rates,
                                                           const std::string& name) {
    const auto first = rates.find("soxr_hq/" + name);
    const auto again = rates.find("soxr_hq_again/" + name);
    if (first == rates.end()) return again;
    if (again == rates.end()) return first;
    return again->second > first->second ? again : first;
}

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
        const auto avx2 = rates.find(std::string(SimdLevelName(kAvx2Level)) + "/" + c.Name());
        const auto sse2 = rates.find(std::string(SimdLevelName(kSse2Level)) + "/" + c.Name());
        if (avx2 != rates.end() && sse2 != rates.end())
            std::printf("  [avx2 %.2fx sse2]", avx2->second / sse2->second);
        if (soxr != rates.end()) std::printf("  soxr %.1f", soxr->second / 1e6);
        std::printf("\n");
    }
    const double clock = CoreClockHz();
    std::printf(
        "\nHigh-quality mode: frames/s (millions), ratio to libsoxr HQ (the faster of its runs"
        " before and after the others), fraction of the FMA limit at %.2f GHz:\n",
        clock / 1e9);
    for (const Conversion& c : kConversions) {
        const auto soxr = FasterSoxrHq(rates, c.Name());
        bool any = false;
        for (const HighQualityBuild& build : kHighQualityBuilds) {
            const auto hq = rates.find(std::string(build.name) + "/" + c.Name());
            if (hq == rates.end()) continue;
            if (!any) std::printf("%-22s", c.Name().c_str());
            any = true;
            std::printf("  %s %.2f", build.name, hq->second / 1e6);
            if (soxr != rates.end()) std::printf(" (%.2fx)", hq->second / soxr->second);
            if (clock > 0.0)
                std::printf(" [%.0f%%]",
                            100.0 * FmaPerFrame(c) * hq->second / (clock * kFmaPerCycle / 8.0));
        }
        const auto first = rates.find("soxr_hq/" + c.Name());
        const auto again = rates.find("soxr_hq_again/" + c.Name());
        if (any && first != rates.end() && again != rates.end())
            std::printf("  soxr_hq %.2f / %.2f", first->second / 1e6, again->second / 1e6);
        if (any) std::printf("\n");
    }
    std::printf(
        "\nBest-quality mode (float stereo): frames/s (millions), ratio to libsoxr VHQ (the"
        " faster of its runs before and after):\n");
    for (const Conversion& c : kBestConversions) {
        const auto before = rates.find("soxr_vhq/" + c.Name());
        const auto after = rates.find("soxr_vhq_again/" + c.Name());
        const bool withSoxr = before != rates.end() && after != rates.end();
        bool any = false;
        for (const BestQualityBuild& build : kBestQualityBuilds) {
            const auto best = rates.find(std::string(build.name) + "/" + c.Name());
            if (best == rates.end()) continue;
            if (!any) std::printf("%-22s", c.Name().c_str());
            any = true;
            std::printf("  %s %.2f", build.name, best->second / 1e6);
            if (withSoxr)
                std::printf(" (%.2fx)", best->second / std::max(before->second, after->second));
        }
        if (any && withSoxr)
            std::printf("  soxr_vhq %.2f / %.2f", before->second / 1e6, after->second / 1e6);
        if (any) std::printf("\n");
    }
}

// Every run converts a whole signal into fresh output buffers, and libsoxr allocates per
// call too. glibc maps blocks of a few MiB afresh each time until its threshold has moved,
// which happens only after some of them are freed, so rates moved with their place in the
// process (page faults took a fifth of a high-quality run). Keeping freed blocks in the
// heap from the start times the filters, not the kernel's zeroing of new pages.
void KeepLargeBlocksInHeap() {
    constexpr int kLargestBlockBytes = 32 << 20;
    mallopt(M_MMAP_THRESHOLD, kLargestBlockBytes);
    mallopt(M_TRIM_THRESHOLD, 4 * kLargestBlockBytes);
}

}  // namespace

int main(int argc, char** argv) {
    KeepLargeBlocksInHeap();
    const SimdLevel maxLevel = MaxSimdLevel(DetectCpuFeatures(nullptr));
    std::printf("processor: %s\n", ProcessorBrandText().c_str());
    for (const Conversion& c : kConversions) {
        for (SimdLevel level = 0; level <= maxLevel; ++level)
            benchmark::RegisterBenchmark(
                (std::string(SimdLevelName(level)) + "/" + c.Name()).c_str(), RunBuild, level, c);
        for (const HighQualityBuild& build : kHighQualityBuilds) {
            if (!Runs(build.kernels)) continue;
            benchmark::RegisterBenchmark((std::string(build.name) + "/" + c.Name()).c_str(),
                                         RunHighQuality, build.kernels, c);
        }
#ifdef ZEL_HAVE_SOXR
        benchmark::RegisterBenchmark(("soxr_hq/" + c.Name()).c_str(), RunSoxr, c);
#endif
#ifdef ZEL_HAVE_SAMPLERATE
        benchmark::RegisterBenchmark(("src_sinc_fastest/" + c.Name()).c_str(), RunSamplerate, c);
#endif
    }
    if (HasAvx2AndFma()) {
        for (const Conversion& c : kBestConversions) {
#ifdef ZEL_HAVE_SOXR
            benchmark::RegisterBenchmark(("soxr_vhq/" + c.Name()).c_str(), RunSoxrVeryHigh, c);
#endif
            for (const BestQualityBuild& build : kBestQualityBuilds)
                if (Runs(build.kernels))
                    benchmark::RegisterBenchmark((std::string(build.name) + "/" + c.Name()).c_str(),
                                                 RunBestQuality, build.kernels, c);
        }
        for (const BestQualityBuild& build : kBestQualityBuilds) {
            if (!Runs(build.kernels)) continue;
            const std::string name = std::string(build.name).substr(sizeof "best_" - 1);
            for (const std::int64_t size : {4096, 8192})
                benchmark::RegisterBenchmark(
                    ("kernel_fft_" + name + "/" + std::to_string(size)).c_str(), RunTransforms,
                    build.kernels, size);
            benchmark::RegisterBenchmark(("kernel_spectrum_" + name + "/8192").c_str(),
                                         RunSpectrumProduct, build.kernels, 8192);
            benchmark::RegisterBenchmark(("kernel_rows_" + name + "/24").c_str(), RunShortStage,
                                         build.kernels->rowRun, 24);
        }
#ifdef ZEL_HAVE_HIGHWAY
        if (maxLevel >= 5)
            benchmark::RegisterBenchmark("kernel_rows_highway_avx2/24", RunShortStage,
                                         zel::bench::HighwayRowsAvx2, 24);
        if (maxLevel >= 6)
            benchmark::RegisterBenchmark("kernel_rows_highway_avx512/24", RunShortStage,
                                         zel::bench::HighwayRowsAvx512, 24);
#endif
#ifdef ZEL_HAVE_KISSFFT
        for (const std::int64_t size : {4096, 8192})
            benchmark::RegisterBenchmark(("kernel_fft_kissfft_float/" + std::to_string(size)).c_str(),
                                         zel::bench::RunKissFftTransforms, size);
#endif
#ifdef ZEL_HAVE_SOXR
        for (const Conversion& c : kBestConversions)
            benchmark::RegisterBenchmark(("soxr_vhq_again/" + c.Name()).c_str(), RunSoxrVeryHigh,
                                         c);
        for (const Conversion& c : kConversions)
            benchmark::RegisterBenchmark(("soxr_hq_again/" + c.Name()).c_str(), RunSoxr, c);
#endif
        for (const Rates r : {Rates{11127, 96000, 77}, Rates{96000, 8000, 200},
                              Rates{44100, 96000, 100}, Rates{8000, 96000, 50},
                              Rates{96000, 8000, 50}})
            benchmark::RegisterBenchmark(("best_setup/" + std::to_string(r.input) + "->" +
                                          std::to_string(r.output) + "@" +
                                          std::to_string(r.speed))
                                             .c_str(),
                                         RunBestQualitySetup, r.input, r.output, r.speed)
                ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark("hq_setup/11127->96000@77", RunHighQualitySetup, 11127, 96000,
                                     77)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark("hq_setup/22254->44100@73", RunHighQualitySetup, 22254, 44100,
                                     73)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark("hq_setup/96000->8000@200", RunHighQualitySetup, 96000, 8000,
                                     200)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark("hq_prototype_design", RunPrototypeDesign)
            ->Unit(benchmark::kMillisecond);
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    CollectingReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    PrintRatios(reporter.rates, maxLevel);
    benchmark::Shutdown();
    return 0;
}
