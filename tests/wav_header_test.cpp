// Refused files: converting one gives -2 and leaves nothing (an earlier output included);
// the probe refuses it too and reports the format of what it takes.

#include "engine/wav/wav_header.h"

#include <gtest/gtest.h>

#include "engine/convert/convert_file.h"
#include "engine/convert/input_probe.h"
#include "engine/wav/wav_header.h"
#include "engine/wav/wav_probe.h"
#include "tests/support/temp_dir.h"
#include "tests/support/wav_reader.h"
#include "tools/synthetic_wav.h"

namespace zel {
namespace {

class RefusedFiles : public ::testing::Test {
  protected:
    // Converting a refused file gives -2, leaves no output and the probe refuses it too.
    void ExpectRefused(const std::vector<std::uint8_t>& bytes, const char* what) {
        const auto in = dir / "in.wav";
        const auto out = dir / "out.wav";
        ASSERT_TRUE(WriteFileBytes(in, bytes));
        EXPECT_EQ(ConvertFile(in, nullptr, out, {48000, kNormalSpeed}).code, kInputFormatError) << what;
        EXPECT_FALSE(std::filesystem::exists(out)) << what;
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1) << what;
        EXPECT_EQ(ProbeWavFile(in).status, WavProbe::Status::kRefused) << what;
    }
    test::TempDir dir;
};

TEST_F(RefusedFiles, ShortAndNonCanonicalFiles) {
    auto good = MakeWavBytes({2, 16, 44100}, SampleValues(400, 0));
    ExpectRefused(std::vector<std::uint8_t>(good.begin(), good.begin() + 43), "43 bytes");
    ExpectRefused({}, "empty file");

    auto adpcm = good;
    adpcm[20] = 0x11;
    ExpectRefused(adpcm, "IMA ADPCM");

    auto badAlign = good;
    badAlign[32] = 0;
    ExpectRefused(badAlign, "block align 0");

    auto noRate = good;
    std::fill(noRate.begin() + 24, noRate.begin() + 28, 0);
    ExpectRefused(noRate, "rate 0");
}

TEST_F(RefusedFiles, RefusalLeavesAnExistingOutputUntouched) {
    const auto in = dir / "in.wav";
    const auto out = dir / "out.wav";
    ASSERT_TRUE(WriteFileBytes(in, {'n', 'o', 't', ' ', 'w', 'a', 'v'}));
    const std::vector<std::uint8_t> precious = {1, 2, 3, 4, 5};
    ASSERT_TRUE(WriteFileBytes(out, precious));
    EXPECT_EQ(ConvertFile(in, nullptr, out, {48000, kNormalSpeed}).code, kInputFormatError);
    EXPECT_EQ(ReadFileBytes(out), precious);
}

TEST(WavProbe, ReportsFormatAndDuration) {
    test::TempDir dir;
    const auto path = dir / "a.wav";
    test::WriteWav(path, {2, 16, 44100}, SampleValues(2 * 44100 * 3, 0));
    const WavProbe probe = ProbeWavFile(path);
    ASSERT_EQ(probe.status, WavProbe::Status::kAccepted);
    EXPECT_EQ(probe.layout.format.channels, 2);
    EXPECT_EQ(probe.layout.format.sampleRate, 44100u);
    EXPECT_EQ(DurationSeconds(ProbeInputFile(path)), 3u);
    EXPECT_EQ(ProbeWavFile(dir / "missing.wav").status, WavProbe::Status::kCannotOpen);
    EXPECT_EQ(ProbeWavFile(dir.path()).status, WavProbe::Status::kCannotOpen);
}

}  // namespace
}  // namespace zel
