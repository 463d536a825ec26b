#pragma once
// Canonical WAV files made from generated signals: for the sample set, the tests and the
// benchmarks. Not part of the engine.

#include <cstdint>
#include <filesystem>
#include <vector>

namespace zel {

struct SignalFormat {
    std::uint16_t channels = 2;
    std::uint16_t bitsPerSample = 16;
    std::uint32_t sampleRate = 44100;
};

// Interleaved sample values in the file's encoding: 16-bit signed, or 8-bit unsigned
// (128 = silence).
using SampleValues = std::vector<std::int32_t>;

// A sine of `hertz` at `amplitude` (fraction of full scale) in every channel; the right
// channel is shifted by a quarter period so the channels differ.
SampleValues SineSignal(const SignalFormat& format, std::int64_t frames, double hertz,
                        double amplitude);

// The 44-byte header followed by the samples.
std::vector<std::uint8_t> MakeWavBytes(const SignalFormat& format, const SampleValues& samples);

bool WriteFileBytes(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes);
std::vector<std::uint8_t> ReadFileBytes(const std::filesystem::path& path);

}  // namespace zel
