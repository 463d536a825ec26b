#pragma once
// Four-character codes of RIFF chunks, as the 32-bit word their bytes form when read in
// file order as little-endian ("RIFF" = 0x46464952).

#include <cstdint>

namespace zel {

constexpr std::uint32_t FourCc(const char (&text)[5]) {
    return static_cast<std::uint32_t>(static_cast<std::uint8_t>(text[0])) |
           (static_cast<std::uint32_t>(static_cast<std::uint8_t>(text[1])) << 8) |
           (static_cast<std::uint32_t>(static_cast<std::uint8_t>(text[2])) << 16) |
           (static_cast<std::uint32_t>(static_cast<std::uint8_t>(text[3])) << 24);
}

namespace chunk_id {
inline constexpr std::uint32_t kRiff = FourCc("RIFF");
inline constexpr std::uint32_t kRifx = FourCc("RIFX");
inline constexpr std::uint32_t kRf64 = FourCc("RF64");
inline constexpr std::uint32_t kBw64 = FourCc("BW64");
inline constexpr std::uint32_t kWave = FourCc("WAVE");
inline constexpr std::uint32_t kDs64 = FourCc("ds64");
inline constexpr std::uint32_t kFmt = FourCc("fmt ");
inline constexpr std::uint32_t kData = FourCc("data");
inline constexpr std::uint32_t kFact = FourCc("fact");
inline constexpr std::uint32_t kJunk = FourCc("JUNK");
inline constexpr std::uint32_t kJunkLower = FourCc("junk");
inline constexpr std::uint32_t kPad = FourCc("pad ");
inline constexpr std::uint32_t kFiller = FourCc("FLLR");
inline constexpr std::uint32_t kPeak = FourCc("PEAK");
inline constexpr std::uint32_t kLevl = FourCc("levl");
inline constexpr std::uint32_t kList = FourCc("LIST");
inline constexpr std::uint32_t kAdtl = FourCc("adtl");
inline constexpr std::uint32_t kLtxt = FourCc("ltxt");
inline constexpr std::uint32_t kLabl = FourCc("labl");
inline constexpr std::uint32_t kBext = FourCc("bext");
inline constexpr std::uint32_t kCue = FourCc("cue ");
inline constexpr std::uint32_t kSmpl = FourCc("smpl");
inline constexpr std::uint32_t kInfo = FourCc("INFO");
inline constexpr std::uint32_t kIxml = FourCc("iXML");
inline constexpr std::uint32_t kAxml = FourCc("axml");
inline constexpr std::uint32_t kId3 = FourCc("id3 ");
}  // namespace chunk_id

}  // namespace zel
