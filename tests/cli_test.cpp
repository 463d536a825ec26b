// zel-cli as a user runs it: refusals with the batch's messages and status 2, one result
// line per file, status 1 when some file failed.

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <string>

#include "engine/synthetic_wav.h"
#include "tests/support/temp_dir.h"
#include "tests/support/wav_reader.h"

namespace zel {
namespace {

struct RunResult {
    int status = -1;
    std::string out;
    std::string err;
};

std::string Quote(const std::string& s) {
    std::string q = "'";
    for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

// `locale`: the LANG the tool runs under, with LC_ALL and LC_MESSAGES removed.
RunResult RunCli(const std::string& args, const test::TempDir& dir,
                 const std::string& locale = "C") {
    const auto errPath = dir / "stderr.txt";
    const std::string command = "env -u LC_ALL -u LC_MESSAGES LANG=" + locale + " " +
                                std::string(ZEL_CLI_PATH) + " " + args + " 2>" +
                                Quote(errPath.string());
    RunResult result;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr) return result;
    std::array<char, 4096> buffer;
    while (std::size_t n = std::fread(buffer.data(), 1, buffer.size(), pipe))
        result.out.append(buffer.data(), n);
    const int status = ::pclose(pipe);
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    const auto err = ReadFileBytes(errPath);
    result.err.assign(err.begin(), err.end());
    std::filesystem::remove(errPath);
    return result;
}

class Cli : public ::testing::Test {
protected:
    std::string MakeInput(const std::string& name, std::int64_t frames = 4410) {
        const auto path = dir / name;
        test::WriteWav(path, {2, 16, 44100}, SineSignal({2, 16, 44100}, frames, 440.0, 0.5));
        return path.string();
    }
    test::TempDir dir;
};

TEST_F(Cli, RefusesBadSettingsWithTheBatchMessagesInOrder) {
    const std::string file = Quote(MakeInput("a.wav"));
    struct Row {
        std::string args;
        const char* message;
    };
    const Row rows[] = {
        {"--suffix ''", "入力ファイルが指定されていません"},
        {"--suffix '' --rate 1 " + file, "サフィックスが指定されていません"},
        {"--rate 7999 " + file, "サンプリング周波数が不適切です"},
        {"--rate 96001 " + file, "サンプリング周波数が不適切です"},
        {"--rate '' " + file, "サンプリング周波数が不適切です"},
        {"--rate Hz " + file, "サンプリング周波数が不適切です"},
        {"--speed 49 " + file, "再生速度が不適切です"},
        {"--speed 201 " + file, "再生速度が不適切です"},
        {"--speed 1.5 " + file, "再生速度が不適切です"},
        {"--simd 9 " + file, "unknown SIMD level"},
        {"--frobnicate " + file, "unknown option"},
        {"--rate", "needs a value"},
    };
    for (const Row& row : rows) {
        const RunResult r = RunCli(row.args, dir);
        EXPECT_EQ(r.status, 2) << row.args;
        EXPECT_NE(r.err.find(row.message), std::string::npos) << row.args << ": " << r.err;
        EXPECT_TRUE(r.out.empty()) << row.args;
    }
    EXPECT_FALSE(std::filesystem::exists(dir / "a_ZEL.wav"));
}

TEST_F(Cli, ConvertsEachFileAndPrintsOneLineInOrder) {
    const std::string a = MakeInput("a.wav");
    const std::string b = MakeInput("b.wav");
    const RunResult r =
        RunCli("--quiet --rate 48000Hz --suffix ' x' " + Quote(b) + " " + Quote(a), dir);
    EXPECT_EQ(r.status, 0) << r.err;
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
    const RunResult r =
        RunCli("-q " + Quote(missing) + " " + Quote(bad.string()) + " " + Quote(good), dir);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, missing + "\t-1\t入力ファイルオープンエラー\n" + bad.string() +
                         "\t-2\t入力ファイルフォーマットエラー\n" + good + "\t0\t正常終了\n");
}

TEST_F(Cli, HalfSpeedDoublesTheLength) {
    const std::string a = MakeInput("a.wav", 44100);
    const RunResult r = RunCli("-q --simd 0 --rate 44100 --speed 50 " + Quote(a), dir);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NEAR(test::LoadWav(dir / "a_ZEL.wav").Frames(), 88200, 1);
}

TEST_F(Cli, MessagesFollowTheLocale) {
    const std::string missing = Quote((dir / "missing.wav").string());
    const RunResult english = RunCli("-q " + missing, dir, "en_US.UTF-8");
    EXPECT_EQ(english.status, 1);
    EXPECT_NE(english.out.find("\t-1\tCannot open the input file\n"), std::string::npos)
        << english.out;
    const RunResult englishRefusal = RunCli("--rate 5 " + missing, dir, "en_GB");
    EXPECT_EQ(englishRefusal.status, 2);
    EXPECT_NE(englishRefusal.err.find("The sampling frequency is not valid."), std::string::npos)
        << englishRefusal.err;
    for (const char* locale : {"ja_JP.UTF-8", "C", ""}) {
        const RunResult japanese = RunCli("-q " + missing, dir, locale);
        EXPECT_NE(japanese.out.find("\t-1\t入力ファイルオープンエラー\n"), std::string::npos)
            << locale << ": " << japanese.out;
    }
}

TEST_F(Cli, HelpVersionAndCpuInfo) {
    const RunResult help = RunCli("--help", dir);
    EXPECT_EQ(help.status, 0);
    for (const char* option : {"--rate", "--speed", "--suffix", "--simd", "--quiet", "--jobs",
                               "--cpu-info", "--version", "default 48000", "default _ZEL"})
        EXPECT_NE(help.out.find(option), std::string::npos) << option;
    const RunResult version = RunCli("--version", dir);
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out.rfind("zel-cli ", 0), 0u);
    const RunResult cpu = RunCli("--cpu-info", dir);
    EXPECT_EQ(cpu.status, 0);
    EXPECT_NE(cpu.out.find("feature level"), std::string::npos);
    EXPECT_NE(cpu.out.find("0=none"), std::string::npos);
}

}  // namespace
}  // namespace zel
