// Containers besides WAV through the product's file driver: files written by sox, flac,
// lame, ffmpeg and libsndfile in each format convert with their tone intact; a FLAC output
// holds exactly the samples of the WAV output of the same conversion; a 24-bit input made
// 16-bit is dithered by default; bad inputs get a reason and leave no output.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstring>
#include <filesystem>
#include <numbers>
#include <string>
#include <vector>

#include "batch/existing_output.h"
#include "engine/convert/convert_file.h"
#include "engine/resample/builds/conversion_builds.h"
#include "engine/sndfile/sound_file_reader.h"
#include "platform/file_handle.h"
#include "tests/support/child_process.h"
#include "tests/support/temp_dir.h"
#include "tests/support/wav_reader.h"
#include "tools/synthetic_wav.h"

namespace zel {
namespace {

namespace fs = std::filesystem;

const fs::path kFormats = fs::path(ZEL_TEST_DATA) / "formats";
constexpr double kFullScale = 32768.0;

// Amplitude of `hz` over samples [from, from + length) of a mono signal at `rate`.
double AmplitudeAt(const std::vector<double>& y, std::size_t from, std::size_t length, double hz,
                   double rate) {
    std::complex<double> sum;
    for (std::size_t n = 0; n < length; ++n)
        sum += y[from + n] * std::polar(1.0, -2.0 * std::numbers::pi * hz * static_cast<double>(n) / rate);
    return 2.0 * std::abs(sum) / static_cast<double>(length);
}

std::vector<double> MonoSamples(const test::LoadedWav& wav) {
    return std::vector<double>(wav.samples.begin(), wav.samples.end());
}

// The tools' tags (sox's comment, ffmpeg's encoder) would stand in a LIST chunk before the
// data, which LoadWav, a reader of the 44-byte header, does not walk.
ConversionSettings ToWav16(std::int32_t rate) {
    ConversionSettings settings{rate};
    settings.container = OutputContainer::kWav;
    settings.depth = OutputDepth::kInt16;
    settings.stripMetadata = true;
    return settings;
}

TEST(SoundFiles, FilesOfEveryToolAndFormatConvertWithTheirToneIntact) {
    // 0.25 s of 1 kHz at half scale, mono 16 kHz, as each tool wrote it; made 8 kHz 16-bit WAV.
    struct Row {
        const char* file;
        std::int64_t minFrames, maxFrames;  // lossy encoders may pad
        double tolerance;                   // of the amplitude, relative
    };
    const Row rows[] = {
        {"tone_sox.flac", 2000, 2000, 0.01},       {"tone_flac.flac", 2000, 2000, 0.01},
        {"tone_sox.aiff", 2000, 2000, 0.01},       {"tone_sox.au", 2000, 2000, 0.01},
        {"tone_libsndfile.caf", 2000, 2000, 0.01}, {"tone_libsndfile.w64", 2000, 2000, 0.01},
        {"tone_ffmpeg.ogg", 2000, 2000, 0.1},      {"tone_ffmpeg.opus", 2000, 2000, 0.1},
        {"tone_lame.mp3", 2000, 2000 + 1152, 0.2},
    };
    test::TempDir dir;
    for (const Row& row : rows) {
        const fs::path output = dir / (std::string(row.file) + ".wav");
        const ConversionOutcome outcome =
            ConvertFile(kFormats / row.file, nullptr, output, ToWav16(8000), kReferenceKernels);
        ASSERT_EQ(outcome.code, kCompleted) << row.file;
        const test::LoadedWav wav = test::LoadWav(output);
        ASSERT_TRUE(wav.ok) << row.file;
        EXPECT_EQ(wav.format.sampleRate, 8000u) << row.file;
        EXPECT_GE(wav.Frames(), row.minFrames) << row.file;
        EXPECT_LE(wav.Frames(), row.maxFrames) << row.file;
        const double amplitude = AmplitudeAt(MonoSamples(wav), 500, 1000, 1000.0, 8000.0);
        EXPECT_NEAR(amplitude / (0.5 * kFullScale), 1.0, row.tolerance) << row.file;
    }
}

// The samples of a FLAC file, as 16-bit values.
std::vector<std::int32_t> FlacSamples(const fs::path& path) {
    platform::FileHandle handle = platform::FileHandle::OpenForSequentialRead(path);
    SoundFileReader reader;
    if (!handle.IsOpen() || !reader.Open(handle.Descriptor())) return {};
    std::vector<std::int32_t> samples;
    std::vector<std::int32_t> block(4096 * reader.Info().read.channels);
    const auto frames = static_cast<std::int64_t>(block.size() / reader.Info().read.channels);
    for (std::int64_t got; (got = reader.ReadFrames(reinterpret_cast<std::uint8_t*>(block.data()),
                                                    frames)) > 0;)
        for (std::int64_t i = 0; i < got * reader.Info().read.channels; ++i)
            samples.push_back(block[i] >> 16);
    return samples;
}

TEST(SoundFiles, AFlacOutputHoldsExactlyTheSamplesOfTheWavOutput) {
    const SignalFormat format{2, 16, 44100};
    for (const ConversionQuality quality : {ConversionQuality::kStandard, ConversionQuality::kHigh}) {
        test::TempDir dir;
        test::WriteWav(dir / "in.wav", format, SineSignal(format, 30000, 997.0, 0.9));
        ConversionSettings settings{48000, SpeedFromPercent(90), quality};
        ASSERT_EQ(ConvertFile(dir / "in.wav", nullptr, dir / "out.wav", settings, kSse2Kernels).code,
                  kCompleted);
        settings.container = OutputContainer::kFlac;
        ASSERT_EQ(ConvertFile(dir / "in.wav", nullptr, dir / "out.flac", settings, kSse2Kernels).code,
                  kCompleted);
        const test::LoadedWav wav = test::LoadWav(dir / "out.wav");
        const std::vector<std::int32_t> flac = FlacSamples(dir / "out.flac");
        ASSERT_FALSE(flac.empty());
        EXPECT_EQ(flac, std::vector<std::int32_t>(wav.samples.begin(), wav.samples.end()))
            << (quality == ConversionQuality::kHigh ? "high" : "standard");
    }
}

// A mono 24-bit WAV file of `values` (in 24-bit steps).
void Write24BitWav(const fs::path& path, const std::vector<std::int32_t>& values, std::uint32_t rate) {
    std::vector<std::uint8_t> bytes;
    const auto u32 = [&](std::uint32_t v) { for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<std::uint8_t>(v >> (8 * i))); };
    const auto u16 = [&](std::uint16_t v) { bytes.push_back(v & 0xFF); bytes.push_back(v >> 8); };
    const auto data = static_cast<std::uint32_t>(3 * values.size());
    bytes.insert(bytes.end(), {'R', 'I', 'F', 'F'});
    u32(36 + data);
    bytes.insert(bytes.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
    u32(16); u16(1); u16(1); u32(rate); u32(3 * rate); u16(3); u16(24);
    bytes.insert(bytes.end(), {'d', 'a', 't', 'a'});
    u32(data);
    for (std::int32_t v : values)
        for (int i = 0; i < 3; ++i) bytes.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
    ASSERT_TRUE(WriteFileBytes(path, bytes));
}

TEST(SoundFiles, TwentyFourBitsMadeSixteenAreDitheredUnlessAskedNotTo) {
    // A tone of 0.3 steps of 16 bits: rounding alone leaves silence, dither keeps it audible.
    constexpr std::uint32_t kRate = 48000;
    std::vector<std::int32_t> tone(2 * kRate);
    for (std::size_t n = 0; n < tone.size(); ++n)
        tone[n] = static_cast<std::int32_t>(std::lround(0.3 * 256.0 * std::sin(2.0 * std::numbers::pi * 1000.0 * n / kRate)));
    struct Row {
        DitherChoice dither;
        double minSteps, maxSteps;  // the 1 kHz amplitude in the output, in 16-bit steps
    };
    const Row rows[] = {{DitherChoice::kAuto, 0.25, 0.35}, {DitherChoice::kNone, 0.0, 0.02}};
    for (const Row& row : rows) {
        test::TempDir dir;
        Write24BitWav(dir / "in.wav", tone, kRate);
        ConversionSettings settings{44100};
        settings.depth = OutputDepth::kInt16;
        settings.dither = row.dither;
        ASSERT_EQ(ConvertFile(dir / "in.wav", nullptr, dir / "out.wav", settings, kSse2Kernels).code,
                  kCompleted);
        const test::LoadedWav wav = test::LoadWav(dir / "out.wav");
        ASSERT_EQ(wav.format.bitsPerSample, 16);
        const double steps = AmplitudeAt(MonoSamples(wav), 22050, 44100, 1000.0, 44100.0);
        EXPECT_GE(steps, row.minSteps) << static_cast<int>(row.dither);
        EXPECT_LE(steps, row.maxSteps) << static_cast<int>(row.dither);
    }
}

TEST(SoundFiles, BadInputsGetAReasonAndLeaveNoOutput) {
    test::TempDir dir;
    const std::vector<std::uint8_t> flac = ReadFileBytes(kFormats / "tone_flac.flac");
    ASSERT_TRUE(WriteFileBytes(dir / "cut.flac",
                               std::vector<std::uint8_t>(flac.begin(), flac.begin() + flac.size() / 2)));
    ASSERT_TRUE(WriteFileBytes(dir / "cut_late.flac",
                               std::vector<std::uint8_t>(flac.begin(), flac.end() - flac.size() / 8)));
    ASSERT_TRUE(WriteFileBytes(dir / "notes.txt", std::vector<std::uint8_t>(400, 'x')));
    struct Row {
        const char* input;
        ConversionResult code;
        std::vector<ResultDetail> details;
    };
    const Row rows[] = {
        {"cut.flac", kInputFormatError, {ResultDetail::kDamagedAudio}},
        {"cut_late.flac", kInputReadError, {ResultDetail::kTruncatedAudio, ResultDetail::kDecodeError}},
        {"notes.txt", kInputFormatError, {ResultDetail::kUnknownAudioFormat}},
    };
    for (const Row& row : rows) {
        const fs::path output = dir / (std::string(row.input) + "_out.flac");
        ConversionSettings settings{22050};
        settings.container = OutputContainer::kFlac;
        const ConversionOutcome outcome =
            ConvertFile(dir / row.input, nullptr, output, settings, kReferenceKernels);
        EXPECT_EQ(outcome.code, row.code) << row.input;
        EXPECT_NE(std::find(row.details.begin(), row.details.end(), outcome.detail), row.details.end())
            << row.input << " detail " << static_cast<int>(outcome.detail);
        EXPECT_FALSE(fs::exists(output)) << row.input;
    }
    // Nothing but the inputs: no output and no temporary file.
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 3);
}

TEST(SoundFiles, SkipExistingKnowsAFinishedFlacFromACutOrDifferentOne) {
    test::TempDir dir;
    const fs::path input = kFormats / "tone_sox.flac";
    ConversionSettings settings{22050};
    settings.container = OutputContainer::kFlac;
    ASSERT_EQ(ConvertFile(input, nullptr, dir / "done.flac", settings, kSse2Kernels).code, kCompleted);
    const std::vector<std::uint8_t> whole = ReadFileBytes(dir / "done.flac");
    ASSERT_TRUE(WriteFileBytes(dir / "cut.flac", std::vector<std::uint8_t>(
                                                     whole.begin(), whole.begin() + whole.size() / 2)));
    ConversionSettings otherRate = settings;
    otherRate.targetRate = 24000;
    struct Row {
        const char* output;
        const ConversionSettings* settings;
        bool finished;
    };
    const Row rows[] = {{"done.flac", &settings, true},
                        {"done.flac", &otherRate, false},
                        {"cut.flac", &settings, false}};
    for (const Row& row : rows)
        EXPECT_EQ(IsFinishedOutput(dir / row.output, input, *row.settings, kSse2Kernels.blockLimit),
                  row.finished)
            << row.output << " at " << row.settings->targetRate;
}

TEST(SoundFiles, ZelCliConvertsStandardInputToStandardOutput) {
    test::TempDir dir;
    const SignalFormat format{2, 16, 44100};
    test::WriteWav(dir / "in.wav", format, SineSignal(format, 44100, 440.0, 0.5));
    fs::copy_file(kFormats / "tone_flac.flac", dir / "in.flac");
    struct Row {
        const char* pipeline;  // ZEL stands for zel-cli --quiet --rate 22050
        int status;
        const char* said;       // on standard error
        const char* output;     // read back when the status is 0
        OutputContainer container = OutputContainer::kSame;
        std::int64_t frames = 22050;  // at 22050 Hz: in.wav is 1 s, in.flac a quarter
    };
    const Row rows[] = {
        {"cat in.wav | ZEL - | cat > out.wav", 0, "", "out.wav", OutputContainer::kWav},
        {"ZEL --format flac - < in.wav > out.flac", 0, "", "out.flac", OutputContainer::kFlac},
        // Standard output has no name to take a format from: WAV unless one is chosen.
        {"ZEL - < in.flac > out.wav", 0, "", "out.wav", OutputContainer::kWav, 5513},
        {"cat in.flac | ZEL - > out.wav", 1, "only WAV, AIFF and AU can be read from a pipe", ""},
        {"cat in.wav | ZEL --format flac - | cat > out.flac", 1, "cannot be written to a pipe", ""},
    };
    for (const Row& row : rows) {
        std::string script = row.pipeline;
        script.replace(script.find("ZEL"), 3, std::string(ZEL_CLI_PATH) + " --quiet --rate 22050");
        test::ChildOptions options;
        options.scratchFolder = dir.path();
        const std::string shell = "set -o pipefail; cd '" + dir.path().string() +
                                  "' && export LANG=en_US.UTF-8 LC_ALL= && " + script;
        const test::ChildOutcome r = test::RunChild({"/bin/bash", "-c", shell}, options);
        EXPECT_EQ(r.exitStatus, row.status) << row.pipeline << ": " << r.err;
        EXPECT_NE(r.err.find(row.said), std::string::npos) << row.pipeline << ": " << r.err;
        if (row.status != 0) continue;
        // Read back through the product's decoder.
        platform::FileHandle handle = platform::FileHandle::OpenForSequentialRead(dir / row.output);
        SoundFileReader reader;
        ASSERT_TRUE(handle.IsOpen() && reader.Open(handle.Descriptor())) << row.pipeline;
        EXPECT_EQ(reader.Info().read.sampleRate, 22050u) << row.pipeline;
        EXPECT_EQ(reader.Info().container, row.container) << row.pipeline;
        std::vector<std::uint8_t> block(8 * 30000);
        EXPECT_EQ(reader.ReadFrames(block.data(), 30000), row.frames) << row.pipeline;
        fs::remove(dir / row.output);
    }
}

}  // namespace
}  // namespace zel
