// The high-quality mode in memory: its rejection, passband and distortion over the
// transition band (one table of ratio, tone and bound), and the stream's promises: exact
// length whatever the push size, output aligned in time with the input, bounded tables for
// awkward ratios, counted clipping and dither.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstring>
#include <cstdint>
#include <numbers>
#include <random>
#include <string>
#include <vector>

#include "cpu/cpu_features.h"
#include "engine/resample/builds/conversion_builds.h"
#include "engine/resample/hq/equiripple_prototype.h"
#include "engine/resample/hq/high_quality_kernels.h"
#include "engine/resample/hq/high_quality_resampler.h"
#include "tests/support/high_quality_conversion.h"
#include "tests/support/memory_conversion.h"
#include "tests/support/runnable_build.h"

namespace zel {
namespace {

constexpr double kFullScale = 32768.0;
constexpr double kTwoPi = 2.0 * std::numbers::pi;

// The builds this processor runs, highest first.
std::vector<const ConversionBuild*> RunnableBuilds() {
    std::vector<const ConversionBuild*> builds;
    const SimdLevel highest = MaxSimdLevel(DetectCpuFeatures(nullptr));
    for (const ConversionBuild& build : ConversionBuilds())
        if (build.level <= highest) builds.push_back(&build);
    return builds;
}

const HighQualityKernels& FastestKernels() { return RunnableBuilds().front()->highQualityKernels; }

std::vector<double> Tone(double hz, std::int32_t rate, std::int64_t frames, double amplitude) {
    std::vector<double> x(static_cast<std::size_t>(frames));
    for (std::int64_t n = 0; n < frames; ++n)
        x[n] = amplitude * std::sin(kTwoPi * hz * static_cast<double>(n) / rate);
    return x;
}

// Amplitude at `hz` over y[from, from + length), the length holding whole cycles of every
// tone looked at, so that a plain DFT bin sees no leakage from them.
double AmplitudeAt(const std::vector<double>& y, std::int64_t from, std::int64_t length, double hz,
                   std::int32_t rate) {
    std::complex<double> sum;
    for (std::int64_t n = 0; n < length; ++n)
        sum += y[from + n] * std::polar(1.0, -kTwoPi * hz * static_cast<double>(n) / rate);
    return 2.0 * std::abs(sum) / static_cast<double>(length);
}

double Decibels(double ratio) { return 20.0 * std::log10(ratio); }

enum class Measure { kGainDb, kLevelDbfs, kThdPlusNoiseDb };
// kDithered16: 16-bit in and out with TPDF dither. Undithered, the rounding error of these
// periodic tones gathers in a few bins, the measured one among them, and swamps the alias.
// kRounded16: float in, 16-bit out without dither, for the distortion of one rounding.
enum class Samples { kDithered16, kRounded16, kFloat };

struct QualityCase {
    std::int32_t inputRate;
    std::int32_t outputRate;
    double toneHz;
    double toneDbfs;
    double measuredHz;  // where the output is looked at
    Measure measure;
    Samples samples;
    double bound;  // kGainDb: |gain| at most this; otherwise the level at most this
};

// The lower Nyquist frequency of 44.1 <-> 48 kHz is 22050 Hz, the passband edge 19845 Hz.
const QualityCase kQualityCases[] = {
    // Passband, float in and out: within 0.01 dB up to 0.9 x the lower Nyquist frequency.
    {44100, 48000, 1000, -1, 1000, Measure::kGainDb, Samples::kFloat, 0.01},
    {44100, 48000, 19840, -1, 19840, Measure::kGainDb, Samples::kFloat, 0.01},
    {48000, 44100, 19840, -1, 19840, Measure::kGainDb, Samples::kFloat, 0.01},
    {96000, 8000, 3600, -1, 3600, Measure::kGainDb, Samples::kFloat, 0.01},
    {44100, 96000, 19840, -1, 19840, Measure::kGainDb, Samples::kFloat, 0.01},
    {96000, 44100, 19840, -1, 19840, Measure::kGainDb, Samples::kFloat, 0.01},
    // Aliases and images of full-scale tones, 16-bit in and out.
    {48000, 44100, 23000, 0, 21100, Measure::kLevelDbfs, Samples::kDithered16, -125},
    {96000, 8000, 5000, 0, 3000, Measure::kLevelDbfs, Samples::kDithered16, -120},
    {44100, 96000, 20000, 0, 24100, Measure::kLevelDbfs, Samples::kDithered16, -125},
    // The stopband from its edge on, float out: at least 140 dB down.
    {48000, 44100, 22100, 0, 22000, Measure::kLevelDbfs, Samples::kFloat, -140},
    {48000, 44100, 23000, 0, 21100, Measure::kLevelDbfs, Samples::kFloat, -140},
    {48000, 44100, 30000, 0, 14100, Measure::kLevelDbfs, Samples::kFloat, -140},
    {96000, 8000, 4100, 0, 3900, Measure::kLevelDbfs, Samples::kFloat, -140},
    {96000, 8000, 30000, 0, 2000, Measure::kLevelDbfs, Samples::kFloat, -140},
    {44100, 96000, 20000, 0, 24100, Measure::kLevelDbfs, Samples::kFloat, -140},
    {44100, 48000, 21000, 0, 23100, Measure::kLevelDbfs, Samples::kFloat, -140},
    // Decimation near 2:1, where every other output's taps are moved on by two or three
    // frames.
    {96000, 44100, 22100, 0, 22000, Measure::kLevelDbfs, Samples::kFloat, -140},
    {96000, 44100, 27000, 0, 17100, Measure::kLevelDbfs, Samples::kFloat, -140},
    {96000, 44100, 47000, 0, 2900, Measure::kLevelDbfs, Samples::kFloat, -140},
    // Distortion and noise of a 16-bit result.
    {44100, 48000, 1000, -1, 1000, Measure::kThdPlusNoiseDb, Samples::kRounded16, -95},
};

std::string Describe(const QualityCase& c) {
    return std::to_string(c.inputRate) + "->" + std::to_string(c.outputRate) + " tone " +
           std::to_string(c.toneHz) + " at " + std::to_string(c.measuredHz);
}

// One second of output from the middle, clear of both ends' filter reach.
std::vector<double> Convert(const QualityCase& c, std::int64_t& from) {
    const std::int64_t frames = 2 * c.inputRate;
    const std::vector<double> x =
        Tone(c.toneHz, c.inputRate, frames, kFullScale * std::pow(10.0, c.toneDbfs / 20.0));
    from = c.outputRate / 2;
    if (c.samples != Samples::kDithered16) {
        std::vector<std::vector<float>> planar(1, std::vector<float>(x.begin(), x.end()));
        auto y = ResampleFloatHighQuality(FastestKernels(), c.inputRate, c.outputRate, 100, planar,
                                          4096);
        if (y.empty()) return {};
        if (c.samples == Samples::kRounded16) {
            // A 16-bit output's step.
            for (float& v : y[0]) v = std::clamp(std::nearbyint(v), -32768.0f, 32767.0f);
        }
        return std::vector<double>(y[0].begin(), y[0].end());
    }
    std::vector<std::int16_t> in(x.size());
    for (std::size_t i = 0; i < x.size(); ++i)
        in[i] = static_cast<std::int16_t>(std::clamp(std::round(x[i]), -32768.0, 32767.0));
    const HighQualityInt16Result r =
        ResampleInt16HighQuality(FastestKernels(), 1, c.inputRate, c.outputRate, 100, in, true);
    return std::vector<double>(r.samples.begin(), r.samples.end());
}

TEST(HighQualityMode, MeetsItsBoundsAcrossPassbandTransitionAndStopband) {
    for (const QualityCase& c : kQualityCases) {
        std::int64_t from = 0;
        const std::vector<double> y = Convert(c, from);
        ASSERT_EQ(static_cast<std::int64_t>(y.size()), 2 * c.outputRate) << Describe(c);
        const std::int64_t length = c.outputRate;
        const double input = kFullScale * std::pow(10.0, c.toneDbfs / 20.0);
        const double level = AmplitudeAt(y, from, length, c.measuredHz, c.outputRate);
        switch (c.measure) {
            case Measure::kGainDb:
                EXPECT_LE(std::abs(Decibels(level / input)), c.bound)
                    << Describe(c) << ": gain " << Decibels(level / input) << " dB";
                break;
            case Measure::kLevelDbfs:
                EXPECT_LE(Decibels(level / kFullScale), c.bound)
                    << Describe(c) << ": " << Decibels(level / kFullScale) << " dBFS";
                break;
            case Measure::kThdPlusNoiseDb: {
                double power = 0.0;
                for (std::int64_t n = 0; n < length; ++n) power += y[from + n] * y[from + n];
                power /= static_cast<double>(length);
                const double fundamental = level * level / 2.0;
                const double ratio = 10.0 * std::log10((power - fundamental) / fundamental);
                EXPECT_LE(ratio, c.bound) << Describe(c) << ": THD+N " << ratio << " dB";
                break;
            }
        }
    }
}

// ---- The stream ---------------------------------------------------------------------------

std::vector<std::vector<float>> Noise(int channels, std::int64_t frames, std::uint32_t seed) {
    std::mt19937 random(seed);
    std::uniform_real_distribution<float> sample(-20000.0f, 20000.0f);
    std::vector<std::vector<float>> planar(channels, std::vector<float>(frames));
    for (auto& channel : planar)
        for (float& v : channel) v = sample(random);
    return planar;
}

struct Rates {
    std::int32_t input, output, speed;
};

// Exact phases, a table of exact phases large enough to be gathered into batches (44.1 kHz
// at 95 %: Q = 3200), interpolated phases (11127 Hz at 77 % has a reduced Q in the
// millions), a decimation of 24 and speeds off 100; upsampling whose outputs share their
// input frames in pairs (44.1 -> 96 kHz), and decimation near 2:1.
constexpr Rates kStreamRates[] = {{44100, 48000, 100}, {48000, 44100, 100}, {44100, 48000, 95},
                                  {11127, 96000, 77},  {96000, 8000, 200},  {22254, 44100, 73},
                                  {8000, 8000, 100},   {44100, 96000, 100}, {96000, 44100, 100}};

// The designer's answer is the best there is only if its weighted error peaks equally in
// both bands and at least K + 2 times with alternating sign; a wrong exchange still gives a
// usable but longer filter, which the bounds above would not notice.
TEST(HighQualityMode, EquirippleDesignSpreadsItsErrorEvenly) {
    const EquirippleSpec specs[] = {{20, 0.2, 0.3, 10.0}, PrototypeCoarseSpec()};
    for (const EquirippleSpec& spec : specs) {
        const std::vector<double> h = DesignEquiripple(spec);
        ASSERT_EQ(h.size(), static_cast<std::size_t>(2 * spec.half + 1)) << spec.half;
        // Weighted error over both bands, on a grid much finer than the designer's.
        std::vector<double> errors;
        double peak[2] = {0.0, 0.0};
        constexpr int kPoints = 40000;
        for (int i = 0; i <= kPoints; ++i) {
            const double f = 0.5 * i / kPoints;
            const bool pass = f <= spec.passEdge;
            if (!pass && f < spec.stopEdge) continue;
            double response = h[spec.half];
            for (std::int64_t n = 1; n <= spec.half; ++n)
                response += 2.0 * h[spec.half + n] * std::cos(kTwoPi * f * n);
            errors.push_back(pass ? response - 1.0 : response * spec.stopWeight);
            peak[pass ? 0 : 1] = std::max(peak[pass ? 0 : 1], std::abs(errors.back()));
        }
        // The designer sees about 16 points per ripple; between them a peak rises a few
        // percent higher.
        EXPECT_NEAR(peak[1] / peak[0], 1.0, 0.1) << spec.half;
        int alternations = 0;
        double lastSign = 0.0;
        for (double e : errors)
            if (std::abs(e) > 0.99 * peak[0] && e * lastSign <= 0.0) ++alternations, lastSign = e;
        EXPECT_GE(alternations, spec.half + 2) << spec.half;
        if (&spec == &specs[1]) {  // the high-quality prototype's: -150 dB and better
            EXPECT_LT(Decibels(peak[1] / spec.stopWeight), -150.0);
        }
    }
}

// The prototype's coarse design is stored in the source instead of designed per process:
// it must be what the designer gives for today's design settings, or changed settings would
// go on converting with yesterday's filter (bench/print_prototype_taps writes it anew).
TEST(HighQualityMode, StoredPrototypeIsTheDesignersOwn) {
    const EquirippleSpec spec = PrototypeCoarseSpec();
    const std::vector<double> stored = StoredCoarseDesign(spec);
    const std::vector<double> designed = DesignEquiripple(spec);
    ASSERT_EQ(stored.size(), designed.size()) << "run bench/print_prototype_taps";
    // Another processor's arithmetic (arm64 fuses multiply-adds, its libm rounds otherwise)
    // moves the iterative design by up to about 3e-11; a stale table is off by far more.
    constexpr double kSameDesign = 1e-9;
    for (std::size_t i = 0; i < stored.size(); ++i)
        EXPECT_NEAR(stored[i], designed[i], kSameDesign) << i;
    EquirippleSpec other = spec;
    other.stopWeight *= 2.0;
    EXPECT_TRUE(StoredCoarseDesign(other).empty());
}

TEST(HighQualityMode, LengthIsExactAndOutputIdenticalWhateverThePushSize) {
    for (const Rates& r : kStreamRates) {
        // 100003 frames of three channels fill a large table's batch twice over.
        for (std::int64_t frames : {0, 1, 2, 999, 20011, 100003}) {
            const auto x = Noise(3, frames, 5);
            const auto whole =
                ResampleFloatHighQuality(FastestKernels(), r.input, r.output, r.speed, x, 8192);
            ASSERT_EQ(whole.size(), 3u);
            // round(frames x output rate / (input rate x speed)), in integers.
            const std::int64_t num = frames * r.output * 100;
            const std::int64_t den = std::int64_t{r.input} * r.speed;
            const std::int64_t expected = (2 * num + den) / (2 * den);
            EXPECT_EQ(static_cast<std::int64_t>(whole[0].size()), expected)
                << r.input << "->" << r.output << " speed " << r.speed << " frames " << frames;
            for (std::int64_t push : {1, 7, 1000}) {
                if (push == 1 && frames > 999) continue;  // slow, and says nothing more
                const auto pieces =
                    ResampleFloatHighQuality(FastestKernels(), r.input, r.output, r.speed, x, push);
                EXPECT_EQ(pieces, whole) << r.input << "->" << r.output << " push " << push;
            }
        }
    }
}

// A low tone comes out where the ideal converter puts it: no delay, no drift. The gain may
// differ from 1 by the passband ripple, so the tone is fitted and its phase checked.
TEST(HighQualityMode, OutputIsAlignedWithTheInputInTime) {
    for (const Rates& r : kStreamRates) {
        const double hz = 440.0 * r.speed / 100.0 > 0.3 * r.output ? 100.0 : 440.0;
        const std::int64_t frames = r.input;
        const std::vector<double> x = Tone(hz, r.input, frames, 10000.0);
        const auto y = ResampleFloatHighQuality(FastestKernels(), r.input, r.output, r.speed,
                                                {std::vector<float>(x.begin(), x.end())}, 8192);
        ASSERT_EQ(y.size(), 1u);
        const double outputHz = hz * r.speed / 100.0;
        const std::int64_t count = static_cast<std::int64_t>(y[0].size());
        // Least squares for y = a sin + b cos over the middle half.
        double ss = 0.0, cc = 0.0, sc = 0.0, ys = 0.0, yc = 0.0;
        for (std::int64_t j = count / 4; j < 3 * count / 4; ++j) {
            const double s = std::sin(kTwoPi * outputHz * j / r.output);
            const double c = std::cos(kTwoPi * outputHz * j / r.output);
            ss += s * s, cc += c * c, sc += s * c, ys += y[0][j] * s, yc += y[0][j] * c;
        }
        const double det = ss * cc - sc * sc;
        const double a = (ys * cc - yc * sc) / det;
        const double b = (yc * ss - ys * sc) / det;
        double worst = 0.0;
        for (std::int64_t j = count / 4; j < 3 * count / 4; ++j)
            worst =
                std::max(worst, std::abs(y[0][j] - a * std::sin(kTwoPi * outputHz * j / r.output) -
                                         b * std::cos(kTwoPi * outputHz * j / r.output)));
        // A shift of one output frame would be a phase of 2 pi x 100 / 96000 = 0.0065 at the
        // least; the gain is within 0.01 dB, and nothing else is there (-100 dB).
        EXPECT_LT(std::abs(std::atan2(b, a)), 1e-5)
            << r.input << "->" << r.output << " speed " << r.speed;
        EXPECT_NEAR(std::hypot(a, b), 10000.0, 10000.0 * 0.00115) << r.input << "->" << r.output;
        EXPECT_LT(worst, 0.1) << r.input << "->" << r.output << " speed " << r.speed;
    }
}

TEST(HighQualityMode, TablesStayBoundedForEveryRatio) {
    for (const Rates& r : kStreamRates) {
        HighQualityResampler resampler(FastestKernels());
        ASSERT_TRUE(resampler.Prepare(r.input, r.output, SpeedFromPercent(r.speed), 2)) << r.input;
        EXPECT_LT(resampler.Filter().TableBytes(), kMaxHighQualityTableBytes) << r.input;
    }
    // Decimation by 24 halves the rate four times; the final filter converts 3:2.
    HighQualityResampler decimating(FastestKernels());
    ASSERT_TRUE(decimating.Prepare(96000, 8000, SpeedFromPercent(200), 2));
    EXPECT_EQ(decimating.Halvings(), 4);
    HighQualityResampler awkward(FastestKernels());
    ASSERT_TRUE(awkward.Prepare(11127, 96000, SpeedFromPercent(77), 2));
    EXPECT_FALSE(awkward.Filter().Exact());
}

// Sums of up to thousands of terms near full scale, rounded in their own orders.
constexpr float kSumTolerance = 0.25f;

// The builds with high-quality kernels of their own: SSE2, AVX2/FMA, AVX-512.
constexpr SimdLevel kKernelLevels[] = {2, 5, 6};

// The build of `level`, or a skip naming why it cannot run here.
class HighQualityKernelBuild : public ::testing::TestWithParam<SimdLevel> {
  protected:
    void SetUp() override {
        if (const std::string why = WhyBuildCannotRunHere(GetParam()); !why.empty())
            GTEST_SKIP() << why;
        kernels_ = &BuildForLevel(GetParam()).highQualityKernels;
    }
    const HighQualityKernels* kernels_ = nullptr;
};

TEST_P(HighQualityKernelBuild, AgreesWithTheScalarReference) {
    // 96 kHz to 8 kHz at its own speed: rows of 208 taps, a whole number of sixteen.
    std::vector<Rates> rates(std::begin(kStreamRates), std::end(kStreamRates));
    rates.push_back({96000, 8000, 100});
    for (const Rates& r : rates) {
        const auto x = Noise(3, 3001, 9);
        const auto expected =
            ResampleFloatHighQuality(kHighQualityScalarKernels, r.input, r.output, r.speed, x, 512);
        const auto got = ResampleFloatHighQuality(*kernels_, r.input, r.output, r.speed, x, 512);
        ASSERT_EQ(got.size(), expected.size()) << kernels_->name;
        for (std::size_t c = 0; c < got.size(); ++c) {
            ASSERT_EQ(got[c].size(), expected[c].size()) << kernels_->name;
            for (std::size_t j = 0; j < got[c].size(); ++j)
                ASSERT_NEAR(got[c][j], expected[c][j], kSumTolerance)
                    << kernels_->name << " " << r.input << "->" << r.output << " output " << j;
        }
    }
}

TEST_P(HighQualityKernelBuild, RowsSharingWindowsGiveWhatEachGivesAlone) {
    struct Case {
        std::int64_t taps, count;
        int channels;
    };
    // Rows of odd and even numbers of eights; groups of windows cut short; a channel over;
    // the resampler's usual run of twenty outputs.
    const Case cases[] = {{8, 1, 1},  {136, 7, 2}, {152, 5, 3},  {208, 6, 2},
                          {24, 3, 5}, {144, 9, 3}, {136, 20, 2}, {136, 11, 1}};
    constexpr std::int64_t kStart = 2, kInStride = 13;
    for (const Case& k : cases) {
        const auto x = Noise(k.channels, kStart + (k.count - 1) * kInStride + k.taps, 11);
        const auto rows = Noise(3, k.taps, 12);
        std::vector<const float*> in;
        for (const auto& channel : x) in.push_back(channel.data());
        // Outputs of the three rows side by side, as the resampler lays them out, and room
        // past the last that nothing may touch. Rows past `last` are not run.
        const auto run = [&](int shared, int last = 2) {
            std::vector<std::vector<float>> out(k.channels,
                                                std::vector<float>(3 * k.count + 8, -1.0f));
            std::vector<float*> to;
            for (auto& channel : out) to.push_back(channel.data());
            if (shared == 3)
                kernels_->phaseTripleRun(rows[0].data(), rows[1].data(), rows[2].data(), k.taps,
                                         in.data(), k.channels, kStart, kInStride, k.count,
                                         to.data(), 3);
            else if (shared == 2)
                kernels_->phasePairRun(rows[0].data(), rows[1].data(), k.taps, in.data(),
                                       k.channels, kStart, kInStride, k.count, to.data(), 3);
            std::vector<float*> alone(to);
            for (int r = shared; r <= last; ++r) {
                for (int c = 0; c < k.channels; ++c) alone[c] = to[c] + r;
                kernels_->phaseRun(rows[r].data(), k.taps, in.data(), k.channels, kStart,
                                   kInStride, k.count, alone.data(), 3);
            }
            return out;
        };
        const auto expected = run(0);
        EXPECT_EQ(run(2), expected) << kernels_->name << " pairs, taps " << k.taps;
        EXPECT_EQ(run(3), expected) << kernels_->name << " triples, taps " << k.taps;
        // The third row's places belong to another phase: pairs leave them as they were.
        const auto pairs = run(2, 1);
        for (int c = 0; c < k.channels; ++c)
            for (std::size_t j = 0; j < pairs[c].size(); ++j)
                if (j % 3 == 2 || j >= 3 * static_cast<std::size_t>(k.count))
                    ASSERT_EQ(pairs[c][j], -1.0f)
                        << kernels_->name << " taps " << k.taps << " place " << j;
    }
}

// The halving pass at lengths around its vectors and groups of vectors, against its sum in
// double precision; it writes nothing past the count rounded up to sixteen.
TEST_P(HighQualityKernelBuild, HalfBandPassGivesItsSumAtEveryLength) {
    struct Case {
        std::int64_t pairs, count;
        int channels;
    };
    const Case cases[] = {{2, 1, 1}, {5, 17, 2}, {9, 63, 3}, {14, 65, 1}, {3, 130, 2}};
    constexpr float kGuard = 12345.0f;
    for (const Case& k : cases) {
        const std::int64_t mid = 2 * k.pairs + 3;
        const auto x = Noise(k.channels, mid + 2 * k.count + 2 * k.pairs + 8, 13);
        // Taps below one, so that outputs stay near the samples' scale.
        std::vector<float> taps = Noise(1, k.pairs + 1, 14)[0];
        for (float& t : taps) t /= 20000.0f * static_cast<float>(2 * k.pairs + 1);
        const std::int64_t room = (k.count + 15) / 16 * 16;
        std::vector<std::vector<float>> out(k.channels, std::vector<float>(room + 16, kGuard));
        std::vector<const float*> in;
        std::vector<float*> to;
        for (const auto& channel : x) in.push_back(channel.data());
        for (auto& channel : out) to.push_back(channel.data());
        std::vector<float> even(HalfBandScratch(k.count, k.pairs));
        std::vector<float> odd(even.size());
        kernels_->halfBand(taps.data() + 1, k.pairs, taps[0], in.data(), k.channels, mid, k.count,
                           to.data(), even.data(), odd.data());
        for (int c = 0; c < k.channels; ++c) {
            const std::vector<float>& y = x[c];
            for (std::int64_t i = 0; i < k.count; ++i) {
                const std::int64_t centre = mid + 2 * i;
                double sum = double{taps[0]} * y[centre];
                for (std::int64_t j = 0; j < k.pairs; ++j)
                    sum += double{taps[1 + j]} *
                           (double{y[centre + 2 * j + 1]} + double{y[centre - 2 * j - 1]});
                ASSERT_NEAR(out[c][i], sum, kSumTolerance)
                    << kernels_->name << " pairs " << k.pairs << " output " << i;
            }
            for (std::int64_t i = room; i < room + 16; ++i)
                ASSERT_EQ(out[c][i], kGuard) << kernels_->name << " count " << k.count;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Levels, HighQualityKernelBuild, ::testing::ValuesIn(kKernelLevels));

TEST(HighQualityMode, IntegerOutputSaturatesAndCountsEveryClippedSample) {
    // A full-scale square wave overshoots (Gibbs) once band-limited.
    std::vector<std::int16_t> square(2 * 4410);
    for (std::size_t i = 0; i < square.size(); ++i)
        square[i] = (i / 2 / 50) % 2 == 0 ? 32767 : -32768;
    const auto loud =
        ResampleInt16HighQuality(FastestKernels(), 2, 44100, 48000, 100, square, false);
    ASSERT_TRUE(loud.prepared);
    EXPECT_GT(loud.clipped, 0);
    std::int64_t atLimits = 0;
    for (std::int16_t v : loud.samples) atLimits += v == 32767 || v == -32768;
    EXPECT_GE(atLimits, loud.clipped);

    const std::vector<double> x = Tone(1000.0, 44100, 4410, 16000.0);
    std::vector<std::int16_t> quiet(x.begin(), x.end());
    EXPECT_EQ(
        ResampleInt16HighQuality(FastestKernels(), 1, 44100, 48000, 100, quiet, false).clipped, 0);
}

// A float input to a 16-bit output, as a user converts a 32-bit float master.
std::vector<double> FloatTo16Bits(const std::vector<double>& x, std::int32_t inputRate,
                                  std::int32_t outputRate, bool dither) {
    WavSampleFormat in = Int16Format(1, inputRate);
    in.encoding = SampleEncoding::kFloat32;
    in.containerBits = in.validBits = 32;
    in.blockAlign = 4;
    std::vector<float> samples(x.size());
    for (std::size_t i = 0; i < x.size(); ++i) samples[i] = static_cast<float>(x[i] / kFullScale);
    const ResamplerSetup setup{in, Int16Format(1, outputRate),
                               {.targetRate = outputRate,
                                .quality = ConversionQuality::kHigh,
                                .dither = dither ? DitherChoice::kTpdf : DitherChoice::kNone}};
    const MemoryConversion out =
        ResampleBytes(setup, kReferenceKernels, FastestKernels(),
                      {reinterpret_cast<const std::uint8_t*>(samples.data()),
                       samples.size() * sizeof(float)});
    EXPECT_EQ(out.result, kCompleted);
    std::vector<std::int16_t> y(out.data.size() / 2);
    std::memcpy(y.data(), out.data.data(), out.data.size());
    return {y.begin(), y.end()};
}

TEST(HighQualityMode, DitherKeepsATonesBelowOneStepAudible) {
    // 0.3 steps peak: rounding alone turns it into silence.
    const std::vector<double> x = Tone(1000.0, 48000, 96000, 0.3);
    const std::vector<double> rounded = FloatTo16Bits(x, 48000, 44100, false);
    const std::vector<double> dithered = FloatTo16Bits(x, 48000, 44100, true);
    ASSERT_GE(rounded.size(), 22050u + 44100u);
    EXPECT_LT(AmplitudeAt(rounded, 22050, 44100, 1000.0, 44100), 0.01);
    EXPECT_NEAR(AmplitudeAt(dithered, 22050, 44100, 1000.0, 44100), 0.3, 0.05);
}

}  // namespace
}  // namespace zel
