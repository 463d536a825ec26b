#include "engine/resample/standard/filter_design.h"

#include <algorithm>
#include <cmath>

#include "engine/resample/conversion_ratio.h"

namespace zel {
namespace {

// The design's constants, as single-precision values.
constexpr float kTwoPi = 6.2831855f;
constexpr float kPi = 3.1415927f;
constexpr float kTwoOverPi = 0.63661975f;
constexpr float kHammingA = 0.54f;
constexpr float kHammingB = 0.46f;

// Bytes the design of a reduced ratio with Q phases needs at its peak.
std::uint64_t DesignBytes(std::int64_t q) {
    const std::uint64_t rowsBytes = static_cast<std::uint64_t>(q) * kRowStride * sizeof(float);
    const std::uint64_t window = (static_cast<std::uint64_t>(q) * kTapSpan + 1) * sizeof(float);
    return 2 * rowsBytes + window;
}

}  // namespace

bool PolyphaseTable::Allocate(std::int64_t rows) {
    rows_ = 0;
    if (!data_.Allocate(static_cast<std::uint64_t>(rows) * kRowStride)) return false;
    rows_ = rows;
    return true;
}

std::int64_t GreatestCommonDivisor(std::int64_t a, std::int64_t b) {
    while (b != 0) {
        std::int64_t r = a % b;
        a = b;
        b = r;
    }
    return a;
}

void MakeWindow(float* w, std::int64_t count) {
    const double last = static_cast<double>(count - 1);
    for (std::int64_t i = 0; i < count; ++i) {
        const double phase = static_cast<double>(kTwoPi) * static_cast<double>(i) / last;
        w[i] = static_cast<float>(kHammingA - kHammingB * std::cos(phase));
    }
}

bool DesignLowpass(std::int64_t n, float* h, float fc, float fs) {
    AlignedBuffer<float> window;
    if (!window.Allocate(static_cast<std::uint64_t>(n) + 1)) return false;
    MakeWindow(window.data(), n + 1);

    // A low-pass from 0 to fc: its band's centre and half-width are both half the edge.
    const double edge =
        1.0 / static_cast<double>(fs) * static_cast<double>(fc) * static_cast<double>(kTwoPi);
    const float halfWidth = static_cast<float>(edge * 0.5);
    const float centre = halfWidth;

    const std::int64_t m = n / 2;
    h[m] = static_cast<float>(static_cast<double>(kTwoOverPi) * halfWidth);
    for (std::int64_t i = 1; i <= m; ++i) {
        const double x = static_cast<double>(i);
        const double v = 2.0 * std::sin(x * halfWidth) / (x * static_cast<double>(kPi)) *
                         std::cos(x * centre);
        h[m + i] = h[m - i] = static_cast<float>(v);
    }
    for (std::int64_t i = 0; i <= n; ++i) h[i] = h[i] * window[i];
    return true;
}

DesignOutcome DesignFilter(FilterState& state) {
    const std::int64_t divisor = GreatestCommonDivisor(state.P, state.Q);
    state.P /= divisor;
    state.Q /= divisor;

    const std::int64_t q = state.Q;
    if (DesignBytes(q) > kMaxDesignBytes) return DesignOutcome::kTooLarge;

    PolyphaseTable scratch;
    if (!scratch.Allocate(q) || !state.table.Allocate(q)) {
        state.table = PolyphaseTable();
        return DesignOutcome::kOutOfMemory;
    }
    const std::int64_t n = static_cast<std::int64_t>(kTapSpan) * q;
    const float fc = static_cast<float>(std::min(state.P, q)) * 0.5f;
    const float fs = static_cast<float>(state.P * q);
    float* prototype = scratch.Row(0);
    if (!DesignLowpass(n, prototype, fc, fs)) {
        state.table = PolyphaseTable();
        return DesignOutcome::kOutOfMemory;
    }
    for (std::int64_t p = 0; p < q; ++p) {
        float* row = state.table.Row(p);
        for (std::int64_t k = 0; k * q + p <= n; ++k) row[k] = prototype[n - k * q - p];
    }
    return DesignOutcome::kDesigned;
}

PrepareResult DesignFilterFor(FilterState& state, std::int64_t inputRate, std::int64_t targetRate,
                              SpeedRatio speed) {
    const ConversionRatio ratio = ReducedRatio(inputRate, targetRate, speed);
    state.P = ratio.P;
    state.Q = ratio.Q;
    switch (DesignFilter(state)) {
        case DesignOutcome::kDesigned:
            return PrepareResult::kReady;
        case DesignOutcome::kTooLarge:
            return PrepareResult::kRatioTooLarge;
        case DesignOutcome::kOutOfMemory:
            break;
    }
    return PrepareResult::kOutOfMemory;
}

}  // namespace zel
