// The floating-point path follows the canonical path's filter, blocks and lengths: the same
// 16-bit signal stored as 24-bit samples comes out with the same frame count and, scaled
// back, within one 16-bit step of the canonical output, in the reference and a SIMD build.
// Files of three or more blocks, so history and the final block are exercised.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "engine/base/file_byte_source.h"
#include "engine/convert/convert_file.h"
#include "engine/wav/wav_chunk_reader.h"
#include "engine/wav/wav_header_writer.h"
#include "tests/support/temp_dir.h"
#include "tests/support/wav_reader.h"

namespace zel {
namespace {

constexpr std::int64_t kFrames = 150001;  // odd, and more than two SIMD blocks
constexpr std::int32_t kSixteenToTwentyFour = 256;

// The same values as 24-bit samples (each 16-bit value times 256).
std::vector<std::uint8_t> TwentyFourBitFile(const SampleValues& values, std::uint32_t rate) {
    WavSampleFormat f;
    f.encoding = SampleEncoding::kSigned24;
    f.channels = 2;
    f.sampleRate = rate;
    f.containerBits = 24;
    f.validBits = 24;
    f.blockAlign = 6;
    std::vector<std::uint8_t> data;
    for (std::int32_t v : values) {
        const std::uint32_t u = static_cast<std::uint32_t>(v * kSixteenToTwentyFour);
        for (int b = 0; b < 3; ++b) data.push_back(static_cast<std::uint8_t>(u >> (8 * b)));
    }
    WavOutputHeader header = ComposeWavHeader(f, {}, data.size());
    const std::uint64_t frames = data.size() / f.blockAlign;
    EXPECT_TRUE(CompleteWavHeader(header, data.size(), frames, 0));
    std::vector<std::uint8_t> bytes = header.bytes;
    bytes.insert(bytes.end(), data.begin(), data.end());
    return bytes;
}

std::vector<std::int32_t> TwentyFourBitSamples(const std::filesystem::path& path) {
    FileByteSource source(path);
    const WavReadOutcome read = ReadWavLayout(source);
    EXPECT_TRUE(read.Accepted());
    std::vector<std::uint8_t> data(read.layout.dataBytes);
    EXPECT_TRUE(source.ReadAt(read.layout.dataOffset, data.data(), data.size()));
    std::vector<std::int32_t> samples;
    for (std::size_t i = 0; i + 2 < data.size(); i += 3) {
        const std::uint32_t u = data[i] | (data[i + 1] << 8) | (data[i + 2] << 16);
        samples.push_back(static_cast<std::int32_t>(u << 8) >> 8);
    }
    return samples;
}

TEST(FloatPath, FollowsTheCanonicalPathInEveryRatio) {
    test::TempDir dir;
    const SignalFormat format{2, 16, 44100};
    SampleValues values = SineSignal(format, kFrames, 1234.5, 0.7);
    const std::filesystem::path in16 = dir / "in16.wav";
    const std::filesystem::path in24 = dir / "in24.wav";
    test::WriteWav(in16, format, values);
    ASSERT_TRUE(WriteFileBytes(in24, TwentyFourBitFile(values, format.sampleRate)));

    struct Case {
        std::int32_t rate, speed;
        const ConversionKernels* kernels;
    };
    // The SSE2 build where the processor family has one.
    const ConversionKernels* const sse2 = &BuildForLevel(2).kernels;
    for (const Case& c :
         {Case{48000, 100, &kReferenceKernels}, Case{22050, 137, sse2}, Case{96000, 50, sse2}}) {
        SCOPED_TRACE(std::to_string(c.rate) + " Hz, " + std::to_string(c.speed) + " %, " +
                     c.kernels->name);
        const ConversionSettings settings{
            .targetRate = c.rate, .speed = SpeedFromPercent(c.speed), .stripMetadata = true};
        ASSERT_EQ(ConvertFile(in16, nullptr, dir / "out16.wav", settings, *c.kernels).code,
                  kCompleted);
        ASSERT_EQ(ConvertFile(in24, nullptr, dir / "out24.wav", settings, *c.kernels).code,
                  kCompleted);
        const test::LoadedWav out16 = test::LoadWav(dir / "out16.wav");
        const std::vector<std::int32_t> out24 = TwentyFourBitSamples(dir / "out24.wav");
        ASSERT_EQ(out24.size(), out16.samples.size());
        double worst = 0.0;
        for (std::size_t i = 0; i < out24.size(); ++i) {
            const double scaled = out24[i] / static_cast<double>(kSixteenToTwentyFour);
            worst = std::max(worst, std::abs(scaled - out16.samples[i]));
        }
        EXPECT_LE(worst, 1.0);
    }
}

}  // namespace
}  // namespace zel
