#pragma once
// Which SIMD extensions the processor has, asked through CPUID leaves 0, 1, 7 and
// 0x80000002..0x80000004, and for AVX through XGETBV (whether the system saves the ymm
// registers). Decoding is kept apart from executing CPUID, so every row of
// the decoding rules can be tested on any processor.

#include <array>
#include <cstdint>
#include <string>

namespace zel {

// 0 none, 1 MMX, 2 SSE, 3 SSE2, 4 SSE3, 5 SSE4.1, 6 SSE4.2, 7 AVX2 with FMA, 8 AVX-512
// (F, VL, BW and DQ, besides AVX2 with FMA): the highest extension found in a fixed order of
// tests; those below it are taken to be present.
using CpuFeatureLevel = std::int32_t;

// Thirteen words: the registers of leaves 0x80000002..4 in order EAX, EBX, ECX, EDX, then
// a zero word, so the 48-byte brand text is always terminated.
struct CpuBrandBuffer {
    std::array<std::uint32_t, 13> words{};
    // The bytes up to the terminating zero, exactly as the processor returned them.
    std::string Text() const;
};

struct CpuidRegisters {
    std::uint32_t eax = 0, ebx = 0, ecx = 0, edx = 0;
};

// Where CPUID answers come from: the processor, or a test's table.
class CpuidSource {
  public:
    virtual ~CpuidSource() = default;
    // False on a processor without the instruction.
    virtual bool Available() const = 0;
    // Sub-leaf 0 where a leaf has several.
    virtual CpuidRegisters Query(std::uint32_t leaf) const = 0;
    // XCR0, the register states the system saves; asked only when leaf 1 reports OSXSAVE.
    virtual std::uint64_t EnabledStates() const { return 0; }
};

// The processor this program runs on.
const CpuidSource& ProcessorCpuid();

// The feature bits of leaf 1, tested SSE4.2, SSE4.1, SSE3, SSE2, SSE, MMX in that order.
CpuFeatureLevel DecodeFeatureLevel(std::uint32_t ecx, std::uint32_t edx);

// AVX2 (leaf 7 EBX bit 5) and FMA (leaf 1 ECX bit 12), with the system saving the xmm
// and ymm registers (leaf 1 OSXSAVE, ECX bit 27, and XCR0 bits 1 and 2).
bool DecodeAvx2WithFma(std::uint32_t leaf1Ecx, std::uint32_t leaf7Ebx, std::uint64_t xcr0);

// AVX-512 F, DQ, BW and VL (leaf 7 EBX bits 16, 17, 30, 31), with the system saving the
// opmask and zmm registers as well as xmm and ymm (XCR0 bits 1, 2, 5, 6 and 7). AVX2 with
// FMA is decoded apart.
bool DecodeAvx512(std::uint32_t leaf7Ebx, std::uint64_t xcr0);

// With a null brand pointer only the feature bits are read and no memory is written. When
// the highest standard leaf is below 1 the result is 0 and the brand is left untouched.
CpuFeatureLevel DetectCpuFeatures(const CpuidSource& cpuid, CpuBrandBuffer* brand);
CpuFeatureLevel DetectCpuFeatures(CpuBrandBuffer* brand);

// The brand text to show: the string the brand leaves of `cpuid` hold, or, where they are
// missing, the model name the system reports.
std::string ProcessorBrandText(const CpuidSource& cpuid);
std::string ProcessorBrandText();

// Display names: "MMX", "SSE4.1", ...
const char* FeatureLevelName(CpuFeatureLevel level);

}  // namespace zel
