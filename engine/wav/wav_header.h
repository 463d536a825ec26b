#pragma once
// The canonical 44-byte RIFF/WAVE header: a 16-byte "fmt " chunk followed at once by the
// "data" chunk, fields at fixed offsets, little-endian. What the test-tone writer writes and
// a folder scan's quick look at a file's first bytes read; conversions read every header
// with the chunk reader.

#include <array>
#include <cstdint>

namespace zel {

inline constexpr std::size_t kWavHeaderSize = 44;

struct WavHeader {
    std::array<std::uint8_t, kWavHeaderSize> bytes{};

    std::uint16_t U16(std::size_t offset) const;
    std::uint32_t U32(std::size_t offset) const;
    void SetU16(std::size_t offset, std::uint16_t value);
    void SetU32(std::size_t offset, std::uint32_t value);
};

// Byte offsets of the fields.
namespace wav_offset {
inline constexpr std::size_t kRiffId = 0;
inline constexpr std::size_t kRiffSize = 4;
inline constexpr std::size_t kWaveId = 8;
inline constexpr std::size_t kFmtId = 12;
inline constexpr std::size_t kFmtSize = 16;
inline constexpr std::size_t kFormatTag = 20;
inline constexpr std::size_t kChannels = 22;
inline constexpr std::size_t kSampleRate = 24;
inline constexpr std::size_t kBytesPerSecond = 28;
inline constexpr std::size_t kBlockAlign = 32;
inline constexpr std::size_t kBitsPerSample = 34;
inline constexpr std::size_t kDataId = 36;
inline constexpr std::size_t kDataSize = 40;
}  // namespace wav_offset

// The identifiers as 32-bit little-endian words.
inline constexpr std::uint32_t kRiffTag = 0x46464952;  // "RIFF"
inline constexpr std::uint32_t kWaveTag = 0x45564157;  // "WAVE"
inline constexpr std::uint32_t kFmtTag = 0x20746D66;   // "fmt "
inline constexpr std::uint32_t kDataTag = 0x61746164;  // "data"
inline constexpr std::uint16_t kPcmFormatTag = 1;

// Sets the data size and the RIFF size (data size + 36).
void CompleteHeader(WavHeader& header, std::uint32_t dataBytes);

// The largest data chunk a header can describe (the RIFF size must fit in 32 bits too).
inline constexpr std::uint64_t kMaxDataBytes = 0xFFFFFFFFull - 36;

}  // namespace zel
