// The level stage: automatic headroom leaves no sample clipped yet lowers the gain no more
// than needed, loudness targets are met under the true-peak ceiling, and a cancel while
// measuring leaves no output.

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <numbers>
#include <optional>
#include <string_view>
#include <vector>

#if ZEL_TEST_EBUR128
#include <ebur128.h>
#endif

#include "batch/batch_job.h"
#include "batch/batch_thread_proc.h"
#include "engine/convert/convert_file.h"
#include "engine/convert/loudness_meter.h"
#include "tests/support/recording_window.h"
#include "tests/support/temp_dir.h"
#include "tests/support/wav_reader.h"

namespace zel {
namespace {

constexpr std::uint32_t kRate = 44100;
constexpr std::int64_t kFrames = 3 * kRate;
constexpr double kFullScale = 32767.0;

// A quarter-rate sine sampled 45 degrees off its crests: every sample at full scale while
// the wave between them rises 3 dB above it.
double InterSamplePeaks(std::int64_t i) {
    return std::sqrt(2.0) * std::sin(std::numbers::pi * (i / 2.0 + 0.25));
}

// Stereo 16-bit: a sine of `amplitude`, or nothing but inter-sample peaks, or the sine with
// a 5 ms burst of them every half second (a crest factor a loudness gain cannot follow).
enum class Kind { kSine, kInterSamplePeaks, kSineWithBursts };

SampleValues Signal(Kind kind, double hertz, double amplitude) {
    constexpr std::int64_t kBurstEvery = kRate / 2, kBurstFrames = kRate / 200;
    SampleValues values;
    for (std::int64_t i = 0; i < kFrames; ++i) {
        const double t = static_cast<double>(i) / kRate;
        const bool burst = kind == Kind::kInterSamplePeaks ||
                           (kind == Kind::kSineWithBursts && i % kBurstEvery < kBurstFrames);
        const double v = burst ? InterSamplePeaks(i)
                               : amplitude * std::sin(2 * std::numbers::pi * hertz * t);
        const auto s = static_cast<std::int32_t>(std::lround(std::clamp(v, -1.0, 1.0) * kFullScale));
        values.push_back(s);
        values.push_back(s);
    }
    return values;
}

ConversionOutcome Convert(const std::filesystem::path& in, const std::filesystem::path& out,
                          std::int32_t rate, std::int32_t speed, ConversionQuality quality,
                          LevelSettings level, ConversionProgress* progress = nullptr) {
    ConversionSettings settings{.targetRate = rate, .speed = SpeedFromPercent(speed), .quality = quality};
    settings.level = level;
    return ConvertFile(in, progress, out, settings);
}

struct HeadroomRow {
    const char* name;
    Kind kind;
    std::int32_t rate;
    std::int32_t speed;
    ConversionQuality quality;
};

// The name ctest lists the row under (else GoogleTest's dump of the row's bytes).
void PrintTo(const HeadroomRow& row, std::ostream* os) { *os << row.name; }

class Headroom : public ::testing::TestWithParam<HeadroomRow> {};

// No clipped sample, and 0.1 dB more gain would clip: the gain is no lower than needed.
TEST_P(Headroom, NothingClipsAndTheGainIsTight) {
    const HeadroomRow& row = GetParam();
    test::TempDir dir;
    test::WriteWav(dir / "in.wav", {2, 16, kRate}, Signal(row.kind, 1000, 1.0));
    const ConversionOutcome automatic =
        Convert(dir / "in.wav", dir / "auto.wav", row.rate, row.speed, row.quality,
                {.headroomAuto = true});
    ASSERT_EQ(automatic.code, kCompleted);
    EXPECT_EQ(automatic.clippedSamples, 0);
    EXPECT_LT(automatic.level.gainDb, 0.0);
    const ConversionOutcome louder =
        Convert(dir / "in.wav", dir / "louder.wav", row.rate, row.speed, row.quality,
                {.gainDb = automatic.level.gainDb + 0.1});
    ASSERT_EQ(louder.code, kCompleted);
    EXPECT_GT(louder.clippedSamples, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, Headroom,
    ::testing::Values(
        HeadroomRow{"peaks between samples, 44.1 -> 48 kHz", Kind::kInterSamplePeaks, 48000, 100,
                    ConversionQuality::kStandard},
        HeadroomRow{"peaks between samples, 150 %", Kind::kInterSamplePeaks, 48000, 150, ConversionQuality::kHigh},
        HeadroomRow{"full-scale 1 kHz sine, 44.1 -> 96 kHz", Kind::kSine, 96000, 100,
                    ConversionQuality::kBest}));

// The integrated loudness and true peak of a converted 16-bit stereo file.
LoudnessReading Measured(const std::filesystem::path& path) {
    const test::LoadedWav wav = test::LoadWav(path);
    EXPECT_TRUE(wav.ok);
    std::vector<float> floats;
    for (std::int32_t v : wav.samples) floats.push_back(static_cast<float>(v / 32768.0));
    LoudnessMeter meter;
    EXPECT_TRUE(meter.Start(2, wav.format.sampleRate));
    meter.Add(floats.data(), floats.size() / 2);
    return meter.Reading();
}

struct LoudnessRow {
    double target;
    const char* name;
    Kind kind;
    double amplitude;
    // Whether the -1 dBTP ceiling must hold the gain back.
    bool ceilingLimits;
};

void PrintTo(const LoudnessRow& row, std::ostream* os) { *os << row.target << " LUFS, " << row.name; }

class Loudness : public ::testing::TestWithParam<LoudnessRow> {};

TEST_P(Loudness, MeetsTheTargetUnderTheCeiling) {
    if (!LoudnessMeter::Available()) GTEST_SKIP() << "built without libebur128";
    const LoudnessRow& row = GetParam();
    test::TempDir dir;
    test::WriteWav(dir / "in.wav", {2, 16, kRate},
                   Signal(row.kind, 997, row.amplitude));
    const ConversionOutcome outcome =
        Convert(dir / "in.wav", dir / "out.wav", 48000, 100, ConversionQuality::kHigh,
                {.loudnessTarget = row.target});
    ASSERT_EQ(outcome.code, kCompleted);
    EXPECT_EQ(outcome.level.ceilingLimited, row.ceilingLimits);
    const LoudnessReading after = Measured(dir / "out.wav");
    const double truePeakDb = 20 * std::log10(after.truePeak);
    EXPECT_LE(truePeakDb, -1.0 + 0.01);
    if (!row.ceilingLimits) EXPECT_NEAR(after.integrated, row.target, 0.1);
    else EXPECT_LT(after.integrated, row.target);
    EXPECT_NEAR(after.integrated, outcome.level.loudnessAfter, 0.1);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, Loudness,
    ::testing::Values(
        LoudnessRow{-23, "quiet sine at -40 dBFS", Kind::kSine, 0.01, false},
        LoudnessRow{-16, "loud sine at -3 dBFS", Kind::kSine, 0.708, false},
        LoudnessRow{-23, "full scale, peaks +3 dB between samples", Kind::kInterSamplePeaks,
                    1.0, false},
        LoudnessRow{-14, "quiet sine with +3 dBTP bursts", Kind::kSineWithBursts, 0.02,
                    true}));

// A 16-bit stereo WAV file with a version 1 bext chunk before its data.
std::vector<std::uint8_t> WavWithBext(const SampleValues& values) {
    constexpr std::size_t kBextBytes = 602;
    std::vector<std::uint8_t> bytes;
    auto text = [&](const char* four) {
        for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<std::uint8_t>(four[i]));
    };
    auto le = [&](std::uint32_t v, int n) {
        for (int i = 0; i < n; ++i) bytes.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
    };
    const auto dataBytes = static_cast<std::uint32_t>(values.size() * 2);
    text("RIFF");
    le(4 + 24 + 8 + kBextBytes + 8 + dataBytes, 4);
    text("WAVE");
    text("fmt ");
    le(16, 4), le(1, 2), le(2, 2), le(kRate, 4), le(kRate * 4, 4), le(4, 2), le(16, 2);
    text("bext");
    le(kBextBytes, 4);
    std::vector<std::uint8_t> bext(kBextBytes, 0);
    bext[346] = 1;  // version 1: no loudness fields
    bytes.insert(bytes.end(), bext.begin(), bext.end());
    text("data");
    le(dataBytes, 4);
    for (std::int32_t v : values) le(static_cast<std::uint32_t>(v), 2);
    return bytes;
}

// A little-endian 16-bit field of the output's bext chunk, at `offset` in its payload.
std::int16_t BextField(const std::vector<std::uint8_t>& file, std::size_t offset) {
    const std::string_view all(reinterpret_cast<const char*>(file.data()), file.size());
    const std::size_t at = all.find("bext");
    EXPECT_NE(at, std::string_view::npos);
    if (at == std::string_view::npos) return 0;
    const std::size_t field = at + 8 + offset;
    return static_cast<std::int16_t>(file[field] | (file[field + 1] << 8));
}

// A carried bext chunk states the output's loudness (BWF version 2), not the input's.
TEST(LevelBext, CarriesTheOutputsLoudness) {
    if (!LoudnessMeter::Available()) GTEST_SKIP() << "built without libebur128";
    test::TempDir dir;
    ASSERT_TRUE(WriteFileBytes(dir / "in.wav", WavWithBext(Signal(Kind::kSine, 997, 0.1))));
    const ConversionOutcome outcome = Convert(dir / "in.wav", dir / "out.wav", 48000, 100,
                                              ConversionQuality::kHigh,
                                              {.loudnessTarget = -23.0});
    ASSERT_EQ(outcome.code, kCompleted);
    const std::vector<std::uint8_t> out = ReadFileBytes(dir / "out.wav");
    EXPECT_EQ(BextField(out, 346), 2);
    EXPECT_EQ(BextField(out, 412), -2300);
    EXPECT_EQ(BextField(out, 416), std::lround(outcome.level.truePeakAfter * 100));
    EXPECT_EQ(BextField(out, 414), 0x7FFF);  // loudness range: not measured
}

#if ZEL_TEST_EBUR128
// The loudness of converted 16-bit stereo files taken together, by libebur128's own
// combination of one meter per file, every block kept: a reference apart from the one meter
// with a histogram that the conversion uses.
double AlbumLoudnessOf(const std::vector<std::filesystem::path>& outputs) {
    std::vector<ebur128_state*> meters;
    for (const std::filesystem::path& path : outputs) {
        const test::LoadedWav wav = test::LoadWav(path);
        EXPECT_TRUE(wav.ok) << path;
        ebur128_state* meter = ebur128_init(2, wav.format.sampleRate, EBUR128_MODE_I);
        std::vector<float> floats;
        for (std::int32_t v : wav.samples) floats.push_back(static_cast<float>(v / 32768.0));
        ebur128_add_frames_float(meter, floats.data(), floats.size() / 2);
        meters.push_back(meter);
    }
    double loudness = 0.0;
    ebur128_loudness_global_multiple(meters.data(), meters.size(), &loudness);
    for (ebur128_state*& meter : meters) ebur128_destroy(&meter);
    return loudness;
}
#endif

struct AlbumTrack {
    const char* folder;
    Kind kind;
    double amplitude;
};

struct AlbumRow {
    const char* name;
    // None: automatic headroom alone.
    std::optional<double> target;
    std::int32_t rate;
    std::vector<AlbumTrack> tracks;
    // Whether the -1 dBTP ceiling of one track must hold the album's gain back.
    bool ceilingLimits;
};

void PrintTo(const AlbumRow& row, std::ostream* out) { *out << row.name; }

class Album : public ::testing::TestWithParam<AlbumRow> {};

// Every track of a folder takes the same gain, so their differences stay; the album as a
// whole meets the target (or, held by a track's true peak, falls short of it), and no track
// passes the ceiling or clips.
TEST_P(Album, OneGainPerFolderMeetsTheTargetUnderTheCeiling) {
    const AlbumRow& row = GetParam();
    if (row.target && !LoudnessMeter::Available()) GTEST_SKIP() << "built without libebur128";
    test::TempDir dir;
    std::vector<std::string> inputs;
    for (const AlbumTrack& track : row.tracks) {
        std::filesystem::create_directories(dir / track.folder);
        const std::filesystem::path path =
            dir / track.folder / ("track" + std::to_string(inputs.size()) + ".wav");
        test::WriteWav(path, {2, 16, kRate}, Signal(track.kind, 997, track.amplitude));
        inputs.push_back(path.string());
    }
    BatchJob job;
    job.SetFiles(inputs);
    job.m_suffix = "_album";
    ConversionSettings settings{.targetRate = row.rate, .quality = ConversionQuality::kHigh};
    settings.level = {.headroomAuto = !row.target, .loudnessTarget = row.target, .album = true};
    job.SetConversion(settings);
    job.m_pauseFunction = nullptr;
    BatchThreadProc(job);

    std::map<std::string, std::vector<std::size_t>> folders;
    for (std::size_t i = 0; i < row.tracks.size(); ++i) folders[row.tracks[i].folder].push_back(i);
    for (const auto& [folder, tracks] : folders) {
        SCOPED_TRACE(folder);
        std::vector<std::filesystem::path> outputs;
        const ConversionOutcome first = job.Outcome(static_cast<std::int32_t>(tracks.front()));
        for (std::size_t i : tracks) {
            const ConversionOutcome outcome = job.Outcome(static_cast<std::int32_t>(i));
            ASSERT_EQ(outcome.code, kCompleted) << i;
            EXPECT_EQ(outcome.level.gainDb, first.level.gainDb) << i;
            EXPECT_EQ(outcome.level.albumFiles, static_cast<int>(tracks.size()));
            EXPECT_EQ(outcome.level.ceilingLimited, row.ceilingLimits);
            EXPECT_EQ(outcome.clippedSamples, 0) << i;
            outputs.push_back(dir / folder / ("track" + std::to_string(i) + "_album.wav"));
            if (!row.target) continue;
            const LoudnessReading after = Measured(outputs.back());
            EXPECT_LE(20 * std::log10(after.truePeak), -1.0 + 0.01) << i;
            // The balance: each track moved by the album's gain, as measured.
            EXPECT_NEAR(after.integrated - outcome.level.loudnessBefore, first.level.gainDb, 0.1)
                << i;
        }
        if (!row.target) {
            EXPECT_LT(first.level.gainDb, 0.0);
            continue;
        }
#if ZEL_TEST_EBUR128
        const double album = AlbumLoudnessOf(outputs);
        if (!row.ceilingLimits) EXPECT_NEAR(album, *row.target, 0.1);
        else EXPECT_LT(album, *row.target - 0.1);
        EXPECT_NEAR(album, first.level.albumLoudnessAfter, 0.1);
#endif
    }
}

INSTANTIATE_TEST_SUITE_P(
    Rows, Album,
    ::testing::Values(
        AlbumRow{"-23 LUFS, tracks 20 dB apart", -23.0, 48000,
                 {{"cd", Kind::kSine, 0.03}, {"cd", Kind::kSine, 0.3}, {"cd", Kind::kSine, 0.1}},
                 false},
        AlbumRow{"-16 LUFS at 96 kHz, two folders whose files alternate in the list", -16.0,
                 96000,
                 {{"a", Kind::kSine, 0.05}, {"b", Kind::kSine, 0.5}, {"a", Kind::kSine, 0.01},
                  {"b", Kind::kSine, 0.2}},
                 false},
        AlbumRow{"-14 LUFS, one track's +3 dBTP bursts hold the album back", -14.0, 48000,
                 {{"live", Kind::kSine, 0.05}, {"live", Kind::kSineWithBursts, 0.02}},
                 true},
        AlbumRow{"headroom alone: the quiet track is lowered with the one that would clip",
                 std::nullopt, 48000,
                 {{"ep", Kind::kSine, 0.1}, {"ep", Kind::kInterSamplePeaks, 1.0}}, false}));

class CancelFirstRead : public ConversionProgress {
  public:
    bool Continue(std::int64_t) override { return false; }
};

TEST(LevelCancel, WhileMeasuringLeavesNoOutput) {
    test::TempDir dir;
    test::WriteWav(dir / "in.wav", {2, 16, kRate}, Signal(Kind::kSine, 1000, 0.5));
    CancelFirstRead cancel;
    const ConversionOutcome outcome = Convert(dir / "in.wav", dir / "out.wav", 48000, 100,
                                              ConversionQuality::kStandard,
                                              {.headroomAuto = true}, &cancel);
    EXPECT_EQ(outcome.code, kCancelled);
    EXPECT_EQ(outcome.detail, ResultDetail::kCancelledWhileMeasuring);
    EXPECT_FALSE(std::filesystem::exists(dir / "out.wav"));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
}

// A cancel while the album is measured, here during its second file: the album's first
// reads have filled no more than the first half of the bar, in order, and none of its
// files has an output.
TEST(LevelCancel, WhileMeasuringAnAlbumLeavesNoOutputOfIt) {
    test::TempDir dir;
    std::vector<std::string> inputs;
    for (double amplitude : {0.5, 0.05, 0.2}) {
        inputs.push_back((dir / ("track" + std::to_string(inputs.size()) + ".wav")).string());
        test::WriteWav(inputs.back(), {2, 16, kRate}, Signal(Kind::kSine, 997, amplitude));
    }
    test::RecordingWindow window([](std::size_t, const test::RecordedMessage& m) {
        const bool secondFile = m.lParam == kCurrentFileBar && m.wParam >= 20;
        return secondFile ? kCancelAnswer : std::intptr_t{0};
    });
    BatchJob job;
    job.SetFiles(inputs);
    job.m_suffix = "_album";
    ConversionSettings settings{.targetRate = 48000};
    settings.level = {.headroomAuto = true, .album = true};
    job.SetConversion(settings);
    job.m_pauseFunction = nullptr;
    job.m_window = &window;
    BatchThreadProc(job);

    EXPECT_EQ(job.ProcessedFileCount(), 1);
    EXPECT_EQ(job.Outcome(0).code, kCancelled);
    EXPECT_EQ(job.Outcome(0).detail, ResultDetail::kCancelledWhileMeasuring);
    std::uintptr_t last = 0;
    for (const test::RecordedMessage& m : window.messages) {
        if (m.message != WM_BATCH_PROGRESS || m.lParam != kCurrentFileBar) continue;
        EXPECT_GE(m.wParam, last);
        EXPECT_LE(m.wParam, 50u);
        last = m.wParam;
    }
    EXPECT_GE(last, 20u);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 3);
}

}  // namespace
}  // namespace zel
