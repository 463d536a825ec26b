// Each SIMD build must run on a processor that has its instruction set and nothing above
// it. The compiled kernel objects are disassembled and every instruction is classified.

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <set>
#include <string>

#include "tests/support/instruction_levels.h"

namespace zel::test {
namespace {

std::string Disassemble(const std::string& object) {
    const std::string command =
        std::string(ZEL_OBJDUMP) + " -d -M intel --no-show-raw-insn '" + object + "' 2>&1";
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(::popen(command.c_str(), "r"), ::pclose);
    std::string output;
    if (!pipe) return output;
    char buffer[4096];
    std::size_t got = 0;
    while ((got = std::fread(buffer, 1, sizeof buffer, pipe.get())) > 0) output.append(buffer, got);
    return output;
}

struct KernelObject {
    const char* build;
    const char* path;
    InstructionLevel level;
};

const KernelObject kObjects[] = {
    {"SSE", ZEL_KERNEL_OBJECT_SSE, InstructionLevel::kSse},
    {"SSE2", ZEL_KERNEL_OBJECT_SSE2, InstructionLevel::kSse2},
    {"SSE3", ZEL_KERNEL_OBJECT_SSE3, InstructionLevel::kSse3},
    {"SSE4.1", ZEL_KERNEL_OBJECT_SSE41, InstructionLevel::kSse41},
    {"AVX2", ZEL_KERNEL_OBJECT_AVX2, InstructionLevel::kAvx2Fma},
    // The high-quality mode's kernels; the scalar one does its float arithmetic in SSE2.
    {"high-quality scalar", ZEL_HQ_KERNEL_OBJECT_SCALAR, InstructionLevel::kSse2},
    {"high-quality SSE2", ZEL_HQ_KERNEL_OBJECT_SSE2, InstructionLevel::kSse2},
    {"high-quality AVX2", ZEL_HQ_KERNEL_OBJECT_AVX2, InstructionLevel::kAvx2Fma},
    {"best-quality scalar", ZEL_BEST_KERNEL_OBJECT_SCALAR, InstructionLevel::kSse2},
    {"best-quality SSE2", ZEL_BEST_KERNEL_OBJECT_SSE2, InstructionLevel::kSse2},
    {"best-quality AVX2", ZEL_BEST_KERNEL_OBJECT_AVX2, InstructionLevel::kAvx2Fma},
    {"high-quality AVX-512", ZEL_HQ_KERNEL_OBJECT_AVX512, InstructionLevel::kAvx512},
    {"best-quality AVX-512", ZEL_BEST_KERNEL_OBJECT_AVX512, InstructionLevel::kAvx512},
};

TEST(InstructionLevels, EveryBuildUsesItsOwnLevelAndNothingAbove) {
    for (const KernelObject& object : kObjects) {
        const std::vector<Instruction> code = ParseDisassembly(Disassemble(object.path));
        ASSERT_GT(code.size(), 100u) << object.build << ": nothing disassembled from "
                                     << object.path;
        InstructionLevel highest = InstructionLevel::kBase;
        for (const Instruction& i : code) {
            const InstructionLevel level = LevelOf(i);
            EXPECT_LE(level, object.level)
                << object.build << " build needs " << LevelName(level) << ": " << i.text
                << " in " << i.function;
            highest = std::max(highest, level);
        }
        // Each build does use what its level adds (SSE4.1 through its sign extension).
        EXPECT_EQ(highest, object.level) << object.build;
    }
}

TEST(InstructionLevels, TheSseBuildClearsTheMmxStateAndLeavesX87Alone) {
    const std::vector<Instruction> code = ParseDisassembly(Disassemble(ZEL_KERNEL_OBJECT_SSE));
    std::set<std::string> usingMmx, clearing;
    for (const Instruction& i : code) {
        EXPECT_FALSE(IsX87(i)) << "x87 code in the SSE build: " << i.text << " in "
                               << i.function;
        if (UsesMmxRegister(i)) usingMmx.insert(i.function);
        if (i.mnemonic == "emms") clearing.insert(i.function);
    }
    // Stereo16 unpacking and packing use MMX registers.
    EXPECT_GE(usingMmx.size(), 2u);
    for (const std::string& function : usingMmx)
        EXPECT_TRUE(clearing.count(function)) << function << " uses MMX without EMMS";
}

// AVX, AVX2 and FMA share one level above; the AVX2 builds' sums must be the fused ones.
TEST(InstructionLevels, TheAvx2BuildsSumWithFusedMultiplyAdds) {
    for (const char* object :
         {ZEL_KERNEL_OBJECT_AVX2, ZEL_HQ_KERNEL_OBJECT_AVX2, ZEL_BEST_KERNEL_OBJECT_AVX2}) {
        int fused = 0;
        for (const Instruction& i : ParseDisassembly(Disassemble(object)))
            fused += i.mnemonic.rfind("vfmadd", 0) == 0 &&
                     i.operands.find("ymm") != std::string::npos;
        EXPECT_GT(fused, 0) << object;
    }
}

// The lists behind the classification, on instructions the kernels happen not to contain.
TEST(InstructionLevels, ClassificationKnowsEachLevelsInstructions) {
    struct Case {
        const char* line;
        InstructionLevel level;
    };
    const Case cases[] = {
        {"paddw  mm0,mm1", InstructionLevel::kBase},
        {"movq   mm1,QWORD PTR [rdi]", InstructionLevel::kBase},
        {"emms", InstructionLevel::kBase},
        {"movs   DWORD PTR es:[rdi],DWORD PTR ds:[rsi]", InstructionLevel::kBase},
        {"rep stos QWORD PTR es:[rdi],rax", InstructionLevel::kBase},
        {"cvtps2pi mm0,xmm1", InstructionLevel::kSse},
        {"pmaxsw mm0,mm1", InstructionLevel::kSse},
        {"cmpltps xmm0,xmm1", InstructionLevel::kSse},
        {"xorps  xmm0,xmm0", InstructionLevel::kSse},
        {"paddw  xmm0,xmm1", InstructionLevel::kSse2},
        {"pxor   xmm0,xmm0", InstructionLevel::kSse2},
        {"movq   xmm0,rax", InstructionLevel::kSse2},
        {"movd   eax,xmm0", InstructionLevel::kSse2},
        {"movsd  xmm0,QWORD PTR [rax]", InstructionLevel::kSse2},
        {"cmpnlesd xmm0,xmm1", InstructionLevel::kSse2},
        {"pmaxsw xmm0,xmm1", InstructionLevel::kSse2},
        {"paddq  mm0,mm1", InstructionLevel::kSse2},
        {"cvtps2dq xmm0,xmm1", InstructionLevel::kSse2},
        {"pextrw eax,xmm0,0x1", InstructionLevel::kSse2},
        {"haddps xmm0,xmm1", InstructionLevel::kSse3},
        {"movshdup xmm0,xmm1", InstructionLevel::kSse3},
        {"pshufb xmm0,xmm1", InstructionLevel::kSsse3},
        {"palignr mm0,mm1,0x4", InstructionLevel::kSsse3},
        {"dpps   xmm0,xmm1,0xf1", InstructionLevel::kSse41},
        {"pmovsxwd xmm0,QWORD PTR [rax]", InstructionLevel::kSse41},
        {"pblendw xmm0,xmm1,0xaa", InstructionLevel::kSse41},
        {"pextrw WORD PTR [rax],xmm0,0x1", InstructionLevel::kSse41},
        {"roundps xmm0,xmm1,0x0", InstructionLevel::kSse41},
        {"pcmpgtq xmm0,xmm1", InstructionLevel::kSse42},
        {"popcnt eax,edx", InstructionLevel::kSse42},
        {"vaddps xmm0,xmm1,xmm2", InstructionLevel::kAvx2Fma},
        {"vzeroupper", InstructionLevel::kAvx2Fma},
        {"vfmadd231ps ymm0,ymm1,YMMWORD PTR [rax]", InstructionLevel::kAvx2Fma},
        {"vpbroadcastd ymm0,xmm1", InstructionLevel::kAvx2Fma},
        {"vaddps zmm0,zmm1,zmm2", InstructionLevel::kAvx512},
        {"vaddps ymm17,ymm1,ymm2", InstructionLevel::kAvx512},
        {"kmovw  k1,eax", InstructionLevel::kAvx512},
        {"vpternlogd ymm0,ymm1,ymm2,0xff", InstructionLevel::kAvx512},
        {"vshuff64x2 ymm0,ymm1,ymm2,0x1", InstructionLevel::kAvx512},
        {"vpconflictd zmm0,zmm1", InstructionLevel::kBeyond},
        {"vcvtph2ps ymm0,xmm1", InstructionLevel::kBeyond},
        {"shlx   eax,edx,ecx", InstructionLevel::kBeyond},
        {"aesenc xmm0,xmm1", InstructionLevel::kBeyond},
        {"pfadd  mm0,mm1", InstructionLevel::kBeyond},
        {"someop xmm0,xmm1", InstructionLevel::kUnknown},
    };
    for (const Case& c : cases) {
        const std::string listing = "0000000000000000 <f>:\n   0:\t" + std::string(c.line) + "\n";
        const std::vector<Instruction> parsed = ParseDisassembly(listing);
        ASSERT_EQ(parsed.size(), 1u) << c.line;
        EXPECT_EQ(LevelOf(parsed[0]), c.level) << c.line;
    }
}

}  // namespace
}  // namespace zel::test
