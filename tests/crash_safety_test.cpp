// A batch that dies or loses an input part way: no file under an output name is ever
// broken, no input is ever touched, and the batch reports what it could not do.

#include <gtest/gtest.h>
#include <signal.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <map>
#include <optional>
#include <set>

#include "batch/batch_job.h"
#include "batch/batch_thread_proc.h"
#include "engine/wav/wav_probe.h"
#include "platform/replacing_file.h"
#include "tests/support/child_process.h"
#include "tests/support/folder_watch.h"
#include "tests/support/recording_window.h"
#include "tests/support/temp_dir.h"
#include "tests/support/wav_files.h"

namespace zel {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

constexpr int kKillRounds = 16;
// The outputs awaited for a kill: those written in several blocks, so that a poll sees them
// grow. The last input's output is small and never awaited.
constexpr int kAwaitedOutputs = 3;
// How far the awaited output has come when the kill is sent, in parts of its full size:
// just begun, then a quarter and a half written.
constexpr int kKillPoints = 3;
constexpr int kKillPointParts = 4;
// A conversion that never gets there (zel-cli stuck, or writing elsewhere) fails the round.
constexpr auto kKillDeadline = std::chrono::seconds(20);

using TemporarySet = std::set<fs::path>;

TemporarySet TemporaryFiles(const fs::path& folder) {
    TemporarySet found;
    for (const auto& entry : fs::directory_iterator(folder))
        if (platform::ReplacingFile::IsTemporaryName(entry.path())) found.insert(entry.path());
    return found;
}

// The moment of a kill: a temporary file of `output` (one that did not exist before the
// run) holds at least `bytes`.
struct KillPoint {
    std::string output;
    std::uintmax_t bytes = 0;
};

bool TemporaryReached(const fs::path& folder, const TemporarySet& before, const KillPoint& at) {
    for (const fs::path& path : TemporaryFiles(folder)) {
        if (before.count(path) || path.filename().string().find(at.output) == std::string::npos)
            continue;
        std::error_code error;
        const std::uintmax_t size = fs::file_size(path, error);
        if (!error && size >= at.bytes) return true;
    }
    return false;
}

// Starts zel-cli on the inputs and, with a kill point, kills it with SIGKILL as soon as the
// point is reached; without one it lets the run finish.
test::ChildOutcome RunAndKill(const std::vector<std::string>& inputs, const char* jobs,
                              const std::optional<KillPoint>& killAt) {
    const test::TempDir scratch;
    const fs::path folder = fs::path(inputs.front()).parent_path();
    const TemporarySet before = TemporaryFiles(folder);
    std::vector<std::string> args = {ZEL_CLI_PATH, "--quiet", "--jobs", jobs, "--rate",
                                     "96000",      "--speed", "80"};
    args.insert(args.end(), inputs.begin(), inputs.end());
    test::ChildOptions options;
    options.scratchFolder = scratch.path();
    if (killAt) {
        options.whileRunning = [&](pid_t child) {
            test::WaitForFolder(
                folder, [&] { return TemporaryReached(folder, before, *killAt); },
                kKillDeadline, child);
            ::kill(child, SIGKILL);
        };
    }
    return test::RunChild(args, options);
}

std::string OutputName(const char* input) { return fs::path(input).stem().string() + "_ZEL.wav"; }

TEST(CrashSafety, KilledWhileWritingNeverLeavesABrokenOutput) {
    test::TempDir dir;
    test::TempDir reference;
    const char* names[] = {"a.wav", "b.wav", "c.wav", "d.wav"};
    // Long enough that writing an output takes far longer than the test takes to notice it
    // growing and send the kill, even on a fast machine.
    const std::int64_t frames[] = {24 * 44100, 8 * 44100, 16 * 44100, 5000};
    std::vector<std::string> inputs;
    std::map<std::string, Bytes> inputBytes;
    std::map<std::string, Bytes> complete;
    for (int i = 0; i < 4; ++i) {
        ASSERT_TRUE(test::WriteTone(dir / names[i], {2, 16, 44100}, frames[i]));
        inputs.push_back((dir / names[i]).string());
        inputBytes[names[i]] = ReadFileBytes(dir / names[i]);
    }
    // What a finished run writes, for comparison.
    {
        std::vector<std::string> copies;
        for (const char* name : names) {
            fs::copy_file(dir / name, reference / name);
            copies.push_back((reference / name).string());
        }
        ASSERT_EQ(RunAndKill(copies, "1", std::nullopt).exitStatus, 0);
        for (const char* name : names) {
            const std::string out = OutputName(name);
            complete[out] = ReadFileBytes(reference / out);
            ASSERT_TRUE(test::InspectWav(reference / out).consistent) << out;
        }
    }
    // Earlier files of the output names, which must survive or be replaced whole.
    const Bytes earlier = {'o', 'l', 'd'};
    for (const auto& [out, bytes] : complete) ASSERT_TRUE(WriteFileBytes(dir / out, earlier));

    int roundsKilledMidWrite = 0;
    for (int round = 0; round < kKillRounds; ++round) {
        // Every awaited output in turn, each at every point of its writing.
        const std::string out = OutputName(names[round % kAwaitedOutputs]);
        const int point = (round / kAwaitedOutputs) % kKillPoints;
        const KillPoint killAt{out, std::max<std::uintmax_t>(
                                        1, complete[out].size() * point / kKillPointParts)};
        const TemporarySet before = TemporaryFiles(dir.path());
        const test::ChildOutcome run = RunAndKill(inputs, round % 2 == 0 ? "1" : "2", killAt);
        ASSERT_TRUE(run.started);
        const TemporarySet after = TemporaryFiles(dir.path());
        const bool leftNewTemporary = std::any_of(
            after.begin(), after.end(), [&](const fs::path& p) { return before.count(p) == 0; });
        roundsKilledMidWrite += run.endingSignal == SIGKILL && leftNewTemporary ? 1 : 0;
        for (const auto& [out, bytes] : complete) {
            const Bytes now = ReadFileBytes(dir / out);
            EXPECT_TRUE(now == earlier || now == bytes) << out << " in round " << round;
        }
        for (const auto& [name, bytes] : inputBytes)
            EXPECT_EQ(ReadFileBytes(dir / name), bytes) << name << " in round " << round;
    }
    // Each kill is sent while an output is being written; only a test process held off the
    // processor until that file was finished would miss the write, never most of them.
    EXPECT_GT(roundsKilledMidWrite, kKillRounds / 2);
    // Leftovers are recognisable and never admitted as inputs.
    for (const fs::path& path : TemporaryFiles(dir.path())) {
        EXPECT_NE(path.extension(), ".wav");
        EXPECT_NE(ProbeWavFile(path).status, WavProbe::Status::kAccepted);
    }
}

TEST(CrashSafety, InputDeletedAfterListingGivesOpenErrorAndTheBatchGoesOn) {
    test::TempDir dir;
    std::vector<std::string> files;
    for (const char* name : {"one.wav", "two.wav", "three.wav"}) {
        ASSERT_TRUE(test::WriteTone(dir / name, {1, 16, 22050}, 3000));
        files.push_back((dir / name).string());
    }
    BatchJob job;
    job.SetFiles(files);
    job.m_suffix = "_ZEL";
    test::RecordingWindow window;
    job.m_window = &window;
    int pauses = 0;
    // The pause before the second file is where the user deletes it.
    job.m_pauseFunction = [&](std::chrono::milliseconds) {
        if (++pauses == 2) fs::remove(dir / "two.wav");
    };
    ASSERT_TRUE(job.StartWorker());
    job.JoinWorker();
    EXPECT_EQ(job.m_results, (std::vector<ConversionResult>{kCompleted, kInputOpenError,
                                                           kCompleted}));
    EXPECT_TRUE(fs::exists(dir / "three_ZEL.wav"));
    EXPECT_FALSE(fs::exists(dir / "two_ZEL.wav"));
    EXPECT_EQ(window.messages.back().message, WM_BATCH_FINISHED);
}

}  // namespace
}  // namespace zel
