#pragma once
// The chunks of an input that an output takes over, in their order: LIST (INFO, adtl and
// others), bext, iXML, axml, id3, cue, smpl and unknown chunks. Fields that count sample
// frames move onto the output's timeline. Chunks that would now describe the audio
// wrongly are left out: fact (the header writer makes its own), PEAK, levl, and padding.

#include <cstdint>
#include <span>
#include <vector>

#include "engine/base/random_access_bytes.h"
#include "engine/wav/frame_ratio.h"
#include "engine/wav/wav_layout.h"

namespace zel {

struct MetadataCarryOptions {
    bool strip = false;  // no chunk but fmt and data in the output
    FrameRatio ratio;
    std::uint32_t outputRate = 0;
    // Larger chunks (cover art of an album, say) are not held in memory and are left out.
    std::uint64_t maxChunkBytes = std::uint64_t{64} << 20;
};

struct CarriedChunk {
    std::uint32_t id = 0;
    std::vector<std::uint8_t> payload;
    bool afterData = false;
};

// Reads and converts the chunks the layout lists. A big-endian (RIFX) input carries only
// its text: INFO lists, iXML, axml and ID3.
std::vector<CarriedChunk> CarryMetadata(RandomAccessBytes& source, const WavLayout& layout,
                                        const MetadataCarryOptions& options);

// The chunks on one side of the data as file bytes: header, payload, pad byte.
std::vector<std::uint8_t> SerializeChunks(std::span<const CarriedChunk> chunks, bool afterData);

}  // namespace zel
