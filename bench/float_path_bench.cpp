// Throughput of the floating-point path on 24-bit and float stereo files, 44.1 -> 48 kHz,
// in output frames per second: zel's whole file conversion (read, decode, filter, encode,
// write; the files in the page cache) with the best build this processor runs, against
// libsoxr's default high quality on the same samples held in memory (32-bit integers for
// the 24-bit case, libsoxr having no packed 24-bit format) in the same run.

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "cpu/cpu_features.h"
#include "engine/codec/sample_codec.h"
#include "engine/convert/convert_file.h"
#include "engine/resample/builds/conversion_builds.h"
#include "engine/wav/wav_header_writer.h"
#include "tools/synthetic_wav.h"

#ifdef ZEL_HAVE_SOXR
#include "bench/soxr_reference.h"
#endif

namespace {

using namespace zel;

constexpr double kSeconds = 10.0;
constexpr std::uint32_t kInputRate = 44100;
constexpr std::int32_t kOutputRate = 48000;
constexpr std::uint16_t kChannels = 2;
constexpr double kPi = 3.14159265358979323846;

struct Case {
    const char* name;
    SampleEncoding encoding;
};

const Case kCases[] = {{"s24_stereo", SampleEncoding::kSigned24},
                       {"f32_stereo", SampleEncoding::kFloat32}};

std::vector<float> Signal() {
    const auto frames = static_cast<std::size_t>(kSeconds * kInputRate);
    std::vector<float> s(frames * kChannels);
    for (std::size_t i = 0; i < frames; ++i)
        for (std::size_t c = 0; c < kChannels; ++c) {
            const double t = static_cast<double>(i) / kInputRate;
            s[i * kChannels + c] = static_cast<float>(0.45 * std::sin(2 * kPi * 997 * t + c) +
                                                      0.4 * std::sin(2 * kPi * 5003 * t));
        }
    return s;
}

WavSampleFormat FormatOf(SampleEncoding encoding) {
    WavSampleFormat f;
    f.encoding = encoding;
    f.channels = kChannels;
    f.sampleRate = kInputRate;
    f.containerBits = ContainerBitsOf(encoding);
    f.validBits = f.containerBits;
    f.blockAlign = static_cast<std::uint16_t>(kChannels * f.containerBits / 8);
    return f;
}

std::filesystem::path WriteInput(const Case& c, const std::filesystem::path& dir) {
    const std::vector<float> signal = Signal();
    const WavSampleFormat f = FormatOf(c.encoding);
    const std::size_t frames = signal.size() / kChannels;
    std::vector<std::uint8_t> data(frames * f.blockAlign);
    EncodeInterleaved(f, signal.data(), frames, data.data());
    WavOutputHeader header = ComposeWavHeader(f, {}, data.size());
    CompleteWavHeader(header, data.size(), frames, 0);
    std::vector<std::uint8_t> bytes = header.bytes;
    bytes.insert(bytes.end(), data.begin(), data.end());
    const std::filesystem::path path = dir / (std::string(c.name) + ".wav");
    WriteFileBytes(path, bytes);
    return path;
}

std::filesystem::path WorkDir() {
    static const std::filesystem::path dir = [] {
        std::filesystem::path d = std::filesystem::temp_directory_path() / "zel_float_bench";
        std::filesystem::create_directories(d);
        return d;
    }();
    return dir;
}

void RunZel(benchmark::State& state, Case c) {
    const std::filesystem::path input = WriteInput(c, WorkDir());
    const std::filesystem::path output = WorkDir() / (std::string(c.name) + "_out.wav");
    const ConversionBuild& build = BestBuildForFeatureLevel(DetectCpuFeatures(nullptr));
    const ConversionSettings settings{.targetRate = kOutputRate, .speed = kNormalSpeed};
    for (auto _ : state) {
        const ConversionOutcome outcome =
            ConvertFile(input, nullptr, output, settings, build.kernels);
        if (outcome.code != kCompleted) {
            state.SkipWithError("conversion failed");
            return;
        }
    }
    const auto frames = static_cast<std::int64_t>(kSeconds * kOutputRate);
    state.SetItemsProcessed(state.iterations() * frames);
    state.SetLabel(build.name);
}

#ifdef ZEL_HAVE_SOXR
void RunSoxr(benchmark::State& state, Case c) {
    const std::vector<float> signal = Signal();
    const std::size_t inFrames = signal.size() / kChannels;
    const bool integer = c.encoding == SampleEncoding::kSigned24;
    std::vector<std::int32_t> ints(signal.size());
    for (std::size_t i = 0; i < signal.size(); ++i)
        ints[i] = static_cast<std::int32_t>(std::lround(signal[i] * 8388607.0)) * 256;
    const std::size_t outCapacity = inFrames * kOutputRate / kInputRate + 4096;
    std::vector<float> out(outCapacity * kChannels);
    const soxr_datatype_t type = integer ? SOXR_INT32_I : SOXR_FLOAT32_I;
    const void* in = integer ? static_cast<const void*>(ints.data()) : signal.data();
    zel::bench::TimeSoxrOneShot(state, kInputRate, kOutputRate, kChannels, type, in, inFrames,
                           out.data(), outCapacity);
}
#endif

}  // namespace

int main(int argc, char** argv) {
    std::printf("processor: %s\n", ProcessorBrandText().c_str());
    for (const Case& c : kCases) {
        benchmark::RegisterBenchmark((std::string("zel_file/") + c.name).c_str(), RunZel, c);
#ifdef ZEL_HAVE_SOXR
        benchmark::RegisterBenchmark((std::string("soxr_hq_memory/") + c.name).c_str(), RunSoxr, c);
#endif
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::filesystem::remove_all(WorkDir());
    return 0;
}
