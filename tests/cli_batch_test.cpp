#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <filesystem>
#include <future>
#include <sstream>
#include <string>
#include <vector>

#include "engine/conversion_result.h"
#include "tools/synthetic_wav.h"
#include "platform/replacing_file.h"
#include "tests/support/child_process.h"
#include "tests/support/folder_watch.h"
#include "tests/support/temp_dir.h"
#include "tests/support/wav_files.h"
#include "texts/message_catalogue.h"

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
           texts::ResultCodeText(code, UiLanguageFromEnvironment());
}

std::string ResultLine(const fs::path& input, ConversionOutcome outcome) {
    return input.string() + "\t" + std::to_string(outcome.code) + "\t" +
           texts::OutcomeText(outcome, UiLanguageFromEnvironment());
}

std::vector<fs::path> TemporaryFiles(const fs::path& folder) {
    std::vector<fs::path> found;
    for (const auto& entry : fs::directory_iterator(folder))
        if (platform::ReplacingFile::IsTemporaryName(entry.path())) found.push_back(entry.path());
    return found;
}

// Waits until `count` conversions of `child` have written data into their temporary
// outputs.
bool WaitForConversions(const fs::path& folder, std::size_t count, pid_t child) {
    return test::WaitForFolder(
        folder,
        [&] {
            std::size_t writing = 0;
            std::error_code error;
            for (const fs::path& file : TemporaryFiles(folder))
                writing += fs::file_size(file, error) > 1'000'000 ? 1 : 0;
            return writing >= count;
        },
        kStartTimeout, child);
}

// Files whose opening stops the process that opens them: a write lease is held on each,
// and the kernel's notice that a lease is being broken is sent, as SIGSTOP, to that
// process. A test can then act while a child is exactly there, without any delay. The
// opening itself does not wait (zel-cli opens without blocking); the test's own notices
// (SIGIO) are ignored while the files are held.
class TrapFiles {
  public:
    explicit TrapFiles(const std::vector<fs::path>& paths) {
        struct sigaction ignore {};
        ignore.sa_handler = SIG_IGN;
        sigemptyset(&ignore.sa_mask);
        ::sigaction(SIGIO, &ignore, &previous_);
        for (const fs::path& path : paths) {
            const int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
            held_ = fd >= 0 && ::fcntl(fd, F_SETLEASE, F_WRLCK) == 0 && held_;
            fds_.push_back(fd);
        }
    }
    ~TrapFiles() {
        for (const int fd : fds_)
            if (fd >= 0) ::close(fd);
        ::sigaction(SIGIO, &previous_, nullptr);
    }
    TrapFiles(const TrapFiles&) = delete;
    TrapFiles& operator=(const TrapFiles&) = delete;

    bool AllHeld() const { return held_; }
    // From now on an opening of any of the files stops `pid`.
    bool ArmFor(pid_t pid) {
        bool ok = held_;
        for (const int fd : fds_)
            ok = ::fcntl(fd, F_SETOWN, pid) == 0 && ::fcntl(fd, F_SETSIG, SIGSTOP) == 0 && ok;
        return ok;
    }
    // Openings stop nobody any more.
    void Disarm() {
        for (const int fd : fds_) {
            ::fcntl(fd, F_SETOWN, ::getpid());
            ::fcntl(fd, F_SETSIG, 0);
        }
    }
    // How many of the files some process has started to open: a lease being broken reads
    // as the type it gives way to.
    std::size_t OpenedCount() const {
        return static_cast<std::size_t>(std::count_if(
            fds_.begin(), fds_.end(), [](int fd) { return ::fcntl(fd, F_GETLEASE) != F_WRLCK; }));
    }

  private:
    struct sigaction previous_ {};
    std::vector<int> fds_;
    bool held_ = true;
};

// Waits until `child` stops or ends (an ended child is left to be reaped); true when it
// stopped. At the deadline the child is killed, so nothing waits forever.
bool WaitUntilStopped(pid_t child, std::chrono::steady_clock::duration timeout) {
    std::future<bool> stopped = std::async(std::launch::async, [child] {
        siginfo_t info{};
        while (::waitid(P_PID, static_cast<id_t>(child), &info, WSTOPPED | WEXITED | WNOWAIT) != 0)
            if (errno != EINTR) return false;
        return info.si_code == CLD_STOPPED;
    });
    if (stopped.wait_for(timeout) != std::future_status::ready) ::kill(child, SIGKILL);
    return stopped.get();
}

class CliTest : public ::testing::Test {
  protected:
    test::ChildOutcome Run(std::vector<std::string> args, test::ChildOptions options = {}) {
        args.insert(args.begin(), ZEL_CLI_PATH);
        options.scratchFolder = scratch.path();
        return test::RunChild(args, options);
    }

    // Runs zel-cli ("$0") through the shell, so the test can set limits and redirections.
    test::ChildOutcome RunShell(const std::string& script) {
        test::ChildOptions options;
        options.scratchFolder = scratch.path();
        return test::RunChild({"/bin/bash", "-c", script, ZEL_CLI_PATH}, options);
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
        converting = WaitForConversions(work.path(), 1, pid);
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

// The walk of -r reads the header of every file not named .wav; such a file in each of
// two folders stops zel-cli when it is opened. Ctrl-C there: the walk stops at once, never
// opening the other, and nothing is converted.
TEST_F(CliTest, CtrlCDuringTheFolderWalkStopsItAndWritesNothing) {
    const fs::path tree = work / "tree";
    std::vector<fs::path> traps;
    for (const char* folder : {"a", "b"}) {
        fs::create_directories(tree / folder);
        ASSERT_TRUE(test::WriteTone(tree / folder / "take.wav", {1, 16, 8000}, 800));
        traps.push_back(tree / folder / "trap.bin");
        ASSERT_TRUE(test::WriteTone(traps.back(), {1, 16, 8000}, 800));
    }
    TrapFiles trapFiles(traps);
    ASSERT_TRUE(trapFiles.AllHeld()) << "no write lease on this file system";
    test::ChildOptions options;
    options.scratchFolder = scratch.path();
    bool armed = false;
    bool walking = false;
    options.whileRunning = [&](pid_t pid) {
        // The shell stops itself before it becomes zel-cli, so the traps are set in time.
        armed = WaitUntilStopped(pid, kStartTimeout) && trapFiles.ArmFor(pid);
        ::kill(pid, SIGCONT);
        walking = armed && WaitUntilStopped(pid, kStartTimeout) && trapFiles.OpenedCount() == 1;
        trapFiles.Disarm();
        ::kill(pid, SIGINT);
        ::kill(pid, SIGCONT);
    };
    const test::ChildOutcome outcome =
        test::RunChild({"/bin/sh", "-c", "kill -STOP $$ && exec \"$0\" \"$@\"", ZEL_CLI_PATH,
                        "--quiet", "-r", tree.string()},
                       options);

    ASSERT_TRUE(armed);
    ASSERT_TRUE(walking);
    EXPECT_EQ(outcome.exitStatus, kExitInterrupted) << "signal " << outcome.endingSignal;
    EXPECT_EQ(trapFiles.OpenedCount(), 1u);
    EXPECT_EQ(outcome.out, "");
    for (const char* output : {"a/take_ZEL.wav", "b/take_ZEL.wav", "a/trap_ZEL.bin"})
        EXPECT_FALSE(fs::exists(tree / output)) << output;
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
        converting = WaitForConversions(work.path(), 2, pid);
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

TEST_F(CliTest, TermAndHangupCancelLikeCtrlCAndKeepAnEarlierOutput) {
    const fs::path input = work / "long.wav";
    const fs::path next = work / "next.wav";
    ASSERT_TRUE(test::WriteTone(input, kLongFormat, kLongFrames));
    ASSERT_TRUE(test::WriteTone(next, {1, 16, 44100}, 1000));
    const std::vector<std::uint8_t> earlier = {'e', 'a', 'r', 'l', 'y'};
    ASSERT_TRUE(WriteFileBytes(work / "long_ZEL.wav", earlier));
    for (const int signal : {SIGTERM, SIGHUP}) {
        SCOPED_TRACE(signal);
        test::ChildOptions options;
        bool converting = false;
        options.whileRunning = [&](pid_t pid) {
            converting = WaitForConversions(work.path(), 1, pid);
            ::kill(pid, signal);
        };
        const test::ChildOutcome outcome =
            test::RunChild({ZEL_CLI_PATH, "--quiet", "--rate", "96000", "--speed", "50",
                            input.string(), next.string()},
                           options);
        ASSERT_TRUE(converting);
        EXPECT_EQ(outcome.exitStatus, 128 + signal);
        EXPECT_EQ(Lines(outcome.out),
                  std::vector<std::string>{ResultLine(
                      input, ConversionOutcome{kCancelled, ResultDetail::kEarlierOutputKept})});
        EXPECT_EQ(ReadFileBytes(work / "long_ZEL.wav"), earlier);
        EXPECT_FALSE(fs::exists(work / "next_ZEL.wav"));
        EXPECT_TRUE(TemporaryFiles(work.path()).empty());
    }
}

TEST_F(CliTest, AFifoIsRefusedAtOnceAndTheBatchGoesOn) {
    const fs::path fifo = work / "pipe.wav";
    const fs::path tone = work / "tone.wav";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    ASSERT_TRUE(test::WriteTone(tone, {1, 16, 44100}, 1000));
    test::ChildOptions options;
    bool finished = false;
    // A child stuck on the FIFO is killed at the deadline instead of hanging the suite.
    options.whileRunning = [&](pid_t pid) {
        finished = test::WaitForFolder(
            work.path(), [&] { return fs::exists(work / "tone_ZEL.wav"); }, kStartTimeout, pid);
        if (!finished) ::kill(pid, SIGKILL);
    };
    const test::ChildOutcome outcome = Run({"--quiet", fifo.string(), tone.string()}, options);
    ASSERT_TRUE(finished);
    EXPECT_EQ(outcome.exitStatus, kExitSomeFailed);
    EXPECT_EQ(Lines(outcome.out), (std::vector<std::string>{ResultLine(fifo, kInputOpenError),
                                                            ResultLine(tone, kCompleted)}));
}

TEST_F(CliTest, AClosedOrFullStandardOutputStopsTheBatchWithStatusOne) {
    std::string files;
    for (const char* name : {"a.wav", "b.wav", "c.wav"}) {
        ASSERT_TRUE(test::WriteTone(work / name, {2, 16, 44100}, 20000));
        files += " '" + (work / name).string() + "'";
    }
    for (const char* redirection : {">&-", ">/dev/full"}) {
        SCOPED_TRACE(redirection);
        const test::ChildOutcome outcome = RunShell("\"$0\" --quiet" + files + " " + redirection);
        EXPECT_EQ(outcome.exitStatus, kExitSomeFailed);
        EXPECT_NE(outcome.err.find("cannot write the results"), std::string::npos) << outcome.err;
        EXPECT_FALSE(fs::exists(work / "b_ZEL.wav"));
        EXPECT_TRUE(TemporaryFiles(work.path()).empty());
    }
}

TEST_F(CliTest, LimitsGiveCodesNotSignalsAndManyJobsFitTheDescriptors) {
    const fs::path big = work / "big.wav";
    ASSERT_TRUE(test::WriteTone(big, {2, 16, 44100}, 200000));
    // 100 KiB at most per file: the output fails part way with -4.
    const test::ChildOutcome limited =
        RunShell("ulimit -f 100; exec \"$0\" --quiet '" + big.string() + "'");
    EXPECT_EQ(limited.endingSignal, 0);
    EXPECT_EQ(limited.exitStatus, kExitSomeFailed);
    EXPECT_EQ(Lines(limited.out), std::vector<std::string>{ResultLine(big, kOutputWriteError)});
    EXPECT_TRUE(TemporaryFiles(work.path()).empty());

    // 40 descriptors could not hold 60 conversions at once; every file still converts.
    std::string files;
    std::vector<std::string> expected;
    for (int i = 0; i < 60; ++i) {
        const fs::path input = work / ("m" + std::to_string(i) + ".wav");
        ASSERT_TRUE(test::WriteTone(input, {1, 16, 8000}, 4000));
        files += " '" + input.string() + "'";
        expected.push_back(ResultLine(input, kCompleted));
    }
    const test::ChildOutcome many =
        RunShell("ulimit -n 40; exec \"$0\" --quiet --jobs 600" + files);
    EXPECT_EQ(many.exitStatus, kExitOk) << many.err;
    EXPECT_EQ(Lines(many.out), expected);
}

TEST_F(CliTest, AnAbandonedTemporaryFileIsRemovedByTheNextRun) {
    const fs::path abandoned = work / ".zeltmp-x.wav-1-0-0";
    const fs::path held = work / ".zeltmp-y.wav-2-0-0";
    ASSERT_TRUE(WriteFileBytes(abandoned, {1, 2, 3}));
    ASSERT_TRUE(WriteFileBytes(held, {4, 5, 6}));
    // A living writer holds its lock: that file is not abandoned.
    const int fd = ::open(held.c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::flock(fd, LOCK_EX), 0);
    const fs::path tone = work / "tone.wav";
    ASSERT_TRUE(test::WriteTone(tone, {1, 16, 44100}, 1000));
    const test::ChildOutcome outcome = Run({"--quiet", tone.string()});
    ::close(fd);
    EXPECT_EQ(outcome.exitStatus, kExitOk);
    EXPECT_FALSE(fs::exists(abandoned));
    EXPECT_TRUE(fs::exists(held));
}

TEST_F(CliTest, ControlCharactersInNamesAreEscapedInTheResultLine) {
    const fs::path input = work / "a\tb\nc\\d\x01.wav";
    ASSERT_TRUE(test::WriteTone(input, {1, 16, 44100}, 1000));
    const test::ChildOutcome outcome = Run({"--quiet", input.string()});
    EXPECT_EQ(outcome.exitStatus, kExitOk);
    const std::string escaped = work.path().string() + "/a\\tb\\nc\\\\d\\x01.wav";
    EXPECT_EQ(
        Lines(outcome.out),
        std::vector<std::string>{escaped + "\t0\t" +
                                 texts::ResultCodeText(kCompleted, UiLanguageFromEnvironment())});
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
