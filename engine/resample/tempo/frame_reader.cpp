#include "engine/resample/tempo/frame_reader.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <numbers>

namespace zel {
namespace {

constexpr int kTaps = 2 * kReadReach;
// Positions closer than this to a whole frame are read as that frame.
constexpr double kWholeFrame = 1e-4;

using Taps = std::array<float, kTaps>;

// Weights for the frames at whole - reach + 1 ... whole + reach, for the position
// whole + fraction: a sinc under a Blackman window, summing to one. Every tap's sine is
// +-sin(pi * fraction), and the window's angles step evenly, so three calls to the
// library serve all taps (a read per segment would otherwise spend more on them than on
// reading).
Taps TapsFor(double fraction) {
    constexpr double kPi = std::numbers::pi;
    const double sineOfFraction = std::sin(kPi * fraction);
    // The window's angle 2 pi u, u = (x + reach) / (2 reach), advancing by pi / reach a tap.
    const double step = kPi / kReadReach;
    const double stepCos = std::cos(step), stepSin = std::sin(step);
    const double angle = 2.0 * kPi * (1.0 - fraction) / (2.0 * kReadReach);
    double cosAngle = std::cos(angle), sinAngle = std::sin(angle);
    Taps taps{};
    double sum = 0;
    for (int k = 0; k < kTaps; ++k) {
        const int whole = k - (kReadReach - 1);
        const double x = static_cast<double>(whole) - fraction;
        // sin(pi (n - f)) = (-1)^(n + 1) sin(pi f)
        const double sine = (whole % 2 == 0 ? -sineOfFraction : sineOfFraction);
        const double sinc = std::abs(x) < 1e-12 ? 1.0 : sine / (kPi * x);
        const double cos2 = 2.0 * cosAngle * cosAngle - 1.0;
        const double window = 0.42 - 0.5 * cosAngle + 0.08 * cos2;
        taps[static_cast<std::size_t>(k)] = static_cast<float>(sinc * window);
        sum += sinc * window;
        const double nextCos = cosAngle * stepCos - sinAngle * stepSin;
        sinAngle = sinAngle * stepCos + cosAngle * stepSin;
        cosAngle = nextCos;
    }
    for (float& tap : taps) tap = static_cast<float>(tap / sum);
    return taps;
}

float HeldSample(const HeldFrames& held, std::int64_t frame, int channel) {
    const std::int64_t at = frame - held.first;
    if (at < 0 || at >= held.frames) return 0.0f;
    return held.data[at * held.channels + channel];
}

bool Inside(const HeldFrames& held, std::int64_t from, std::int64_t to) {
    return from >= held.first && to <= held.first + held.frames;
}

void ReadWhole(const HeldFrames& held, std::int64_t from, std::int64_t count, float* out) {
    const int channels = held.channels;
    if (Inside(held, from, from + count)) {
        std::memcpy(out, held.data + (from - held.first) * channels,
                    static_cast<std::size_t>(count * channels) * sizeof(float));
        return;
    }
    for (std::int64_t i = 0; i < count; ++i)
        for (int c = 0; c < channels; ++c) out[i * channels + c] = HeldSample(held, from + i, c);
}

void ReadBetween(const HeldFrames& held, std::int64_t whole, double fraction, std::int64_t count,
                 float* out) {
    const Taps taps = TapsFor(fraction);
    const int channels = held.channels;
    const std::int64_t from = whole - (kReadReach - 1);
    if (Inside(held, from, from + count + kTaps)) {
        const float* in = held.data + (from - held.first) * channels;
        const std::int64_t samples = count * channels;
        // Tap by tap over the whole run, so that the inner loop runs over neighbouring samples.
        std::fill_n(out, samples, 0.0f);
        for (int k = 0; k < kTaps; ++k) {
            const float tap = taps[static_cast<std::size_t>(k)];
            const float* from = in + k * channels;
            for (std::int64_t s = 0; s < samples; ++s) out[s] += tap * from[s];
        }
        return;
    }
    for (std::int64_t i = 0; i < count; ++i)
        for (int c = 0; c < channels; ++c) {
            float sum = 0.0f;
            for (int k = 0; k < kTaps; ++k)
                sum += taps[static_cast<std::size_t>(k)] * HeldSample(held, from + i + k, c);
            out[i * channels + c] = sum;
        }
}

}  // namespace

void ReadFrames(const HeldFrames& held, double at, std::int64_t count, float* out) {
    const double floor = std::floor(at);
    auto whole = static_cast<std::int64_t>(floor);
    double fraction = at - floor;
    if (fraction > 1.0 - kWholeFrame) {
        ++whole;
        fraction = 0.0;
    }
    if (fraction < kWholeFrame)
        ReadWhole(held, whole, count, out);
    else
        ReadBetween(held, whole, fraction, count, out);
}

}  // namespace zel
