// Noise-shaped dither, rate by rate. A quiet float signal converted to an integer output
// with --dither shaped must carry less noise where the ear hears best than with plain TPDF
// (under the ITU-R BS.468 curve and in the 2-5 kHz band), keep its length and its tone,
// and come back to shaping after a stretch of hard clipping with its error bounded
// throughout. The error is what the output differs from the same conversion to float.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>
#include <vector>

#include "engine/codec/hearing_weighting.h"
#include "engine/codec/noise_shaping_design.h"
#include "engine/resample/builds/conversion_builds.h"
#include "tests/support/memory_conversion.h"
#include "tests/support/weighted_noise.h"

namespace zel {
namespace {

constexpr std::int32_t kInputRate = 48000;
constexpr double kToneHz = 997.0;
constexpr double kQuietLevel = 0.003;  // about -50 dBFS
// Left out at each end of a measurement: the filter's start and end.
constexpr std::size_t kEdgeFrames = 2048;
constexpr double kBandLowHz = 2000.0;
constexpr double kBandHighHz = 5000.0;
constexpr double kAudibleLowHz = 20.0;
constexpr double kAudibleHighHz = 20000.0;

WavSampleFormat MonoFormat(SampleEncoding encoding, std::int32_t rate) {
    WavSampleFormat f;
    f.encoding = encoding;
    f.channels = 1;
    f.sampleRate = static_cast<std::uint32_t>(rate);
    f.containerBits = f.validBits = ContainerBitsOf(encoding);
    f.blockAlign = static_cast<std::uint16_t>(f.containerBits / 8);
    return f;
}

std::vector<float> Tone(double seconds, double level) {
    std::vector<float> x(static_cast<std::size_t>(seconds * kInputRate));
    for (std::size_t n = 0; n < x.size(); ++n)
        x[n] =
            static_cast<float>(level * std::sin(2 * std::numbers::pi * kToneHz * n / kInputRate));
    return x;
}

struct Converted {
    std::vector<double> samples;  // -1..+1
    std::uint64_t clipped = 0;
};

// The float input at 48 kHz converted to `encoding` at `rate` with `dither`.
Converted Convert(const std::vector<float>& input, std::int32_t rate, SampleEncoding encoding,
                  DitherChoice dither) {
    const ResamplerSetup setup{MonoFormat(SampleEncoding::kFloat32, kInputRate),
                               MonoFormat(encoding, rate),
                               {.targetRate = rate, .dither = dither}};
    const MemoryConversion out = ResampleBytes(
        setup, kReferenceKernels, BuildWithKernels(kReferenceKernels).highQualityKernels,
        {reinterpret_cast<const std::uint8_t*>(input.data()), input.size() * sizeof(float)});
    EXPECT_EQ(out.result, kCompleted);
    Converted result{{}, out.clipped};
    const std::size_t bytes = setup.output.blockAlign;
    for (std::size_t at = 0; at + bytes <= out.data.size(); at += bytes) {
        if (encoding == SampleEncoding::kFloat32) {
            float f;
            std::memcpy(&f, &out.data[at], sizeof f);
            result.samples.push_back(f);
            continue;
        }
        std::uint32_t raw = 0;
        for (std::size_t b = 0; b < bytes; ++b) raw |= std::uint32_t{out.data[at + b]} << (8 * b);
        const int shift = 32 - 8 * static_cast<int>(bytes);
        const auto v = static_cast<std::int32_t>(raw << shift) >> shift;
        result.samples.push_back(
            std::ldexp(static_cast<double>(v), 1 - 8 * static_cast<int>(bytes)));
    }
    return result;
}

// output - reference over [from, size - kEdgeFrames).
std::vector<double> ErrorOf(const std::vector<double>& output, const std::vector<double>& reference,
                            std::size_t from = kEdgeFrames) {
    std::vector<double> error;
    for (std::size_t i = from; i + kEdgeFrames < output.size(); ++i)
        error.push_back(output[i] - reference[i]);
    return error;
}

double Db(double ratio) { return 10.0 * std::log10(ratio); }

double BandPower(const std::vector<double>& error, std::int32_t rate) {
    return WeightedPower(error, rate, NoiseWeighting::kFlat, kBandLowHz, kBandHighHz);
}

// Least-squares amplitude of the tone in the middle of a signal.
double ToneAmplitude(const std::vector<double>& y, std::int32_t rate) {
    double ss = 0, sc = 0, cc = 0, ys = 0, yc = 0;
    for (std::size_t i = kEdgeFrames; i + kEdgeFrames < y.size(); ++i) {
        const double w = 2 * std::numbers::pi * kToneHz * i / rate;
        const double s = std::sin(w), c = std::cos(w);
        ss += s * s, sc += s * c, cc += c * c, ys += y[i] * s, yc += y[i] * c;
    }
    const double det = ss * cc - sc * sc;
    return std::hypot((ys * cc - yc * sc) / det, (yc * ss - ys * sc) / det);
}

struct ShapingRow {
    std::int32_t rate;
    SampleEncoding encoding;
    // The least drops against plain TPDF: BS.468-weighted (20 Hz to 20 kHz) and in the
    // 2-5 kHz band (to Nyquist below 10 kHz), dB.
    double weightedDropDb;
    double bandDropDb;
};

void PrintTo(const ShapingRow& row, std::ostream* os) {
    *os << row.rate << " Hz, " << ContainerBitsOf(row.encoding) << " bits";
}

class ShapedDither : public ::testing::TestWithParam<ShapingRow> {};

TEST_P(ShapedDither, MovesTheNoiseAwayAndKeepsTheSignal) {
    const ShapingRow& row = GetParam();
    const std::vector<float> input = Tone(2.0, kQuietLevel);
    const Converted reference =
        Convert(input, row.rate, SampleEncoding::kFloat32, DitherChoice::kNone);
    const Converted tpdf = Convert(input, row.rate, row.encoding, DitherChoice::kTpdf);
    const Converted shaped = Convert(input, row.rate, row.encoding, DitherChoice::kShaped);
    ASSERT_EQ(shaped.samples.size(), tpdf.samples.size());
    ASSERT_EQ(shaped.samples.size(), reference.samples.size());

    const std::vector<double> tpdfError = ErrorOf(tpdf.samples, reference.samples);
    const std::vector<double> shapedError = ErrorOf(shaped.samples, reference.samples);
    auto weighted = [&](const std::vector<double>& e) {
        return WeightedPower(e, row.rate, NoiseWeighting::kItu468, kAudibleLowHz, kAudibleHighHz);
    };
    EXPECT_LE(Db(weighted(shapedError) / weighted(tpdfError)), -row.weightedDropDb);
    EXPECT_LE(Db(BandPower(shapedError, row.rate) / BandPower(tpdfError, row.rate)),
              -row.bandDropDb);
    // The signal passes untouched: the tone's level within 0.05 dB of the float output's.
    EXPECT_NEAR(20 * std::log10(ToneAmplitude(shaped.samples, row.rate) /
                                ToneAmplitude(reference.samples, row.rate)),
                0.0, 0.05);
    EXPECT_EQ(shaped.clipped, 0u);
}

INSTANTIATE_TEST_SUITE_P(Rates, ShapedDither,
                         ::testing::Values(ShapingRow{8000, SampleEncoding::kSigned16, 2.0, 3.0},
                                           ShapingRow{22050, SampleEncoding::kSigned16, 1.0, 0.3},
                                           ShapingRow{44100, SampleEncoding::kSigned16, 6.0, 6.0},
                                           ShapingRow{48000, SampleEncoding::kSigned16, 7.0, 7.0},
                                           ShapingRow{96000, SampleEncoding::kSigned16, 15.0, 15.0},
                                           ShapingRow{48000, SampleEncoding::kSigned24, 7.0,
                                                      7.0}));

struct ClippingRow {
    std::int32_t rate;
    double bandDropDb;  // the least drop in 2-5 kHz after the clipping, dB
};

void PrintTo(const ClippingRow& row, std::ostream* os) { *os << row.rate << " Hz"; }

class ShapedDitherClipping : public ::testing::TestWithParam<ClippingRow> {};

TEST_P(ShapedDitherClipping, StaysBoundedThroughClippingAndShapesAgainAfter) {
    const ClippingRow& row = GetParam();
    // Half a second of a 100 Hz square wave a quarter beyond full scale, then the quiet tone.
    constexpr double kBurstSeconds = 0.5;
    std::vector<float> input = Tone(2.5, kQuietLevel);
    const auto burst = static_cast<std::size_t>(kBurstSeconds * kInputRate);
    for (std::size_t n = 0; n < burst; ++n) input[n] = (n / 240) % 2 ? 1.25f : -1.25f;

    const Converted reference =
        Convert(input, row.rate, SampleEncoding::kFloat32, DitherChoice::kNone);
    const Converted tpdf = Convert(input, row.rate, SampleEncoding::kSigned16, DitherChoice::kTpdf);
    const Converted shaped =
        Convert(input, row.rate, SampleEncoding::kSigned16, DitherChoice::kShaped);
    ASSERT_EQ(shaped.samples.size(), reference.samples.size());
    EXPECT_GT(shaped.clipped, 0u);

    // Against the float output saturated as the codec saturates: a few steps at most
    // anywhere (about four measured), where a loop fed its saturated error would run
    // off by whole fractions of full scale.
    constexpr double kStep = 1.0 / 32768.0;
    double worst = 0.0;
    for (std::size_t i = 0; i < shaped.samples.size(); ++i) {
        const double saturated = std::clamp(reference.samples[i], -1.0, 1.0 - kStep);
        worst = std::max(worst, std::abs(shaped.samples[i] - saturated));
    }
    EXPECT_LE(worst / kStep, 16.0);

    const std::size_t after = static_cast<std::size_t>(kBurstSeconds * row.rate) + kEdgeFrames;
    const std::vector<double> tpdfError = ErrorOf(tpdf.samples, reference.samples, after);
    const std::vector<double> shapedError = ErrorOf(shaped.samples, reference.samples, after);
    EXPECT_LE(Db(BandPower(shapedError, row.rate) / BandPower(tpdfError, row.rate)),
              -row.bandDropDb);
}

INSTANTIATE_TEST_SUITE_P(Rates, ShapedDitherClipping,
                         ::testing::Values(ClippingRow{8000, 3.0}, ClippingRow{44100, 6.0},
                                           ClippingRow{96000, 15.0}));

// A tone of about one step (-90 dBFS) reduced to 16 bits: rounded alone, its error follows
// the tone and shows as harmonics; dithered, plain or shaped, the error is noise and no
// harmonic stands above the floor around it.
struct HarmonicsRow {
    DitherChoice dither;
    bool harmonicsShow;
};

void PrintTo(const HarmonicsRow& row, std::ostream* os) {
    *os << (row.dither == DitherChoice::kNone     ? "none"
            : row.dither == DitherChoice::kTpdf ? "tpdf"
                                                : "shaped");
}

class QuietToneHarmonics : public ::testing::TestWithParam<HarmonicsRow> {};

TEST_P(QuietToneHarmonics, StandAboveTheFloorOnlyWithoutDither) {
    constexpr double kMinus90Dbfs = 3.1623e-5;
    constexpr std::size_t kSegment = 8192;
    constexpr double kBinHz = static_cast<double>(kInputRate) / kSegment;
    constexpr int kPeakBins = 3;    // a Hann-windowed line's half width
    constexpr int kFloorBins = 40;  // each side, past the line
    const Converted out = Convert(Tone(4.0, kMinus90Dbfs), kInputRate, SampleEncoding::kSigned16,
                                  GetParam().dither);
    const std::vector<double> spectrum = PowerSpectrum(out.samples, kSegment);
    double worstRiseDb = -1e9;
    for (const int harmonic : {2, 3, 4, 5}) {
        const int centre = static_cast<int>(std::lround(harmonic * kToneHz / kBinHz));
        double line = 0.0;
        for (int b = centre - kPeakBins; b <= centre + kPeakBins; ++b) line += spectrum[b];
        std::vector<double> around;
        for (int d = kPeakBins + 1; d <= kPeakBins + kFloorBins; ++d)
            around.insert(around.end(), {spectrum[centre - d], spectrum[centre + d]});
        std::nth_element(around.begin(), around.begin() + around.size() / 2, around.end());
        const double floor = around[around.size() / 2] * (2 * kPeakBins + 1) + 1e-30;
        worstRiseDb = std::max(worstRiseDb, Db(line / floor));
    }
    if (GetParam().harmonicsShow)
        EXPECT_GT(worstRiseDb, 20.0);
    else
        EXPECT_LT(worstRiseDb, 6.0);
}

INSTANTIATE_TEST_SUITE_P(Dithers, QuietToneHarmonics,
                         ::testing::Values(HarmonicsRow{DitherChoice::kNone, true},
                                           HarmonicsRow{DitherChoice::kTpdf, false},
                                           HarmonicsRow{DitherChoice::kShaped, false}));

// Every rate the window offers and some between: the filter keeps to its limits, is
// minimum phase (the mean of ln |NTF|^2 over the band is 0 exactly then) and lowers the
// noise under the weighting it was designed for.
TEST(NoiseShapingDesign, EveryRateGetsABoundedMinimumPhaseFilter) {
    constexpr int kPoints = 8192;
    const NoiseShapingLimits limits;
    for (const double rate : {8000.0, 11025.0, 12000.0, 16000.0, 22050.0, 24000.0, 32000.0, 37800.0,
                              44100.0, 48000.0, 50000.0, 64000.0, 88200.0, 96000.0}) {
        const NoiseShapingFilter filter = DesignNoiseShaping(rate);
        double peak = 0.0, logMean = 0.0, weighted = 0.0, weights = 0.0;
        for (int i = 0; i < kPoints; ++i) {
            const double hz = (i + 0.5) * rate / (2.0 * kPoints);
            const double gain = NoiseGainAt(filter, hz, rate);
            const double weight = std::pow(10.0, EarWeightingDb(hz) / 10.0);
            peak = std::max(peak, gain);
            logMean += std::log(gain) / kPoints;
            weighted += weight * gain;
            weights += weight;
        }
        EXPECT_LE(Db(NoisePowerGain(filter)), limits.powerGainDb + 1e-9) << rate;
        EXPECT_LE(Db(peak), limits.peakGainDb + 0.05) << rate;
        EXPECT_NEAR(logMean, 0.0, 1e-3) << rate;
        EXPECT_LE(Db(weighted / weights), -0.5) << rate;
    }
}

}  // namespace
}  // namespace zel
