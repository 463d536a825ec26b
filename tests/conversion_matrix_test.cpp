// Every encoding, channel count, quality and dither setting through the product's file
// driver: a different tone in each channel goes in, and each output channel must hold its
// own tone at the right length, format and level, with no more noise than its encoding's
// step and its filter allow. The model is the tone itself, computed in double precision
// at the output's sample times.

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <string>
#include <vector>

#include "cpu/cpu_features.h"
#include "engine/base/file_byte_source.h"
#include "engine/codec/sample_codec.h"
#include "engine/convert/convert_file.h"
#include "engine/resample/builds/conversion_builds.h"
#include "engine/wav/wav_chunk_reader.h"
#include "engine/wav/wav_header_writer.h"
#include "tests/support/temp_dir.h"
#include "tools/synthetic_wav.h"

namespace zel {
namespace {

constexpr std::int64_t kInputFrames = 24001;  // odd, and more than one block

struct Ratio {
    std::uint32_t inputRate;
    std::int32_t targetRate;
    std::int32_t speedPercent;
};
// A ratio near 1 with a speed change, and a decimation that takes the high-quality
// mode through its halvings.
constexpr Ratio kRatios[] = {{44100, 32000, 90}, {96000, 8000, 100}};
constexpr double kAmplitude = 0.5;
// Output frames left out at each end: the filters' edges repeat the first and last frame.
constexpr std::int64_t kEdgeFrames = 200;

double ToneFrequency(int channel) { return 210.0 + 163.0 * channel; }
double TonePhase(int channel) { return 0.7 * channel; }

struct EncodingRow {
    const char* name;
    SampleEncoding encoding;
    std::uint16_t bits;
    // Signal to noise the output must reach, standard filter and high quality (dB).
    double standardSnr;
    double highSnr;
};

// The standard filter's own error (Hamming window, 51 taps) caps it near 55 dB; high
// quality reaches each encoding's own step.
constexpr EncodingRow kEncodings[] = {
    {"u8", SampleEncoding::kUnsigned8, 8, 35, 35},
    {"s16", SampleEncoding::kSigned16, 16, 50, 85},
    {"s24", SampleEncoding::kSigned24, 24, 50, 120},
    {"s32", SampleEncoding::kSigned32, 32, 50, 120},
    {"f32", SampleEncoding::kFloat32, 32, 50, 120},
    {"f64", SampleEncoding::kFloat64, 64, 50, 120},
    {"mulaw", SampleEncoding::kMuLaw, 8, 30, 30},
    {"alaw", SampleEncoding::kALaw, 8, 30, 30},
};
constexpr int kChannelCounts[] = {1, 2, 3, 6};

WavSampleFormat FormatOf(const EncodingRow& row, int channels, const Ratio& ratio) {
    WavSampleFormat f;
    f.encoding = row.encoding;
    f.channels = static_cast<std::uint16_t>(channels);
    f.sampleRate = ratio.inputRate;
    f.containerBits = row.bits;
    f.validBits = row.bits;
    f.blockAlign = static_cast<std::uint16_t>(channels * row.bits / 8);
    return f;
}

bool WriteToneFile(const std::filesystem::path& path, const WavSampleFormat& format) {
    std::vector<float> samples;
    for (std::int64_t i = 0; i < kInputFrames; ++i)
        for (int c = 0; c < format.channels; ++c)
            samples.push_back(
                static_cast<float>(kAmplitude * std::sin(2.0 * std::numbers::pi * ToneFrequency(c) *
                                                             i / format.sampleRate +
                                                         TonePhase(c))));
    std::vector<std::uint8_t> data(static_cast<std::size_t>(kInputFrames) * format.blockAlign);
    EncodeInterleaved(format, samples.data(), kInputFrames, data.data());
    WavOutputHeader header = ComposeWavHeader(format, {}, data.size());
    if (!CompleteWavHeader(header, data.size(), kInputFrames, 0)) return false;
    std::vector<std::uint8_t> bytes = header.bytes;
    bytes.insert(bytes.end(), data.begin(), data.end());
    return WriteFileBytes(path, bytes);
}

struct ReadBack {
    WavSampleFormat format;
    std::int64_t frames = 0;
    std::vector<float> samples;  // interleaved
};

ReadBack ReadOutput(const std::filesystem::path& path) {
    ReadBack out;
    FileByteSource source(path);
    const WavReadOutcome read = ReadWavLayout(source);
    if (!read.Accepted()) return out;
    out.format = read.layout.format;
    out.frames = static_cast<std::int64_t>(read.layout.frameCount);
    std::vector<std::uint8_t> data(read.layout.dataBytes);
    if (!source.ReadAt(read.layout.dataOffset, data.data(), data.size())) return out;
    out.samples.resize(static_cast<std::size_t>(out.frames) * out.format.channels);
    DecodeInterleaved(out.format, data.data(), static_cast<std::size_t>(out.frames),
                      out.samples.data());
    return out;
}

struct ToneFit {
    double gain = 0.0;        // fitted amplitude over the input's
    double noisePower = 0.0;  // mean square of what the tone does not explain
};

// Least squares of sine and cosine at the tone's output frequency, away from the edges.
ToneFit FitTone(const ReadBack& out, int channel, const Ratio& ratio) {
    const double step = 2.0 * std::numbers::pi * ToneFrequency(channel) * ratio.speedPercent /
                        (100.0 * ratio.targetRate);
    double ss = 0, cc = 0, sc = 0, sy = 0, cy = 0;
    const std::int64_t last = out.frames - kEdgeFrames;
    for (std::int64_t j = kEdgeFrames; j < last; ++j) {
        const double s = std::sin(step * j), c = std::cos(step * j);
        const double y = out.samples[static_cast<std::size_t>(j * out.format.channels + channel)];
        ss += s * s, cc += c * c, sc += s * c, sy += s * y, cy += c * y;
    }
    const double det = ss * cc - sc * sc;
    const double a = (sy * cc - cy * sc) / det, b = (cy * ss - sy * sc) / det;
    double residual = 0;
    for (std::int64_t j = kEdgeFrames; j < last; ++j) {
        const double y = out.samples[static_cast<std::size_t>(j * out.format.channels + channel)];
        const double e = y - a * std::sin(step * j) - b * std::cos(step * j);
        residual += e * e;
    }
    return {std::hypot(a, b) / kAmplitude, residual / static_cast<double>(last - kEdgeFrames)};
}

// One output step's rounding noise (step^2 / 12) on the -1..+1 scale.
double RoundingNoisePower(std::uint16_t bits) {
    const double step = std::ldexp(1.0, 1 - bits);
    return step * step / 12.0;
}

struct Setting {
    const Ratio* ratio;
    const ConversionBuild* build;
    bool high;
    bool dither;
};

// Length, format, and each channel's tone, level and noise.
void CheckOutput(const ReadBack& out, const EncodingRow& row, int channels, const Setting& setting,
                 const std::string& what) {
    EXPECT_EQ(out.format.encoding, row.encoding) << what;
    EXPECT_EQ(out.format.channels, channels) << what;
    EXPECT_EQ(out.format.validBits, row.bits) << what;
    const Ratio& ratio = *setting.ratio;
    EXPECT_EQ(out.format.sampleRate, static_cast<std::uint32_t>(ratio.targetRate)) << what;
    const double exact = static_cast<double>(kInputFrames) * ratio.targetRate * 100.0 /
                         (static_cast<double>(ratio.inputRate) * ratio.speedPercent);
    EXPECT_NEAR(static_cast<double>(out.frames), exact, 1.0) << what;
    if (out.frames < 4 * kEdgeFrames) return;
    const bool smallInteger =
        row.encoding == SampleEncoding::kUnsigned8 || row.encoding == SampleEncoding::kSigned16;
    for (int c = 0; c < channels; ++c) {
        const ToneFit fit = FitTone(out, c, ratio);
        const double signalPower = kAmplitude * kAmplitude / 2.0;
        const double snr = 10.0 * std::log10(signalPower / fit.noisePower);
        EXPECT_NEAR(fit.gain, 1.0, 0.01) << what << " channel " << c;
        EXPECT_GE(snr, setting.high ? row.highSnr : row.standardSnr) << what << " channel " << c;
        if (!setting.high || !smallInteger) continue;
        // The output's rounding adds one step's noise to the input's own (which the filter
        // passes in part): 1.1 to 1.8 steps' worth. TPDF dither of one step each side adds
        // two more.
        const double ratio = fit.noisePower / RoundingNoisePower(row.bits);
        if (setting.dither) {
            EXPECT_GT(ratio, 2.7) << what << " channel " << c;
            EXPECT_LT(ratio, 4.4) << what << " channel " << c;
        } else {
            EXPECT_LT(ratio, 2.2) << what << " channel " << c;
        }
    }
}

// Every build this processor runs, both qualities, dither on and off.
std::vector<Setting> EverySetting(const Ratio& ratio) {
    std::vector<Setting> settings;
    const SimdLevel highest = MaxSimdLevel(DetectCpuFeatures(nullptr));
    for (const ConversionBuild& build : ConversionBuilds())
        if (build.level <= highest)
            for (const bool high : {false, true})
                for (const bool dither : {false, true})
                    settings.push_back({&ratio, &build, high, dither});
    return settings;
}

TEST(ConversionMatrix, EveryEncodingChannelQualityDitherAndBuildKeepsEachChannelsTone) {
    test::TempDir dir;
    for (const Ratio& ratio : kRatios) {
        const std::vector<Setting> settings = EverySetting(ratio);
        for (const EncodingRow& row : kEncodings) {
            for (const int channels : kChannelCounts) {
                const std::string stem = std::string(row.name) + "_c" + std::to_string(channels) +
                                         "_" + std::to_string(ratio.inputRate);
                const auto input = dir / (stem + ".wav");
                ASSERT_TRUE(WriteToneFile(input, FormatOf(row, channels, ratio))) << stem;
                for (const Setting& setting : settings) {
                    const std::string what = stem + " " + setting.build->name +
                                             (setting.high ? " high" : " standard") +
                                             (setting.dither ? " dither" : "");
                    const auto output = dir / (stem + "_out.wav");
                    ConversionSettings conversion{.targetRate = ratio.targetRate, .speed = SpeedFromPercent(ratio.speedPercent)};
                    conversion.quality =
                        setting.high ? ConversionQuality::kHigh : ConversionQuality::kStandard;
                    conversion.dither = setting.dither ? DitherChoice::kTpdf : DitherChoice::kNone;
                    ASSERT_EQ(
                        ConvertFile(input, nullptr, output, conversion, setting.build->kernels)
                            .code,
                        kCompleted)
                        << what;
                    CheckOutput(ReadOutput(output), row, channels, setting, what);
                }
            }
        }
    }
}

}  // namespace
}  // namespace zel
