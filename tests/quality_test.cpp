// Conversion quality, row by row: a pure tone converted at a ratio must come out as the
// same tone (at the speed-scaled frequency) with at least the given signal-to-noise ratio,
// and a tone above the output's Nyquist frequency must be stopped.

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <numbers>

#include "engine/convert/convert_file.h"
#include "tests/support/temp_dir.h"
#include "tests/support/wav_reader.h"

namespace zel {
namespace {

struct ToneFit {
    double amplitude = 0;
    double snrDb = 0;
};

// Least-squares fit of a sine of known frequency to the left channel, ignoring the ends.
ToneFit FitTone(const test::LoadedWav& wav, double hertz) {
    const int ch = wav.format.channels;
    const std::int64_t frames = wav.Frames();
    const std::int64_t skip = 200;
    double ss = 0, sc = 0, cc = 0, ys = 0, yc = 0;
    for (std::int64_t i = skip; i < frames - skip; ++i) {
        const double w = 2 * M_PI * hertz * i / wav.format.sampleRate;
        const double s = std::sin(w), c = std::cos(w), y = wav.samples[i * ch];
        ss += s * s, sc += s * c, cc += c * c, ys += y * s, yc += y * c;
    }
    const double det = ss * cc - sc * sc;
    const double a = (ys * cc - yc * sc) / det, b = (yc * ss - ys * sc) / det;
    double signal = 0, noise = 0;
    for (std::int64_t i = skip; i < frames - skip; ++i) {
        const double w = 2 * M_PI * hertz * i / wav.format.sampleRate;
        const double model = a * std::sin(w) + b * std::cos(w);
        const double e = wav.samples[i * ch] - model;
        signal += model * model;
        noise += e * e;
    }
    return {std::hypot(a, b), 10 * std::log10(signal / std::max(noise, 1e-9))};
}

struct QualityRow {
    const char* what;
    std::uint32_t inRate;
    std::int32_t outRate;
    std::int32_t speed;
    double hertz;
    double minSnrDb;
};

void PrintTo(const QualityRow& row, std::ostream* os) { *os << row.what; }

class ToneQuality : public ::testing::TestWithParam<QualityRow> {};

TEST_P(ToneQuality, ToneSurvivesWithItsAmplitude) {
    const QualityRow& row = GetParam();
    test::TempDir dir;
    const SignalFormat format{2, 16, row.inRate};
    test::WriteWav(dir / "in.wav", format, SineSignal(format, row.inRate, row.hertz, 0.5));
    ASSERT_EQ(ConvertFile(dir / "in.wav", nullptr, dir / "out.wav", {row.outRate, SpeedFromPercent(row.speed)}).code,
              kCompleted);
    const auto out = test::LoadWav(dir / "out.wav");
    const ToneFit fit = FitTone(out, row.hertz * row.speed / 100.0);
    EXPECT_NEAR(fit.amplitude, 0.5 * 32767, 0.5 * 32767 * 0.01) << row.what;
    EXPECT_GE(fit.snrDb, row.minSnrDb) << row.what;
}

INSTANTIATE_TEST_SUITE_P(
    Ratios, ToneQuality,
    ::testing::Values(QualityRow{"44100 to 48000", 44100, 48000, 100, 1000.0, 68.0},
                      QualityRow{"48000 to 44100", 48000, 44100, 100, 1000.0, 68.0},
                      QualityRow{"8000 to 96000", 8000, 96000, 100, 440.0, 70.0},
                      QualityRow{"96000 to 8000", 96000, 8000, 100, 1000.0, 75.0},
                      QualityRow{"22050 to 44100 at speed 150", 22050, 44100, 150, 500.0, 66.0},
                      QualityRow{"44100 to 44100 at speed 57", 44100, 44100, 57, 3000.0, 75.0}));

TEST(ToneQuality, ToneAboveTheOutputNyquistIsStopped) {
    test::TempDir dir;
    const SignalFormat format{1, 16, 48000};
    test::WriteWav(dir / "in.wav", format, SineSignal(format, 48000, 6000.0, 0.5));
    ASSERT_EQ(ConvertFile(dir / "in.wav", nullptr, dir / "out.wav", {8000, kNormalSpeed}).code, kCompleted);
    const auto out = test::LoadWav(dir / "out.wav");
    double energy = 0;
    for (std::int64_t i = 200; i < out.Frames() - 200; ++i)
        energy += 1.0 * out.samples[i] * out.samples[i];
    const double rms = std::sqrt(energy / (out.Frames() - 400));
    // A 6 kHz tone would alias to 2 kHz at 8 kHz; it must be at least 40 dB down.
    EXPECT_LT(rms, 0.5 * 32767 / std::sqrt(2.0) * 0.01);
}

// ---- Both modes over the transition band, through files ----------------------------------

// Amplitude at `hz` over the middle 80 % of the left channel, under a four-term
// Blackman-Harris window, so a full-scale tone a few kHz away does not leak into the bin.
double WindowedAmplitude(const test::LoadedWav& wav, double hz) {
    constexpr double kTwoPi = 2.0 * std::numbers::pi;
    constexpr double a0 = 0.35875, a1 = 0.48829, a2 = 0.14128, a3 = 0.01168;
    const int ch = wav.format.channels;
    const std::int64_t from = wav.Frames() / 10, length = wav.Frames() - 2 * from;
    std::complex<double> sum;
    double weights = 0.0;
    for (std::int64_t n = 0; n < length; ++n) {
        const double t = kTwoPi * static_cast<double>(n) / static_cast<double>(length - 1);
        const double w = a0 - a1 * std::cos(t) + a2 * std::cos(2 * t) - a3 * std::cos(3 * t);
        const double phase = -kTwoPi * hz * static_cast<double>(from + n) / wav.format.sampleRate;
        sum += w * wav.samples[(from + n) * ch] * std::polar(1.0, phase);
        weights += w;
    }
    return 2.0 * std::abs(sum) / weights;
}

struct BandRow {
    ConversionQuality quality;
    std::uint32_t inRate;
    std::int32_t outRate;
    double toneHz;      // a full-scale tone, or -1 dBFS for passband rows
    double measuredHz;  // where the output is looked at
    bool passband;      // true: |gain| in dB at most `bound`; false: level at most `bound` dBFS
    double bound;
};

std::string Describe(const BandRow& row) {
    const char* const names[] = {"standard ", "high ", "best "};
    return std::string(names[static_cast<int>(row.quality)]) +
           std::to_string(row.inRate) + "->" + std::to_string(row.outRate) + " tone " +
           std::to_string(row.toneHz) + " at " + std::to_string(row.measuredHz);
}

constexpr auto kStd = ConversionQuality::kStandard;
constexpr auto kHigh = ConversionQuality::kHigh;
constexpr auto kBest = ConversionQuality::kBest;

// 16-bit in and out, the high- and best-quality rows with dither. The standard rows hold the filter
// to what it is (its cut-off at the Nyquist frequency lets the upper transition band
// through); the high-quality rows to its targets.
const BandRow kBandRows[] = {
    {kStd, 48000, 44100, 1000, 1000, true, 0.05},
    {kStd, 48000, 44100, 23000, 21100, false, -18},
    {kStd, 96000, 8000, 5000, 3000, false, -9},
    {kStd, 44100, 96000, 20000, 24100, false, -55},
    {kHigh, 48000, 44100, 1000, 1000, true, 0.01},
    {kHigh, 48000, 44100, 19800, 19800, true, 0.01},
    {kHigh, 96000, 8000, 3600, 3600, true, 0.01},
    {kHigh, 48000, 44100, 22100, 22000, false, -120},
    {kHigh, 48000, 44100, 23000, 21100, false, -125},
    {kHigh, 96000, 8000, 4100, 3900, false, -120},
    // Not 5 kHz: its rounding repeats every 96 samples and puts a line at 3 kHz into the
    // input itself, about -115 dBFS, which is in band and rightly passed on.
    {kHigh, 96000, 8000, 5003, 2997, false, -120},
    {kHigh, 44100, 96000, 20000, 24100, false, -125},
    {kHigh, 44100, 48000, 21000, 23100, false, -125},
    // The best mode's passband reaches 0.98 of the lower Nyquist frequency (21609 Hz); in
    // 16-bit files its aliases and images are held to what the dithered rounding allows.
    {kBest, 48000, 44100, 21600, 21600, true, 0.01},
    {kBest, 44100, 96000, 21600, 21600, true, 0.01},
    {kBest, 96000, 8000, 3900, 3900, true, 0.01},
    {kBest, 48000, 44100, 22100, 22000, false, -125},
    {kBest, 96000, 8000, 5003, 2997, false, -120},
    {kBest, 44100, 96000, 20000, 24100, false, -125},
};

TEST(TransitionBand, EachModeMeetsItsBoundThroughAFile) {
    constexpr double kFullScale = 32768.0;
    for (const BandRow& row : kBandRows) {
        test::TempDir dir;
        const SignalFormat format{1, 16, row.inRate};
        const double level = row.passband ? std::pow(10.0, -1.0 / 20.0) : 1.0;
        test::WriteWav(dir / "in.wav", format, SineSignal(format, row.inRate, row.toneHz, level));
        const DitherChoice dither =
            row.quality == ConversionQuality::kStandard ? DitherChoice::kNone : DitherChoice::kTpdf;
        const ConversionSettings settings{row.outRate, kNormalSpeed, row.quality, dither};
        const ConversionOutcome outcome =
            ConvertFile(dir / "in.wav", nullptr, dir / "out.wav", settings, kSse2Kernels);
        ASSERT_EQ(outcome.code, kCompleted) << Describe(row);
        const auto out = test::LoadWav(dir / "out.wav");
        ASSERT_EQ(out.Frames(), row.outRate) << Describe(row);
        const double amplitude = WindowedAmplitude(out, row.measuredHz);
        if (row.passband)  // against the tone as written: full scale is 32767 there
            EXPECT_LE(std::abs(20 * std::log10(amplitude / (32767.0 * level))), row.bound)
                << Describe(row);
        else
            EXPECT_LE(20 * std::log10(amplitude / kFullScale), row.bound) << Describe(row);
    }
}

TEST(TransitionBand, HighQualityCountsTheSamplesItSaturates) {
    test::TempDir dir;
    const SignalFormat format{2, 16, 44100};
    // A full-scale square wave overshoots (Gibbs) on every edge once band-limited.
    SampleValues square(2 * 44100);
    for (std::size_t i = 0; i < square.size(); ++i) square[i] = (i / 2 / 50) % 2 ? 32767 : -32768;
    test::WriteWav(dir / "in.wav", format, square);
    const ConversionSettings high{48000, kNormalSpeed, kHigh};
    const ConversionOutcome clipped = ConvertFile(dir / "in.wav", nullptr, dir / "out.wav", high);
    EXPECT_EQ(clipped.code, kCompleted);
    EXPECT_GT(clipped.clippedSamples, 0);
    const auto out = test::LoadWav(dir / "out.wav");
    EXPECT_EQ(out.Frames(), 48000);
}

}  // namespace
}  // namespace zel
