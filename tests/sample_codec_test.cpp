// Samples of every encoding to float and back: lossless round trips, the output's own
// rounding step, saturation that is counted, float that is never clipped.

#include "engine/codec/sample_codec.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>
#include <vector>
#include "tests/support/runnable_build.h"
#include "tests/support/sample_format.h"

namespace zel {
namespace {

using test::Format;

// Stored samples with the bits below the valid depth clear, as a writer leaves them.
std::vector<std::uint8_t> RandomSamples(const WavSampleFormat& f, std::size_t frames) {
    std::mt19937 random(7);
    std::vector<std::uint8_t> bytes(frames * f.blockAlign);
    for (auto& b : bytes) b = static_cast<std::uint8_t>(random());
    const int bytesPerSample = f.containerBits / 8;
    const int unusedBits = f.containerBits - f.validBits;
    for (std::size_t at = 0; at < bytes.size(); at += bytesPerSample)
        for (int bit = 0; bit < unusedBits; ++bit) {
            const int byte = f.bigEndian ? bytesPerSample - 1 - bit / 8 : bit / 8;
            bytes[at + byte] &= static_cast<std::uint8_t>(~(1u << (bit % 8)));
        }
    return bytes;
}

TEST(SampleCodec, IntegerAndFloatEncodingsRoundTripExactly) {
    const WavSampleFormat formats[] = {
        Format(SampleEncoding::kUnsigned8, 1, 8, 8),
        Format(SampleEncoding::kSigned16, 2, 16, 16),
        test::BigEndian(Format(SampleEncoding::kSigned16, 2, 16, 16)),
        Format(SampleEncoding::kSigned16, 1, 16, 12),
        Format(SampleEncoding::kSigned24, 2, 24, 24),
        Format(SampleEncoding::kSigned24, 3, 24, 20),
        test::BigEndian(Format(SampleEncoding::kSigned24, 2, 24, 24)),
        Format(SampleEncoding::kSigned32, 6, 32, 24),
        Format(SampleEncoding::kFloat32, 2, 32, 32),
        Format(SampleEncoding::kALaw, 1, 8, 8),
    };
    constexpr std::size_t kFrames = 257;
    for (const WavSampleFormat& f : formats) {
        SCOPED_TRACE(testing::Message()
                     << int(f.encoding) << " " << f.validBits << "/" << f.containerBits << " x"
                     << f.channels << (f.bigEndian ? " BE" : ""));
        std::vector<std::uint8_t> stored = RandomSamples(f, kFrames);
        if (f.encoding == SampleEncoding::kFloat32)  // random bits include NaN; use numbers
            for (std::size_t i = 0; i < kFrames * f.channels; ++i) {
                const float v = std::sin(0.1f * i) * 0.9f;
                std::memcpy(&stored[i * 4], &v, 4);
            }
        std::vector<float> interleaved(kFrames * f.channels);
        DecodeInterleaved(f, stored.data(), kFrames, interleaved.data());
        std::vector<std::uint8_t> again(stored.size());
        EXPECT_EQ(EncodeInterleaved(f, interleaved.data(), kFrames, again.data()), 0u);
        EXPECT_EQ(again, stored);

        // The planar path gives the same floats, one channel per plane.
        std::vector<std::vector<float>> planes(f.channels, std::vector<float>(kFrames));
        std::vector<float*> pointers;
        for (auto& plane : planes) pointers.push_back(plane.data());
        DecodePlanar(f, stored.data(), kFrames, pointers.data());
        for (std::size_t c = 0; c < f.channels; ++c)
            EXPECT_EQ(planes[c][kFrames - 1], interleaved[(kFrames - 1) * f.channels + c]);
        std::fill(again.begin(), again.end(), 0);
        EncodePlanar(f, pointers.data(), kFrames, again.data());
        EXPECT_EQ(again, stored);
    }
}

TEST(SampleCodec, MuLawKeepsEveryLevel) {
    const WavSampleFormat f = Format(SampleEncoding::kMuLaw, 1, 8, 8);
    std::vector<std::uint8_t> codes(256);
    for (int i = 0; i < 256; ++i) codes[i] = static_cast<std::uint8_t>(i);
    std::vector<float> levels(256), again(256);
    DecodeInterleaved(f, codes.data(), 256, levels.data());
    std::vector<std::uint8_t> encoded(256);
    EncodeInterleaved(f, levels.data(), 256, encoded.data());
    DecodeInterleaved(f, encoded.data(), 256, again.data());
    EXPECT_EQ(again, levels);  // both zero codes decode to the same level
    EXPECT_FLOAT_EQ(levels[0x00], -32124.0f / 32768.0f);
}

TEST(SampleCodec, DecodesToFullScaleOfTheContainer) {
    struct Row {
        WavSampleFormat format;
        std::vector<std::uint8_t> bytes;
        float expected;
    };
    const Row rows[] = {
        {Format(SampleEncoding::kUnsigned8, 1, 8, 8), {0}, -1.0f},
        {Format(SampleEncoding::kSigned16, 1, 16, 16), {0x00, 0x40}, 0.5f},
        {test::BigEndian(Format(SampleEncoding::kSigned16, 1, 16, 16)), {0x40, 0x00}, 0.5f},
        {Format(SampleEncoding::kSigned24, 1, 24, 24), {0x00, 0x00, 0x80}, -1.0f},
        {Format(SampleEncoding::kSigned32, 1, 32, 24), {0x00, 0x00, 0x00, 0xC0}, -0.5f},
        {Format(SampleEncoding::kFloat64, 1, 64, 64), {0, 0, 0, 0, 0, 0, 0xF8, 0x3F}, 1.5f},
    };
    for (const Row& row : rows) {
        float value = 0;
        DecodeInterleaved(row.format, row.bytes.data(), 1, &value);
        EXPECT_EQ(value, row.expected) << int(row.format.encoding);
    }
}

TEST(SampleCodec, EncodingRoundsToTheOutputStepAndCountsSaturation) {
    const float step24 = 1.0f / 8388608.0f;
    struct Row {
        const char* what;
        WavSampleFormat format;
        float value;
        std::vector<std::uint8_t> bytes;
        std::uint64_t clipped;
    };
    const Row rows[] = {
        {"24-bit half step rounds away from zero",
         Format(SampleEncoding::kSigned24, 1, 24, 24),
         -2.5f * step24,
         {0xFD, 0xFF, 0xFF},
         0},
        {"24-bit full scale saturates",
         Format(SampleEncoding::kSigned24, 1, 24, 24),
         1.0f,
         {0xFF, 0xFF, 0x7F},
         1},
        {"24-bit negative full scale fits",
         Format(SampleEncoding::kSigned24, 1, 24, 24),
         -1.0f,
         {0x00, 0x00, 0x80},
         0},
        {"20 bits in 24: step of 16",
         Format(SampleEncoding::kSigned24, 1, 24, 20),
         25.0f * step24,
         {0x20, 0x00, 0x00},
         0},
        {"8-bit silence is 128", Format(SampleEncoding::kUnsigned8, 1, 8, 8), 0.0f, {0x80}, 0},
        {"8-bit below full scale saturates",
         Format(SampleEncoding::kUnsigned8, 1, 8, 8),
         -1.2f,
         {0x00},
         1},
        {"16-bit NaN is silence",
         Format(SampleEncoding::kSigned16, 1, 16, 16),
         std::nanf(""),
         {0x00, 0x00},
         0},
        {"float is never clipped",
         Format(SampleEncoding::kFloat32, 1, 32, 32),
         1.5f,
         {0x00, 0x00, 0xC0, 0x3F},
         0},
        {"mu-law saturates like 16 bits", Format(SampleEncoding::kMuLaw, 1, 8, 8), 2.0f, {0x80}, 1},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        std::vector<std::uint8_t> bytes(row.bytes.size());
        EXPECT_EQ(EncodeInterleaved(row.format, &row.value, 1, bytes.data()), row.clipped);
        EXPECT_EQ(bytes, row.bytes);
    }
}

// Planar 16-bit output takes vectorised loops of its own, one set per build; each must round,
// saturate and count exactly as the general encoder does, including values a float rounding
// step would tip, on lengths that end inside and between vector steps.
TEST(SampleCodec, PlanarSixteenBitMatchesTheGeneralEncoderOnAwkwardValues) {
    const float step = 1.0f / 32768.0f;
    std::vector<float> values = {0.5f * step,  -0.5f * step, 1.5f * step, -2.5f * step,
                                 std::nextafter(0.5f * step, 0.0f), 1.0f, -1.0f,
                                 std::nextafter(1.0f, 0.0f), 1.0f - 0.5f * step,
                                 -1.0f - 0.5f * step, std::nextafter(-1.0f - 0.5f * step, 0.0f),
                                 3.0e38f, -INFINITY, INFINITY, std::nanf(""), 1e-40f, -0.0f,
                                 std::nextafter(1.0f - 0.5f * step, 0.0f),
                                 std::nextafter(-1.0f - 0.5f * step, -2.0f)};
    std::mt19937 random(11);
    std::uniform_real_distribution<float> level(-1.1f, 1.1f);
    while (values.size() < 2 * 301) values.push_back(level(random));
    for (const ConversionBuild& build : ConversionBuilds()) {
        if (!WhyBuildCannotRunHere(build.level).empty()) continue;
        SCOPED_TRACE(build.name);
        for (const std::uint16_t channels : {1, 2}) {
            const WavSampleFormat f = Format(SampleEncoding::kSigned16, channels, 16, 16);
            for (const std::size_t frames : {std::size_t{1}, std::size_t{9}, std::size_t{17},
                                             values.size() / channels}) {
                SCOPED_TRACE(testing::Message() << channels << " channels, " << frames);
                std::vector<std::vector<float>> planes(channels, std::vector<float>(frames));
                std::vector<const float*> pointers;
                for (std::size_t i = 0; i < frames * channels; ++i)
                    planes[i % channels][i / channels] = values[i];
                for (const auto& plane : planes) pointers.push_back(plane.data());
                std::vector<std::uint8_t> general(frames * 2 * channels), planar(general.size());
                const std::uint64_t clipped =
                    EncodeInterleaved(f, values.data(), frames, general.data());
                EXPECT_EQ(EncodePlanar(f, pointers.data(), frames, planar.data(),
                                       build.signed16Encode),
                          clipped);
                EXPECT_EQ(planar, general);
                if (frames == values.size() / channels) {
                    EXPECT_GT(clipped, 0u);
                }
            }
        }
    }
}

}  // namespace
}  // namespace zel
