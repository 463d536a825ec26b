// The best-quality mode in memory, float in and out: its passband, aliases, images and
// distortion (one table of ratio, tones and bound, read through a Blackman-Harris window),
// and the stream's promises: exact length whatever the push size, output aligned in time
// with the input, bounded memory for every ratio, kernels that agree.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstdio>
#include <cstdint>
#include <numbers>
#include <numeric>
#include <random>
#include <string>
#include <vector>

#include "cpu/cpu_features.h"
#include "engine/resample/builds/conversion_builds.h"
#include "engine/resample/hq/best_quality_resampler.h"
#include "tests/support/best_quality_conversion.h"
#include "tests/support/runnable_build.h"

namespace zel {
namespace {

constexpr double kTwoPi = 2.0 * std::numbers::pi;

const BestQualityKernels& FastestKernels() {
    return BestBuildForFeatureLevel(DetectCpuFeatures(nullptr)).bestQualityKernels;
}

std::vector<std::vector<float>> Tone(double hz, std::int32_t rate, std::int64_t frames,
                                     double amplitude) {
    std::vector<float> x(static_cast<std::size_t>(frames));
    for (std::int64_t n = 0; n < frames; ++n)
        x[n] = static_cast<float>(amplitude * std::sin(kTwoPi * hz * static_cast<double>(n) / rate));
    return {x};
}

double Decibels(double ratio) { return 20.0 * std::log10(ratio); }

// Amplitude at `hz` over y[from, from + length) through a 4-term Blackman-Harris window.
// Tones on the analysis grid (whole cycles in the length) leak nothing past three bins, so
// a full-scale tone a few bins away does not mask a level near -180 dB.
double WindowedAmplitude(const std::vector<float>& y, std::int64_t from, std::int64_t length,
                         double hz, std::int32_t rate) {
    constexpr double a[] = {0.35875, 0.48829, 0.14128, 0.01168};
    std::complex<double> sum;
    double gain = 0.0;
    for (std::int64_t n = 0; n < length; ++n) {
        const double t = kTwoPi * static_cast<double>(n) / static_cast<double>(length);
        const double w = a[0] - a[1] * std::cos(t) + a[2] * std::cos(2 * t) - a[3] * std::cos(3 * t);
        gain += w;
        sum += w * static_cast<double>(y[from + n]) *
               std::polar(1.0, -kTwoPi * hz * static_cast<double>(n) / rate);
    }
    return 2.0 * std::abs(sum) / gain;
}

// Distortion and noise against the tone: the least-squares sine at `hz` over whole cycles is
// taken away and what remains is weighed against it.
double ThdPlusNoiseDb(const std::vector<float>& y, std::int64_t from, std::int64_t length,
                      double hz, std::int32_t rate) {
    double s = 0.0, c = 0.0;
    for (std::int64_t n = 0; n < length; ++n) {
        const double angle = kTwoPi * hz * static_cast<double>(from + n) / rate;
        s += y[from + n] * std::sin(angle);
        c += y[from + n] * std::cos(angle);
    }
    s *= 2.0 / static_cast<double>(length);
    c *= 2.0 / static_cast<double>(length);
    double residual = 0.0;
    for (std::int64_t n = 0; n < length; ++n) {
        const double angle = kTwoPi * hz * static_cast<double>(from + n) / rate;
        const double e = y[from + n] - s * std::sin(angle) - c * std::cos(angle);
        residual += e * e;
    }
    return 10.0 * std::log10(residual / static_cast<double>(length) / ((s * s + c * c) / 2.0));
}

enum class Measure {
    kGainDb,         // |gain| at each tone at most the bound, dB
    kAliasDbfs,      // the tone folded about the output rate, dBFS
    kImageDbfs,      // the tone mirrored about the input rate, dBFS
    kThdPlusNoiseDb  // of the first tone
};

struct BestCase {
    std::int32_t inputRate;
    std::int32_t outputRate;
    std::int32_t speed;
    // Tones spread evenly from the first to the last, each converted alone; as they are
    // played back (at the speed).
    double firstHz;
    double lastHz;
    int tones;
    double toneDbfs;
    Measure measure;
    double bound;  // the worst tone's
};

// The lower Nyquist frequencies: 22050 Hz (0.98 of it 21609 Hz) and 4000 Hz (3920 Hz).
// 44.1 kHz at 77 % plays at 33957 Hz and converts with interpolated rows.
const BestCase kBestCases[] = {
    {44100, 48000, 100, 1000, 21609, 6, -1, Measure::kGainDb, 0.01},
    {48000, 44100, 100, 1000, 21609, 6, -1, Measure::kGainDb, 0.01},
    {44100, 96000, 100, 1000, 21609, 6, -1, Measure::kGainDb, 0.01},
    {96000, 8000, 100, 500, 3920, 6, -1, Measure::kGainDb, 0.01},
    {44100, 48000, 77, 1000, 16638, 6, -1, Measure::kGainDb, 0.01},
    {48000, 44100, 100, 22150, 24000, 24, 0, Measure::kAliasDbfs, -175},
    {96000, 8000, 100, 4010, 47950, 12, 0, Measure::kAliasDbfs, -175},
    {44100, 96000, 100, 19000, 22050, 12, 0, Measure::kImageDbfs, -175},
    {44100, 48000, 77, 14000, 16978, 12, 0, Measure::kImageDbfs, -175},
    {44100, 48000, 100, 1000, 1000, 1, -1, Measure::kThdPlusNoiseDb, -145},
    {48000, 44100, 100, 1000, 1000, 1, -1, Measure::kThdPlusNoiseDb, -145},
};

// The tone `i` of a row, on the whole hertz, so that a second holds whole cycles, and
// prime to both rates (searching down): the float samples' rounding error then spreads
// over every bin instead of gathering in a few, some of which could be the ones measured.
double ToneHz(const BestCase& c, int i) {
    const double hz = c.tones == 1 ? c.firstHz
                                   : c.firstHz + (c.lastHz - c.firstHz) * i / (c.tones - 1);
    auto whole = static_cast<std::int64_t>(std::round(hz));
    while (std::gcd(whole, std::int64_t{c.inputRate}) != 1 ||
           std::gcd(whole, std::int64_t{c.outputRate}) != 1)
        --whole;
    return static_cast<double>(whole);
}

double MeasuredHz(const BestCase& c, double hz) {
    if (c.measure == Measure::kImageDbfs) return c.inputRate * c.speed / 100.0 - hz;
    if (c.measure != Measure::kAliasDbfs) return hz;
    const double folded = std::fmod(hz, c.outputRate);
    return folded > c.outputRate / 2.0 ? c.outputRate - folded : folded;
}

void PrintTo(const BestCase& c, std::ostream* os) {
    constexpr const char* kMeasures[] = {"gain", "alias", "image", "THD+N"};
    *os << c.inputRate << "->" << c.outputRate << " at " << c.speed << " % "
        << kMeasures[static_cast<int>(c.measure)];
}

class BestQualityBounds : public ::testing::TestWithParam<BestCase> {};

TEST_P(BestQualityBounds, MeetsItsBoundForPassbandAliasesImagesOrDistortion) {
    const BestCase& c = GetParam();
    double worst = -1000.0;
    double worstHz = 0.0;
    for (int i = 0; i < c.tones; ++i) {
        const double hz = ToneHz(c, i);
        const double amplitude = std::pow(10.0, c.toneDbfs / 20.0);
        const std::int64_t inputFrames = std::int64_t{2} * c.inputRate * 100 / c.speed;
        const auto y = ResampleFloatBestQuality(
            FastestKernels(), c.inputRate, c.outputRate, c.speed,
            Tone(hz * 100.0 / c.speed, c.inputRate, inputFrames, amplitude),
            BestQualityResampler::kMaxPushFrames);
        ASSERT_EQ(y.size(), 1u);
        ASSERT_GE(static_cast<std::int64_t>(y[0].size()), 2 * c.outputRate - 1);
        // A second from the middle, clear of both ends' filter reach.
        const std::int64_t from = c.outputRate / 2;
        const std::int64_t length = c.outputRate;
        double value = 0.0;
        if (c.measure == Measure::kThdPlusNoiseDb) {
            value = ThdPlusNoiseDb(y[0], from, length, hz, c.outputRate);
        } else {
            const double level =
                WindowedAmplitude(y[0], from, length, MeasuredHz(c, hz), c.outputRate);
            value = c.measure == Measure::kGainDb ? std::abs(Decibels(level / amplitude))
                                                  : Decibels(level);
        }
        if (value > worst) worst = value, worstHz = hz;
    }
    char row[96];
    std::snprintf(row, sizeof row, "%d->%d worst tone %.0f Hz: %.5f", c.inputRate,
                  c.outputRate, worstHz, worst);
    EXPECT_LE(worst, c.bound) << row;
    RecordProperty("row", row);
}

// One row a test, so that each keeps within its time limit under an emulated processor.
INSTANTIATE_TEST_SUITE_P(Rows, BestQualityBounds, ::testing::ValuesIn(kBestCases));

// ---- The stream ---------------------------------------------------------------------------

std::vector<std::vector<float>> Noise(int channels, std::int64_t frames, std::uint32_t seed) {
    std::mt19937 random(seed);
    std::uniform_real_distribution<float> sample(-0.6f, 0.6f);
    std::vector<std::vector<float>> planar(channels, std::vector<float>(frames));
    for (auto& channel : planar)
        for (float& v : channel) v = sample(random);
    return planar;
}

struct Rates {
    std::int32_t input, output, speed;
};

// Exact phases both ways, a large exact table (44.1 kHz at 95 %), interpolated phases
// (11127 Hz at 77 %), a decimation of 24 and speeds off 100.
constexpr Rates kStreamRates[] = {{44100, 48000, 100}, {48000, 44100, 100}, {44100, 48000, 95},
                                  {11127, 96000, 77},  {96000, 8000, 200},  {22254, 44100, 73}};

void PrintTo(const Rates& r, std::ostream* os) {
    *os << r.input << "->" << r.output << " at " << r.speed << " %";
}

class BestQualityStream : public ::testing::TestWithParam<Rates> {};

TEST_P(BestQualityStream, LengthIsExactAndOutputIdenticalWhateverThePushSize) {
    const Rates& r = GetParam();
    for (std::int64_t frames : {0, 1, 2, 999, 20011}) {
        const auto x = Noise(3, frames, 5);
        const auto whole = ResampleFloatBestQuality(FastestKernels(), r.input, r.output,
                                                    r.speed, x, 8192);
        ASSERT_EQ(whole.size(), 3u);
        // round(frames x output rate / (input rate x speed)), in integers.
        const std::int64_t num = frames * r.output * 100;
        const std::int64_t den = std::int64_t{r.input} * r.speed;
        EXPECT_EQ(static_cast<std::int64_t>(whole[0].size()), (2 * num + den) / (2 * den))
            << r.input << "->" << r.output << " speed " << r.speed << " frames " << frames;
        for (std::int64_t push : {1, 1000}) {
            if (push == 1 && frames > 999) continue;  // slow, and says nothing more
            EXPECT_EQ(ResampleFloatBestQuality(FastestKernels(), r.input, r.output, r.speed,
                                               x, push),
                      whole)
                << r.input << "->" << r.output << " push " << push;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Rates, BestQualityStream, ::testing::ValuesIn(kStreamRates));

// A low tone comes out where the ideal converter puts it: the filter's delay is taken out
// and nothing drifts. The tone is fitted and its phase checked.
TEST(BestQualityMode, OutputIsAlignedWithTheInputInTime) {
    for (const Rates& r : kStreamRates) {
        const double hz = 440.0 * r.speed / 100.0 > 0.3 * r.output ? 100.0 : 440.0;
        const auto y = ResampleFloatBestQuality(FastestKernels(), r.input, r.output, r.speed,
                                                Tone(hz, r.input, r.input, 0.5), 8192);
        ASSERT_EQ(y.size(), 1u);
        const double outputHz = hz * r.speed / 100.0;
        const auto count = static_cast<std::int64_t>(y[0].size());
        double ss = 0.0, cc = 0.0, sc = 0.0, ys = 0.0, yc = 0.0;
        for (std::int64_t j = count / 4; j < 3 * count / 4; ++j) {
            const double s = std::sin(kTwoPi * outputHz * j / r.output);
            const double c = std::cos(kTwoPi * outputHz * j / r.output);
            ss += s * s, cc += c * c, sc += s * c, ys += y[0][j] * s, yc += y[0][j] * c;
        }
        const double det = ss * cc - sc * sc;
        const double a = (ys * cc - yc * sc) / det;
        const double b = (yc * ss - ys * sc) / det;
        // A shift of one output frame would be a phase of 0.0065 at the least.
        EXPECT_LT(std::abs(std::atan2(b, a)), 1e-7)
            << r.input << "->" << r.output << " speed " << r.speed;
        EXPECT_NEAR(std::hypot(a, b), 0.5, 0.5 * 1e-4) << r.input << "->" << r.output;
    }
}

// Every rate the batch lets through (8 to 96 kHz) at the extreme and awkward speeds: the
// chain's tables and buffers stay under 64 MiB for stereo.
TEST(BestQualityMode, MemoryStaysBoundedForEveryRatio) {
    constexpr std::uint64_t kBound = std::uint64_t{64} << 20;
    for (std::int32_t input : {8000, 11127, 44100, 96000})
        for (std::int32_t output : {8000, 44100, 96000})
            for (std::int32_t speed : {50, 77, 200}) {
                BestQualityResampler resampler(FastestKernels());
                ASSERT_TRUE(resampler.Prepare(input, output, SpeedFromPercent(speed), 2)) << input << "->" << output;
                EXPECT_LT(resampler.MemoryBytes(), kBound)
                    << input << "->" << output << " speed " << speed;
            }
    BestQualityResampler awkward(FastestKernels());
    ASSERT_TRUE(awkward.Prepare(11127, 96000, SpeedFromPercent(77), 2));
    EXPECT_FALSE(awkward.Filter().Exact());
}

// The builds with best-quality kernels of their own: SSE2, AVX2/FMA, AVX-512.
constexpr SimdLevel kKernelLevels[] = {2, 5, 6};
// Those and the scalar reference.
constexpr SimdLevel kTransformLevels[] = {0, 2, 5, 6};

// The build of `level`, or a skip naming why it cannot run here.
class BestQualityKernelBuild : public ::testing::TestWithParam<SimdLevel> {
  protected:
    void SetUp() override {
        if (const std::string why = WhyBuildCannotRunHere(GetParam()); !why.empty())
            GTEST_SKIP() << why;
        kernel_ = &BuildForLevel(GetParam()).bestQualityKernels;
    }
    const BestQualityKernels* kernel_ = nullptr;
};

TEST_P(BestQualityKernelBuild, AgreesWithTheScalarReference) {
    const BestQualityKernels* const k = kernel_;
    // The steep stage raising the rate, halvings before it (three channels: one of them
    // is transformed without a partner), a small exact table taken in order, a larger one
    // phase by phase (44.1 kHz at 90 %: Q = 800), interpolated rows.
    for (const Rates& r : {Rates{44100, 48000, 100}, Rates{96000, 8000, 100},
                           Rates{44100, 48000, 90}, Rates{11127, 96000, 77}}) {
        const auto x = Noise(3, 3001, 9);
        const auto reference =
            ResampleFloatBestQuality(kBestQualityScalarKernels, r.input, r.output, r.speed, x, 512);
        const auto y = ResampleFloatBestQuality(*k, r.input, r.output, r.speed, x, 512);
        ASSERT_EQ(y.size(), reference.size()) << k->name;
        for (std::size_t c = 0; c < y.size(); ++c) {
            ASSERT_EQ(y[c].size(), reference[c].size()) << k->name;
            for (std::size_t i = 0; i < y[c].size(); ++i)
                ASSERT_NEAR(y[c][i], reference[c][i], 1e-7f) << k->name << " at " << i;
        }
    }
}

// The doubled rate's two phases put one after the other, as the scalar kernel does, at
// lengths of whole vectors and not.
TEST_P(BestQualityKernelBuild, InterleavesLikeTheScalarReference) {
    for (const std::int64_t count : {0, 1, 3, 4, 7, 8, 9, 17, 1001}) {
        const auto phases = Noise(2, count, 11);
        const std::vector<double> even(phases[0].begin(), phases[0].end());
        const std::vector<double> odd(phases[1].begin(), phases[1].end());
        std::vector<double> expect(static_cast<std::size_t>(2 * count) + 1, -2.0);
        std::vector<double> got(expect);
        kBestQualityScalarKernels.interleave(even.data(), odd.data(), count, expect.data());
        kernel_->interleave(even.data(), odd.data(), count, got.data());
        // The element past the end stays untouched.
        EXPECT_EQ(got, expect) << kernel_->name << " count " << count;
    }
}

// The steep stage's use of the transforms, for every kernel, at sizes that are powers of
// four and sizes that end with a radix-2 level: the forward transform of a pair of signals
// and of taps, their product swapped and transformed back is the circular convolution.
INSTANTIATE_TEST_SUITE_P(Levels, BestQualityKernelBuild, ::testing::ValuesIn(kKernelLevels));

class BestQualityTransformBuild : public BestQualityKernelBuild {};

TEST_P(BestQualityTransformBuild, ConvolvesLikeTheDirectSum) {
    const BestQualityKernels* const kernel = kernel_;
    for (const std::int64_t size : {2, 4, 8, 16, 32, 64, 128, 512, 2048, 8192}) {
        const auto signal = Noise(3, static_cast<std::size_t>(size), 5);
        const std::vector<float>& taps = signal[2];
        std::vector<long double> expect0(static_cast<std::size_t>(size));
        std::vector<long double> expect1(expect0.size());
        for (std::int64_t n = 0; n < size; ++n) {
            for (std::int64_t k = 0; k < size; ++k) {
                const long double h = taps[static_cast<std::size_t>((n - k + size) % size)];
                expect0[n] += h * signal[0][k];
                expect1[n] += h * signal[1][k];
            }
        }
        const ComplexFftPlan plan(size);
        std::vector<double> re(signal[0].begin(), signal[0].end());
        std::vector<double> im(signal[1].begin(), signal[1].end());
        std::vector<double> hRe(taps.begin(), taps.end()), hIm(re.size());
        for (double& v : hRe) v /= static_cast<double>(size);
        std::vector<double> outRe(re.size()), outIm(re.size());
        kernel->fftToPermuted(plan, re.data(), im.data());
        kernel->fftToPermuted(plan, hRe.data(), hIm.data());
        kernel->spectrumProduct(re.data(), im.data(), hRe.data(), hIm.data(), size,
                                outRe.data(), outIm.data());
        kernel->fftFromPermuted(plan, outRe.data(), outIm.data());
        for (std::int64_t n = 0; n < size; ++n) {
            // Double rounding over log2(size) levels: far below the -175 dB the mode
            // needs.
            const double bound = 1e-14 * std::sqrt(static_cast<double>(size));
            ASSERT_NEAR(outIm[n], static_cast<double>(expect0[n]), bound)
                << kernel->name << " size " << size << " at " << n;
            ASSERT_NEAR(outRe[n], static_cast<double>(expect1[n]), bound)
                << kernel->name << " size " << size << " at " << n;
        }
    }
}

// The steep stage filters each block in one pass, forming the product as the inverse
// transform reads it: every bit as the product kernel followed by the inverse transform,
// at every size (blocks of 2, 4 and 8 points at the bottom, whole vectors and not).
TEST_P(BestQualityTransformBuild, FilteringInOnePassMatchesProductThenInverse) {
    const BestQualityKernels* const kernel = kernel_;
    for (const std::int64_t size : {2, 4, 8, 16, 32, 64, 128, 512, 2048, 8192}) {
        const auto signal = Noise(4, static_cast<std::size_t>(size), 7);
        const ComplexFftPlan plan(size);
        // Thirds use every bit of a double, so products of them round: a product formed in
        // other steps (unfused, or in another order) differs.
        std::vector<std::vector<double>> v(4);
        for (std::size_t c = 0; c < v.size(); ++c)
            for (const float s : signal[c]) v[c].push_back(s / 3.0);
        const std::vector<double>&xRe = v[0], &xIm = v[1], &hRe = v[2], &hIm = v[3];
        std::vector<double> twoRe(xRe.size()), twoIm(xRe.size());
        kernel->spectrumProduct(xRe.data(), xIm.data(), hRe.data(), hIm.data(), size,
                                twoRe.data(), twoIm.data());
        kernel->fftFromPermuted(plan, twoRe.data(), twoIm.data());
        std::vector<double> oneRe(xRe.size(), -1.0), oneIm(xRe.size(), -1.0);
        kernel->filterFromPermuted(plan, xRe.data(), xIm.data(), hRe.data(), hIm.data(),
                                   oneRe.data(), oneIm.data());
        for (std::int64_t n = 0; n < size; ++n) {
            ASSERT_EQ(oneRe[n], twoRe[n]) << kernel->name << " size " << size << " at " << n;
            ASSERT_EQ(oneIm[n], twoIm[n]) << kernel->name << " size " << size << " at " << n;
        }
    }
}

// The short stage over a doubled rate held as its two phases, channels a stride apart:
// each output is its row's first half against its place plus its second half against the
// place moved by its shift, every channel, whatever the group it falls in (odd counts end
// in a partial group, and nothing past the last output is written).
TEST_P(BestQualityTransformBuild, ReadsTwoPhasesAsTheDirectSum) {
    const BestQualityKernels* const kernel = kernel_;
    struct Row {
        std::int64_t taps, count;
        int channels;
    };
    for (const Row& t : {Row{24, 1, 2}, Row{24, 7, 2}, Row{24, 13, 3}, Row{32, 5, 1},
                         Row{32, 9, 2}, Row{16, 3, 3}}) {
        const auto rowValues = Noise(1, t.taps * t.count, 13)[0];
        const std::vector<double> table(rowValues.begin(), rowValues.end());
        // Channels 400 frames apart in one array.
        constexpr std::int64_t kStride = 400;
        const auto signal = Noise(1, t.channels * kStride, 17)[0];
        const std::vector<double> x(signal.begin(), signal.end());
        std::vector<const double*> rows;
        std::vector<std::int64_t> starts, shifts;
        for (std::int64_t i = 0; i < t.count; ++i) {
            rows.push_back(table.data() + i * t.taps);
            starts.push_back(3 * i + 1);
            shifts.push_back(200 - (i % 2));
        }
        std::vector<std::vector<float>> out(t.channels,
                                            std::vector<float>(t.count + 1, -7.0f));
        std::vector<float*> outP;
        for (auto& o : out) outP.push_back(o.data());
        kernel->splitRowRun(rows.data(), starts.data(), shifts.data(), t.count, t.taps,
                            x.data(), kStride, t.channels, outP.data());
        const std::int64_t half = t.taps / 2;
        for (int c = 0; c < t.channels; ++c) {
            for (std::int64_t i = 0; i < t.count; ++i) {
                long double sum = 0.0L;
                for (std::int64_t k = 0; k < half; ++k)
                    sum += static_cast<long double>(rows[i][k]) * x[c * kStride + starts[i] + k] +
                           static_cast<long double>(rows[i][half + k]) *
                               x[c * kStride + starts[i] + shifts[i] + k];
                EXPECT_NEAR(out[c][i], static_cast<double>(sum), 1e-6)
                    << kernel->name << " taps " << t.taps << " channel " << c << " output " << i;
            }
            EXPECT_EQ(out[c][t.count], -7.0f) << kernel->name << " taps " << t.taps;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Levels, BestQualityTransformBuild,
                         ::testing::ValuesIn(kTransformLevels));

}  // namespace
}  // namespace zel
