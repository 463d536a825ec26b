#include "engine/wav/wav_header.h"

namespace zel {

std::uint16_t WavHeader::U16(std::size_t offset) const {
    return static_cast<std::uint16_t>(bytes[offset] | (bytes[offset + 1] << 8));
}

std::uint32_t WavHeader::U32(std::size_t offset) const {
    return static_cast<std::uint32_t>(bytes[offset]) |
           (static_cast<std::uint32_t>(bytes[offset + 1]) << 8) |
           (static_cast<std::uint32_t>(bytes[offset + 2]) << 16) |
           (static_cast<std::uint32_t>(bytes[offset + 3]) << 24);
}

void WavHeader::SetU16(std::size_t offset, std::uint16_t value) {
    for (int i = 0; i < 2; ++i) bytes[offset + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

void WavHeader::SetU32(std::size_t offset, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) bytes[offset + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

void CompleteHeader(WavHeader& header, std::uint32_t dataBytes) {
    header.SetU32(wav_offset::kDataSize, dataBytes);
    header.SetU32(wav_offset::kRiffSize, dataBytes + 36);
}

}  // namespace zel
