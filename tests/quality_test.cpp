// Conversion quality, row by row: a pure tone converted at a ratio must come out as the
// same tone (at the speed-scaled frequency) with at least the given signal-to-noise ratio,
// and a tone above the output's Nyquist frequency must be stopped.

#include <gtest/gtest.h>

#include <cmath>

#include "engine/convert_file.h"
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
    ASSERT_EQ(ConvertFile(dir / "in.wav", nullptr, dir / "out.wav", {row.outRate, row.speed}).code,
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
    ASSERT_EQ(ConvertFile(dir / "in.wav", nullptr, dir / "out.wav", {8000, 100}).code, kCompleted);
    const auto out = test::LoadWav(dir / "out.wav");
    double energy = 0;
    for (std::int64_t i = 200; i < out.Frames() - 200; ++i)
        energy += 1.0 * out.samples[i] * out.samples[i];
    const double rms = std::sqrt(energy / (out.Frames() - 400));
    // A 6 kHz tone would alias to 2 kHz at 8 kHz; it must be at least 40 dB down.
    EXPECT_LT(rms, 0.5 * 32767 / std::sqrt(2.0) * 0.01);
}

}  // namespace
}  // namespace zel
