// The reference conversion end to end: frame counts of the worked examples, exactness at
// equal rates, rounding and saturation, the final-block rules, cancel, and every failure
// code leaving no output behind.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>

#include "engine/codec/sample_encoding.h"
#include "engine/convert/convert_file.h"
#include "engine/resample/standard/block_geometry.h"
#include "engine/resample/standard/conversion_kernels.h"
#include "tests/support/recording_window.h"
#include "tests/support/temp_dir.h"
#include "tests/support/wav_reader.h"

namespace zel {
namespace {

using test::LoadWav;
using test::RecordingWindow;
using test::WriteWav;

constexpr SignalFormat kStereo16{2, 16, 44100};
constexpr SignalFormat kMono8{1, 8, 44100};

class Conversion : public ::testing::Test {
  protected:
    std::filesystem::path In() const { return dir / "in.wav"; }
    std::filesystem::path Out() const { return dir / "out.wav"; }

    ConversionResult Convert(std::int32_t rate, std::int32_t speed = 100,
                             ConversionProgress* window = nullptr) {
        return ConvertFile(In(), window, Out(), {rate, SpeedFromPercent(speed)}).code;
    }

    // Nothing but the input is left in the folder.
    void ExpectOnlyInputLeft() {
        std::vector<std::string> names;
        for (const auto& e : std::filesystem::directory_iterator(dir.path()))
            names.push_back(e.path().filename().string());
        EXPECT_EQ(names, std::vector<std::string>{"in.wav"});
    }

    test::TempDir dir;
};

SampleValues Constant(std::int64_t frames, int channels, std::int32_t value) {
    return SampleValues(static_cast<std::size_t>(frames * channels), value);
}

TEST_F(Conversion, EqualRatesReproduceTheInputSampleForSample) {
    // 40000 - 16409 is positive and not a multiple of 16384: a first, a middle and a
    // final block.
    for (SignalFormat format :
         {kStereo16, kMono8, SignalFormat{2, 8, 22050}, SignalFormat{1, 16, 8000}}) {
        const SampleValues samples = SineSignal(format, 40000, 997.0, 0.9);
        WriteWav(In(), format, samples);
        ASSERT_EQ(Convert(static_cast<std::int32_t>(format.sampleRate)), kCompleted);
        const auto out = LoadWav(Out());
        EXPECT_TRUE(out.HeaderConsistent());
        EXPECT_EQ(out.samples, samples) << format.channels << "ch " << format.bitsPerSample;
    }
}

TEST_F(Conversion, WorkedExample44100To48000) {
    // f = 16317, g = 17760; the first block reads 16342 frames, later ones 16317.
    // 100000 frames: 16342 + 5 x 16317 + 2073, final block ceil(25*160/147) +
    // floor(2073*160/147) = 28 + 2256 outputs.
    WriteWav(In(), kStereo16, SineSignal(kStereo16, 100000, 440.0, 0.5));
    RecordingWindow window;
    ASSERT_EQ(Convert(48000, 100, &window), kCompleted);
    const auto out = LoadWav(Out());
    EXPECT_EQ(out.Frames(), 6 * 17760 + 28 + 2256);
    EXPECT_TRUE(out.HeaderConsistent());
    EXPECT_EQ(out.format.sampleRate, 48000u);
    EXPECT_EQ(out.header.U32(wav_offset::kBytesPerSecond), 192000u);
    ASSERT_EQ(window.messages.size(), 7u);
    // After the first block: 100 - round((100000 - 16342) * 100 / 100000) = 16.
    EXPECT_EQ(window.messages[0], (test::RecordedMessage{WM_BATCH_PROGRESS, 16, 1}));
    EXPECT_EQ(window.messages.back(), (test::RecordedMessage{WM_BATCH_PROGRESS, 100, 1}));
    for (std::size_t i = 1; i < window.messages.size(); ++i)
        EXPECT_GT(window.messages[i].wParam, window.messages[i - 1].wParam);
}

TEST_F(Conversion, CancelAtFirstReplyKeepsOneValidBlock) {
    WriteWav(In(), kStereo16, SineSignal(kStereo16, 100000, 440.0, 0.5));
    RecordingWindow window([](std::size_t, const test::RecordedMessage&) { return -1; });
    ASSERT_EQ(Convert(48000, 100, &window), kCancelled);
    EXPECT_EQ(window.messages.size(), 1u);
    const auto out = LoadWav(Out());
    EXPECT_EQ(out.Frames(), 17760);
    EXPECT_TRUE(out.HeaderConsistent());
}

TEST_F(Conversion, SpeedChangesFrameCountNotTheRateField) {
    WriteWav(In(), kStereo16, SineSignal(kStereo16, 44100, 440.0, 0.5));
    ASSERT_EQ(Convert(44100, 200), kCompleted);
    const auto out = LoadWav(Out());
    EXPECT_EQ(out.format.sampleRate, 44100u);
    EXPECT_NEAR(out.Frames(), 22050, 1);
}

TEST_F(Conversion, EmptyDataGivesA44ByteFileAndNoProgress) {
    WriteWav(In(), kStereo16, {});
    RecordingWindow window;
    ASSERT_EQ(Convert(48000, 100, &window), kCompleted);
    const auto out = LoadWav(Out());
    EXPECT_EQ(out.fileSize, 44u);
    EXPECT_EQ(out.header.U32(wav_offset::kRiffSize), 36u);
    EXPECT_TRUE(window.messages.empty());
}

// Output frame counts for files that end in awkward places. Every file must be covered
// for its whole duration: about total * Q / P frames.
struct LengthRow {
    const char* what;
    std::int64_t frames;
    std::int64_t expectedOutputs;
};

// The name ctest lists the row under (else GoogleTest's dump of the row's bytes).
void PrintTo(const LengthRow& row, std::ostream* os) { *os << row.what; }

class FileLengths : public Conversion, public ::testing::WithParamInterface<LengthRow> {};

TEST_P(FileLengths, OutputCoversTheWholeInput) {
    const LengthRow& row = GetParam();
    WriteWav(In(), kStereo16, SineSignal(kStereo16, row.frames, 440.0, 0.5));
    ASSERT_EQ(Convert(48000), kCompleted);
    const auto out = LoadWav(Out());
    EXPECT_EQ(out.Frames(), row.expectedOutputs) << row.what;
    EXPECT_NEAR(static_cast<double>(out.Frames()), row.frames * 160.0 / 147.0, 1.0) << row.what;
}

INSTANTIATE_TEST_SUITE_P(
    AwkwardEnds, FileLengths,
    ::testing::Values(LengthRow{"one frame", 1, 2}, LengthRow{"shorter than a block", 1000, 1089},
                      LengthRow{"exactly one block", 16317, 17760},
                      LengthRow{"within the look-ahead of one block", 16330, 17775},
                      LengthRow{"one block plus the look-ahead", 16342, 17788},
                      // A later block starts with exactly f frames remaining.
                      LengthRow{"remaining equals f", 16342 + 16317, 17760 + 28 + 17760},
                      LengthRow{"one more than that", 16342 + 16318, 17760 + 17760 + 28 + 1}));

TEST_F(Conversion, LastFramesAreNeverDropped) {
    // Silence followed by 25 loud frames, ending where a block starts with exactly f frames
    // remaining: the loud tail must reach the output.
    for (std::int64_t frames :
         {std::int64_t{16342 + 16317}, std::int64_t{16342}, std::int64_t{600}}) {
        SampleValues samples = Constant(frames, 2, 0);
        std::fill(samples.end() - 50, samples.end(), 20000);
        WriteWav(In(), kStereo16, samples);
        ASSERT_EQ(Convert(48000), kCompleted);
        const auto out = LoadWav(Out());
        ASSERT_GT(out.samples.size(), 8u);
        for (std::size_t i = out.samples.size() - 8; i < out.samples.size(); ++i)
            EXPECT_NEAR(out.samples[i], 20000, 30) << frames << " frames, sample " << i;
    }
}

TEST_F(Conversion, VeryShortFilesHoldTheirLevelInEveryLayout) {
    // Fewer frames than the filter spans: the copies of the first and last frames fill the
    // span, so a constant input stays constant.
    for (SignalFormat format :
         {kStereo16, kMono8, SignalFormat{2, 8, 44100}, SignalFormat{1, 16, 44100}}) {
        const std::int32_t level = format.bitsPerSample == 16 ? -12345 : 200;
        for (std::int64_t frames = 1; frames <= 60; frames += 7) {
            WriteWav(In(), format, Constant(frames, format.channels, level));
            ASSERT_EQ(Convert(48000), kCompleted);
            const auto out = LoadWav(Out());
            ASSERT_EQ(out.Frames(), SingleBlockOutputs<std::int64_t>(frames, 147, 160)) << frames;
            // Each phase's gain is within 0.1 % of one.
            const double tolerance = format.bitsPerSample == 16 ? 16 : 1;
            for (std::int32_t v : out.samples) ASSERT_NEAR(v, level, tolerance) << frames;
        }
    }
}

TEST_F(Conversion, BytesBehindTheDataChunkNeverBecomeSamples) {
    const SampleValues samples = SineSignal(kStereo16, 30000, 440.0, 0.5);
    WriteWav(In(), kStereo16, samples);
    ASSERT_EQ(Convert(48000), kCompleted);
    const auto plain = ReadFileBytes(Out());

    auto withList = MakeWavBytes(kStereo16, samples);
    const std::vector<std::uint8_t> list = {'L',  'I',  'S',  'T',  8,    0,    0,    0,
                                            0xFF, 0x7F, 0xFF, 0x7F, 0x00, 0x80, 0x00, 0x80};
    for (int i = 0; i < 64; ++i) withList.insert(withList.end(), list.begin(), list.end());
    ASSERT_TRUE(WriteFileBytes(In(), withList));
    const ConversionSettings stripped{.targetRate = 48000, .speed = kNormalSpeed,
                                      .stripMetadata = true};
    ASSERT_EQ(ConvertFile(In(), nullptr, Out(), stripped).code, kCompleted);
    EXPECT_EQ(ReadFileBytes(Out()), plain);

    // Kept as metadata, the chunks follow the same samples; only the RIFF size grows.
    ASSERT_EQ(Convert(48000), kCompleted);
    auto carried = ReadFileBytes(Out());
    ASSERT_EQ(carried.size(), plain.size() + 64 * list.size());
    EXPECT_TRUE(std::equal(list.begin(), list.end(), carried.end() - list.size()));
    carried.resize(plain.size());
    std::copy(plain.begin() + 4, plain.begin() + 8, carried.begin() + 4);
    EXPECT_EQ(carried, plain);
}

TEST_F(Conversion, TruncatedDataConvertsTheWholeFramesPresent) {
    auto bytes = MakeWavBytes(kStereo16, SineSignal(kStereo16, 20000, 440.0, 0.5));
    bytes.resize(bytes.size() - 4 * 5000 - 3);  // 14999 whole frames and a partial one
    ASSERT_TRUE(WriteFileBytes(In(), bytes));
    ASSERT_EQ(Convert(48000), kCompleted);
    const auto out = LoadWav(Out());
    EXPECT_TRUE(out.HeaderConsistent());
    EXPECT_EQ(out.Frames(), SingleBlockOutputs(14999, 147, 160));
}

TEST_F(Conversion, PartialFrameAtTheEndIsIgnored) {
    auto bytes = MakeWavBytes(kStereo16, SineSignal(kStereo16, 1000, 440.0, 0.5));
    bytes.insert(bytes.end(), {1, 2, 3});
    bytes[40] += 3;  // the data chunk claims the three extra bytes
    ASSERT_TRUE(WriteFileBytes(In(), bytes));
    ASSERT_EQ(Convert(44100), kCompleted);
    EXPECT_EQ(LoadWav(Out()).Frames(), 1000);
}

TEST_F(Conversion, FullScaleSquareWaveIsClippedNotWrapped) {
    // Overshoot at the edges of a full-scale square wave exceeds the sample range; it must
    // saturate, never flip sign.
    for (SignalFormat format : {kStereo16, kMono8}) {
        const std::int32_t high = format.bitsPerSample == 16 ? 32767 : 255;
        const std::int32_t low = format.bitsPerSample == 16 ? -32768 : 0;
        const std::int32_t mid = format.bitsPerSample == 16 ? 0 : 128;
        SampleValues samples;
        for (int i = 0; i < 20000; ++i)
            for (int ch = 0; ch < format.channels; ++ch)
                samples.push_back((i / 50) % 2 == 0 ? high : low);
        WriteWav(In(), format, samples);
        ASSERT_EQ(Convert(48000), kCompleted);
        const auto out = LoadWav(Out());
        ASSERT_GT(out.Frames(), 21000);
        int clippedHigh = 0;
        for (std::int64_t m = 100; m < out.Frames() - 100; ++m) {
            const double pos = m * 147.0 / 160.0;
            const std::int64_t i = static_cast<std::int64_t>(pos);
            const int phase = static_cast<int>(i % 50);
            if (phase < 3 || phase > 46) continue;  // near an edge: the transition itself
            const bool upper = (i / 50) % 2 == 0;
            const std::int32_t v = out.samples[m * format.channels];
            if (upper) {
                ASSERT_GT(v, mid) << "flipped at output frame " << m;
                clippedHigh += v == high;
            } else {
                ASSERT_LT(v, mid) << "flipped at output frame " << m;
            }
        }
        EXPECT_GT(clippedHigh, 0) << "the overshoot should reach the ceiling";
    }
}

TEST(ReferencePacking, RoundsTiesAwayFromZeroAndSaturates) {
    const float in16[] = {2.5f, -2.5f, 2.4999f, 32767.5f, -32768.5f, 40000.0f, -1e9f, 0.5f};
    const std::int16_t want16[] = {3, -3, 2, 32767, -32768, 32767, -32768, 1};
    std::uint8_t raw[32] = {};
    kReferenceKernels.pack(SampleLayout::Mono16, in16, nullptr, 8, raw);
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(ReadInt16(raw + 2 * i), want16[i])
            << in16[i];

    // 8-bit: the value plus 128, rounded, limited to 0..255.
    const float in8[] = {127.5f, -128.6f, 0.5f, -0.5f, 300.0f, -1.4f};
    const std::uint8_t want8[] = {255, 0, 129, 128, 255, 127};
    kReferenceKernels.pack(SampleLayout::Mono8, in8, nullptr, 6, raw);
    for (int i = 0; i < 6; ++i) EXPECT_EQ(raw[i], want8[i]) << in8[i];

    // Stereo keeps left then right in each frame.
    const float left[] = {1.0f, -2.0f};
    const float right[] = {-40000.0f, 7.0f};
    kReferenceKernels.pack(SampleLayout::Stereo16, left, right, 2, raw);
    const std::int16_t wantStereo[] = {1, -32768, -2, 7};
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(ReadInt16(raw + 2 * i), wantStereo[i]);
}

TEST_F(Conversion, ExistingOutputIsReplaced) {
    WriteWav(In(), kStereo16, SineSignal(kStereo16, 5000, 440.0, 0.5));
    ASSERT_TRUE(WriteFileBytes(Out(), std::vector<std::uint8_t>(1 << 20, 0xAB)));
    ASSERT_EQ(Convert(48000), kCompleted);
    const auto out = LoadWav(Out());
    EXPECT_TRUE(out.HeaderConsistent());
    EXPECT_EQ(out.Frames(), SingleBlockOutputs(5000, 147, 160));
}

// Each input that cannot be opened says why, so the user knows what to fix.
TEST_F(Conversion, AnInputThatCannotBeOpenedNamesTheCause) {
    const std::filesystem::path fifo = dir.path() / "fifo.wav";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const std::filesystem::path locked = dir.path() / "locked.wav";
    WriteWav(locked, kStereo16, SineSignal(kStereo16, 500, 440.0, 0.5));
    ::chmod(locked.c_str(), 0);
    struct Row {
        std::filesystem::path input;
        ResultDetail detail;
    };
    const Row rows[] = {{In(), ResultDetail::kInputNotFound},
                        {dir.path(), ResultDetail::kInputIsFolder},
                        {fifo, ResultDetail::kInputNotRegularFile},
                        {locked, ResultDetail::kInputAccessDenied}};
    // Root reads any file: the unreadable one is tried as an ordinary user.
    const bool asRoot = ::geteuid() == 0;
    for (const Row& row : rows) {
        const bool switchUser = asRoot && row.detail == ResultDetail::kInputAccessDenied;
        if (switchUser) {
            ASSERT_EQ(::seteuid(65534), 0);
        }
        const ConversionOutcome outcome = ConvertFile(row.input, nullptr, Out(), {48000, kNormalSpeed});
        if (switchUser) {
            ASSERT_EQ(::seteuid(0), 0);
        }
        EXPECT_EQ(outcome.code, kInputOpenError) << row.input;
        EXPECT_EQ(outcome.detail, row.detail) << row.input;
    }
    EXPECT_FALSE(std::filesystem::exists(Out()));
}

TEST_F(Conversion, EachCauseOfAnUncreatableOutputIsNamedBeforeAnyWork) {
    WriteWav(In(), kStereo16, SineSignal(kStereo16, 100000, 440.0, 0.5));
    RecordingWindow window;
    auto refusal = [&](const std::filesystem::path& output, ConversionSettings settings) {
        const ConversionOutcome outcome = ConvertFile(In(), &window, output, settings);
        EXPECT_EQ(outcome.code, kOutputOpenError) << output;
        return outcome.detail;
    };
    EXPECT_EQ(refusal(dir / "no-such-folder" / "out.wav", {48000, kNormalSpeed}),
              ResultDetail::kFolderNotWritable);
    std::filesystem::create_directory(dir / "a-folder");
    EXPECT_EQ(refusal(dir / "a-folder", {48000, kNormalSpeed}), ResultDetail::kFolderNotWritable);
    EXPECT_EQ(refusal(Out(), {0, kNormalSpeed}), ResultDetail::kInvalidSettings);
    EXPECT_EQ(refusal(Out(), {48000, SpeedRatio{0, 1}}), ResultDetail::kInvalidSettings);
    EXPECT_EQ(refusal(dir / (std::string(300, 'n') + ".wav"), {48000, kNormalSpeed}),
              ResultDetail::kNameTooLong);
    EXPECT_TRUE(window.messages.empty());
    EXPECT_TRUE(std::filesystem::is_directory(dir / "a-folder"));
    std::filesystem::remove(dir / "a-folder");
    ExpectOnlyInputLeft();
}

TEST_F(Conversion, CancelNeverReplacesAnEarlierOutput) {
    WriteWav(In(), kStereo16, SineSignal(kStereo16, 100000, 440.0, 0.5));
    const std::vector<std::uint8_t> earlier = {1, 2, 3, 4, 5};
    ASSERT_TRUE(WriteFileBytes(Out(), earlier));
    RecordingWindow window([](std::size_t, const test::RecordedMessage&) { return -1; });
    const ConversionOutcome outcome = ConvertFile(In(), &window, Out(), {48000, kNormalSpeed});
    EXPECT_EQ(outcome.code, kCancelled);
    EXPECT_EQ(outcome.detail, ResultDetail::kEarlierOutputKept);
    EXPECT_EQ(ReadFileBytes(Out()), earlier);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 2);
}

// The high-quality mode keeps the same contract: progress after each chunk, a cancel keeps
// what was converted as a valid file, but never in place of an earlier one.
TEST_F(Conversion, HighQualityCancelKeepsTheSameContract) {
    WriteWav(In(), kStereo16, SineSignal(kStereo16, 100000, 440.0, 0.5));
    const ConversionSettings high{48000, kNormalSpeed, ConversionQuality::kHigh};
    RecordingWindow cancelAtOnce([](std::size_t, const test::RecordedMessage&) { return -1; });
    const ConversionOutcome partial = ConvertFile(In(), &cancelAtOnce, Out(), high);
    EXPECT_EQ(partial.code, kCancelled);
    EXPECT_EQ(partial.detail, ResultDetail::kNone);
    ASSERT_EQ(cancelAtOnce.messages.size(), 1u);
    const auto kept = test::LoadWav(Out());
    EXPECT_TRUE(kept.HeaderConsistent());
    EXPECT_GT(kept.Frames(), 0);
    EXPECT_LT(kept.Frames(), 108844);  // round(100000 x 48000 / 44100), the whole file

    const std::vector<std::uint8_t> earlier = ReadFileBytes(Out());
    const ConversionOutcome again = ConvertFile(In(), &cancelAtOnce, Out(), high);
    EXPECT_EQ(again.detail, ResultDetail::kEarlierOutputKept);
    EXPECT_EQ(ReadFileBytes(Out()), earlier);

    RecordingWindow window;
    ASSERT_EQ(ConvertFile(In(), &window, Out(), high).code, kCompleted);
    EXPECT_EQ(window.messages.back().wParam, 100u);
    EXPECT_EQ(test::LoadWav(Out()).Frames(), 108844);
}

TEST_F(Conversion, OutputTakesTheInputsModeAndAReplacedFileKeepsItsOwn) {
    namespace fs = std::filesystem;
    WriteWav(In(), kStereo16, SineSignal(kStereo16, 1000, 440.0, 0.5));
    fs::permissions(In(), fs::perms::owner_read | fs::perms::owner_write);
    ASSERT_EQ(Convert(48000), kCompleted);
    EXPECT_EQ(fs::status(Out()).permissions(), fs::perms::owner_read | fs::perms::owner_write);
    const fs::perms shared = fs::perms::owner_read | fs::perms::owner_write |
                             fs::perms::group_read | fs::perms::others_read;
    fs::permissions(Out(), shared);
    ASSERT_EQ(Convert(44100), kCompleted);
    EXPECT_EQ(fs::status(Out()).permissions(), shared);
}

TEST_F(Conversion, InputShrinkingMidFileGivesReadErrorAndNoOutput) {
    WriteWav(In(), kStereo16, SineSignal(kStereo16, 100000, 440.0, 0.5));
    const std::vector<std::uint8_t> precious = {9, 9, 9};
    ASSERT_TRUE(WriteFileBytes(Out(), precious));
    RecordingWindow window([this](std::size_t index, const test::RecordedMessage&) {
        if (index == 0) std::filesystem::resize_file(In(), 44 + 4 * 20000);
        return 0;
    });
    EXPECT_EQ(Convert(48000, 100, &window), kInputReadError);
    EXPECT_EQ(ReadFileBytes(Out()), precious);
}

// A ratio whose filter or blocks would pass the design's bound is refused for that, not
// as memory running out: 2^31 - 1 Hz reduces with nothing (the block would need
// gigabytes), 44101 Hz at 101 % gives 4454201:4800000 (4.8 million phases).
TEST_F(Conversion, UnmanageableRatioIsRefusedForItsFilterAndLeavesNoOutput) {
    auto bytes = MakeWavBytes(kStereo16, SampleValues(400, 0));
    struct Row {
        std::uint32_t rate;
        std::int32_t speed;
    };
    for (const auto [rate, speed] : {Row{0x7FFFFFFFu, 100}, Row{44101u, 101}}) {
        for (int i = 0; i < 4; ++i) bytes[24 + i] = static_cast<std::uint8_t>(rate >> (8 * i));
        ASSERT_TRUE(WriteFileBytes(In(), bytes));
        const ConversionOutcome outcome = ConvertFile(In(), nullptr, Out(), {48000, SpeedFromPercent(speed)});
        EXPECT_EQ(outcome.code, kOutputOpenError) << rate;
        EXPECT_EQ(outcome.detail, ResultDetail::kFilterTooLarge) << rate;
        ExpectOnlyInputLeft();
    }
}

TEST_F(Conversion, WriteFailureGivesWriteErrorAndKeepsTheOldOutput) {
    // A file size limit makes the writes fail part way, as a full disk would.
    WriteWav(In(), kStereo16, SineSignal(kStereo16, 200000, 440.0, 0.5));
    const std::vector<std::uint8_t> precious = {7, 7, 7, 7};
    ASSERT_TRUE(WriteFileBytes(Out(), precious));
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::signal(SIGXFSZ, SIG_IGN);
        struct rlimit limit {
            100000, 100000
        };
        ::setrlimit(RLIMIT_FSIZE, &limit);
        _exit(Convert(48000) == kOutputWriteError ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(ReadFileBytes(Out()), precious);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 2);
}

}  // namespace
}  // namespace zel
