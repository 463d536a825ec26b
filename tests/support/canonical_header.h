#pragma once
// The canonical 44-byte header read field by field, and the seed's acceptance rules for it
// (PCM, one or two channels, 8 or 16 bits, a matching block size, a rate below 2^31): how
// the tests, the fuzzer and the benchmarks look at the files they write. The product reads
// every header with its chunk reader.

#include <cstdint>

#include "engine/wav/wav_header.h"

namespace zel {

// A canonical header's fields.
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

}  // namespace zel
