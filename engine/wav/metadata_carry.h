#pragma once
// The chunks of an input that an output takes over, in their order: LIST (INFO, adtl and
// others), bext, iXML, axml, id3, cue, smpl and unknown chunks. Fields that count sample
// frames move onto the output's timeline. Chunks that would now describe the audio
// wrongly are left out: fact (the header writer makes its own), PEAK, levl, and padding.

#include <cstdint>
#include <span>
#include <vector>

#include "engine/base/byte_stream.h"
#include "engine/base/conversion_result.h"
#include "engine/base/random_access_bytes.h"
#include "engine/wav/frame_ratio.h"
#include "engine/wav/wav_layout.h"

namespace zel {

struct MetadataCarryOptions {
    bool strip = false;  // no chunk but fmt and data in the output
    FrameRatio ratio;
    std::uint32_t outputRate = 0;
    // Larger chunks (a long recording's waveform overview, say) are left out.
    std::uint64_t maxChunkBytes = std::uint64_t{64} << 20;
    // Chunks whose contents change (bext, cue, smpl, iXML, LIST adtl, a big-endian INFO
    // list) are held in memory, together at most this much; one past it is left out.
    // Every other chunk is copied in pieces and never held whole.
    std::uint64_t maxHeldBytes = std::uint64_t{4} << 20;
};

// One chunk of the output. A changed one is held in `payload`; any other is copied from
// the input's `sourceOffset` when the output is written.
struct CarriedChunk {
    std::uint32_t id = 0;
    std::vector<std::uint8_t> payload;
    bool afterData = false;
    bool held = false;
    std::uint64_t sourceOffset = 0;
    std::uint64_t size = 0;  // payload bytes in the output
};

struct CarriedMetadata {
    std::vector<CarriedChunk> chunks;
    // Chunks of the input the output goes without for a limit: past the reader's list,
    // larger than maxChunkBytes, beyond maxHeldBytes, or unreadable. 0 when stripping.
    std::uint64_t leftOut = 0;
};

// Reads and converts the chunks the layout lists. A big-endian (RIFX) input carries only
// its text: INFO lists, iXML, axml and ID3.
CarriedMetadata CarryMetadata(RandomAccessBytes& source, const WavLayout& layout,
                              const MetadataCarryOptions& options);

// The file bytes of the chunks on one side of the data: headers, payloads, pad bytes.
std::uint64_t CarriedBytes(std::span<const CarriedChunk> chunks, bool afterData);

// Writes those chunks to `sink`, the ones not held copied from `source` in pieces:
// kCompleted, kInputReadError or kOutputWriteError.
ConversionResult WriteCarriedChunks(RandomAccessBytes& source,
                                    std::span<const CarriedChunk> chunks, bool afterData,
                                    ByteSink& sink);

}  // namespace zel
