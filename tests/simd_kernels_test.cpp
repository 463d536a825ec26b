// The three stages of each SIMD build, checked one by one: unpacking and packing against
// exact expectations, the dot product bit for bit against a scalar model of the order it
// promises. Counts are chosen off the vector widths so the rounded-up steps run.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "engine/base/aligned_buffer.h"
#include "engine/codec/sample_encoding.h"
#include "engine/resample/standard/block_geometry.h"
#include "engine/resample/standard/conversion_kernels.h"
#include "engine/resample/standard/filter_design.h"
#include "engine/resample/standard/kernels/avx2_kernels.h"
#include "engine/resample/standard/phase_walk.h"
#include "tests/support/sum_models.h"

namespace zel {
namespace {

using test::ModelSum;
using test::SumOrder;

constexpr SampleLayout kLayouts[] = {SampleLayout::Mono8, SampleLayout::Stereo8,
                                     SampleLayout::Mono16, SampleLayout::Stereo16};
constexpr std::int64_t kOddCounts[] = {1, 2, 3, 5, 7, 9, 13, 15, 17, 31, 33, 1001};
constexpr std::int64_t kRoom = 2048;

struct Build {
    const ConversionKernels* kernels;
    // How the dot product is formed, per layout.
    SumOrder eightBitAndMono16;
    SumOrder stereo16;
    // Whether Stereo16 and the 8-bit paths add a bias before rounding.
    bool biasedStereo16;
};

const Build kBuilds[] = {
    {&kSseKernels, SumOrder::kSequential, SumOrder::kAlternatePairs, true},
    {&kSse2Kernels, SumOrder::kAlternatePairs, SumOrder::kAlternatePairs, true},
    {&kSse3Kernels, SumOrder::kAdjacentPairs, SumOrder::kAdjacentPairs, true},
    {&kSse41Kernels, SumOrder::kAdjacentPairs, SumOrder::kGroupsInOrder, false},
};

bool IsStereo(SampleLayout layout) {
    return layout == SampleLayout::Stereo8 || layout == SampleLayout::Stereo16;
}

bool IsSixteenBit(SampleLayout layout) {
    return layout == SampleLayout::Mono16 || layout == SampleLayout::Stereo16;
}

int BlockAlign(SampleLayout layout) {
    return (IsStereo(layout) ? 2 : 1) * (IsSixteenBit(layout) ? 2 : 1);
}

std::string Describe(const Build& build, SampleLayout layout, std::int64_t count) {
    return std::string(build.kernels->name) + " layout " +
           std::to_string(static_cast<int>(layout)) + " count " + std::to_string(count);
}

// ---- Unpacking ---------------------------------------------------------------------------

TEST(SimdUnpack, EveryBuildUnpacksExactlyLikeTheReferenceOnOddCounts) {
    std::mt19937 random(7);
    for (const Build& build : kBuilds) {
        for (SampleLayout layout : kLayouts) {
            for (std::int64_t count : kOddCounts) {
                AlignedBuffer<std::uint8_t> raw;
                ASSERT_TRUE(raw.Allocate((count + kRoom) * 4));
                for (std::size_t i = 0; i < raw.size(); ++i)
                    raw[i] = static_cast<std::uint8_t>(random());
                // The extremes of each encoding are in every block.
                raw[0] = 0x00;
                raw[1] = 0x80;
                raw[2] = 0xFF;
                raw[3] = 0x7F;
                AlignedBuffer<float> expectL, expectR, gotL, gotR;
                for (auto* b : {&expectL, &expectR, &gotL, &gotR})
                    ASSERT_TRUE(b->Allocate(count + kRoom));
                // Unaligned destinations, as the history offset makes them.
                kReferenceKernels.unpack(layout, raw.data(), count, expectL.data() + 25,
                                         expectR.data() + 25);
                build.kernels->unpack(layout, raw.data(), count, gotL.data() + 25,
                                      gotR.data() + 25);
                for (std::int64_t i = 0; i < count; ++i) {
                    ASSERT_EQ(gotL[25 + i], expectL[25 + i]) << Describe(build, layout, count);
                    if (IsStereo(layout)) {
                        ASSERT_EQ(gotR[25 + i], expectR[25 + i])
                            << Describe(build, layout, count);
                    }
                }
                // Nothing is written before the destination, nor past the vector slack.
                for (int i = 0; i < 25; ++i) ASSERT_EQ(gotL[i], 0.0f);
                for (std::int64_t i = 25 + count + kVectorSlack; i < count + kRoom; ++i)
                    ASSERT_EQ(gotL[i], 0.0f) << Describe(build, layout, count);
            }
        }
    }
}

// ---- Dot product -----------------------------------------------------------------------

// A designed filter for P:Q, input samples in both channels, and the kernel's outputs.
struct FilterCase {
    FilterState state;
    AlignedBuffer<float> left, right, outLeft, outRight;

    FilterCase(std::int64_t p, std::int64_t q, std::int64_t outputs, std::uint32_t seed) {
        state.P = p;
        state.Q = q;
        EXPECT_EQ(DesignFilter(state), DesignOutcome::kDesigned);
        const std::int64_t frames = outputs * state.P / state.Q + kRoom;
        std::mt19937 random(seed);
        std::uniform_real_distribution<float> sample(-32768.0f, 32767.0f);
        for (auto* b : {&left, &right}) {
            EXPECT_TRUE(b->Allocate(frames));
            for (std::size_t i = 0; i < b->size(); ++i) (*b)[i] = std::round(sample(random));
        }
        EXPECT_TRUE(outLeft.Allocate(outputs + kRoom));
        EXPECT_TRUE(outRight.Allocate(outputs + kRoom));
    }
};

struct Ratio {
    std::int64_t p, q;
};

// 44100->48000, 48000->44100, 8000->96000, a 2:1 reduction, equal rates, and a
// reduction far enough that four outputs span almost a hundred input frames.
constexpr Ratio kRatios[] = {{147, 160}, {160, 147}, {1, 12}, {2, 1}, {1, 1}, {24, 1}};

TEST(SimdFilter, EveryBuildFormsItsSumsExactlyInItsOwnOrder) {
    for (const Build& build : kBuilds) {
        for (SampleLayout layout : kLayouts) {
            const SumOrder order =
                layout == SampleLayout::Stereo16 ? build.stereo16 : build.eightBitAndMono16;
            for (const Ratio& ratio : kRatios) {
                for (std::int64_t outputs : {1, 3, 5, 7, 13, 322}) {
                    FilterCase c(ratio.p, ratio.q, outputs, 11);
                    build.kernels->filter(layout, c.state, c.left.data(), c.right.data(),
                                          outputs, c.outLeft.data(), c.outRight.data());
                    const float gain = static_cast<float>(c.state.Q);
                    PhaseWalk walk(c.state.P, c.state.Q);
                    for (std::int64_t j = 0; j < outputs; ++j, walk.Advance()) {
                        const float* row = c.state.table.Row(walk.Phase());
                        const std::int64_t a = walk.Start();
                        ASSERT_EQ(c.outLeft[j], ModelSum(order, row, c.left.data() + a) * gain)
                            << Describe(build, layout, outputs) << " P " << ratio.p
                            << " output " << j;
                        if (IsStereo(layout)) {
                            ASSERT_EQ(c.outRight[j],
                                      ModelSum(order, row, c.right.data() + a) * gain)
                                << Describe(build, layout, outputs) << " output " << j;
                        }
                    }
                }
            }
        }
    }
}

TEST(SimdFilter, SumsStayWithinRoundingOfTheReference) {
    for (const Build& build : kBuilds) {
        for (SampleLayout layout : kLayouts) {
            FilterCase simd(147, 160, 1001, 5);
            FilterCase reference(147, 160, 1001, 5);
            build.kernels->filter(layout, simd.state, simd.left.data(), simd.right.data(), 1001,
                                  simd.outLeft.data(), simd.outRight.data());
            kReferenceKernels.filter(layout, reference.state, reference.left.data(),
                                     reference.right.data(), 1001, reference.outLeft.data(),
                                     reference.outRight.data());
            for (std::int64_t j = 0; j < 1001; ++j) {
                ASSERT_NEAR(simd.outLeft[j], reference.outLeft[j], 0.05f)
                    << Describe(build, layout, 1001) << " output " << j;
                if (IsStereo(layout)) {
                    ASSERT_NEAR(simd.outRight[j], reference.outRight[j], 0.05f)
                        << Describe(build, layout, 1001) << " output " << j;
                }
            }
        }
    }
}

// ---- Packing -----------------------------------------------------------------------------

// Finished floats in both channels, packed by one build; samples read back as integers.
std::vector<std::int32_t> Pack(const ConversionKernels& kernels, SampleLayout layout,
                               const std::vector<float>& left, const std::vector<float>& right,
                               std::vector<std::uint8_t>* rawOut = nullptr) {
    const std::int64_t count = static_cast<std::int64_t>(left.size());
    AlignedBuffer<float> l, r;
    AlignedBuffer<std::uint8_t> raw;
    EXPECT_TRUE(l.Allocate(count + kRoom) && r.Allocate(count + kRoom) &&
                raw.Allocate((count + kRoom) * 4));
    std::copy(left.begin(), left.end(), l.data());
    std::copy(right.begin(), right.end(), r.data());
    kernels.pack(layout, l.data(), r.data(), count, raw.data());
    const int channels = IsStereo(layout) ? 2 : 1;
    std::vector<std::int32_t> samples;
    for (std::int64_t i = 0; i < count * channels; ++i) {
        if (IsSixteenBit(layout))
            samples.push_back(ReadInt16(raw.data() + 2 * i));
        else
            samples.push_back(raw[i]);
    }
    if (rawOut != nullptr) rawOut->assign(raw.data(), raw.data() + raw.size());
    return samples;
}

// What a sample must be: y (plus the bias where the path adds one, in single precision)
// rounded to nearest with ties to even, saturated to the sample range.
std::int32_t ExpectedSample(SampleLayout layout, bool biased, float y) {
    if (!IsSixteenBit(layout)) {
        const float t = y + 128.0f;
        return static_cast<std::int32_t>(std::clamp(std::nearbyint(t), 0.0f, 255.0f));
    }
    const float t = biased ? y + 32768.0f : y;
    const float v = std::clamp(std::nearbyint(t), biased ? 0.0f : -32768.0f,
                               biased ? 65535.0f : 32767.0f);
    return static_cast<std::int32_t>(v) - (biased ? 32768 : 0);
}

bool IsBiased(const Build& build, SampleLayout layout) {
    return !IsSixteenBit(layout) || (layout == SampleLayout::Stereo16 && build.biasedStereo16);
}

TEST(SimdPack, TiesGoToEvenOnTheValueThatIsRounded) {
    // 2.5 + 2^-10: above the tie, but 32768 + y rounds to the tie 32770.5 in single
    // precision. Likewise 2.5 + 2^-18 against 128 + y.
    const float nearTie16 = 2.5f + std::ldexp(1.0f, -10);
    const float nearTie8 = 2.5f + std::ldexp(1.0f, -18);
    for (const Build& build : kBuilds) {
        for (SampleLayout layout : kLayouts) {
            const bool biased = IsBiased(build, layout);
            const std::vector<float> y = {2.5f,  -2.5f,    3.5f,     0.5f, -0.5f,
                                          1.5f,  nearTie16, nearTie8, -1.5f};
            const std::vector<std::int32_t> got = Pack(*build.kernels, layout, y, y);
            const int channels = IsStereo(layout) ? 2 : 1;
            for (std::size_t i = 0; i < y.size(); ++i) {
                const std::int32_t expected = ExpectedSample(layout, biased, y[i]);
                for (int c = 0; c < channels; ++c)
                    EXPECT_EQ(got[i * channels + c], expected)
                        << Describe(build, layout, 9) << " y " << y[i];
            }
            const std::int32_t zero = IsSixteenBit(layout) ? 0 : 128;
            EXPECT_EQ(got[0], zero + 2) << Describe(build, layout, 9);         // 2.5
            EXPECT_EQ(got[channels], zero - 2) << Describe(build, layout, 9);  // -2.5
            if (IsSixteenBit(layout))
                EXPECT_EQ(got[6 * channels], biased ? 2 : 3) << Describe(build, layout, 9);
            else
                EXPECT_EQ(got[7 * channels], 130) << Describe(build, layout, 9);
        }
    }
}

TEST(SimdPack, EveryPathSaturatesInsteadOfWrapping) {
    // Values past both ends, including ones that a conversion to 32 bits would turn into
    // the integer minimum.
    const std::vector<float> left = {40000.0f, -40000.0f, 3.0e9f, -32768.5f, 172.0f,  -200.0f,
                                     32767.5f, -3.0e9f,   127.5f, 70000.0f,  2.0e9f,  5.0e9f};
    const std::vector<float> right = {-40000.0f, 40000.0f, -3.0e9f, 32767.5f, -200.0f, 172.0f,
                                      -32768.5f, 3.0e9f,   -128.5f, -70000.0f, -2.0e9f, 5.0e9f};
    for (const Build& build : kBuilds) {
        for (SampleLayout layout : kLayouts) {
            const std::vector<std::int32_t> got = Pack(*build.kernels, layout, left, right);
            const bool stereo = IsStereo(layout);
            for (std::size_t i = 0; i < left.size(); ++i) {
                const std::int32_t l = got[stereo ? 2 * i : i];
                EXPECT_EQ(l, ExpectedSample(layout, IsBiased(build, layout), left[i]))
                    << Describe(build, layout, 12) << " left " << left[i];
                if (stereo) {
                    EXPECT_EQ(got[2 * i + 1],
                              ExpectedSample(layout, IsBiased(build, layout), right[i]))
                        << Describe(build, layout, 12) << " right " << right[i];
                }
            }
            if (IsSixteenBit(layout)) {
                EXPECT_EQ(got[0], 32767) << Describe(build, layout, 12);  // 40000.0
                EXPECT_EQ(got[stereo ? 4 : 2], 32767) << Describe(build, layout, 12);
            } else {
                EXPECT_EQ(got[stereo ? 8 : 4], 255) << Describe(build, layout, 12);  // 300
                EXPECT_EQ(got[stereo ? 10 : 5], 0) << Describe(build, layout, 12);
            }
        }
    }
}

TEST(SimdPack, RandomValuesOnOddCountsMatchTheRoundingModel) {
    std::mt19937 random(3);
    std::uniform_real_distribution<float> wide(-40000.0f, 40000.0f);
    std::uniform_real_distribution<float> narrow(-140.0f, 140.0f);
    for (const Build& build : kBuilds) {
        for (SampleLayout layout : kLayouts) {
            for (std::int64_t count : kOddCounts) {
                auto& dist = IsSixteenBit(layout) ? wide : narrow;
                std::vector<float> left(count), right(count);
                for (std::int64_t i = 0; i < count; ++i) {
                    left[i] = dist(random);
                    right[i] = dist(random);
                }
                std::vector<std::uint8_t> raw;
                const std::vector<std::int32_t> got =
                    Pack(*build.kernels, layout, left, right, &raw);
                const bool stereo = IsStereo(layout);
                for (std::int64_t i = 0; i < count; ++i) {
                    ASSERT_EQ(got[stereo ? 2 * i : i],
                              ExpectedSample(layout, IsBiased(build, layout), left[i]))
                        << Describe(build, layout, count) << " left " << left[i];
                    if (stereo) {
                        ASSERT_EQ(got[2 * i + 1],
                                  ExpectedSample(layout, IsBiased(build, layout), right[i]))
                            << Describe(build, layout, count) << " right " << right[i];
                    }
                }
                // The rounded-up step stays within the vector slack.
                const std::size_t end = (count + kVectorSlack) * BlockAlign(layout);
                for (std::size_t i = end; i < raw.size(); ++i)
                    ASSERT_EQ(raw[i], 0) << Describe(build, layout, count) << " byte " << i;
            }
        }
    }
}

// ---- The AVX2/FMA build -------------------------------------------------------------------

// The build is held to the reference's unpacking, to the SSE2 packing, to within rounding of
// the reference's sums, and to its own order of fused sums for every output.
class Avx2Build : public ::testing::Test {
protected:
    void SetUp() override {
        if (!__builtin_cpu_supports("avx2") || !__builtin_cpu_supports("fma"))
            GTEST_SKIP() << "this processor lacks AVX2 or FMA";
    }
};

TEST_F(Avx2Build, UnpacksAndPacksLikeTheSse2Build) {
    std::mt19937 random(13);
    std::uniform_real_distribution<float> wide(-40000.0f, 40000.0f);
    for (SampleLayout layout : kLayouts) {
        for (std::int64_t count : kOddCounts) {
            AlignedBuffer<std::uint8_t> raw;
            ASSERT_TRUE(raw.Allocate((count + kRoom) * 4));
            for (std::size_t i = 0; i < raw.size(); ++i)
                raw[i] = static_cast<std::uint8_t>(random());
            AlignedBuffer<float> expectL, expectR, gotL, gotR;
            for (auto* b : {&expectL, &expectR, &gotL, &gotR})
                ASSERT_TRUE(b->Allocate(count + kRoom));
            kReferenceKernels.unpack(layout, raw.data(), count, expectL.data() + 25,
                                     expectR.data() + 25);
            kAvx2Kernels.unpack(layout, raw.data(), count, gotL.data() + 25, gotR.data() + 25);
            for (std::int64_t i = 0; i < count; ++i) {
                ASSERT_EQ(gotL[25 + i], expectL[25 + i]) << "layout " << int(layout);
                if (IsStereo(layout)) {
                    ASSERT_EQ(gotR[25 + i], expectR[25 + i]) << "layout " << int(layout);
                }
            }
            std::vector<float> left(count), right(count);
            for (std::int64_t i = 0; i < count; ++i) {
                left[i] = wide(random);
                right[i] = wide(random);
            }
            std::vector<std::uint8_t> avx2Raw, sse2Raw;
            Pack(kAvx2Kernels, layout, left, right, &avx2Raw);
            Pack(kSse2Kernels, layout, left, right, &sse2Raw);
            ASSERT_EQ(avx2Raw, sse2Raw) << "layout " << int(layout) << " count " << count;
        }
    }
}

// The phase-major walk goes tile by tile and eight sums at a time; each output must still be
// formed the same way wherever the count places it (several tiles at 4001 outputs).
TEST_F(Avx2Build, FormsEverySumInItsOwnOrderWhateverTheCount) {
    for (SampleLayout layout : kLayouts) {
        for (const Ratio& ratio : kRatios) {
            for (std::int64_t outputs : {1, 3, 5, 7, 13, 322, 4001}) {
                FilterCase c(ratio.p, ratio.q, outputs, 19);
                kAvx2Kernels.filter(layout, c.state, c.left.data(), c.right.data(), outputs,
                                    c.outLeft.data(), c.outRight.data());
                const float gain = static_cast<float>(c.state.Q);
                PhaseWalk walk(c.state.P, c.state.Q);
                for (std::int64_t j = 0; j < outputs; ++j, walk.Advance()) {
                    const float* row = c.state.table.Row(walk.Phase());
                    const std::int64_t a = walk.Start();
                    ASSERT_EQ(c.outLeft[j],
                              ModelSum(SumOrder::kFusedEightLanes, row, c.left.data() + a) * gain)
                        << "layout " << int(layout) << " P " << ratio.p << " count " << outputs
                        << " output " << j;
                    if (IsStereo(layout)) {
                        ASSERT_EQ(c.outRight[j], ModelSum(SumOrder::kFusedEightLanes, row,
                                                          c.right.data() + a) * gain)
                            << "layout " << int(layout) << " P " << ratio.p << " output " << j;
                    }
                }
            }
        }
    }
}

TEST_F(Avx2Build, SumsStayWithinRoundingOfTheReferenceOnOddCounts) {
    for (SampleLayout layout : kLayouts) {
        for (const Ratio& ratio : kRatios) {
            for (std::int64_t outputs : {1, 3, 5, 7, 13, 322, 1001}) {
                FilterCase avx2(ratio.p, ratio.q, outputs, 17);
                FilterCase reference(ratio.p, ratio.q, outputs, 17);
                kAvx2Kernels.filter(layout, avx2.state, avx2.left.data(), avx2.right.data(),
                                    outputs, avx2.outLeft.data(), avx2.outRight.data());
                kReferenceKernels.filter(layout, reference.state, reference.left.data(),
                                         reference.right.data(), outputs,
                                         reference.outLeft.data(), reference.outRight.data());
                for (std::int64_t j = 0; j < outputs; ++j) {
                    ASSERT_NEAR(avx2.outLeft[j], reference.outLeft[j], 0.05f)
                        << "layout " << int(layout) << " P " << ratio.p << " output " << j;
                    if (IsStereo(layout)) {
                        ASSERT_NEAR(avx2.outRight[j], reference.outRight[j], 0.05f)
                            << "layout " << int(layout) << " P " << ratio.p << " output " << j;
                    }
                }
                // Nothing is written past the last output.
                ASSERT_EQ(avx2.outLeft[outputs], 0.0f) << "P " << ratio.p << " " << outputs;
            }
        }
    }
}

}  // namespace
}  // namespace zel
