// Keeping the pitch while the speed changes: each promise a user hears or counts, as rows
// over the tempi people use (0.5 .. 2), measured on the written files.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <iterator>
#include <numbers>
#include <optional>
#include <vector>

#include "engine/convert/carried_tags.h"
#include "engine/convert/convert_file.h"
#include "engine/resample/tempo/tempo_planar_resampler.h"
#include "engine/resample/tempo/tempo_stretch.h"
#include "tests/support/temp_dir.h"
#include "tests/support/wav_reader.h"

namespace zel {
namespace {

constexpr std::uint32_t kRate = 44100;
constexpr double kFullScale = 32768.0;

// Speeds as the user types them, with the tempo they stand for.
const SpeedRatio kTempi[] = {{1, 2}, {4, 5}, {5, 4}, {2, 1}};

ConversionSettings KeepingPitch(SpeedRatio speed, std::int32_t rate = kRate) {
    ConversionSettings settings{.targetRate = rate, .speed = speed};
    settings.keepPitch = true;
    return settings;
}

std::string Named(SpeedRatio speed) {
    return std::to_string(speed.numerator) + "/" + std::to_string(speed.denominator);
}

// One channel of an interleaved file, as fractions of full scale.
std::vector<double> Channel(const test::LoadedWav& wav, int channel) {
    std::vector<double> out;
    for (std::size_t i = channel; i < wav.samples.size(); i += wav.format.channels)
        out.push_back(wav.samples[i] / kFullScale);
    return out;
}

class Tempo : public ::testing::Test {
  protected:
    // Writes `left` and `right` as a 16-bit stereo input, converts it keeping the pitch and
    // returns the output.
    test::LoadedWav Stretched(const std::vector<double>& left, const std::vector<double>& right,
                              const ConversionSettings& settings) {
        SampleValues samples;
        for (std::size_t i = 0; i < left.size(); ++i) {
            samples.push_back(static_cast<std::int32_t>(std::lround(left[i] * 32767.0)));
            samples.push_back(static_cast<std::int32_t>(std::lround(right[i] * 32767.0)));
        }
        test::WriteWav(dir / "in.wav", {2, 16, kRate}, samples);
        EXPECT_EQ(ConvertFile(dir / "in.wav", nullptr, dir / "out.wav", settings).code, kCompleted);
        return test::LoadWav(dir / "out.wav");
    }

    // Writes `channel` into each of `channels` channels, converts it keeping the pitch and
    // returns the output.
    test::LoadedWav StretchedAlike(const std::vector<double>& channel, int channels,
                                   SpeedRatio speed) {
        SampleValues samples;
        for (double v : channel)
            for (int c = 0; c < channels; ++c)
                samples.push_back(static_cast<std::int32_t>(std::lround(v * 32767.0)));
        test::WriteWav(dir / "in.wav", {static_cast<std::uint16_t>(channels), 16, kRate},
                       samples);
        EXPECT_EQ(ConvertFile(dir / "in.wav", nullptr, dir / "out.wav", KeepingPitch(speed)).code,
                  kCompleted);
        return DataOf(dir / "out.wav", channels);
    }

    // The 16-bit samples of a file's data chunk, whatever its format chunk (more than two
    // channels are written in the extensible format).
    static test::LoadedWav DataOf(const std::filesystem::path& path, int channels) {
        std::ifstream file(path, std::ios::binary);
        const std::string bytes((std::istreambuf_iterator<char>(file)), {});
        test::LoadedWav wav;
        wav.format.channels = static_cast<std::uint16_t>(channels);
        const std::size_t data = bytes.find("data", 12);
        if (data == std::string::npos) return wav;
        for (std::size_t i = data + 8; i + 1 < bytes.size(); i += 2)
            wav.samples.push_back(static_cast<std::int16_t>(
                static_cast<std::uint8_t>(bytes[i]) | static_cast<std::uint8_t>(bytes[i + 1]) << 8));
        return wav;
    }

    test::TempDir dir;
};

std::vector<double> Tone(std::int64_t frames, double hertz, double amplitude) {
    std::vector<double> x(static_cast<std::size_t>(frames));
    for (std::size_t i = 0; i < x.size(); ++i)
        x[i] = amplitude * std::sin(2 * std::numbers::pi * hertz * static_cast<double>(i) / kRate);
    return x;
}

// Cycles per second of the middle two thirds, from its upward zero crossings.
double MeasuredHertz(const std::vector<double>& x) {
    const std::size_t from = x.size() / 6;
    const std::size_t to = x.size() - x.size() / 6;
    std::optional<double> first;
    double last = 0;
    int crossings = 0;
    for (std::size_t i = from; i + 1 < to; ++i) {
        if (x[i] < 0 && x[i + 1] >= 0) {
            const double at = static_cast<double>(i) + (-x[i]) / (x[i + 1] - x[i]);
            if (!first) first = at;
            last = at;
            ++crossings;
        }
    }
    return (crossings - 1) / (last - *first) * kRate;
}

// The 1 ms RMS envelope around each frame.
std::vector<double> Envelope(const std::vector<double>& x) {
    constexpr int kWidth = kRate / 1000;
    std::vector<double> env(x.size());
    double power = 0;
    for (std::size_t i = 0; i < x.size(); ++i) {
        power += x[i] * x[i];
        if (i >= kWidth) power -= x[i - kWidth] * x[i - kWidth];
        env[i - std::min<std::size_t>(i, kWidth / 2)] = std::sqrt(std::max(power, 0.0) / kWidth);
    }
    return env;
}

// Tone bursts of 30 ms over a quiet noise bed.
constexpr double kBurstSeconds[] = {0.50, 1.37, 2.21, 3.05};
constexpr double kBurstAmplitude = 0.5;
constexpr std::int64_t kBurstFrames = kRate * 30 / 1000;

std::vector<double> Bursts() {
    std::vector<double> x(4 * kRate);
    std::uint32_t seed = 27;
    for (double& v : x) {
        seed = seed * 1664525u + 1013904223u;
        v = (static_cast<double>(seed >> 8) / (1u << 24) - 0.5) * 0.002;
    }
    for (double at : kBurstSeconds) {
        const auto start = static_cast<std::size_t>(at * kRate);
        for (std::int64_t i = 0; i < kBurstFrames; ++i)
            x[start + i] += kBurstAmplitude * std::sin(2 * std::numbers::pi * 1000.0 * i / kRate);
    }
    return x;
}

struct Burst {
    double levelDb;
    double onsetMs;
};

// The first frame of [from, to) at or above `threshold`; `to` if none.
std::int64_t FirstAbove(const std::vector<double>& env, std::int64_t from, std::int64_t to,
                        double threshold) {
    for (std::int64_t i = from; i < to; ++i)
        if (env[static_cast<std::size_t>(i)] >= threshold) return i;
    return to;
}

// One burst starting at frame `start`: its level against the input's and its first arrival
// at -6 dB of its peak against the ideal time, searched within the file's bounds.
Burst MeasureBurst(const std::vector<double>& in, const std::vector<double>& out,
                   std::int64_t start, double tempo) {
    const std::vector<double> envIn = Envelope(in);
    const std::vector<double> envOut = Envelope(out);
    constexpr std::int64_t kReach = kRate * 150 / 1000;
    const auto within = [](std::int64_t at, const std::vector<double>& env) {
        return std::clamp<std::int64_t>(at, 0, static_cast<std::int64_t>(env.size()));
    };
    const std::int64_t inFrom = within(start - kReach, envIn);
    const std::int64_t inTo = within(start + kReach, envIn);
    const double peakIn = *std::max_element(envIn.begin() + inFrom, envIn.begin() + inTo);
    const double ideal = FirstAbove(envIn, inFrom, inTo, peakIn / 2) / tempo;
    const std::int64_t from = within(static_cast<std::int64_t>(ideal) - kReach, envOut);
    const std::int64_t to = within(static_cast<std::int64_t>(ideal) + kReach, envOut);
    const double peakOut = *std::max_element(envOut.begin() + from, envOut.begin() + to);
    return {20 * std::log10(peakOut / peakIn),
            (FirstAbove(envOut, from, to, peakOut / 2) - ideal) * 1000.0 / kRate};
}

// Each of the bursts measured.
std::vector<Burst> MeasureBursts(const std::vector<double>& in, const std::vector<double>& out,
                                 double tempo) {
    std::vector<Burst> bursts;
    for (double at : kBurstSeconds)
        bursts.push_back(MeasureBurst(in, out, static_cast<std::int64_t>(at * kRate), tempo));
    return bursts;
}

// The output is round(input frames / speed) long, at a new rate too (rounded once more for
// the rate, so within a frame of the exact ratio).
TEST_F(Tempo, LengthIsTheInputOverTheSpeed) {
    constexpr std::int64_t kFrames = 3 * kRate + 7;
    struct Row {
        SpeedRatio speed;
        std::int32_t rate;
        std::int64_t frames;
    };
    const Row rows[] = {
        {{1, 2}, kRate, 264614},   {{4, 5}, kRate, 165384},  {{5, 4}, kRate, 105846},
        {{2, 1}, kRate, 66154},    {{25, 24}, kRate, 127015}, {{24000, 25025}, kRate, 137958},
        {{25, 24}, 48000, 138248}, {{2, 1}, 8000, 12001},
    };
    const std::vector<double> tone = Tone(kFrames, 440.0, 0.3);
    for (const Row& row : rows) {
        const test::LoadedWav out = Stretched(tone, tone, KeepingPitch(row.speed, row.rate));
        EXPECT_NEAR(out.Frames(), row.frames, row.rate == kRate ? 0 : 1)
            << Named(row.speed) << " at " << row.rate;
    }
}

// A steady tone keeps its pitch within a cent at every tempo.
TEST_F(Tempo, PitchStaysWithinBounds) {
    constexpr double kCents = 1.0;
    for (double hertz : {1000.0, 220.0}) {
        const std::vector<double> tone = Tone(3 * kRate, hertz, 0.5);
        const double before = MeasuredHertz(tone);
        for (SpeedRatio speed : kTempi) {
            const test::LoadedWav out = Stretched(tone, tone, KeepingPitch(speed));
            const double cents = 1200 * std::log2(MeasuredHertz(Channel(out, 0)) / before);
            EXPECT_LT(std::abs(cents), kCents) << hertz << " Hz at " << Named(speed);
        }
    }
}

// Short bursts keep their level: none is lost to a splice or doubled by one.
TEST_F(Tempo, BurstsKeepTheirLevel) {
    constexpr double kLevelDb = 0.75;
    const std::vector<double> in = Bursts();
    for (SpeedRatio speed : kTempi) {
        const test::LoadedWav out = Stretched(in, in, KeepingPitch(speed));
        for (const Burst& burst : MeasureBursts(in, Channel(out, 0), speed.Factor()))
            EXPECT_LT(std::abs(burst.levelDb), kLevelDb) << Named(speed);
    }
}

// Bursts arrive near their time on the new timeline (the input's time / tempo).
TEST_F(Tempo, BurstsArriveOnTime) {
    struct Row {
        SpeedRatio speed;
        double boundMs;
    };
    const Row rows[] = {{{1, 2}, 5.0}, {{4, 5}, 5.0}, {{5, 4}, 5.0}, {{2, 1}, 5.0}};
    const std::vector<double> in = Bursts();
    for (const Row& row : rows) {
        const test::LoadedWav out = Stretched(in, in, KeepingPitch(row.speed));
        for (const Burst& burst : MeasureBursts(in, Channel(out, 0), row.speed.Factor()))
            EXPECT_LT(std::abs(burst.onsetMs), row.boundMs) << Named(row.speed);
    }
}

// A burst at the very start or end of a file, a file shorter than one segment, silence, one
// channel and six: the length is exact, every channel carries the same, silence stays
// silent, and a burst keeps its level and arrives on time.
TEST_F(Tempo, EdgesOfTheFileAndItsShape) {
    enum class Content { kSilence, kBurstAtStart, kBurstAtEnd, kTone };
    struct Row {
        const char* name;
        Content content;
        std::int64_t frames;
        int channels;
        SpeedRatio speed;
    };
    const Row rows[] = {
        {"burst at the start", Content::kBurstAtStart, kRate / 2, 2, {1, 2}},
        {"burst at the start", Content::kBurstAtStart, kRate / 2, 2, {2, 1}},
        {"burst at the end", Content::kBurstAtEnd, kRate / 2, 2, {1, 2}},
        {"burst at the end", Content::kBurstAtEnd, kRate / 2, 2, {2, 1}},
        {"shorter than a segment", Content::kTone, 300, 2, {1, 2}},
        {"shorter than a segment", Content::kTone, 300, 2, {2, 1}},
        {"a single frame", Content::kTone, 1, 1, {4, 5}},
        {"silence", Content::kSilence, kRate, 2, {1, 2}},
        {"mono", Content::kBurstAtEnd, kRate / 2, 1, {5, 4}},
        {"six channels", Content::kBurstAtStart, kRate / 2, 6, {4, 5}},
    };
    for (const Row& row : rows) {
        std::vector<double> in(static_cast<std::size_t>(row.frames), 0.0);
        std::int64_t burstAt = -1;
        if (row.content == Content::kTone) in = Tone(row.frames, 440.0, 0.5);
        if (row.content == Content::kBurstAtStart) burstAt = 0;
        if (row.content == Content::kBurstAtEnd) burstAt = row.frames - kBurstFrames;
        if (burstAt >= 0) {
            const std::vector<double> burst = Tone(kBurstFrames, 1000.0, kBurstAmplitude);
            std::copy(burst.begin(), burst.end(), in.begin() + burstAt);
        }
        const test::LoadedWav out = StretchedAlike(in, row.channels, row.speed);
        const std::string what = std::string(row.name) + " at " + Named(row.speed);
        ASSERT_EQ(out.Frames(), StretchedFrames(row.frames, row.speed)) << what;
        for (std::size_t i = 0; i < out.samples.size(); ++i)
            ASSERT_EQ(out.samples[i], out.samples[i - i % row.channels]) << what << " at " << i;
        if (row.content == Content::kSilence) {
            EXPECT_EQ(std::count(out.samples.begin(), out.samples.end(), 0),
                      static_cast<std::ptrdiff_t>(out.samples.size()))
                << what;
        }
        if (burstAt < 0) continue;
        const Burst burst = MeasureBurst(in, Channel(out, 0), burstAt, row.speed.Factor());
        EXPECT_LT(std::abs(burst.levelDb), 0.75) << what;
        EXPECT_LT(std::abs(burst.onsetMs), 5.0) << what;
    }
}

// The lag of `r` behind `l` in frames, where their cross-correlation peaks (interpolated).
double LagFrames(const std::vector<double>& l, const std::vector<double>& r, std::size_t from,
                 std::size_t count, int reach) {
    std::vector<double> sums;
    for (int lag = -reach; lag <= reach; ++lag) {
        double sum = 0;
        for (std::size_t i = from; i < from + count; ++i) sum += l[i] * r[i + lag];
        sums.push_back(sum);
    }
    const auto best = static_cast<std::size_t>(
        std::max_element(sums.begin() + 1, sums.end() - 1) - sums.begin());
    const double a = sums[best - 1], b = sums[best], c = sums[best + 1];
    return static_cast<double>(best) - reach + 0.5 * (a - c) / (a - 2 * b + c);
}

// Channels are cut at the same places: a right channel lagging the left by 22 frames
// (0.5 ms) still lags by that, within 0.02 ms, in every quarter second.
TEST_F(Tempo, ChannelsStayInPhase) {
    constexpr int kLag = 22;
    constexpr double kBoundMs = 0.02;
    std::vector<double> left(4 * kRate);
    std::uint32_t seed = 28;
    for (double& v : left) {
        seed = seed * 1664525u + 1013904223u;
        v = (static_cast<double>(seed >> 8) / (1u << 24) - 0.5) * 0.4;
    }
    std::vector<double> right(left.size(), 0.0);
    std::copy(left.begin(), left.end() - kLag, right.begin() + kLag);
    for (SpeedRatio speed : kTempi) {
        const test::LoadedWav out = Stretched(left, right, KeepingPitch(speed));
        const std::vector<double> l = Channel(out, 0);
        const std::vector<double> r = Channel(out, 1);
        constexpr std::size_t kQuarter = kRate / 4;
        for (std::size_t start = kQuarter; start + 2 * kQuarter < l.size(); start += kQuarter) {
            const double lagMs = LagFrames(l, r, start, kQuarter, 2 * kLag) * 1000.0 / kRate;
            EXPECT_NEAR(lagMs, kLag * 1000.0 / kRate, kBoundMs)
                << Named(speed) << " at frame " << start;
        }
    }
}

// 24 to 25 frames per second: 25/24 exactly, to the frame, with the pitch kept; the
// stretched length is the input's over the exact ratio however long the file.
TEST(TempoRatio, ExactRatiosGiveTheirLengthToTheFrame) {
    struct Row {
        std::int64_t frames;
        SpeedRatio speed;
        std::int64_t stretched;
    };
    const Row rows[] = {
        {48000 * 3600LL, {25, 24}, 165888000},        // an hour at 48 kHz
        {48000 * 3600LL, {24000, 25025}, 180180000},  // 23.976 -> 25 fps
        {7, {2, 1}, 4},                               // 3.5 rounds up
        {1, {2, 1}, 1},
        {44100, {432, 440}, 44917},
        {(1LL << 40) + 1, {1, 2}, (1LL << 41) + 2},  // no overflow on long files
    };
    for (const Row& row : rows)
        EXPECT_EQ(StretchedFrames(row.frames, row.speed), row.stretched)
            << row.frames << " at " << Named(row.speed);
}

// Cue points, loops and time references move with the tempo, as they move with the speed
// when the pitch goes with it: a marker at one second lands at one second / speed.
TEST(TempoRatio, MarkersMoveWithTheTempo) {
    struct Row {
        SpeedRatio speed;
        std::int32_t rate;
        std::uint64_t frame;
    };
    const Row rows[] = {
        {{25, 24}, 48000, 46080}, {{1, 2}, 44100, 88200}, {{2, 1}, 8000, 4000},
        {{24000, 25025}, 44100, 45983},
    };
    for (const Row& row : rows) {
        const std::uint64_t moved =
            MoveFramePosition(kRate, TimelineRatio(kRate, KeepingPitch(row.speed, row.rate)));
        EXPECT_EQ(moved, row.frame) << Named(row.speed) << " at " << row.rate;
    }
}

}  // namespace
}  // namespace zel
