// The filter design's worked numbers and the shape of the polyphase table.

#include <gtest/gtest.h>

#include <cmath>
#include <numeric>

#include "engine/resample/standard/filter_design.h"

namespace zel {
namespace {

FilterState Design(std::int64_t p0, std::int64_t q0) {
    FilterState state;
    state.P = p0;
    state.Q = q0;
    EXPECT_EQ(DesignFilter(state), DesignOutcome::kDesigned);
    return state;
}

struct RatioRow {
    const char* what;
    std::int64_t p0, q0;    // unreduced
    std::int64_t p, q;      // reduced
    double centreTap;       // 1 / max(P, Q)
};

// The name ctest lists the row under (else GoogleTest's dump of the row's bytes).
void PrintTo(const RatioRow& row, std::ostream* os) { *os << row.what; }

class FilterRatios : public ::testing::TestWithParam<RatioRow> {};

TEST_P(FilterRatios, ReducesRatioAndBuildsQRowsOfPaddedPhases) {
    const RatioRow& row = GetParam();
    const FilterState s = Design(row.p0, row.q0);
    EXPECT_EQ(s.P, row.p);
    EXPECT_EQ(s.Q, row.q);
    ASSERT_EQ(s.table.Rows(), row.q);
    // Row 0, entry 25 is the prototype's centre tap.
    EXPECT_NEAR(s.table.Row(0)[kHalfSpan], row.centreTap, 1e-6);
    for (std::int64_t p = 0; p < s.Q; ++p) {
        const float* r = s.table.Row(p);
        EXPECT_EQ(r[51], 0.0f) << "row " << p;
        if (p > 0) {
            EXPECT_EQ(r[50], 0.0f) << "row " << p;
        }
        // Each phase passes DC with a gain of about 1 once multiplied by Q.
        const double sum = std::accumulate(r, r + 52, 0.0);
        EXPECT_NEAR(sum * static_cast<double>(s.Q), 1.0, 0.01) << "row " << p;
    }
}

INSTANTIATE_TEST_SUITE_P(
    WorkedRatios, FilterRatios,
    ::testing::Values(RatioRow{"44100 to 48000", 44100, 48000, 147, 160, 1.0 / 160},
                      RatioRow{"48000 to 44100", 48000, 44100, 160, 147, 1.0 / 160},
                      RatioRow{"8000 to 96000", 8000, 96000, 1, 12, 1.0 / 12},
                      RatioRow{"speed 200 at equal rates", 44100 * 200, 44100 * 100, 2, 1, 0.5},
                      RatioRow{"speed 93, 44100 to 48000", 44100 * 93, 4800000, 13671, 16000,
                               1.0 / 16000}));

TEST(FilterDesign, PrototypeIsSymmetricAcrossPhases) {
    // h is symmetric about its centre, so row p entry k mirrors row Q-p entry 49-k (up to
    // the rounding of the window's cosine).
    const FilterState s = Design(44100, 48000);
    for (std::int64_t p = 1; p < s.Q; ++p)
        for (int k = 0; k < 50; ++k)
            ASSERT_NEAR(s.table.Row(p)[k], s.table.Row(s.Q - p)[49 - k], 1e-9) << p << "," << k;
}

TEST(FilterDesign, EqualRatesGiveADelta) {
    const FilterState s = Design(48000, 48000);
    ASSERT_EQ(s.Q, 1);
    const float* row = s.table.Row(0);
    EXPECT_NEAR(row[kHalfSpan], 1.0, 1e-6);
    for (int k = 0; k <= kTapSpan; ++k)
        if (k != kHalfSpan) {
            EXPECT_NEAR(row[k], 0.0, 1e-6) << k;
        }
}

TEST(FilterDesign, DownsamplingCutsOffAtTheOutputNyquist) {
    // 48000 -> 8000: P=6, Q=1. A tone at the input's 1/24 cycles/frame (2 kHz) passes,
    // one at 1/6 (8 kHz, far above the 4 kHz output Nyquist) is stopped.
    const FilterState s = Design(48000, 8000);
    const float* row = s.table.Row(0);
    auto gainAt = [&](double cyclesPerFrame) {
        double re = 0, im = 0;
        for (int k = 0; k <= kTapSpan; ++k) {
            re += row[k] * std::cos(2 * M_PI * cyclesPerFrame * k);
            im += row[k] * std::sin(2 * M_PI * cyclesPerFrame * k);
        }
        return std::hypot(re, im) * static_cast<double>(s.Q);
    };
    EXPECT_NEAR(gainAt(0.0), 1.0, 0.01);
    EXPECT_NEAR(gainAt(1.0 / 24), 1.0, 0.05);
    EXPECT_LT(gainAt(1.0 / 6), 0.01);
}

TEST(FilterDesign, HammingWindowEndsAt008) {
    std::vector<float> w(101);
    MakeWindow(w.data(), 101);
    EXPECT_NEAR(w.front(), 0.08, 1e-6);
    EXPECT_NEAR(w.back(), 0.08, 1e-6);
    EXPECT_NEAR(w[50], 1.0, 1e-6);
}

TEST(FilterDesign, HugePhaseCountIsRefusedAsTooLarge) {
    FilterState s;
    s.P = 2147483647;  // prime, so nothing reduces
    s.Q = 9599900;
    EXPECT_EQ(DesignFilter(s), DesignOutcome::kTooLarge);
    EXPECT_EQ(s.table.Rows(), 0);
}

}  // namespace
}  // namespace zel
