#include "engine/wav/marker_chunks.h"

#include <algorithm>
#include <optional>
#include <string_view>
#include <utility>

#include "engine/base/byte_order.h"
#include "engine/base/tag_text.h"
#include "engine/wav/riff_chunk_ids.h"

namespace zel {
namespace {

constexpr std::uint64_t kMaxMarkerChunkBytes = std::uint64_t{1} << 20;
constexpr std::uint32_t kMax32 = 0xFFFFFFFF;
constexpr double kNanosecondsPerSecond = 1e9;

// cue: a count, then points of 24 bytes: id, position, chunk id, chunk start, block
// start, sample offset.
constexpr std::size_t kCuePoints = 4;
constexpr std::size_t kCuePointBytes = 24;
constexpr std::size_t kCuePosition = 4;
constexpr std::size_t kCueSampleOffset = 20;
// LIST adtl: entries of id, size and payload; a label's payload is the cue id and its text.
constexpr std::size_t kListForm = 4;
constexpr std::size_t kEntryHeader = 8;
constexpr std::size_t kLabelId = 4;
// smpl: nine fields, then loops of six.
constexpr std::size_t kSmplFields = 9;
constexpr std::size_t kLoopFields = 6;
constexpr std::uint64_t kCentsPerSemitone = 100;
constexpr double kPitchFractionScale = 4294967296.0;  // 2^32: one semitone

bool ReadChunk(RandomAccessBytes& source, const WavChunkEntry& chunk,
               std::vector<std::uint8_t>& bytes) {
    if (chunk.size > kMaxMarkerChunkBytes) return false;
    bytes.resize(static_cast<std::size_t>(chunk.size));
    return source.ReadAt(chunk.offset, bytes.data(), bytes.size());
}

void ReadCuePoints(const std::vector<std::uint8_t>& cue, bool bigEndian, SoundMarkers& markers) {
    if (cue.size() < kCuePoints) return;
    const std::size_t fit = (cue.size() - kCuePoints) / kCuePointBytes;
    const std::size_t count = std::min<std::size_t>(LoadU32(cue.data(), bigEndian), fit);
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint8_t* const point = cue.data() + kCuePoints + i * kCuePointBytes;
        // The sample offset is the position in PCM data; some writers leave it 0 and give
        // the position alone.
        const std::uint32_t offset = LoadU32(point + kCueSampleOffset, bigEndian);
        const std::uint32_t position = LoadU32(point + kCuePosition, bigEndian);
        markers.cues.push_back({LoadU32(point, bigEndian), offset != 0 ? offset : position, {}});
    }
}

void ReadLabels(const std::vector<std::uint8_t>& list, bool bigEndian, SoundMarkers& markers) {
    if (list.size() < kListForm || LoadU32(list.data(), false) != chunk_id::kAdtl) return;
    for (std::size_t pos = kListForm; list.size() - pos >= kEntryHeader;) {
        const std::uint8_t* const entry = list.data() + pos;
        const std::uint32_t size = LoadU32(entry + 4, bigEndian);
        const std::size_t payload = pos + kEntryHeader;
        if (size > list.size() - payload) return;
        if (LoadU32(entry, false) == chunk_id::kLabl && size >= kLabelId) {
            const std::uint32_t id = LoadU32(entry + kEntryHeader, bigEndian);
            const std::string_view text(
                reinterpret_cast<const char*>(entry + kEntryHeader + kLabelId), size - kLabelId);
            for (CueMarker& cue : markers.cues)
                if (cue.id == id && cue.label.empty()) cue.label = TagTextToUtf8(text);
        }
        pos = payload + size + (size & 1);
        if (pos > list.size()) return;
    }
}

void Append32(std::vector<std::uint8_t>& out, std::uint32_t value) {
    std::uint8_t bytes[4];
    StoreLe32(bytes, value);
    out.insert(out.end(), bytes, bytes + 4);
}

std::uint32_t Clamped32(std::uint64_t value) {
    return static_cast<std::uint32_t>(std::min<std::uint64_t>(value, kMax32));
}

CarriedChunk HeldChunk(std::uint32_t id, std::vector<std::uint8_t> payload) {
    CarriedChunk chunk;
    chunk.id = id;
    chunk.held = true;
    chunk.size = payload.size();
    chunk.payload = std::move(payload);
    return chunk;
}

CarriedChunk CueChunk(const std::vector<CueMarker>& cues) {
    std::vector<std::uint8_t> out;
    Append32(out, static_cast<std::uint32_t>(cues.size()));
    for (const CueMarker& cue : cues) {
        const std::uint32_t frame = Clamped32(cue.frame);
        Append32(out, cue.id);
        Append32(out, frame);
        Append32(out, chunk_id::kData);
        Append32(out, 0);
        Append32(out, 0);
        Append32(out, frame);
    }
    return HeldChunk(chunk_id::kCue, std::move(out));
}

std::optional<CarriedChunk> LabelList(const std::vector<CueMarker>& cues) {
    std::vector<std::uint8_t> out;
    Append32(out, chunk_id::kAdtl);
    for (const CueMarker& cue : cues) {
        if (cue.label.empty()) continue;
        const auto size = static_cast<std::uint32_t>(kLabelId + cue.label.size() + 1);
        Append32(out, chunk_id::kLabl);
        Append32(out, size);
        Append32(out, cue.id);
        out.insert(out.end(), cue.label.begin(), cue.label.end());
        out.push_back(0);
        if ((size & 1) != 0) out.push_back(0);
    }
    if (out.size() == kListForm) return std::nullopt;
    return HeldChunk(chunk_id::kList, std::move(out));
}

std::uint32_t LoopType(LoopMode mode) {
    switch (mode) {
        case LoopMode::kAlternating:
            return 1;
        case LoopMode::kBackward:
            return 2;
        default:
            return 0;
    }
}

CarriedChunk SmplChunk(const SoundMarkers& markers, std::uint32_t outputRate) {
    // A fine tune below the note is the note below with a fraction above it.
    std::int32_t note = markers.baseNote;
    std::int32_t cents = markers.detuneCents;
    if (cents < 0) {
        note -= 1;
        cents += static_cast<std::int32_t>(kCentsPerSemitone);
    }
    const auto fraction = static_cast<std::uint32_t>(
        std::min(kPitchFractionScale - 1, cents * kPitchFractionScale / kCentsPerSemitone));
    const double period = outputRate != 0 ? kNanosecondsPerSecond / outputRate : 0.0;
    const std::uint32_t fields[kSmplFields] = {0,
                                               0,
                                               static_cast<std::uint32_t>(period + 0.5),
                                               static_cast<std::uint32_t>(std::max(note, 0)),
                                               fraction,
                                               0,
                                               0,
                                               static_cast<std::uint32_t>(markers.loops.size()),
                                               0};
    std::vector<std::uint8_t> out;
    for (const std::uint32_t field : fields) Append32(out, field);
    for (std::size_t i = 0; i < markers.loops.size(); ++i) {
        const LoopMarker& loop = markers.loops[i];
        const std::uint32_t last = Clamped32(loop.end > loop.start ? loop.end - 1 : loop.start);
        const std::uint32_t loopFields[kLoopFields] = {static_cast<std::uint32_t>(i),
                                                       LoopType(loop.mode),
                                                       Clamped32(loop.start),
                                                       last,
                                                       0,
                                                       loop.playCount};
        for (const std::uint32_t field : loopFields) Append32(out, field);
    }
    return HeldChunk(chunk_id::kSmpl, std::move(out));
}

}  // namespace

SoundMarkers ReadCueMarkers(RandomAccessBytes& source, const WavLayout& layout) {
    SoundMarkers markers;
    const bool bigEndian = layout.container == WavContainer::kRifx;
    std::vector<std::uint8_t> bytes;
    for (const WavChunkEntry& chunk : layout.chunks)
        if (chunk.id == chunk_id::kCue && markers.cues.empty() && ReadChunk(source, chunk, bytes))
            ReadCuePoints(bytes, bigEndian, markers);
    if (markers.cues.empty()) return markers;
    for (const WavChunkEntry& chunk : layout.chunks)
        if (chunk.id == chunk_id::kList && ReadChunk(source, chunk, bytes))
            ReadLabels(bytes, bigEndian, markers);
    return markers;
}

std::vector<CarriedChunk> MarkerChunks(const SoundMarkers& markers, std::uint32_t outputRate) {
    std::vector<CarriedChunk> chunks;
    if (!markers.cues.empty()) {
        chunks.push_back(CueChunk(markers.cues));
        if (std::optional<CarriedChunk> labels = LabelList(markers.cues))
            chunks.push_back(std::move(*labels));
    }
    if (!markers.loops.empty()) chunks.push_back(SmplChunk(markers, outputRate));
    return chunks;
}

}  // namespace zel
