#pragma once
// Sample formats for the tests of the codecs and the header writer: 48 kHz, the block
// size from the channels and the container.

#include <cstdint>

#include "engine/codec/sample_format.h"

namespace zel::test {

inline WavSampleFormat Format(SampleEncoding encoding, std::uint16_t channels,
                              std::uint16_t container, std::uint16_t valid) {
    WavSampleFormat f;
    f.encoding = encoding;
    f.channels = channels;
    f.sampleRate = 48000;
    f.containerBits = container;
    f.validBits = valid;
    f.blockAlign = static_cast<std::uint16_t>(channels * container / 8);
    return f;
}

inline WavSampleFormat BigEndian(WavSampleFormat f) {
    f.bigEndian = true;
    return f;
}

inline WavSampleFormat WithMask(WavSampleFormat f, std::uint32_t mask) {
    f.channelMask = mask;
    return f;
}

}  // namespace zel::test
