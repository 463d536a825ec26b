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

bool TravelsFromBigEndian(std::uint32_t id, std::uint32_t listForm) {
    return IsText(id) || (id == chunk_id::kList && listForm == chunk_id::kInfo);
}

// Chunks whose bytes change on the way: frame positions move, or sizes turn round.
bool Changes(std::uint32_t id, std::uint32_t listForm, bool bigEndian) {
    using namespace chunk_id;
    if (id == kList) return bigEndian ? listForm == kInfo : listForm == kAdtl;
    return id == kBext || id == kCue || id == kSmpl || id == kIxml;
}

bool TurnListSizes(std::vector<std::uint8_t>& b) {
    return ForEachListEntry(b, true, [](std::uint32_t, std::uint8_t* entry, std::uint32_t size) {
        StoreLe32(entry + 4, size);
    });
}

// A copy of the unchanged chunks moves this much at a time.
constexpr std::size_t kCopyPieceBytes = std::size_t{1} << 20;

class ChunkCarrier {
  public:
    ChunkCarrier(RandomAccessBytes& source, const WavLayout& layout,
                 const MetadataCarryOptions& options)
        : source_(source),
          options_(options),
          inputRate_(layout.format.sampleRate),
          bigEndian_(layout.container == WavContainer::kRifx),
          heldBudget_(options.maxHeldBytes) {}

    void Take(const WavChunkEntry& entry);
    CarriedMetadata& Result() { return carried_; }

  private:
    bool ReadListForm(const WavChunkEntry& entry, std::uint32_t& form);
    void Hold(const WavChunkEntry& entry);

    RandomAccessBytes& source_;
    const MetadataCarryOptions& options_;
    const std::uint32_t inputRate_;
    const bool bigEndian_;
    std::uint64_t heldBudget_;
    CarriedMetadata carried_;
};

bool ChunkCarrier::ReadListForm(const WavChunkEntry& entry, std::uint32_t& form) {
    form = 0;
    if (entry.id != chunk_id::kList || entry.size < kListForm) return true;
    std::uint8_t bytes[kListForm];
    if (!source_.ReadAt(entry.offset, bytes, sizeof bytes)) return false;
    form = LoadU32(bytes, false);
    return true;
}

void ChunkCarrier::Take(const WavChunkEntry& entry) {
    if (IsDropped(entry.id)) return;
    if (entry.size > options_.maxChunkBytes || entry.size > kMax32) {
        ++carried_.leftOut;
        return;
    }
    std::uint32_t form = 0;
    if (!ReadListForm(entry, form)) {
        ++carried_.leftOut;
        return;
    }
    if (bigEndian_ && !TravelsFromBigEndian(entry.id, form)) return;
    if (Changes(entry.id, form, bigEndian_)) return Hold(entry);
    carried_.chunks.push_back({entry.id, {}, entry.afterData, false, entry.offset, entry.size});
}

void ChunkCarrier::Hold(const WavChunkEntry& entry) {
    if (entry.size > heldBudget_) {
        ++carried_.leftOut;
        return;
    }
    CarriedChunk chunk{entry.id, {}, entry.afterData, true, entry.offset, entry.size};
    const auto size = static_cast<std::size_t>(entry.size);
    if (entry.id == chunk_id::kIxml) chunk.payload.reserve(size + kIxmlTimelineGrowth);
    chunk.payload.resize(size);
    if (!source_.ReadAt(entry.offset, chunk.payload.data(), size)) {
        ++carried_.leftOut;
        return;
    }
    if (bigEndian_ && entry.id == chunk_id::kList && !TurnListSizes(chunk.payload)) return;
    MoveTimeline(chunk, options_, inputRate_);
    chunk.size = chunk.payload.size();
    heldBudget_ -= entry.size;
    carried_.chunks.push_back(std::move(chunk));
}

// The payload of a chunk that is not held, from the input to `sink` in pieces.
ConversionResult CopyPayload(RandomAccessBytes& source, const CarriedChunk& chunk,
                             std::vector<std::uint8_t>& piece, ByteSink& sink) {
    for (std::uint64_t done = 0; done < chunk.size;) {
        const auto count =
            static_cast<std::size_t>(std::min<std::uint64_t>(piece.size(), chunk.size - done));
        if (!source.ReadAt(chunk.sourceOffset + done, piece.data(), count)) return kInputReadError;
        if (!sink.Write(piece.data(), count)) return kOutputWriteError;
        done += count;
    }
    return kCompleted;
}

}  // namespace

CarriedMetadata CarryMetadata(RandomAccessBytes& source, const WavLayout& layout,
                              const MetadataCarryOptions& options) {
    if (options.strip) return {};
    ChunkCarrier carrier(source, layout, options);
    for (const WavChunkEntry& entry : layout.chunks) carrier.Take(entry);
    carrier.Result().leftOut += layout.unlistedChunks;
    return std::move(carrier.Result());
}

std::uint64_t CarriedBytes(std::span<const CarriedChunk> chunks, bool afterData) {
    std::uint64_t bytes = 0;
    for (const CarriedChunk& chunk : chunks)
        if (chunk.afterData == afterData) bytes += 8 + chunk.size + (chunk.size & 1);
    return bytes;
}

ConversionResult WriteCarriedChunks(RandomAccessBytes& source,
                                    std::span<const CarriedChunk> chunks, bool afterData,
                                    ByteSink& sink) {
    std::vector<std::uint8_t> piece;
    for (const CarriedChunk& chunk : chunks) {
        if (chunk.afterData != afterData) continue;
        std::uint8_t header[8];
        StoreLe32(header, chunk.id);
        StoreLe32(header + 4, static_cast<std::uint32_t>(chunk.size));
        if (!sink.Write(header, sizeof header)) return kOutputWriteError;
        if (chunk.held) {
            if (!chunk.payload.empty() && !sink.Write(chunk.payload.data(), chunk.payload.size()))
                return kOutputWriteError;
        } else {
            if (piece.empty() && chunk.size > 0)
                piece.resize(static_cast<std::size_t>(
                    std::min<std::uint64_t>(kCopyPieceBytes, chunk.size)));
            const ConversionResult copied = CopyPayload(source, chunk, piece, sink);
            if (copied != kCompleted) return copied;
        }
        const std::uint8_t pad = 0;
        if ((chunk.size & 1) != 0 && !sink.Write(&pad, 1)) return kOutputWriteError;
    }
    return kCompleted;
}

}  // namespace zel
