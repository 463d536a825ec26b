#include "cpu/cpu_features.h"

#include <cstring>
#include <fstream>

#if defined(__x86_64__) || defined(__i386__)
#include <cpuid.h>
#define ZEL_HAVE_CPUID 1
#endif

namespace zel {
namespace {

constexpr std::uint32_t kBrandLeafFirst = 0x80000002;
constexpr int kBrandLeaves = 3;
constexpr CpuFeatureLevel kAvx2FmaLevel = 7;
// AVX-512, the highest level the decoding knows.
constexpr CpuFeatureLevel kAvx512Level = 8;
constexpr CpuFeatureLevel kHighestFeatureLevel = kAvx512Level;
constexpr std::uint32_t kExtendedFeatureLeaf = 7;
constexpr std::uint32_t kFmaBit = 1u << 12;      // leaf 1 ECX
constexpr std::uint32_t kOsXsaveBit = 1u << 27;  // leaf 1 ECX
constexpr std::uint32_t kAvx2Bit = 1u << 5;      // leaf 7 EBX
constexpr std::uint64_t kXmmYmmStates = 0x6;     // XCR0 bits 1 (SSE) and 2 (AVX)
// AVX-512 F (16), DQ (17), BW (30) and VL (31), leaf 7 EBX.
constexpr std::uint32_t kAvx512Bits = (1u << 16) | (1u << 17) | (1u << 30) | (1u << 31);
// XCR0 bits 5 (opmask), 6 (upper halves of zmm0..15) and 7 (zmm16..31), with xmm and ymm.
constexpr std::uint64_t kZmmStates = kXmmYmmStates | 0xE0;

struct FeatureBit {
    bool inEcx;
    std::uint32_t mask;
    CpuFeatureLevel level;
};

// In order of testing: the first bit that is set decides.
constexpr FeatureBit kFeatureBits[] = {
    {true, 0x00100000, 6},   // SSE4.2, ECX bit 20
    {true, 0x00080000, 5},   // SSE4.1, ECX bit 19
    {true, 0x00000001, 4},   // SSE3, ECX bit 0
    {false, 0x04000000, 3},  // SSE2, EDX bit 26
    {false, 0x02000000, 2},  // SSE, EDX bit 25
    {false, 0x00800000, 1},  // MMX, EDX bit 23
};

class HardwareCpuid : public CpuidSource {
  public:
    bool Available() const override {
#ifdef ZEL_HAVE_CPUID
        return true;
#else
        return false;
#endif
    }
    CpuidRegisters Query(std::uint32_t leaf) const override {
        CpuidRegisters r;
#ifdef ZEL_HAVE_CPUID
        __cpuid_count(leaf, 0, r.eax, r.ebx, r.ecx, r.edx);
#else
        (void)leaf;
#endif
        return r;
    }
    std::uint64_t EnabledStates() const override {
#ifdef ZEL_HAVE_CPUID
        std::uint32_t low = 0, high = 0;
        // XGETBV by its encoding, so this file needs no -mxsave.
        __asm__ volatile(".byte 0x0f, 0x01, 0xd0" : "=a"(low), "=d"(high) : "c"(0));
        return (static_cast<std::uint64_t>(high) << 32) | low;
#else
        return 0;
#endif
    }
};

std::string ModelNameFromSystem() {
    std::ifstream cpuinfo("/proc/cpuinfo");
    std::string line;
    while (std::getline(cpuinfo, line)) {
        if (line.rfind("model name", 0) == 0 || line.rfind("Processor", 0) == 0 ||
            line.rfind("cpu model", 0) == 0) {
            auto colon = line.find(':');
            if (colon != std::string::npos) {
                auto start = line.find_first_not_of(' ', colon + 1);
                return start == std::string::npos ? std::string() : line.substr(start);
            }
        }
    }
    return {};
}

}  // namespace

std::string CpuBrandBuffer::Text() const {
    char bytes[sizeof words];
    std::memcpy(bytes, words.data(), sizeof bytes);
    return std::string(bytes, ::strnlen(bytes, sizeof bytes));
}

const CpuidSource& ProcessorCpuid() {
    static const HardwareCpuid hardware;
    return hardware;
}

CpuFeatureLevel DecodeFeatureLevel(std::uint32_t ecx, std::uint32_t edx) {
    for (const FeatureBit& bit : kFeatureBits)
        if (((bit.inEcx ? ecx : edx) & bit.mask) != 0) return bit.level;
    return 0;
}

bool DecodeAvx2WithFma(std::uint32_t leaf1Ecx, std::uint32_t leaf7Ebx, std::uint64_t xcr0) {
    return (leaf1Ecx & kFmaBit) != 0 && (leaf1Ecx & kOsXsaveBit) != 0 &&
           (leaf7Ebx & kAvx2Bit) != 0 && (xcr0 & kXmmYmmStates) == kXmmYmmStates;
}

bool DecodeAvx512(std::uint32_t leaf7Ebx, std::uint64_t xcr0) {
    return (leaf7Ebx & kAvx512Bits) == kAvx512Bits && (xcr0 & kZmmStates) == kZmmStates;
}

CpuFeatureLevel DetectCpuFeatures(const CpuidSource& cpuid, CpuBrandBuffer* brand) {
    if (!cpuid.Available()) return 0;
    const std::uint32_t highestLeaf = cpuid.Query(0).eax;
    if (highestLeaf < 1) return 0;
    if (brand != nullptr) {
        for (int i = 0; i < kBrandLeaves; ++i) {
            const CpuidRegisters r = cpuid.Query(kBrandLeafFirst + i);
            brand->words[4 * i + 0] = r.eax;
            brand->words[4 * i + 1] = r.ebx;
            brand->words[4 * i + 2] = r.ecx;
            brand->words[4 * i + 3] = r.edx;
        }
        brand->words[12] = 0;
    }
    const CpuidRegisters features = cpuid.Query(1);
    // XGETBV faults unless the system has set OSXSAVE, so it is asked only then.
    if (highestLeaf >= kExtendedFeatureLeaf && (features.ecx & kOsXsaveBit) != 0) {
        const std::uint32_t leaf7Ebx = cpuid.Query(kExtendedFeatureLeaf).ebx;
        const std::uint64_t xcr0 = cpuid.EnabledStates();
        if (DecodeAvx2WithFma(features.ecx, leaf7Ebx, xcr0))
            return DecodeAvx512(leaf7Ebx, xcr0) ? kAvx512Level : kAvx2FmaLevel;
    }
    return DecodeFeatureLevel(features.ecx, features.edx);
}

CpuFeatureLevel DetectCpuFeatures(CpuBrandBuffer* brand) {
    return DetectCpuFeatures(ProcessorCpuid(), brand);
}

std::string ProcessorBrandText(const CpuidSource& cpuid) {
    if (cpuid.Available() && cpuid.Query(0).eax >= 1 &&
        cpuid.Query(0x80000000).eax >= kBrandLeafFirst + kBrandLeaves - 1) {
        CpuBrandBuffer brand;
        DetectCpuFeatures(cpuid, &brand);
        return brand.Text();
    }
    return ModelNameFromSystem();
}

std::string ProcessorBrandText() { return ProcessorBrandText(ProcessorCpuid()); }

const char* FeatureLevelName(CpuFeatureLevel level) {
    static const char* const kNames[] = {"none",   "MMX",    "SSE",  "SSE2",   "SSE3",
                                         "SSE4.1", "SSE4.2", "AVX2", "AVX-512"};
    return (level >= 0 && level <= kHighestFeatureLevel) ? kNames[level] : "none";
}

}  // namespace zel
