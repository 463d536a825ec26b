#pragma once
// Loads and stores of little- and big-endian fields from byte buffers, independent of the
// host's own order.

#include <cstdint>

namespace zel {

inline std::uint16_t LoadU16(const std::uint8_t* p, bool bigEndian) {
    return bigEndian ? static_cast<std::uint16_t>((p[0] << 8) | p[1])
                     : static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

inline std::uint32_t LoadU32(const std::uint8_t* p, bool bigEndian) {
    std::uint32_t v = 0;
    for (int i = 0; i < 4; ++i)
        v |= static_cast<std::uint32_t>(p[bigEndian ? 3 - i : i]) << (8 * i);
    return v;
}

inline std::uint64_t LoadU64(const std::uint8_t* p, bool bigEndian) {
    std::uint64_t v = 0;
    for (int i = 0; i < 8; ++i)
        v |= static_cast<std::uint64_t>(p[bigEndian ? 7 - i : i]) << (8 * i);
    return v;
}

inline void StoreLe16(std::uint8_t* p, std::uint16_t v) {
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
}

inline void StoreLe32(std::uint8_t* p, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

inline void StoreLe64(std::uint8_t* p, std::uint64_t v) {
    for (int i = 0; i < 8; ++i) p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

}  // namespace zel
