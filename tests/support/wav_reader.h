#pragma once
// Reads a converted file back for checks: header fields and interleaved sample values.

#include <cstdint>
#include <filesystem>
#include <vector>

#include "engine/wav/wav_header.h"
#include "tests/support/canonical_header.h"
#include "tools/synthetic_wav.h"

namespace zel::test {

struct LoadedWav {
    bool ok = false;
    std::uint64_t fileSize = 0;
    WavHeader header;
    WavFormat format;
    SampleValues samples;  // 16-bit signed or 8-bit unsigned, interleaved

    std::int64_t Frames() const {
        return format.channels ? static_cast<std::int64_t>(samples.size()) / format.channels : 0;
    }
    // A file whose header sizes agree with its length.
    bool HeaderConsistent() const {
        return header.U32(wav_offset::kDataSize) + kWavHeaderSize == fileSize &&
               header.U32(wav_offset::kRiffSize) + 8 == fileSize;
    }
};

LoadedWav LoadWav(const std::filesystem::path& path);

// Writes a canonical WAV file of the given samples.
void WriteWav(const std::filesystem::path& path, const SignalFormat& format,
              const SampleValues& samples);

}  // namespace zel::test
