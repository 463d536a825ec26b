#include "engine/codec/g711_codec.h"

#include <algorithm>

namespace zel {
namespace {

constexpr int kMuLawBias = 0x84;
constexpr int kMuLawClip = 8159;  // in the 14-bit scale the encoder works in
constexpr std::uint8_t kALawToggle = 0x55;
constexpr int kSegments = 8;

// Index of the first segment whose end is not below `value`; kSegments when none is.
int SegmentOf(int value, int firstEnd) {
    int segment = 0;
    for (int end = firstEnd; segment < kSegments && value > end; end = end * 2 + 1) ++segment;
    return segment;
}

}  // namespace

std::int16_t MuLawToLinear(std::uint8_t code) {
    const int inverted = ~code & 0xFF;
    const int exponent = (inverted >> 4) & 0x07;
    const int mantissa = inverted & 0x0F;
    const int magnitude = (((mantissa << 3) + kMuLawBias) << exponent) - kMuLawBias;
    return static_cast<std::int16_t>((inverted & 0x80) != 0 ? -magnitude : magnitude);
}

std::int16_t ALawToLinear(std::uint8_t code) {
    const int toggled = code ^ kALawToggle;
    const int exponent = (toggled >> 4) & 0x07;
    const int mantissa = toggled & 0x0F;
    int magnitude = (mantissa << 4) + 8;
    if (exponent != 0) magnitude = (magnitude + 0x100) << (exponent - 1);
    return static_cast<std::int16_t>((toggled & 0x80) != 0 ? magnitude : -magnitude);
}

std::uint8_t LinearToMuLaw(std::int16_t sample) {
    int value = sample >> 2;
    int mask = 0xFF;
    if (value < 0) {
        value = -value;
        mask = 0x7F;
    }
    value = std::min(value, kMuLawClip) + (kMuLawBias >> 2);
    const int segment = SegmentOf(value, 0x3F);
    if (segment >= kSegments) return static_cast<std::uint8_t>(0x7F ^ mask);
    return static_cast<std::uint8_t>(((segment << 4) | ((value >> (segment + 1)) & 0x0F)) ^ mask);
}

std::uint8_t LinearToALaw(std::int16_t sample) {
    int value = sample >> 3;
    int mask = 0xD5;
    if (value < 0) {
        value = -value - 1;
        mask = kALawToggle;
    }
    const int segment = SegmentOf(value, 0x1F);
    if (segment >= kSegments) return static_cast<std::uint8_t>(0x7F ^ mask);
    const int shift = segment < 2 ? 1 : segment;
    return static_cast<std::uint8_t>(((segment << 4) | ((value >> shift) & 0x0F)) ^ mask);
}

}  // namespace zel
