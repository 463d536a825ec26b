#include "batch/batch_job.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <new>
#include <string>
#include <thread>
#include <vector>

#include "batch/batch_messages.h"
#include "batch/batch_thread_proc.h"
#include "engine/convert/convert_file.h"
#include "tests/support/recording_window.h"
#include "tests/support/temp_dir.h"
#include "tests/support/wav_files.h"
#include "tools/synthetic_wav.h"

namespace zel {
namespace {

namespace fs = std::filesystem;
using std::chrono::milliseconds;
using test::RecordedMessage;
using test::RecordingWindow;

constexpr SignalFormat kMono16{1, 16, 44100};
// At 44100 -> 48000 Hz the blocks hold 16317 frames (16342 in the first), so this many
// frames take four blocks, reported at these percentages; a full block yields 17760 frames.
constexpr std::int64_t kFourBlockFrames = 50000;
constexpr std::uintptr_t kFourBlockPercents[] = {33, 65, 98, 100};
constexpr std::uint32_t kBlockOutputBytes = 17760 * 2;
// Left in m_results entries the worker must not reach.
constexpr ConversionResult kUntouched = 42;

RecordedMessage FileReport(std::uintptr_t percent) {
    return {WM_BATCH_PROGRESS, percent, kCurrentFileBar};
}
RecordedMessage FilesDone(std::uintptr_t count) { return {WM_BATCH_PROGRESS, count, kAllFilesBar}; }

const RecordedMessage kFinished{WM_BATCH_FINISHED, 0, 0};

void AppendReports(std::vector<RecordedMessage>& messages, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) messages.push_back(FileReport(kFourBlockPercents[i]));
}

// Answers like the progress dialog: 0 until its cancel flag is set, -1 from then on.
// `cancelOn` decides, for each message before it is answered, whether the user presses
// Cancel at that moment.
struct DialogStandIn {
    explicit DialogStandIn(std::function<bool(const RecordedMessage&)> cancelOn = {})
        : window([this, cancelOn](std::size_t, const RecordedMessage& m) -> std::intptr_t {
              if (cancelOn && cancelOn(m)) cancel = true;
              return cancel ? kCancelAnswer : 0;
          }) {}
    bool cancel = false;
    RecordingWindow window;
};

class BatchJobTest : public ::testing::Test {
  protected:
    struct Pause {
        std::size_t messagesBefore;
        milliseconds duration;
    };

    std::string Tone(const std::string& name, std::int64_t frames = kFourBlockFrames,
                     const SignalFormat& format = kMono16) {
        const fs::path path = dir / name;
        EXPECT_TRUE(test::WriteTone(path, format, frames));
        return path.string();
    }
    std::string PathOf(const std::string& name) const { return (dir / name).string(); }

    // Fills the job like the Execute command (48000 Hz, speed 100, suffix _ZEL) and runs
    // its worker to the end. The pauses are recorded instead of taken, and every result
    // entry starts as kUntouched, so entries the worker does not reach stay so.
    void Run(BatchJob& job, const std::vector<std::string>& files, DialogStandIn& dialog,
             std::function<void()> duringPause = {}) {
        job.SetFiles(files);
        std::fill(job.m_results.begin(), job.m_results.end(), kUntouched);
        job.m_suffix = "_ZEL";
        job.m_sampleRate = 48000;
        job.m_speed = kNormalSpeed;
        job.m_window = &dialog.window;
        job.m_pauseFunction = [this, &dialog, duringPause](milliseconds duration) {
            pauses.push_back({dialog.window.messages.size(), duration});
            if (duringPause) duringPause();
        };
        ASSERT_TRUE(job.StartWorker());
        job.JoinWorker();
    }

    test::TempDir dir;
    std::vector<Pause> pauses;
};

TEST_F(BatchJobTest, EmptyJobFinishesAtOnceWithoutPause) {
    BatchJob job;
    DialogStandIn dialog;
    Run(job, {}, dialog);
    EXPECT_EQ(dialog.window.messages, std::vector<RecordedMessage>{kFinished});
    EXPECT_TRUE(pauses.empty());
    EXPECT_EQ(job.ProcessedFileCount(), 0);
}

TEST_F(BatchJobTest, OneFilePausesConvertsReportsAndFinishes) {
    BatchJob job;
    DialogStandIn dialog;
    const std::string input = Tone("voice.wav");
    Run(job, {input}, dialog);

    ASSERT_EQ(pauses.size(), 1u);
    EXPECT_EQ(pauses[0].messagesBefore, 0u);
    EXPECT_EQ(pauses[0].duration, kFilePause);
    // Before the file, after the pause, the all-files bar is set where it stands.
    std::vector<RecordedMessage> expected{FilesDone(0)};
    AppendReports(expected, 4);
    expected.push_back(FilesDone(1));
    expected.push_back(kFinished);
    EXPECT_EQ(dialog.window.messages, expected);
    EXPECT_EQ(job.m_results[0], kCompleted);
    const test::StoredWav output = test::InspectWav(PathOf("voice_ZEL.wav"));
    EXPECT_TRUE(output.consistent);
    EXPECT_EQ(output.sampleRate, 48000u);
}

TEST_F(BatchJobTest, CancelDuringAFileStoresOneAndOpensNoLaterFile) {
    BatchJob job;
    std::uintptr_t filesDone = 0;
    int reportsOfSecondFile = 0;
    DialogStandIn dialog([&](const RecordedMessage& m) {
        if (m.lParam == kAllFilesBar) filesDone = m.wParam;
        return m.lParam == kCurrentFileBar && filesDone == 1 && ++reportsOfSecondFile == 2;
    });
    Run(job, {Tone("a.wav"), Tone("b.wav"), Tone("c.wav")}, dialog);
    EXPECT_EQ(job.m_results, (std::vector<ConversionResult>{kCompleted, kCancelled, kUntouched}));
    EXPECT_EQ(job.ProcessedFileCount(), 2);

    std::vector<RecordedMessage> expected{FilesDone(0)};
    AppendReports(expected, 4);
    expected.push_back(FilesDone(1));
    expected.push_back(FilesDone(1));
    AppendReports(expected, 2);
    expected.push_back(FilesDone(2));
    expected.push_back(kFinished);
    EXPECT_EQ(dialog.window.messages, expected);
    EXPECT_EQ(pauses.size(), 2u);

    const test::StoredWav partial = test::InspectWav(PathOf("b_ZEL.wav"));
    EXPECT_TRUE(partial.consistent);
    EXPECT_EQ(partial.dataBytes, 2 * kBlockOutputBytes);
    EXPECT_FALSE(fs::exists(PathOf("c_ZEL.wav")));
}

TEST_F(BatchJobTest, FailuresKeepTheirCodesAndTheBatchGoesOn) {
    BatchJob job;
    DialogStandIn dialog;
    ASSERT_TRUE(WriteFileBytes(dir / "text.wav", std::vector<std::uint8_t>(100, 'x')));
    fs::create_directory(dir / "blocked_ZEL.wav");
    Run(job, {PathOf("missing.wav"), PathOf("text.wav"), Tone("blocked.wav"), Tone("good.wav")},
        dialog);

    EXPECT_EQ(job.m_results, (std::vector<ConversionResult>{kInputOpenError, kInputFormatError,
                                                            kOutputOpenError, kCompleted}));
    std::vector<RecordedMessage> expected = {FilesDone(0), FilesDone(1), FilesDone(1), FilesDone(2),
                                             FilesDone(2), FilesDone(3), FilesDone(3)};
    AppendReports(expected, 4);
    expected.push_back(FilesDone(4));
    expected.push_back(kFinished);
    EXPECT_EQ(dialog.window.messages, expected);
    EXPECT_EQ(pauses.size(), 4u);
    EXPECT_FALSE(fs::exists(PathOf("text_ZEL.wav")));
    EXPECT_TRUE(fs::is_directory(PathOf("blocked_ZEL.wav")));
}

// Memory running out anywhere in one file's conversion (here in its first progress
// report) fails that file alone, leaves no temporary file and lets the batch go on.
TEST_F(BatchJobTest, AnExceptionInOneFileGivesOutOfMemoryAndTheBatchGoesOn) {
    BatchJob job;
    std::uintptr_t filesDone = 0;
    bool thrown = false;
    DialogStandIn dialog([&](const RecordedMessage& m) {
        if (m.lParam == kAllFilesBar) filesDone = m.wParam;
        if (m.lParam == kCurrentFileBar && filesDone == 1 && !thrown) {
            thrown = true;
            throw std::bad_alloc();
        }
        return false;
    });
    Run(job, {Tone("a.wav"), Tone("b.wav"), Tone("c.wav")}, dialog);
    EXPECT_EQ(job.m_results, (std::vector<ConversionResult>{kCompleted, kOutOfMemory, kCompleted}));
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir.path()))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"a.wav", "a_ZEL.wav", "b.wav", "c.wav",
                                               "c_ZEL.wav"}));
    EXPECT_EQ(dialog.window.messages.back(), kFinished);
}

TEST_F(BatchJobTest, CancelBetweenFilesStartsNoFurtherFile) {
    // Cancel answered at the all-files report of file 0, or pressed during the pause
    // before file 1: file 1 is not opened, gets code 1, and the batch ends.
    for (bool duringPause : {false, true}) {
        SCOPED_TRACE(duringPause);
        const fs::path earlier = dir / "b_ZEL.wav";
        ASSERT_TRUE(WriteFileBytes(earlier, {'k', 'e', 'p', 't'}));
        BatchJob job;
        DialogStandIn dialog(
            [&](const RecordedMessage& m) { return !duringPause && m == FilesDone(1); });
        pauses.clear();
        Run(job, {Tone("a.wav"), Tone("b.wav"), Tone("c.wav")}, dialog, [&] {
            if (duringPause && pauses.size() == 2) dialog.cancel = true;
        });

        EXPECT_EQ(job.m_results,
                  (std::vector<ConversionResult>{kCompleted, kCancelled, kUntouched}));
        EXPECT_EQ(job.ProcessedFileCount(), 2);
        std::vector<RecordedMessage> expected{FilesDone(0)};
        AppendReports(expected, 4);
        expected.insert(expected.end(), {FilesDone(1), FilesDone(1), FilesDone(2), kFinished});
        EXPECT_EQ(dialog.window.messages, expected);
        EXPECT_EQ(ReadFileBytes(earlier), (std::vector<std::uint8_t>{'k', 'e', 'p', 't'}));
        EXPECT_FALSE(fs::exists(PathOf("c_ZEL.wav")));
        fs::remove(PathOf("a_ZEL.wav"));
    }
}

TEST_F(BatchJobTest, CancelAfterTheLastReportEndsTheBatchNormally) {
    BatchJob job;
    DialogStandIn dialog([](const RecordedMessage& m) { return m == FilesDone(2); });
    Run(job, {Tone("a.wav"), Tone("b.wav")}, dialog);
    EXPECT_EQ(job.m_results, (std::vector<ConversionResult>{kCompleted, kCompleted}));
    EXPECT_EQ(job.ProcessedFileCount(), 2);
    ASSERT_GE(dialog.window.messages.size(), 2u);
    EXPECT_EQ(dialog.window.messages.end()[-2], FilesDone(2));
    EXPECT_EQ(dialog.window.messages.back(), kFinished);
    EXPECT_TRUE(dialog.cancel);
}

TEST_F(BatchJobTest, LevelsOutsideOneToSixRunTheReferenceBuild) {
    // Equal rates: the reference build cuts 70000 frames into five blocks of at most
    // 16384 (+25) frames; a SIMD build's blocks of 65536 would give two reports.
    constexpr std::int64_t kFrames = 70000;
    constexpr std::size_t kReferenceBlocks = 5;
    const std::string input = Tone("tone.wav", kFrames);
    const fs::path direct = dir / "direct.wav";
    ASSERT_EQ(ConvertFile(input, nullptr, direct, {44100, kNormalSpeed}).code, kCompleted);

    for (SimdLevel level : {0, 7, -1}) {
        SCOPED_TRACE(level);
        BatchJob job;
        DialogStandIn dialog;
        job.m_simdLevel = level;
        job.SetFiles({input});
        job.m_suffix = "_L" + std::to_string(level + 1);
        job.m_sampleRate = 44100;
        job.m_window = &dialog.window;
        job.m_pause = milliseconds(0);
        BatchThreadProc(job);
        ASSERT_EQ(job.m_results[0], kCompleted);
        std::size_t reports = 0;
        for (const RecordedMessage& m : dialog.window.messages)
            reports += m.lParam == kCurrentFileBar ? 1 : 0;
        EXPECT_EQ(reports, kReferenceBlocks);
        EXPECT_EQ(ReadFileBytes(dir / ("tone" + job.m_suffix + ".wav")), ReadFileBytes(direct));
    }
}

TEST_F(BatchJobTest, HoldsMoreThan256Files) {
    constexpr int kFiles = 300;
    std::vector<std::string> files;
    for (int i = 0; i < kFiles; ++i) files.push_back(Tone(std::to_string(i).append(".wav"), 64));
    BatchJob job;
    DialogStandIn dialog;
    Run(job, files, dialog);
    EXPECT_EQ(job.m_fileCount, kFiles);
    EXPECT_EQ(job.ProcessedFileCount(), kFiles);
    EXPECT_EQ(job.m_results, std::vector<ConversionResult>(kFiles, kCompleted));
    EXPECT_EQ(dialog.window.messages.end()[-2], FilesDone(kFiles));
    EXPECT_TRUE(test::InspectWav(PathOf("299_ZEL.wav")).consistent);
}

TEST_F(BatchJobTest, WorkerStartsOnceAndIsJoinedWhenTheJobEnds) {
    DialogStandIn dialog;
    {
        BatchJob job;
        job.SetFiles({Tone("a.wav"), Tone("b.wav")});
        job.m_suffix = "_ZEL";
        job.m_window = &dialog.window;
        // Slow enough that the worker is still running when the job goes out of scope.
        job.m_pauseFunction = [](milliseconds) { std::this_thread::sleep_for(milliseconds(50)); };
        ASSERT_TRUE(job.StartWorker());
        EXPECT_FALSE(job.StartWorker());
        EXPECT_TRUE(job.m_hThread.Started());
    }
    ASSERT_FALSE(dialog.window.messages.empty());
    EXPECT_EQ(dialog.window.messages.back(), kFinished);
    EXPECT_EQ(std::count(dialog.window.messages.begin(), dialog.window.messages.end(), kFinished),
              1);
    EXPECT_TRUE(test::InspectWav(PathOf("b_ZEL.wav")).consistent);
}

}  // namespace
}  // namespace zel
