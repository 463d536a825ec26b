#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <filesystem>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "engine/conversion_result.h"
#include "tools/synthetic_wav.h"
#include "platform/replacing_file.h"
#include "tests/support/child_process.h"
#include "tests/support/temp_dir.h"
#include "tests/support/wav_files.h"

namespace zel {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

constexpr int kExitOk = 0;
constexpr int kExitSomeFailed = 1;
constexpr int kExitInterrupted = 130;
// Long enough that at 96000 Hz and half speed the conversion takes well over a second.
constexpr SignalFormat kLongFormat{2, 16, 44100};
constexpr std::int64_t kLongFrames = 60 * 44100;
constexpr auto kStartTimeout = 30s;

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

std::string ResultLine(const fs::path& input, ConversionResult code) {
    return input.string() + "\t" + std::to_string(code) + "\t" +
           std::string(ConversionResultMessage(code));
}

std::vector<fs::path> TemporaryFiles(const fs::path& folder) {
    std::vector<fs::path> found;
    for (const auto& entry : fs::directory_iterator(folder))
        if (platform::ReplacingFile::IsTemporaryName(entry.path())) found.push_back(entry.path());
    return found;
}

// Waits until `count` conversions have written data into their temporary outputs.
bool WaitForConversions(const fs::path& folder, std::size_t count) {
    const auto deadline = std::chrono::steady_clock::now() + kStartTimeout;
    while (std::chrono::steady_clock::now() < deadline) {
        std::size_t writing = 0;
        std::error_code error;
        for (const fs::path& file : TemporaryFiles(folder))
            writing += fs::file_size(file, error) > 1'000'000 ? 1 : 0;
        if (writing >= count) return true;
        std::this_thread::sleep_for(5ms);
    }
    return false;
}

class CliTest : public ::testing::Test {
  protected:
    test::ChildOutcome Run(std::vector<std::string> args, test::ChildOptions options = {}) {
        args.insert(args.begin(), ZEL_CLI_PATH);
        options.scratchFolder = scratch.path();
        return test::RunChild(args, options);
    }

    test::TempDir scratch;
    test::TempDir work;
};

TEST_F(CliTest, TwoJobsWriteTheSameBytesAndListTheResultsInOrder) {
    // The longest file first, so later files finish before it with two workers.
    struct Input {
        const char* name;
        SignalFormat format;
        std::int64_t frames;
    };
    const Input inputs[] = {
        {"long.wav", {2, 16, 44100}, 5 * 44100}, {"mono8.wav", {1, 8, 8000}, 9000},
        {"stereo8.wav", {2, 8, 22050}, 30000},   {"mono16.wav", {1, 16, 48000}, 70000},
        {"short.wav", {1, 16, 11025}, 10},       {"empty.wav", {2, 16, 44100}, 0},
    };
    std::vector<fs::path> folders;
    std::vector<test::ChildOutcome> outcomes;
    for (const char* jobs : {"1", "2"}) {
        const fs::path folder = work / (std::string("jobs") + jobs);
        fs::create_directory(folder);
        std::vector<std::string> args = {"--quiet", "--jobs", jobs, "--rate", "32000"};
        for (const Input& input : inputs) {
            ASSERT_TRUE(test::WriteTone(folder / input.name, input.format, input.frames));
            args.push_back((folder / input.name).string());
        }
        args.push_back((folder / "missing.wav").string());
        outcomes.push_back(Run(args));
        folders.push_back(folder);
    }
    for (std::size_t run = 0; run < 2; ++run) {
        SCOPED_TRACE(run);
        ASSERT_TRUE(outcomes[run].started);
        EXPECT_EQ(outcomes[run].exitStatus, kExitSomeFailed);
        std::vector<std::string> expected;
        for (const Input& input : inputs)
            expected.push_back(ResultLine(folders[run] / input.name, kCompleted));
        expected.push_back(ResultLine(folders[run] / "missing.wav", kInputOpenError));
        EXPECT_EQ(Lines(outcomes[run].out), expected);
        EXPECT_EQ(outcomes[run].err, "");
    }
    for (const Input& input : inputs) {
        const std::string output = fs::path(input.name).stem().string() + "_ZEL.wav";
        const auto one = ReadFileBytes(folders[0] / output);
        EXPECT_TRUE(test::InspectWav(folders[0] / output).consistent) << output;
        EXPECT_EQ(one, ReadFileBytes(folders[1] / output)) << output;
    }
}

TEST_F(CliTest, CtrlCEndsTheFileInProgressAndOpensNoLaterFile) {
    const fs::path longInput = work / "long.wav";
    const fs::path nextInput = work / "next.wav";
    ASSERT_TRUE(test::WriteTone(longInput, kLongFormat, kLongFrames));
    ASSERT_TRUE(test::WriteTone(nextInput, {1, 16, 44100}, 1000));
    test::ChildOptions options;
    bool converting = false;
    options.whileRunning = [&](pid_t pid) {
        converting = WaitForConversions(work.path(), 1);
        ::kill(pid, SIGINT);
    };
    const test::ChildOutcome outcome =
        Run({"--quiet", "--rate", "96000", "--speed", "50", longInput.string(), nextInput.string()},
            options);

    ASSERT_TRUE(converting);
    EXPECT_EQ(outcome.exitStatus, kExitInterrupted);
    EXPECT_EQ(Lines(outcome.out), std::vector<std::string>{ResultLine(longInput, kCancelled)});
    const test::StoredWav partial = test::InspectWav(work / "long_ZEL.wav");
    EXPECT_TRUE(partial.consistent);
    EXPECT_EQ(partial.sampleRate, 96000u);
    EXPECT_GT(partial.dataBytes, 0u);
    // Half speed at 96000 Hz: a complete output would hold about 4.35 times the frames.
    EXPECT_LT(partial.dataBytes, kLongFrames * 4 * 4);
    EXPECT_FALSE(fs::exists(work / "next_ZEL.wav"));
    EXPECT_TRUE(TemporaryFiles(work.path()).empty());
}

TEST_F(CliTest, CtrlCCancelsEveryWorker) {
    std::vector<std::string> args = {"--quiet", "--jobs", "2", "--rate", "96000", "--speed", "50"};
    for (const char* name : {"a.wav", "b.wav"}) {
        ASSERT_TRUE(test::WriteTone(work / name, kLongFormat, kLongFrames));
        args.push_back((work / name).string());
    }
    ASSERT_TRUE(test::WriteTone(work / "c.wav", {1, 16, 44100}, 1000));
    args.push_back((work / "c.wav").string());
    test::ChildOptions options;
    bool converting = false;
    options.whileRunning = [&](pid_t pid) {
        converting = WaitForConversions(work.path(), 2);
        ::kill(pid, SIGINT);
    };
    const test::ChildOutcome outcome = Run(args, options);

    ASSERT_TRUE(converting);
    EXPECT_EQ(outcome.exitStatus, kExitInterrupted);
    EXPECT_EQ(Lines(outcome.out),
              (std::vector<std::string>{ResultLine(work / "a.wav", kCancelled),
                                        ResultLine(work / "b.wav", kCancelled)}));
    EXPECT_TRUE(test::InspectWav(work / "a_ZEL.wav").consistent);
    EXPECT_TRUE(test::InspectWav(work / "b_ZEL.wav").consistent);
    EXPECT_FALSE(fs::exists(work / "c_ZEL.wav"));
}

TEST_F(CliTest, ProgressIsDrawnOnlyOnATerminalAndNotWhenQuiet) {
    const fs::path input = work / "tone.wav";
    ASSERT_TRUE(test::WriteTone(input, {2, 16, 44100}, 100000));
    test::ChildOptions terminal;
    terminal.stderrIsTerminal = true;

    const test::ChildOutcome shown = Run({input.string()}, terminal);
    EXPECT_EQ(shown.exitStatus, kExitOk);
    EXPECT_NE(shown.err.find("0/1"), std::string::npos);
    EXPECT_NE(shown.err.find("100%"), std::string::npos);
    EXPECT_NE(shown.err.find("tone.wav"), std::string::npos);

    const test::ChildOutcome quiet = Run({"--quiet", input.string()}, terminal);
    EXPECT_EQ(quiet.exitStatus, kExitOk);
    EXPECT_EQ(quiet.err, "");

    const test::ChildOutcome redirected = Run({input.string()});
    EXPECT_EQ(redirected.exitStatus, kExitOk);
    EXPECT_EQ(redirected.err, "");
    EXPECT_EQ(Lines(redirected.out), std::vector<std::string>{ResultLine(input, kCompleted)});
}

TEST_F(CliTest, JobsMustBeAWholeNumberOfAtLeastOne) {
    for (const char* jobs : {"0", "-2", "two", ""}) {
        const test::ChildOutcome outcome = Run({"--jobs", jobs, "x.wav"});
        EXPECT_EQ(outcome.exitStatus, 2) << jobs;
        EXPECT_NE(outcome.err.find("--jobs"), std::string::npos) << jobs;
    }
}

}  // namespace
}  // namespace zel
