#include "engine/wav/metadata_carry.h"

#include <algorithm>
#include <utility>

#include "engine/base/byte_order.h"
#include "engine/wav/ixml_timeline.h"
#include "engine/wav/riff_chunk_ids.h"

namespace zel {
namespace {

constexpr std::uint32_t kMax32 = 0xFFFFFFFF;
constexpr double kNanosecondsPerSecond = 1e9;

// bext: TimeReference, a 64-bit frame count since midnight.
constexpr std::size_t kBextTimeReference = 338;
// cue: a count, then points of 24 bytes with the position and sample offset.
constexpr std::size_t kCuePoints = 4;
constexpr std::size_t kCuePointBytes = 24;
constexpr std::size_t kCuePosition = 4;
constexpr std::size_t kCueSampleOffset = 20;
// smpl: the sample period in ns, the loop count, then loops of 24 bytes.
constexpr std::size_t kSmplPeriod = 8;
constexpr std::size_t kSmplLoopCount = 28;
constexpr std::size_t kSmplLoops = 36;
constexpr std::size_t kSmplLoopBytes = 24;
constexpr std::size_t kSmplLoopStart = 8;
constexpr std::size_t kSmplLoopEnd = 12;
// LIST adtl: labelled text ("ltxt") holds a length in frames.
constexpr std::size_t kListForm = 4;
constexpr std::size_t kLtxtLength = 4;

bool IsDropped(std::uint32_t id) {
    using namespace chunk_id;
    return id == kFact || id == kPeak || id == kLevl || id == kJunk || id == kJunkLower ||
           id == kPad || id == kFiller || id == kFmt || id == kData || id == kDs64;
}

void Move32(std::uint8_t* p, const FrameRatio& ratio) {
    const std::uint64_t moved = MoveFramePosition(LoadU32(p, false), ratio);
    StoreLe32(p, static_cast<std::uint32_t>(std::min<std::uint64_t>(moved, kMax32)));
}

void MoveBext(std::vector<std::uint8_t>& b, const FrameRatio& ratio) {
    if (b.size() < kBextTimeReference + 8) return;
    std::uint8_t* const p = b.data() + kBextTimeReference;
    StoreLe64(p, MoveFramePosition(LoadU64(p, false), ratio));
}

// Only whole entries within the chunk are touched: a count larger than the chunk holds
// is a writer's error, not a reason to read further.
std::size_t EntriesWithin(std::size_t size, std::size_t start, std::size_t entryBytes,
                          std::uint32_t declared) {
    if (size < start) return 0;
    return std::min<std::size_t>(declared, (size - start) / entryBytes);
}

void MoveCue(std::vector<std::uint8_t>& b, const FrameRatio& ratio) {
    if (b.size() < kCuePoints) return;
    const std::size_t n =
        EntriesWithin(b.size(), kCuePoints, kCuePointBytes, LoadU32(b.data(), false));
    for (std::size_t i = 0; i < n; ++i) {
        std::uint8_t* const point = b.data() + kCuePoints + i * kCuePointBytes;
        Move32(point + kCuePosition, ratio);
        Move32(point + kCueSampleOffset, ratio);
    }
}

void MoveSmpl(std::vector<std::uint8_t>& b, const FrameRatio& ratio, std::uint32_t outputRate) {
    if (b.size() < kSmplLoops) return;
    if (outputRate != 0) {
        const double period = kNanosecondsPerSecond / outputRate;
        StoreLe32(b.data() + kSmplPeriod, static_cast<std::uint32_t>(period + 0.5));
    }
    const std::size_t n = EntriesWithin(b.size(), kSmplLoops, kSmplLoopBytes,
                                        LoadU32(b.data() + kSmplLoopCount, false));
    for (std::size_t i = 0; i < n; ++i) {
        std::uint8_t* const loop = b.data() + kSmplLoops + i * kSmplLoopBytes;
        Move32(loop + kSmplLoopStart, ratio);
        Move32(loop + kSmplLoopEnd, ratio);
    }
}

// Walks the entries of a LIST payload behind its form type, reading their sizes in the
// given byte order: visit(id, entry, size) with `entry` at the entry's 8-byte header.
// False when an entry runs past the payload.
template <typename Visit>
bool ForEachListEntry(std::vector<std::uint8_t>& b, bool bigEndian, Visit visit) {
    std::size_t pos = kListForm;
    while (b.size() - pos >= 8) {
        std::uint8_t* const entry = b.data() + pos;
        const std::uint32_t size = LoadU32(entry + 4, bigEndian);
        const std::size_t payload = pos + 8;
        if (size > b.size() - payload) return false;
        visit(LoadU32(entry, false), entry, size);
        pos = payload + size + (size & 1);
        if (pos > b.size()) break;
    }
    return true;
}

void MoveAdtl(std::vector<std::uint8_t>& b, const FrameRatio& ratio) {
    if (b.size() < kListForm || LoadU32(b.data(), false) != chunk_id::kAdtl) return;
    ForEachListEntry(b, false, [&](std::uint32_t id, std::uint8_t* entry, std::uint32_t size) {
        if (id == chunk_id::kLtxt && size >= kLtxtLength + 4)
            Move32(entry + 8 + kLtxtLength, ratio);
    });
}

void MoveTimeline(CarriedChunk& chunk, const MetadataCarryOptions& options,
                  std::uint32_t inputRate) {
    switch (chunk.id) {
        case chunk_id::kBext:
            MoveBext(chunk.payload, options.ratio);
            break;
        case chunk_id::kCue:
            MoveCue(chunk.payload, options.ratio);
            break;
        case chunk_id::kSmpl:
            MoveSmpl(chunk.payload, options.ratio, options.outputRate);
            break;
        case chunk_id::kList:
            MoveAdtl(chunk.payload, options.ratio);
            break;
        case chunk_id::kIxml:
            MoveIxmlTimeline(chunk.payload, options.ratio, inputRate, options.outputRate);
            break;
        default:
            break;
    }
}

// A big-endian input's numbers would be wrong in the little-endian output, so only chunks of
// text travel: XML, ID3 (byte order of its own) and INFO lists, whose inner sizes turn round.
bool IsText(std::uint32_t id) {
    using namespace chunk_id;
    return id == kIxml || id == kAxml || id == kId3;
}

bool TakeFromBigEndian(CarriedChunk& chunk) {
    if (IsText(chunk.id)) return true;
    std::vector<std::uint8_t>& b = chunk.payload;
    if (chunk.id != chunk_id::kList || b.size() < kListForm ||
        LoadU32(b.data(), false) != chunk_id::kInfo)
        return false;
    return ForEachListEntry(b, true, [](std::uint32_t, std::uint8_t* entry, std::uint32_t size) {
        StoreLe32(entry + 4, size);
    });
}

}  // namespace

std::vector<CarriedChunk> CarryMetadata(RandomAccessBytes& source, const WavLayout& layout,
                                        const MetadataCarryOptions& options) {
    std::vector<CarriedChunk> carried;
    if (options.strip) return carried;
    const bool bigEndian = layout.container == WavContainer::kRifx;
    for (const WavChunkEntry& entry : layout.chunks) {
        if (IsDropped(entry.id) || entry.size > options.maxChunkBytes || entry.size > kMax32)
            continue;
        CarriedChunk chunk{entry.id, std::vector<std::uint8_t>(entry.size), entry.afterData};
        if (!source.ReadAt(entry.offset, chunk.payload.data(), chunk.payload.size())) continue;
        if (bigEndian && !TakeFromBigEndian(chunk)) continue;
        MoveTimeline(chunk, options, layout.format.sampleRate);
        carried.push_back(std::move(chunk));
    }
    return carried;
}

std::vector<std::uint8_t> SerializeChunks(std::span<const CarriedChunk> chunks, bool afterData) {
    std::vector<std::uint8_t> bytes;
    for (const CarriedChunk& chunk : chunks) {
        if (chunk.afterData != afterData) continue;
        const std::size_t at = bytes.size();
        const std::size_t size = chunk.payload.size();
        bytes.resize(at + 8 + size + (size & 1), 0);
        StoreLe32(&bytes[at], chunk.id);
        StoreLe32(&bytes[at + 4], static_cast<std::uint32_t>(size));
        std::copy(chunk.payload.begin(), chunk.payload.end(), bytes.begin() + at + 8);
    }
    return bytes;
}

}  // namespace zel
