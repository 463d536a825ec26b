#pragma once
// WAV files for the tests of the input list: canonical ones the list admits and variants
// the engine refuses.

#include <QString>
#include <cstdint>
#include <vector>

#include "app/qt_path.h"
#include "engine/wav/wav_header.h"
#include "tools/synthetic_wav.h"

namespace zel::test {

inline std::vector<std::uint8_t> CanonicalWavBytes(const SignalFormat& format,
                                                   std::int64_t frames = 64) {
    const std::int32_t silence = format.bitsPerSample == 8 ? 128 : 0;
    return MakeWavBytes(format, SampleValues(frames * format.channels, silence));
}

inline bool WriteWav(const QString& path, const SignalFormat& format = {},
                     std::int64_t frames = 64) {
    return WriteFileBytes(ToFilesystemPath(path), CanonicalWavBytes(format, frames));
}

inline bool WriteBytes(const QString& path, const std::vector<std::uint8_t>& bytes) {
    return WriteFileBytes(ToFilesystemPath(path), bytes);
}

// A header naming IMA ADPCM (format tag 0x11), a compressed format the engine refuses.
inline std::vector<std::uint8_t> CompressedFormatBytes() {
    std::vector<std::uint8_t> bytes = CanonicalWavBytes({});
    bytes[wav_offset::kFormatTag] = 0x11;
    return bytes;
}

// 32-bit float samples in a RIFF file with the float format tag and a fact chunk.
inline std::vector<std::uint8_t> FloatWavBytes(std::int64_t frames = 64) {
    const std::vector<std::uint8_t> canonical = CanonicalWavBytes({2, 16, 44100}, frames);
    std::vector<std::uint8_t> bytes(canonical.begin(), canonical.begin() + kWavHeaderSize);
    const std::uint32_t data = static_cast<std::uint32_t>(frames * 8);
    const std::uint8_t fact[] = {'f', 'a', 'c', 't', 4, 0, 0, 0, 0, 0, 0, 0};
    bytes.insert(bytes.begin() + wav_offset::kDataId, std::begin(fact), std::end(fact));
    bytes[wav_offset::kFormatTag] = 3;
    bytes[wav_offset::kBitsPerSample] = 32;
    bytes[wav_offset::kBlockAlign] = 8;
    bytes.resize(bytes.size() + data, 0);
    const std::size_t dataSize = wav_offset::kDataSize + sizeof fact;
    for (int i = 0; i < 4; ++i) bytes[dataSize + i] = static_cast<std::uint8_t>(data >> (8 * i));
    return bytes;
}

// A canonical layout whose header names a channel count the engine does not convert.
inline std::vector<std::uint8_t> TenChannelBytes() {
    std::vector<std::uint8_t> bytes = CanonicalWavBytes({});
    bytes[wav_offset::kChannels] = 10;
    return bytes;
}

}  // namespace zel::test
