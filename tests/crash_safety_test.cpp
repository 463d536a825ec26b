// A batch that dies or loses an input part way: no file under an output name is ever
// broken, no input is ever touched, and the batch reports what it could not do.

#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <filesystem>
#include <map>
#include <optional>
#include <random>
#include <thread>

#include "batch/batch_job.h"
#include "batch/batch_thread_proc.h"
#include "engine/wav_probe.h"
#include "platform/replacing_file.h"
#include "tests/support/child_process.h"
#include "tests/support/recording_window.h"
#include "tests/support/temp_dir.h"
#include "tests/support/wav_files.h"

namespace zel {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

constexpr int kKillRounds = 16;

// Starts zel-cli on the inputs and kills it with SIGKILL after `delay`, or lets it finish
// when there is no delay.
void RunAndKill(const std::vector<std::string>& inputs, const char* jobs,
                std::optional<std::chrono::microseconds> delay) {
    const test::TempDir scratch;
    std::vector<std::string> args = {ZEL_CLI_PATH, "--quiet", "--jobs", jobs, "--rate",
                                     "96000",      "--speed", "80"};
    args.insert(args.end(), inputs.begin(), inputs.end());
    test::ChildOptions options;
    options.scratchFolder = scratch.path();
    if (delay) {
        options.whileRunning = [&](pid_t child) {
            std::this_thread::sleep_for(*delay);
            ::kill(child, SIGKILL);
        };
    }
    ASSERT_TRUE(test::RunChild(args, options).started);
}

std::size_t TemporaryCount(const fs::path& folder) {
    std::size_t count = 0;
    for (const auto& entry : fs::directory_iterator(folder))
        count += platform::ReplacingFile::IsTemporaryName(entry.path()) ? 1 : 0;
    return count;
}

TEST(CrashSafety, KilledAtRandomMomentsNeverLeavesABrokenOutput) {
    test::TempDir dir;
    test::TempDir reference;
    const char* names[] = {"a.wav", "b.wav", "c.wav", "d.wav"};
    const std::int64_t frames[] = {3 * 44100, 44100, 2 * 44100, 5000};
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
        RunAndKill(copies, "1", std::nullopt);
        for (const char* name : names) {
            const std::string out = fs::path(name).stem().string() + "_ZEL.wav";
            complete[out] = ReadFileBytes(reference / out);
            ASSERT_TRUE(test::InspectWav(reference / out).consistent) << out;
        }
    }
    // Earlier files of the output names, which must survive or be replaced whole.
    const Bytes earlier = {'o', 'l', 'd'};
    for (const auto& [out, bytes] : complete) ASSERT_TRUE(WriteFileBytes(dir / out, earlier));

    std::mt19937 random(20261207);
    std::uniform_int_distribution<int> delayUs(0, 400000);
    std::size_t leftovers = 0;
    int roundsKilledMidWrite = 0;
    for (int round = 0; round < kKillRounds; ++round) {
        RunAndKill(inputs, round % 2 == 0 ? "1" : "2", std::chrono::microseconds(delayUs(random)));
        const std::size_t now = TemporaryCount(dir.path());
        roundsKilledMidWrite += now > leftovers ? 1 : 0;
        leftovers = now;
        for (const auto& [out, bytes] : complete) {
            const Bytes now = ReadFileBytes(dir / out);
            EXPECT_TRUE(now == earlier || now == bytes) << out << " in round " << round;
        }
        for (const auto& [name, bytes] : inputBytes)
            EXPECT_EQ(ReadFileBytes(dir / name), bytes) << name << " in round " << round;
    }
    // The kills must have hit conversions in progress for the test to mean anything.
    EXPECT_GT(roundsKilledMidWrite, 0);
    // Leftovers are recognisable and never admitted as inputs.
    for (const auto& entry : fs::directory_iterator(dir.path())) {
        if (!platform::ReplacingFile::IsTemporaryName(entry.path())) continue;
        EXPECT_NE(entry.path().extension(), ".wav");
        EXPECT_NE(ProbeWavFile(entry.path()).status, WavProbe::Status::kAccepted);
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
