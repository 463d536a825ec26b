// Header acceptance: the canonical layout is taken, everything the conversion cannot handle
// meaningfully is refused before any of its fields is used.

#include "engine/wav/wav_header.h"

#include <gtest/gtest.h>

#include "engine/convert/convert_file.h"
#include "engine/resample/standard/sample_layout.h"
#include "engine/wav/wav_header.h"
#include "engine/wav/wav_probe.h"
#include "tests/support/temp_dir.h"
#include "tests/support/wav_reader.h"
#include "tools/synthetic_wav.h"

namespace zel {
namespace {

WavHeader CanonicalHeader(std::uint16_t channels = 2, std::uint16_t bits = 16,
                          std::uint32_t rate = 44100) {
    const auto bytes = MakeWavBytes({channels, bits, rate}, SampleValues(channels * 4, 0));
    WavHeader header;
    std::copy_n(bytes.begin(), kWavHeaderSize, header.bytes.begin());
    return header;
}

TEST(WavHeader, AcceptsCanonicalPcmInEveryLayout) {
    struct Row {
        std::uint16_t channels, bits;
        SampleLayout layout;
    };
    for (Row row : {Row{1, 8, SampleLayout::Mono8}, Row{2, 8, SampleLayout::Stereo8},
                    Row{1, 16, SampleLayout::Mono16}, Row{2, 16, SampleLayout::Stereo16}}) {
        const WavHeader h = CanonicalHeader(row.channels, row.bits);
        EXPECT_EQ(CheckHeader(h), HeaderVerdict::kAccepted);
        const WavFormat format = FormatOf(h);
        EXPECT_EQ(LayoutFor(format.channels, format.bitsPerSample), row.layout);
    }
}

TEST(WavHeader, RefusesEveryFieldTheConversionCannotUse) {
    using namespace wav_offset;
    struct Row {
        const char* what;
        std::size_t offset;
        std::uint32_t value;
        bool wide;
        HeaderVerdict verdict;
    };
    const Row rows[] = {
        {"RIFF id", kRiffId, 0x58464952, true, HeaderVerdict::kBadIdentifiers},
        {"WAVE id", kWaveId, 0x49564120, true, HeaderVerdict::kBadIdentifiers},
        {"fmt id", kFmtId, 0x20746D67, true, HeaderVerdict::kBadIdentifiers},
        {"data id (fact chunk there)", kDataId, 0x74636166, true, HeaderVerdict::kBadIdentifiers},
        {"format tag float", kFormatTag, 3, false, HeaderVerdict::kNotPcm},
        {"format tag extensible", kFormatTag, 0xFFFE, false, HeaderVerdict::kNotPcm},
        {"no channels", kChannels, 0, false, HeaderVerdict::kUnsupportedChannels},
        {"three channels", kChannels, 3, false, HeaderVerdict::kUnsupportedChannels},
        {"12 bits", kBitsPerSample, 12, false, HeaderVerdict::kUnsupportedBits},
        {"24 bits", kBitsPerSample, 24, false, HeaderVerdict::kUnsupportedBits},
        {"block align 0", kBlockAlign, 0, false, HeaderVerdict::kBadBlockAlign},
        {"block align 6", kBlockAlign, 6, false, HeaderVerdict::kBadBlockAlign},
        {"rate 0", kSampleRate, 0, true, HeaderVerdict::kBadSampleRate},
        {"rate 2^31", kSampleRate, 0x80000000u, true, HeaderVerdict::kBadSampleRate},
    };
    for (const Row& row : rows) {
        WavHeader h = CanonicalHeader();
        if (row.wide)
            h.SetU32(row.offset, row.value);
        else
            h.SetU16(row.offset, static_cast<std::uint16_t>(row.value));
        EXPECT_EQ(CheckHeader(h), row.verdict) << row.what;
    }
}

class RefusedFiles : public ::testing::Test {
  protected:
    // Converting a refused file gives -2, leaves no output and the probe refuses it too.
    void ExpectRefused(const std::vector<std::uint8_t>& bytes, const char* what) {
        const auto in = dir / "in.wav";
        const auto out = dir / "out.wav";
        ASSERT_TRUE(WriteFileBytes(in, bytes));
        EXPECT_EQ(ConvertFile(in, nullptr, out, {48000, 100}).code, kInputFormatError) << what;
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
    EXPECT_EQ(ConvertFile(in, nullptr, out, {48000, 100}).code, kInputFormatError);
    EXPECT_EQ(ReadFileBytes(out), precious);
}

TEST(WavProbe, ReportsFormatAndDuration) {
    test::TempDir dir;
    const auto path = dir / "a.wav";
    test::WriteWav(path, {2, 16, 44100}, SampleValues(2 * 44100 * 3, 0));
    const WavProbe probe = ProbeWavFile(path);
    ASSERT_EQ(probe.status, WavProbe::Status::kAccepted);
    EXPECT_EQ(probe.format.channels, 2);
    EXPECT_EQ(probe.format.sampleRate, 44100u);
    EXPECT_EQ(DurationSeconds(probe.format), 3u);
    EXPECT_EQ(ProbeWavFile(dir / "missing.wav").status, WavProbe::Status::kCannotOpen);
    EXPECT_EQ(ProbeWavFile(dir.path()).status, WavProbe::Status::kCannotOpen);
}

}  // namespace
}  // namespace zel
