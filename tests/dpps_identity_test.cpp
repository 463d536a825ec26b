// The SSE4.1 build's Stereo16 sums must be exactly those of the four-way dot-product
// instruction, group after group. This file is compiled with SSE4.1 so that it can run
// the instruction itself as the model.

#include <gtest/gtest.h>
#include <smmintrin.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <random>

#include "engine/base/aligned_buffer.h"
#include "engine/resample/standard/conversion_kernels.h"
#include "engine/resample/standard/filter_design.h"
#include "engine/resample/standard/phase_walk.h"

namespace zel {
namespace {

constexpr std::int64_t kRoom = 4096;

// One output's sum as dpps forms it: per group of four, (p0 + p1) + (p2 + p3), the
// thirteen group results added in order to a running sum that starts at 0.
float DppsSum(const float* row, const float* x) {
    __m128 sum = _mm_setzero_ps();
    for (int m = 0; m < kRowStride / 4; ++m) {
        const __m128 group =
            _mm_dp_ps(_mm_load_ps(row + 4 * m), _mm_loadu_ps(x + 4 * m), 0xF1);
        sum = _mm_add_ss(sum, group);
    }
    return _mm_cvtss_f32(sum);
}

// Random values over many binary orders of magnitude and both signs, zeros included, so
// that the products and partial sums round in every possible way.
class WideRandom {
public:
    explicit WideRandom(std::uint32_t seed) : random_(seed) {}
    float operator()() {
        if (random_() % 29 == 0) return 0.0f;
        const float mantissa = std::uniform_real_distribution<float>(-1.0f, 1.0f)(random_);
        const int exponent = std::uniform_int_distribution<int>(-20, 16)(random_);
        return std::ldexp(mantissa, exponent);
    }

private:
    std::mt19937 random_;
};

struct Ratio {
    std::int64_t p, q;
};

TEST(Sse41Stereo16, SumsAreBitIdenticalWithTheDotProductInstruction) {
    if (!__builtin_cpu_supports("sse4.1")) GTEST_SKIP() << "this processor has no SSE4.1";
    const Ratio ratios[] = {{147, 160}, {160, 147}, {1, 12}, {13671, 16000}, {3, 1}, {1, 1}};
    std::uint32_t seed = 1;
    std::int64_t compared = 0;
    for (const Ratio& ratio : ratios) {
        for (std::int64_t outputs : {1, 2, 3, 4, 5, 6, 7, 63, 4097}) {
            FilterState state;
            state.P = ratio.p;
            state.Q = ratio.q;
            ASSERT_EQ(DesignFilter(state), DesignOutcome::kDesigned);
            // Random rows in place of the designed ones: every entry, the padding too.
            WideRandom random(seed++);
            for (std::int64_t p = 0; p < state.Q; ++p)
                for (int k = 0; k < kRowStride; ++k) state.table.Row(p)[k] = random();
            const std::int64_t frames = outputs * state.P / state.Q + kRoom;
            AlignedBuffer<float> left, right, outLeft, outRight;
            ASSERT_TRUE(left.Allocate(frames) && right.Allocate(frames) &&
                        outLeft.Allocate(outputs + kRoom) && outRight.Allocate(outputs + kRoom));
            for (std::int64_t i = 0; i < frames; ++i) {
                left[i] = random();
                right[i] = random();
            }
            kSse41Kernels.filter(SampleLayout::Stereo16, state, left.data(), right.data(),
                                 outputs, outLeft.data(), outRight.data());
            const float gain = static_cast<float>(state.Q);
            PhaseWalk walk(state.P, state.Q);
            for (std::int64_t j = 0; j < outputs; ++j, walk.Advance()) {
                const float* row = state.table.Row(walk.Phase());
                const std::int64_t a = walk.Start();
                const float expectLeft = DppsSum(row, left.data() + a) * gain;
                const float expectRight = DppsSum(row, right.data() + a) * gain;
                // Bit patterns, so that even the sign of a zero must agree.
                ASSERT_EQ(std::bit_cast<std::uint32_t>(outLeft[j]),
                          std::bit_cast<std::uint32_t>(expectLeft))
                    << "P " << ratio.p << " Q " << ratio.q << " output " << j;
                ASSERT_EQ(std::bit_cast<std::uint32_t>(outRight[j]),
                          std::bit_cast<std::uint32_t>(expectRight))
                    << "P " << ratio.p << " Q " << ratio.q << " output " << j;
                compared += 2;
            }
        }
    }
    EXPECT_GT(compared, 40000);
}

}  // namespace
}  // namespace zel
