#pragma once
// Input files for the batch and command-line tests, and a check that an output is a
// complete WAV file.

#include <cstdint>
#include <filesystem>

#include "tools/synthetic_wav.h"

namespace zel::test {

// A sine tone of `frames` frames; false when the file could not be written.
bool WriteTone(const std::filesystem::path& path, const SignalFormat& format, std::int64_t frames);

struct StoredWav {
    // Identifiers in place and both sizes in the header agree with the file's length.
    bool consistent = false;
    std::uint32_t sampleRate = 0;
    std::uint32_t dataBytes = 0;
    std::uint16_t blockAlign = 0;
};

StoredWav InspectWav(const std::filesystem::path& path);

}  // namespace zel::test
