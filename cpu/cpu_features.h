#pragma once
// Which SIMD extensions the processor has, asked through CPUID leaves 0, 1 and
// 0x80000002..0x80000004. Decoding is kept apart from executing CPUID, so every row of
// the decoding rules can be tested on any processor.

#include <array>
#include <cstdint>
#include <string>

#include "engine/conversion_builds.h"

namespace zel {

// 0 none, 1 MMX, 2 SSE, 3 SSE2, 4 SSE3, 5 SSE4.1, 6 SSE4.2: the highest extension found
// in a fixed order of tests; those below it are taken to be present.
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
    virtual CpuidRegisters Query(std::uint32_t leaf) const = 0;
};

// The processor this program runs on.
const CpuidSource& ProcessorCpuid();

// The feature bits of leaf 1, tested SSE4.2, SSE4.1, SSE3, SSE2, SSE, MMX in that order.
CpuFeatureLevel DecodeFeatureLevel(std::uint32_t ecx, std::uint32_t edx);

// With a null brand pointer only the feature bits are read and no memory is written. When
// the highest standard leaf is below 1 the result is 0 and the brand is left untouched.
CpuFeatureLevel DetectCpuFeatures(const CpuidSource& cpuid, CpuBrandBuffer* brand);
CpuFeatureLevel DetectCpuFeatures(CpuBrandBuffer* brand);

// The highest build the processor can run: 0,1 -> 0; 2 -> 1; 3 -> 2; 4 -> 3; 5,6 -> 4;
// anything else -> 0.
SimdLevel MaxSimdLevel(CpuFeatureLevel level);

// The brand text to show: the string the brand leaves of `cpuid` hold, or, where they are
// missing, the model name the system reports.
std::string ProcessorBrandText(const CpuidSource& cpuid);
std::string ProcessorBrandText();

// Display names: "MMX", "SSE4.1", ... and the builds "none", "sse", ...
const char* FeatureLevelName(CpuFeatureLevel level);
const char* SimdLevelName(SimdLevel level);

}  // namespace zel
