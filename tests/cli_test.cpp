// zel-cli as a user runs it: refusals with the batch's messages and status 2, one result
// line per file, status 1 when some file failed.

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <filesystem>
#include <limits>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "engine/base/byte_order.h"
#include "engine/base/file_byte_source.h"
#include "engine/wav/wav_chunk_reader.h"
#include "tests/support/riff_builder.h"
#include "tools/synthetic_wav.h"
#include "tests/support/child_process.h"
#include "tests/support/temp_dir.h"
#include "tests/support/wav_reader.h"

namespace zel {
namespace {

using Args = std::vector<std::string>;

std::string Joined(const Args& args) {
    std::string text;
    for (const std::string& a : args) text += (text.empty() ? "" : " ") + a;
    return text;
}

// Runs zel-cli with `locale` as LANG and LC_ALL, LC_MESSAGES removed.
test::ChildOutcome RunCli(const Args& args, const test::TempDir& scratch,
                          const std::string& locale = "C") {
    Args command = {"/usr/bin/env", "-u", "LC_ALL", "-u", "LC_MESSAGES", "LANG=" + locale,
                    ZEL_CLI_PATH};
    command.insert(command.end(), args.begin(), args.end());
    test::ChildOptions options;
    options.scratchFolder = scratch.path();
    return test::RunChild(command, options);
}

class Cli : public ::testing::Test {
protected:
    std::string MakeInput(const std::string& name, std::int64_t frames = 4410) {
        const auto path = dir / name;
        test::WriteWav(path, {2, 16, 44100}, SineSignal({2, 16, 44100}, frames, 440.0, 0.5));
        return path.string();
    }
    test::TempDir dir;
    test::TempDir scratch;
};

TEST_F(Cli, RefusesBadSettingsWithTheBatchMessagesInOrder) {
    const std::string file = MakeInput("a.wav");
    struct Row {
        Args args;
        const char* message;
    };
    const Row rows[] = {
        {{"--suffix", ""}, "入力ファイルが指定されていません"},
        {{"--suffix", "", "--rate", "1", file}, "サフィックスが指定されていません"},
        {{"--rate", "7999", file}, "サンプリング周波数が不適切です"},
        {{"--rate", "96001", file}, "サンプリング周波数が不適切です"},
        {{"--rate", "", file}, "サンプリング周波数が不適切です"},
        {{"--rate", "Hz", file}, "サンプリング周波数が不適切です"},
        {{"--speed", "49", file}, "再生速度が不適切です"},
        {{"--speed", "201", file}, "再生速度が不適切です"},
        {{"--speed", "1.5", file}, "再生速度が不適切です"},
        {{"--speed", "3/1", file}, "再生速度が不適切です"},
        {{"--speed", "25/0", file}, "再生速度が不適切です"},
        // In range, but its terms in lowest terms pass 10^6: the message names the terms.
        {{"--speed", "95.9040001", file}, "再生速度の比の項が大きすぎます"},
        {{"--speed", "1000001/1000000", file}, "再生速度の比の項が大きすぎます"},
        {{"--rate", "keeps", file}, "サンプリング周波数が不適切です"},
        {{"--simd", "9", file}, "unknown SIMD level"},
        {{"--frobnicate", file}, "unknown option"},
        {{"--rate"}, "needs a value"},
        {{"--album", file}, "--album needs --loudness or --headroom auto"},
    };
    for (const Row& row : rows) {
        const test::ChildOutcome r = RunCli(row.args, scratch);
        EXPECT_EQ(r.exitStatus, 2) << Joined(row.args);
        EXPECT_NE(r.err.find(row.message), std::string::npos) << Joined(row.args) << ": " << r.err;
        EXPECT_TRUE(r.out.empty()) << Joined(row.args);
    }
    EXPECT_FALSE(std::filesystem::exists(dir / "a_ZEL.wav"));
}

TEST_F(Cli, ConvertsEachFileAndPrintsOneLineInOrder) {
    const std::string a = MakeInput("a.wav");
    const std::string b = MakeInput("b.wav");
    const test::ChildOutcome r =
        RunCli({"--quiet", "--rate", "48000Hz", "--suffix", " x", b, a}, scratch);
    EXPECT_EQ(r.exitStatus, 0) << r.err;
    EXPECT_EQ(r.out, b + "\t0\t正常終了\n" + a + "\t0\t正常終了\n");
    const auto out = test::LoadWav(dir / "a x.wav");
    EXPECT_EQ(out.format.sampleRate, 48000u);
    EXPECT_TRUE(out.HeaderConsistent());
}

TEST_F(Cli, ReportsFailuresPerFileAndExitsWithOne) {
    const std::string good = MakeInput("good.wav");
    const auto bad = dir / "bad.wav";
    ASSERT_TRUE(WriteFileBytes(bad, {'R', 'I', 'F', 'F'}));
    const std::string missing = (dir / "missing.wav").string();
    const test::ChildOutcome r = RunCli({"-q", missing, bad.string(), good}, scratch);
    EXPECT_EQ(r.exitStatus, 1);
    // A refusal names its reason in brackets.
    EXPECT_EQ(r.out, missing + "\t-1\t入力ファイルオープンエラー（ファイルが見つかりません）\n" +
                         bad.string() +
                         "\t-2\t入力ファイルフォーマットエラー（ヘッダーが途中で切れています）\n" +
                         good + "\t0\t正常終了\n");
}

// The value of `field=` on a result line; empty when the line has none.
std::string FieldOf(const std::string& line, const std::string& field) {
    const std::size_t at = line.find("\t" + field + "=");
    if (at == std::string::npos) return {};
    const std::size_t from = at + field.size() + 2;
    return line.substr(from, line.find('\t', from) - from);
}

// --album gives every file of a folder one gain, whether the folders' files stand together
// or alternate in the list, and however many workers share the list.
TEST_F(Cli, AlbumGainIsOnePerFolderWhateverTheJobsAndOrder) {
    std::filesystem::create_directories(dir / "a");
    std::filesystem::create_directories(dir / "b");
    const auto track = [&](const char* name, double amplitude) {
        const auto path = dir / name;
        test::WriteWav(path, {2, 16, 44100}, SineSignal({2, 16, 44100}, 44100, 997, amplitude));
        return path.string();
    };
    const std::string a1 = track("a/1.wav", 0.05), a2 = track("a/2.wav", 0.5);
    const std::string b1 = track("b/1.wav", 0.02), b2 = track("b/2.wav", 0.2);
    struct Row {
        const char* jobs;
        std::vector<std::string> files;
    };
    const Row rows[] = {{"1", {a1, a2, b1, b2}}, {"3", {a1, a2, b1, b2}}, {"3", {a1, b1, a2, b2}}};
    for (const Row& row : rows) {
        Args args = {"-q", "--loudness", "-20", "--album", "--jobs", row.jobs};
        args.insert(args.end(), row.files.begin(), row.files.end());
        const test::ChildOutcome r = RunCli(args, scratch);
        SCOPED_TRACE(Joined(args));
        ASSERT_EQ(r.exitStatus, 0) << r.err;
        std::map<std::string, std::string> gains;
        std::istringstream lines(r.out);
        int count = 0;
        for (std::string line; std::getline(lines, line); ++count) {
            const std::string folder = std::filesystem::path(line.substr(0, line.find('\t')))
                                           .parent_path().filename().string();
            EXPECT_EQ(FieldOf(line, "album_files"), "2") << line;
            EXPECT_NE(FieldOf(line, "album_loudness").find(">-20.00LUFS"), std::string::npos)
                << line;
            const auto [known, added] = gains.try_emplace(folder, FieldOf(line, "gain"));
            EXPECT_EQ(known->second, FieldOf(line, "gain")) << line;
        }
        EXPECT_EQ(count, 4);
        ASSERT_EQ(gains.size(), 2u);
        EXPECT_NE(gains["a"], gains["b"]);
    }
}

// --album --shard: an album goes whole to one part, and the folders given spread over the
// parts.
TEST_F(Cli, AnAlbumStaysWholeInOneShard) {
    for (const char* folder : {"a", "b"}) {
        std::filesystem::create_directories(dir / folder);
        for (const char* name : {"1.wav", "2.wav"})
            test::WriteWav(dir / folder / name, {2, 16, 44100},
                           SineSignal({2, 16, 44100}, 22050, 997, 0.3));
    }
    std::vector<std::string> parts;
    for (const char* shard : {"0/2", "1/2"}) {
        const test::ChildOutcome r =
            RunCli({"-q", "-r", "--loudness", "-20", "--album", "--shard", shard,
                    (dir / "a").string(), (dir / "b").string()},
                   scratch);
        ASSERT_EQ(r.exitStatus, 0) << r.err;
        std::string folders;
        std::istringstream lines(r.out);
        for (std::string line; std::getline(lines, line);) {
            folders += std::filesystem::path(line.substr(0, line.find('\t')))
                           .parent_path().filename().string();
            EXPECT_EQ(FieldOf(line, "album_files"), "2") << line;
        }
        parts.push_back(folders);
    }
    std::sort(parts.begin(), parts.end());
    EXPECT_EQ(parts, (std::vector<std::string>{"aa", "bb"}));
}

TEST_F(Cli, HalfSpeedDoublesTheLength) {
    const std::string a = MakeInput("a.wav", 44100);
    const test::ChildOutcome r =
        RunCli({"-q", "--simd", "0", "--rate", "44100", "--speed", "50", a}, scratch);
    ASSERT_EQ(r.exitStatus, 0) << r.err;
    EXPECT_NEAR(test::LoadWav(dir / "a_ZEL.wav").Frames(), 88200, 1);
}

// A speed typed as a decimal percent or an exact ratio, with a new rate or the input's
// own: the length is the exact ratio's, rounded once (round(frames x rate / (44100 x speed))).
TEST_F(Cli, ExactSpeedsGiveTheExactRatiosLength) {
    constexpr std::int64_t kFrames = 100000;
    const auto input = dir / "in.wav";
    test::WriteWav(input, {2, 16, 44100}, SineSignal({2, 16, 44100}, kFrames, 440.0, 0.5));
    struct Row {
        const char* speed;
        const char* rate;
        std::uint32_t outputRate;
        std::int64_t frames;
    };
    const Row rows[] = {
        {"25/24", "keep", 44100, 96000},         {"24000/25025", "48000", 48000, 113492},
        {"95.904", "keep", 44100, 104271},       {"1001/1000", "48000", 48000, 108735},
        {"432/440", "keep", 44100, 101852},      {"100", "keep", 44100, 100000},
        {"200", "22050", 22050, 25000},          {"50.0", "96000", 96000, 435374},
    };
    for (const Row& row : rows) {
        const std::string what = std::string(row.speed) + " at " + row.rate;
        const test::ChildOutcome r = RunCli(
            {"-q", "--quality", "high", "--rate", row.rate, "--speed", row.speed, input.string()},
            scratch);
        ASSERT_EQ(r.exitStatus, 0) << what << ": " << r.err;
        const test::LoadedWav out = test::LoadWav(dir / "in_ZEL.wav");
        EXPECT_EQ(out.format.sampleRate, row.outputRate) << what;
        EXPECT_EQ(out.Frames(), row.frames) << what;
    }
}

TEST_F(Cli, HighAndBestQualityHaveTheExactLengthAndReportClipping) {
    const std::string quiet = MakeInput("quiet.wav", 44100);
    const auto loud = dir / "loud.wav";
    // Full-scale edges overshoot once band-limited, so some samples must be saturated.
    SampleValues square(2 * 44100);
    for (std::size_t i = 0; i < square.size(); ++i) square[i] = (i / 2 / 50) % 2 ? 32767 : -32768;
    test::WriteWav(loud, {2, 16, 44100}, square);
    for (const char* quality : {"high", "best"}) {
        SCOPED_TRACE(quality);
        const std::string suffix = std::string("_") + quality;
        const test::ChildOutcome r =
            RunCli({"-q", "--quality", quality, "--suffix", suffix, "--rate", "48000", "--speed",
                    "73", quiet, loud.string()},
                   scratch);
        ASSERT_EQ(r.exitStatus, 0) << r.err;
        const std::string firstLine = quiet + "\t0\t正常終了\n";
        ASSERT_EQ(r.out.substr(0, firstLine.size()), firstLine);
        EXPECT_EQ(r.out.find(loud.string() + "\t0\t正常終了\tclipped="), firstLine.size())
            << r.out;
        // round(44100 x 48000 / (44100 x 0.73))
        EXPECT_EQ(test::LoadWav(dir / ("quiet" + suffix + ".wav")).Frames(), 65753);
    }
    EXPECT_EQ(RunCli({"--quality", "finest", quiet}, scratch).exitStatus, 2);
}

// NaN and infinities in a float input become silence and are counted; a huge but finite
// value saturates, so no output sample is ever NaN or infinite, in either quality.
TEST_F(Cli, NonFiniteInputSamplesAreSilencedAndCounted) {
    constexpr int kFrames = 4410;
    const double inf = std::numeric_limits<double>::infinity();
    const double special[] = {std::numeric_limits<double>::quiet_NaN(), inf, -inf, 1e300, -1e300};
    test::FieldWriter samples;
    for (int i = 0; i < kFrames; ++i) {
        const double v = i % 1000 == 500 ? special[(i / 1000) % 5] : 0.25 * std::sin(i * 0.05);
        samples.U64(std::bit_cast<std::uint64_t>(v));
    }
    const test::Bytes bytes = test::RiffBuilder()
                                  .Chunk("fmt ", test::FmtPayload(3, 1, 44100, 8, 64, true))
                                  .Chunk("data", samples.bytes())
                                  .Build();
    const auto input = dir / "float.wav";
    ASSERT_TRUE(WriteFileBytes(input, bytes));
    for (const char* quality : {"standard", "high", "best"}) {
        SCOPED_TRACE(quality);
        const test::ChildOutcome r =
            RunCli({"-q", "--quality", quality, "--rate", "48000", input.string()}, scratch);
        ASSERT_EQ(r.exitStatus, 0) << r.err;
        EXPECT_EQ(r.out, input.string() + "\t0\t正常終了\tnonfinite=3\n");
        FileByteSource output(dir / "float_ZEL.wav");
        const WavReadOutcome read = ReadWavLayout(output);
        ASSERT_TRUE(read.Accepted());
        std::vector<std::uint8_t> data(read.layout.dataBytes);
        ASSERT_TRUE(output.ReadAt(read.layout.dataOffset, data.data(), data.size()));
        int nonFinite = 0;
        for (std::size_t at = 0; at < data.size(); at += 8)
            nonFinite += std::isfinite(std::bit_cast<double>(LoadU64(&data[at], false))) ? 0 : 1;
        EXPECT_EQ(nonFinite, 0);
    }
}

TEST_F(Cli, MessagesFollowTheLocale) {
    const std::string missing = (dir / "missing.wav").string();
    const test::ChildOutcome english = RunCli({"-q", missing}, scratch, "en_US.UTF-8");
    EXPECT_EQ(english.exitStatus, 1);
    EXPECT_NE(english.out.find("\t-1\tCannot open the input file (the file does not exist)\n"), std::string::npos)
        << english.out;
    const test::ChildOutcome englishRefusal = RunCli({"--rate", "5", missing}, scratch, "en_GB");
    EXPECT_EQ(englishRefusal.exitStatus, 2);
    EXPECT_NE(englishRefusal.err.find("The sampling frequency is not valid (8000-96000 Hz)."), std::string::npos)
        << englishRefusal.err;
    for (const char* locale : {"ja_JP.UTF-8", "C", ""}) {
        const test::ChildOutcome japanese = RunCli({"-q", missing}, scratch, locale);
        EXPECT_NE(japanese.out.find("\t-1\t入力ファイルオープンエラー（ファイルが見つかりません）\n"), std::string::npos)
            << locale << ": " << japanese.out;
    }
}

TEST_F(Cli, HelpVersionAndCpuInfo) {
    const test::ChildOutcome help = RunCli({"--help"}, scratch);
    EXPECT_EQ(help.exitStatus, 0);
    for (const char* option : {"--rate", "--speed", "--suffix", "--simd", "--quiet", "--jobs",
                               "--cpu-info", "--version", "default 48000", "default _ZEL"})
        EXPECT_NE(help.out.find(option), std::string::npos) << option;
    const test::ChildOutcome version = RunCli({"--version"}, scratch);
    EXPECT_EQ(version.exitStatus, 0);
    EXPECT_EQ(version.out.rfind("zel-cli ", 0), 0u);
    const test::ChildOutcome cpu = RunCli({"--cpu-info"}, scratch);
    EXPECT_EQ(cpu.exitStatus, 0);
    EXPECT_NE(cpu.out.find("feature level"), std::string::npos);
    EXPECT_NE(cpu.out.find("0=none"), std::string::npos);
}

}  // namespace
}  // namespace zel
