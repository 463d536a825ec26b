#pragma once
// A processor for tests: the feature bits of a given CpuFeatureLevel (with every lower
// extension present, as on real processors) and a chosen brand string.

#include <algorithm>
#include <cstring>
#include <string>

#include "cpu/cpu_features.h"

namespace zel::test {

class FakeCpuid : public CpuidSource {
public:
    explicit FakeCpuid(CpuFeatureLevel level, std::string brand = "Fake Processor @ 1.00GHz")
        : level_(level), brand_(std::move(brand)) {
        brand_.resize(kBrandBytes, '\0');
    }

    bool Available() const override { return true; }

    CpuidRegisters Query(std::uint32_t leaf) const override {
        CpuidRegisters r;
        if (leaf == 0) {
            r.eax = level_ >= kAvx2Level ? 7 : 1;
        } else if (leaf == 1) {
            SetFeatureBits(r);
        } else if (leaf == 7 && level_ >= kAvx2Level) {
            r.ebx = 1u << 5;  // AVX2
            // AVX-512 F, DQ, BW and VL.
            if (level_ >= kAvx512Level) r.ebx |= (1u << 16) | (1u << 17) | (1u << 30) | (1u << 31);
        } else if (leaf == kExtendedMax) {
            r.eax = kBrandLast;
        } else if (leaf >= kBrandFirst && leaf <= kBrandLast) {
            const char* bytes = brand_.data() + 16 * (leaf - kBrandFirst);
            std::memcpy(&r.eax, bytes, 4);
            std::memcpy(&r.ebx, bytes + 4, 4);
            std::memcpy(&r.ecx, bytes + 8, 4);
            std::memcpy(&r.edx, bytes + 12, 4);
        }
        return r;
    }
    // The system saves the x87, xmm and ymm registers, and the opmask and zmm ones.
    std::uint64_t EnabledStates() const override { return 0xE7; }

private:
    static constexpr CpuFeatureLevel kAvx2Level = 7;
    static constexpr CpuFeatureLevel kAvx512Level = 8;
    static constexpr std::uint32_t kExtendedMax = 0x80000000;
    static constexpr std::uint32_t kBrandFirst = 0x80000002;
    static constexpr std::uint32_t kBrandLast = 0x80000004;
    static constexpr std::size_t kBrandBytes = 48;

    void SetFeatureBits(CpuidRegisters& r) const {
        if (level_ >= 1) r.edx |= 0x00800000;  // MMX
        if (level_ >= 2) r.edx |= 0x02000000;  // SSE
        if (level_ >= 3) r.edx |= 0x04000000;  // SSE2
        if (level_ >= 4) r.ecx |= 0x00000001;  // SSE3
        if (level_ >= 5) r.ecx |= 0x00080000;  // SSE4.1
        if (level_ >= 6) r.ecx |= 0x00100000;  // SSE4.2
        if (level_ >= 7) r.ecx |= 0x08001000;  // OSXSAVE and FMA
    }

    CpuFeatureLevel level_;
    std::string brand_;
};

}  // namespace zel::test
