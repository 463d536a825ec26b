#pragma once
// The canonical 44-byte RIFF/WAVE header: a 16-byte "fmt " chunk followed at once by the
// "data" chunk. Fields sit at fixed offsets, little-endian; there is no chunk walker.
//
// Accepted for conversion: the four identifiers in place, PCM (format tag 1), one or two
// channels, 8 or 16 bits per sample, block align = channels * bits / 8, and a sampling
// frequency from 1 to 2^31 - 1 Hz. Every other header is refused before any arithmetic
// is done with its fields.

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

// The view of a header that the rest of the system uses.
struct WavFormat {
    std::uint16_t formatTag = 0;
    std::uint16_t channels = 0;
    std::uint32_t sampleRate = 0;
    std::uint16_t blockAlign = 0;
    std::uint16_t bitsPerSample = 0;
    std::uint32_t dataLength = 0;
};

enum class HeaderVerdict {
    kAccepted,
    kBadIdentifiers,
    kNotPcm,
    kUnsupportedChannels,
    kUnsupportedBits,
    kBadBlockAlign,
    kBadSampleRate,
};

WavFormat FormatOf(const WavHeader& header);
bool HasCanonicalIdentifiers(const WavHeader& header);
HeaderVerdict CheckHeader(const WavHeader& header);

// Sets the data size and the RIFF size (data size + 36).
void CompleteHeader(WavHeader& header, std::uint32_t dataBytes);

// The largest data chunk a header can describe (the RIFF size must fit in 32 bits too).
inline constexpr std::uint64_t kMaxDataBytes = 0xFFFFFFFFull - 36;

}  // namespace zel
