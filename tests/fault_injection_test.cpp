// Faults from outside: permissions, memory limits, hostile header values. Each must give
// its result code, leave no partial output and never damage an existing file.

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <fstream>
#include <string>

#include "engine/convert/convert_file.h"
#include "engine/resample/standard/block_geometry.h"
#include "platform/replacing_file.h"
#include "tests/support/forked_call.h"
#include "tests/support/recording_window.h"
#include "tests/support/temp_dir.h"
#include "tests/support/wav_reader.h"

namespace zel {
namespace {

constexpr SignalFormat kStereo16{2, 16, 44100};
constexpr uid_t kNobody = 65534;

std::vector<std::string> Names(const std::filesystem::path& dir) {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(dir))
        names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

TEST(FaultInjection, OutputFolderWithoutWritePermissionGivesOutputOpenError) {
    test::TempDir dir;
    const auto input = dir / "in.wav";
    test::WriteWav(input, kStereo16, SineSignal(kStereo16, 1000, 440.0, 0.5));
    const auto locked = dir / "locked";
    std::filesystem::create_directory(locked);
    std::filesystem::permissions(dir.path(), std::filesystem::perms(0755));
    std::filesystem::permissions(locked, std::filesystem::perms(0555));
    // Root ignores permissions, so the conversion runs as an unprivileged user.
    const int status = test::RunInChild([&] {
        if (::geteuid() == 0 && ::setresuid(kNobody, kNobody, kNobody) != 0) return 100;
        return -ConvertFile(input, nullptr, locked / "out.wav", {48000, kNormalSpeed}).code;
    });
    EXPECT_EQ(status, -kOutputOpenError);
    EXPECT_TRUE(Names(locked).empty());
}

TEST(FaultInjection, MemoryLimitGivesOutOfMemoryAndNoOutput) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "AddressSanitizer reserves more address space than the limit allows";
#endif
    test::TempDir dir;
    const SignalFormat format{1, 16, 11025};
    const auto input = dir / "in.wav";
    test::WriteWav(input, format, SineSignal(format, 4000, 440.0, 0.5));
    const int status = test::RunInChild([&] {
        // Enough for the process as it stands, far too little for a 128000-phase filter.
        std::ifstream statm("/proc/self/statm");
        long pages = 0;
        statm >> pages;
        const rlim_t limit = static_cast<rlim_t>(pages) * ::sysconf(_SC_PAGESIZE) + (16 << 20);
        struct rlimit rl {
            limit, limit
        };
        if (::setrlimit(RLIMIT_AS, &rl) != 0) return 100;
        return -ConvertFile(input, nullptr, dir / "out.wav", {96000, SpeedFromPercent(199)}).code;
    });
    EXPECT_EQ(status, -kOutOfMemory);
    EXPECT_EQ(Names(dir.path()), std::vector<std::string>{"in.wav"});
}

// Rates and speeds at the extremes: the ratio reduces as expected, the conversion
// completes, and the output's length is the input's duration at the new rate and speed.
struct ExtremeRow {
    const char* what;
    SignalFormat format;
    std::int32_t target;
    std::int32_t speed;
};

void PrintTo(const ExtremeRow& row, std::ostream* os) { *os << row.what; }

class ExtremeRatios : public ::testing::TestWithParam<ExtremeRow> {};

TEST_P(ExtremeRatios, ConvertWholeDuration) {
    const ExtremeRow& row = GetParam();
    test::TempDir dir;
    const std::int64_t frames = row.format.sampleRate / 2 + 777;
    test::WriteWav(dir / "in.wav", row.format, SineSignal(row.format, frames, 200.0, 0.5));
    test::RecordingWindow window;
    ASSERT_EQ(ConvertFile(dir / "in.wav", &window, dir / "out.wav", {row.target, SpeedFromPercent(row.speed)}).code,
              kCompleted)
        << row.what;
    const auto out = test::LoadWav(dir / "out.wav");
    const double expected =
        static_cast<double>(frames) * row.target * 100.0 / (row.format.sampleRate * row.speed);
    EXPECT_NEAR(static_cast<double>(out.Frames()), expected, 1.0) << row.what;
    EXPECT_TRUE(out.HeaderConsistent());
    ASSERT_FALSE(window.messages.empty());
    EXPECT_EQ(window.messages.back().wParam, 100u);
}

INSTANTIATE_TEST_SUITE_P(
    Extremes, ExtremeRatios,
    ::testing::Values(
        ExtremeRow{"8000 at 200 to 96000", {1, 16, 8000}, 96000, 200},
        ExtremeRow{"96000 at 50 to 8000", {2, 16, 96000}, 8000, 50},
        ExtremeRow{"11025 at 199 to 96000 (P=29253, Q=128000)", {1, 8, 11025}, 96000, 199},
        ExtremeRow{"8000 to 96000 (final block beyond g + reserve)", {2, 8, 8000}, 96000, 100}));

TEST(HostileHeaders, DataSizeNear4GiBConvertsOnlyWhatTheFileHolds) {
    test::TempDir dir;
    auto bytes = MakeWavBytes(kStereo16, SineSignal(kStereo16, 3000, 440.0, 0.5));
    for (std::uint32_t size : {0xFFFFFFFFu, 0xFFFFFFFCu, 0x80000000u}) {
        bytes[40] = static_cast<std::uint8_t>(size);
        bytes[41] = static_cast<std::uint8_t>(size >> 8);
        bytes[42] = static_cast<std::uint8_t>(size >> 16);
        bytes[43] = static_cast<std::uint8_t>(size >> 24);
        ASSERT_TRUE(WriteFileBytes(dir / "in.wav", bytes));
        ASSERT_EQ(ConvertFile(dir / "in.wav", nullptr, dir / "out.wav", {48000, kNormalSpeed}).code,
                  kCompleted);
        const auto out = test::LoadWav(dir / "out.wav");
        EXPECT_EQ(out.Frames(), SingleBlockOutputs(3000, 147, 160)) << size;
        EXPECT_TRUE(out.HeaderConsistent());
    }
}

TEST(HostileHeaders, DataSizeNotAMultipleOfTheBlockAlignDropsThePartialFrame) {
    test::TempDir dir;
    for (std::uint8_t extra : {1, 2, 3}) {
        auto bytes = MakeWavBytes(kStereo16, SineSignal(kStereo16, 2000, 440.0, 0.5));
        for (std::uint8_t i = 0; i < extra; ++i) bytes.push_back(0x7F);
        bytes[40] = static_cast<std::uint8_t>(bytes[40] + extra);
        ASSERT_TRUE(WriteFileBytes(dir / "in.wav", bytes));
        ASSERT_EQ(ConvertFile(dir / "in.wav", nullptr, dir / "out.wav", {44100, kNormalSpeed}).code,
                  kCompleted);
        EXPECT_EQ(test::LoadWav(dir / "out.wav").Frames(), 2000);
    }
}

TEST(HostileHeaders, LeftoverTemporaryFileIsNeverTakenAsInput) {
    test::TempDir dir;
    const auto leftover =
        dir / (std::string(platform::ReplacingFile::kTemporaryPrefix) + "take_ZEL.wav-1-2-3");
    test::WriteWav(leftover, kStereo16, SineSignal(kStereo16, 100, 440.0, 0.5));
    EXPECT_EQ(ConvertFile(leftover, nullptr, dir / "out.wav", {48000, kNormalSpeed}).code,
              kInputFormatError);
    EXPECT_FALSE(std::filesystem::exists(dir / "out.wav"));
}

}  // namespace
}  // namespace zel
