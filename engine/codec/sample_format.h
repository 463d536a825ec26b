#pragma once
// How the samples of a WAV file are stored: encoding, container and valid bits, channels
// with their speaker mask, rate and byte order.

#include <cstdint>

namespace zel {

enum class SampleEncoding : std::uint8_t {
    kUnsigned8,  // PCM, 128 is the zero line
    kSigned16,
    kSigned24,
    kSigned32,
    kFloat32,
    kFloat64,
    kMuLaw,  // G.711, 8 bits
    kALaw,   // G.711, 8 bits
};

inline constexpr std::uint16_t kMaxWavChannels = 32;

struct WavSampleFormat {
    SampleEncoding encoding = SampleEncoding::kSigned16;
    std::uint16_t channels = 0;
    std::uint32_t sampleRate = 0;
    std::uint16_t blockAlign = 0;
    // Bits each sample occupies, and how many of them carry the value (left-justified).
    std::uint16_t containerBits = 0;
    std::uint16_t validBits = 0;
    // Speaker positions (WAVE_FORMAT_EXTENSIBLE); 0 when the file names none.
    std::uint32_t channelMask = 0;
    bool bigEndian = false;
};

inline bool IsFloatEncoding(SampleEncoding e) {
    return e == SampleEncoding::kFloat32 || e == SampleEncoding::kFloat64;
}

inline bool IsG711Encoding(SampleEncoding e) {
    return e == SampleEncoding::kMuLaw || e == SampleEncoding::kALaw;
}

inline std::uint16_t ContainerBitsOf(SampleEncoding e) {
    switch (e) {
        case SampleEncoding::kSigned16:
            return 16;
        case SampleEncoding::kSigned24:
            return 24;
        case SampleEncoding::kSigned32:
        case SampleEncoding::kFloat32:
            return 32;
        case SampleEncoding::kFloat64:
            return 64;
        default:
            return 8;
    }
}

}  // namespace zel
