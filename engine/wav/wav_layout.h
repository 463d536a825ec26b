#pragma once
// What a chunk reader found in a WAV file: the sample format, where the audio lies, and
// every other chunk in file order.

#include <cstdint>
#include <vector>

#include "engine/codec/sample_format.h"
#include "engine/wav/wav_refusal.h"

namespace zel {

enum class WavContainer : std::uint8_t { kRiff, kRifx, kRf64 };

struct WavChunkEntry {
    std::uint32_t id = 0;      // four-character code, see riff_chunk_ids.h
    std::uint64_t offset = 0;  // of the payload, behind the 8-byte chunk header
    std::uint64_t size = 0;    // payload bytes, without the pad byte
    bool afterData = false;
};

struct WavLayout {
    WavContainer container = WavContainer::kRiff;
    WavSampleFormat format;
    std::uint16_t formatTag = 0;  // as written, 0xFFFE for EXTENSIBLE
    std::uint64_t dataOffset = 0;
    std::uint64_t dataBytes = 0;  // whole frames only
    std::uint64_t frameCount = 0;
    // Data size 0 or 0xFFFFFFFF from a writer that could not seek back: read to the end.
    bool dataSizeUnknown = false;
    // Data chunk larger than the file: only the frames present are counted.
    bool dataTruncated = false;
    // Every size agrees with the file: the data size is neither open nor cut and, in a RIFF
    // file, the RIFF size is the file's length. What a finished writer leaves behind.
    bool sizesAgree = false;
    // The 44-byte header with PCM of 8 or 16 bits in 1 or 2 channels, which the
    // established conversion path reads as it always has.
    bool canonical = false;
    std::vector<WavChunkEntry> chunks;
    // Chunks past the list's limit (see ReadWavLayout), walked over but not listed.
    std::uint64_t unlistedChunks = 0;
};

struct WavReadOutcome {
    WavRefusalReason refusal;
    WavLayout layout;  // meaningful only without refusal

    bool Accepted() const { return refusal.code == WavRefusal::kNone; }
};

}  // namespace zel
