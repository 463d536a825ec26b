#pragma once
// WAV files for the tests of the input list: canonical ones the list admits and variants
// the engine refuses.

#include <QString>
#include <cstdint>
#include <vector>

#include "app/qt_path.h"
#include "tools/synthetic_wav.h"
#include "engine/wav_header.h"

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

// An 18-byte format chunk: "data" no longer sits at offset 36.
inline std::vector<std::uint8_t> ExtendedFormatChunkBytes() {
    std::vector<std::uint8_t> bytes = CanonicalWavBytes({});
    bytes[wav_offset::kFmtSize] = 18;
    bytes.insert(bytes.begin() + wav_offset::kDataId, {0, 0});
    return bytes;
}

// A canonical layout whose header names a channel count the engine does not convert.
inline std::vector<std::uint8_t> TenChannelBytes() {
    std::vector<std::uint8_t> bytes = CanonicalWavBytes({});
    bytes[wav_offset::kChannels] = 10;
    return bytes;
}

}  // namespace zel::test
