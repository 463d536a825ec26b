// CPUID decoding and the choice of the highest build, with a scripted processor so that
// every row of the rules is exercised on any machine.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "cpu/cpu_features.h"

#include "engine/resample/builds/conversion_builds.h"

namespace zel {
namespace {

// Answers CPUID from a table and records which leaves were asked.
class FakeCpuid : public CpuidSource {
public:
    bool Available() const override { return available; }
    CpuidRegisters Query(std::uint32_t leaf) const override {
        asked.push_back(leaf);
        auto found = leaves.find(leaf);
        return found == leaves.end() ? CpuidRegisters{} : found->second;
    }

    std::uint64_t EnabledStates() const override {
        asked.push_back(kXgetbvMark);
        return xcr0;
    }

    // Stands for XGETBV in `asked`.
    static constexpr std::uint32_t kXgetbvMark = 0xFFFFFFFF;
    bool available = true;
    std::map<std::uint32_t, CpuidRegisters> leaves;
    std::uint64_t xcr0 = 0;
    mutable std::vector<std::uint32_t> asked;
};

FakeCpuid ProcessorWith(std::uint32_t ecx, std::uint32_t edx) {
    FakeCpuid cpu;
    cpu.leaves[0] = {1, 0x68747541, 0x444D4163, 0x69746E65};  // highest leaf 1
    cpu.leaves[1] = {0, 0, ecx, edx};
    return cpu;
}

// Leaves 0x80000002..4 spelling `text` (at most 48 bytes), zero-padded.
void SetBrand(FakeCpuid& cpu, const std::string& text) {
    std::uint32_t words[12] = {};
    std::memcpy(words, text.data(), text.size());
    for (int leaf = 0; leaf < 3; ++leaf)
        cpu.leaves[0x80000002 + leaf] = {words[4 * leaf], words[4 * leaf + 1],
                                         words[4 * leaf + 2], words[4 * leaf + 3]};
}

constexpr std::uint32_t kSse42 = 1u << 20, kSse41 = 1u << 19, kSse3 = 1u << 0;  // ECX
constexpr std::uint32_t kSse2 = 1u << 26, kSse = 1u << 25, kMmx = 1u << 23;     // EDX

TEST(CpuFeatureLevel, EachFeatureBitAloneGivesItsLevel) {
    struct Row {
        std::uint32_t ecx, edx;
        CpuFeatureLevel level;
    };
    const Row rows[] = {
        {kSse42, 0, 6}, {kSse41, 0, 5}, {kSse3, 0, 4}, {0, kSse2, 3},
        {0, kSse, 2},   {0, kMmx, 1},   {0, 0, 0},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(DecodeFeatureLevel(row.ecx, row.edx), row.level)
            << std::hex << row.ecx << " " << row.edx;
        FakeCpuid cpu = ProcessorWith(row.ecx, row.edx);
        EXPECT_EQ(DetectCpuFeatures(cpu, nullptr), row.level);
    }
}

TEST(CpuFeatureLevel, TheFirstBitInTestingOrderDecides) {
    const std::uint32_t allEcx = kSse42 | kSse41 | kSse3;
    const std::uint32_t allEdx = kSse2 | kSse | kMmx;
    EXPECT_EQ(DecodeFeatureLevel(allEcx, allEdx), 6);
    EXPECT_EQ(DecodeFeatureLevel(kSse42, 0), 6);  // whatever the lower bits say
    EXPECT_EQ(DecodeFeatureLevel(kSse41 | kSse3, allEdx), 5);
    EXPECT_EQ(DecodeFeatureLevel(kSse3, 0), 4);  // SSE3 without SSE2: ECX is tested first
    EXPECT_EQ(DecodeFeatureLevel(0, kSse2 | kMmx), 3);
    EXPECT_EQ(DecodeFeatureLevel(0, kSse | kMmx), 2);
    // No other bit counts, SSSE3 (ECX bit 9) included.
    EXPECT_EQ(DecodeFeatureLevel(~(allEcx), ~(allEdx)), 0);
    EXPECT_EQ(DecodeFeatureLevel(1u << 9, 0), 0);
}

TEST(CpuFeatureLevel, MaxSimdLevelOffersTheHighestBuild) {
    const std::pair<CpuFeatureLevel, SimdLevel> rows[] = {
        {0, 0}, {1, 0}, {2, 1}, {3, 2}, {4, 3}, {5, 4}, {6, 4}, {7, 5}, {8, 6}, {-1, 0}, {9, 0},
        {100, 0},
    };
    for (const auto& [feature, simd] : rows) EXPECT_EQ(MaxSimdLevel(feature), simd) << feature;
    // The two rules together, for the edge cases of the tables.
    EXPECT_EQ(MaxSimdLevel(DecodeFeatureLevel(kSse42, 0)), 4);
    EXPECT_EQ(MaxSimdLevel(DecodeFeatureLevel(kSse3, 0)), 3);
    EXPECT_EQ(MaxSimdLevel(DecodeFeatureLevel(0, kMmx)), 0);
}

constexpr std::uint32_t kFma = 1u << 12, kOsXsave = 1u << 27;  // leaf 1 ECX
constexpr std::uint32_t kAvx2 = 1u << 5;                       // leaf 7 EBX

// A processor with leaf 7 whose system saves the registers `xcr0` names.
FakeCpuid Avx2Processor(std::uint32_t ecx, std::uint32_t leaf7Ebx, std::uint64_t xcr0) {
    FakeCpuid cpu = ProcessorWith(ecx | kSse42, kSse2);
    cpu.leaves[0].eax = 7;
    cpu.leaves[7] = {0, leaf7Ebx, 0, 0};
    cpu.xcr0 = xcr0;
    return cpu;
}

// Leaf 1 ECX, leaf 7 EBX and the saved states, and the level they give.
struct ProcessorRow {
    std::uint32_t ecx, ebx;
    std::uint64_t xcr0;
    CpuFeatureLevel level;
};

TEST(CpuFeatureLevel, Avx2NeedsFmaAndTheSystemsYmmSupport) {
    const ProcessorRow rows[] = {
        {kFma | kOsXsave, kAvx2, 0x7, 7},  // x87, SSE and AVX states saved
        {kFma | kOsXsave, kAvx2, 0x6, 7},
        {kOsXsave, kAvx2, 0x7, 6},         // no FMA
        {kFma | kOsXsave, 0, 0x7, 6},      // no AVX2
        {kFma | kOsXsave, kAvx2, 0x3, 6},  // the system does not save ymm
        {kFma | kOsXsave, kAvx2, 0x5, 6},  // nor xmm
        {kFma, kAvx2, 0x7, 6},             // no OSXSAVE: XGETBV must not even run
    };
    for (const ProcessorRow& row : rows) {
        FakeCpuid cpu = Avx2Processor(row.ecx, row.ebx, row.xcr0);
        EXPECT_EQ(DetectCpuFeatures(cpu, nullptr), row.level)
            << std::hex << row.ecx << " " << row.ebx << " " << row.xcr0;
        const bool xgetbvRan = std::find(cpu.asked.begin(), cpu.asked.end(),
                                         FakeCpuid::kXgetbvMark) != cpu.asked.end();
        EXPECT_EQ(xgetbvRan, (row.ecx & kOsXsave) != 0);
    }
    // Below leaf 7 the bits of leaf 7 are never asked for.
    FakeCpuid old = Avx2Processor(kFma | kOsXsave, kAvx2, 0x7);
    old.leaves[0].eax = 6;
    EXPECT_EQ(DetectCpuFeatures(old, nullptr), 6);
    EXPECT_EQ(old.asked, (std::vector<std::uint32_t>{0, 1}));
    EXPECT_EQ(MaxSimdLevel(7), 5);
    EXPECT_STREQ(SimdLevelName(5), "avx2");
}

constexpr std::uint32_t kAvx512F = 1u << 16, kAvx512Dq = 1u << 17;  // leaf 7 EBX
constexpr std::uint32_t kAvx512Bw = 1u << 30, kAvx512Vl = 1u << 31;
constexpr std::uint32_t kAvx512 = kAvx512F | kAvx512Dq | kAvx512Bw | kAvx512Vl;

TEST(CpuFeatureLevel, Avx512NeedsItsFourPartsAndTheSystemsZmmSupport) {
    const ProcessorRow rows[] = {
        {kFma | kOsXsave, kAvx2 | kAvx512, 0xE7, 8},
        {kFma | kOsXsave, kAvx2 | kAvx512, 0xE6, 8},
        {kFma | kOsXsave, kAvx2 | (kAvx512 & ~kAvx512F), 0xE7, 7},
        {kFma | kOsXsave, kAvx2 | (kAvx512 & ~kAvx512Dq), 0xE7, 7},
        {kFma | kOsXsave, kAvx2 | (kAvx512 & ~kAvx512Bw), 0xE7, 7},
        {kFma | kOsXsave, kAvx2 | (kAvx512 & ~kAvx512Vl), 0xE7, 7},
        {kFma | kOsXsave, kAvx2 | kAvx512, 0x07, 7},  // the system saves no zmm state
        {kFma | kOsXsave, kAvx2 | kAvx512, 0xC7, 7},  // nor the opmask registers
        {kFma | kOsXsave, kAvx2 | kAvx512, 0xA7, 7},  // nor the upper halves of zmm0..15
        {kFma | kOsXsave, kAvx2 | kAvx512, 0x67, 7},  // nor zmm16..31
        {kFma | kOsXsave, kAvx2 | kAvx512, 0xE3, 6},  // nor ymm: no AVX at all
        {kOsXsave, kAvx2 | kAvx512, 0xE7, 6},         // no FMA
        {kFma, kAvx2 | kAvx512, 0xE7, 6},             // no OSXSAVE
    };
    for (const ProcessorRow& row : rows) {
        FakeCpuid cpu = Avx2Processor(row.ecx, row.ebx, row.xcr0);
        EXPECT_EQ(DetectCpuFeatures(cpu, nullptr), row.level)
            << std::hex << row.ecx << " " << row.ebx << " " << row.xcr0;
    }
    EXPECT_EQ(MaxSimdLevel(8), 6);
    EXPECT_STREQ(SimdLevelName(6), "avx512");
    EXPECT_STREQ(FeatureLevelName(8), "AVX-512");
}

TEST(CpuBrand, FortyEightBytesAreStillTerminated) {
    FakeCpuid cpu = ProcessorWith(kSse41, kSse2);
    const std::string brand = "  Forty-eight characters of processor brand!!!  ";
    ASSERT_EQ(brand.size(), 48u);
    SetBrand(cpu, brand);
    CpuBrandBuffer buffer;
    buffer.words.fill(0xFFFFFFFF);
    EXPECT_EQ(DetectCpuFeatures(cpu, &buffer), 5);
    EXPECT_EQ(buffer.words[12], 0u);
    // Exactly as the processor returned it: spaces at both ends are kept.
    EXPECT_EQ(buffer.Text(), brand);
    // Each leaf's registers in the order EAX, EBX, ECX, EDX.
    EXPECT_EQ(buffer.words[4], cpu.leaves[0x80000003].eax);
    EXPECT_EQ(buffer.words[7], cpu.leaves[0x80000003].edx);
}

TEST(CpuBrand, ANullBufferAsksOnlyForTheFeatureBits) {
    FakeCpuid cpu = ProcessorWith(kSse3, kSse2);
    SetBrand(cpu, "Some processor");
    EXPECT_EQ(DetectCpuFeatures(cpu, nullptr), 4);
    EXPECT_EQ(cpu.asked, (std::vector<std::uint32_t>{0, 1}));
}

TEST(CpuBrand, WithoutLeafOneNothingIsReadOrWritten) {
    FakeCpuid cpu = ProcessorWith(kSse42, kSse2);
    cpu.leaves[0].eax = 0;
    SetBrand(cpu, "Some processor");
    CpuBrandBuffer buffer;
    buffer.words.fill(0x5A5A5A5A);
    EXPECT_EQ(DetectCpuFeatures(cpu, &buffer), 0);
    for (std::uint32_t word : buffer.words) EXPECT_EQ(word, 0x5A5A5A5Au);
    EXPECT_EQ(cpu.asked, (std::vector<std::uint32_t>{0}));

    FakeCpuid none = ProcessorWith(kSse42, kSse2);
    none.available = false;
    EXPECT_EQ(DetectCpuFeatures(none, &buffer), 0);
    EXPECT_TRUE(none.asked.empty());
    EXPECT_EQ(buffer.words[0], 0x5A5A5A5Au);
}

TEST(CpuBrand, ThisProcessorHasABrandText) { EXPECT_FALSE(ProcessorBrandText().empty()); }

}  // namespace
}  // namespace zel
