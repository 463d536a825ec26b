#include "engine/wav/wav_chunk_reader.h"

#include <algorithm>
#include <array>
#include <limits>
#include <optional>
#include <utility>

#include "engine/base/byte_order.h"
#include "engine/wav/riff_chunk_ids.h"

namespace zel {
namespace {

constexpr std::uint64_t kRiffHeaderBytes = 12;
constexpr std::uint64_t kChunkHeaderBytes = 8;
constexpr std::uint32_t kUnknownSize32 = 0xFFFFFFFF;
constexpr std::uint64_t kDs64MinBytes = 28;
constexpr std::uint64_t kDs64TableOffset = 28;
constexpr std::uint64_t kDs64EntryBytes = 12;
constexpr std::uint32_t kMaxDs64Entries = 64;
// A hostile file of tiny chunks must not grow the list without bound.
constexpr std::size_t kMaxRecordedChunks = 4096;

constexpr std::size_t kFmtBaseBytes = 16;
constexpr std::size_t kFmtExtensibleBytes = 40;
constexpr std::uint16_t kExtensibleExtraBytes = 22;
constexpr std::uint16_t kTagPcm = 1;
constexpr std::uint16_t kTagFloat = 3;
constexpr std::uint16_t kTagALaw = 6;
constexpr std::uint16_t kTagMuLaw = 7;
constexpr std::uint16_t kTagExtensible = 0xFFFE;
// Bytes 8..15 of every standard subformat GUID (XXXXXXXX-0000-0010-8000-00AA00389B71).
constexpr std::array<std::uint8_t, 8> kGuidTail = {0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};

// The format tag in a standard subformat GUID. Big-endian writers disagree on the GUID's
// byte order: some swap every field, sox swaps only the tag's two bytes; both are taken.
bool ReadSubformatTag(const std::uint8_t* guid, bool bigEndian, std::uint32_t& tag) {
    if (!std::equal(kGuidTail.begin(), kGuidTail.end(), guid + 8)) return false;
    if (LoadU16(guid + 4, bigEndian) != 0) return false;
    if (LoadU16(guid + 6, bigEndian) == 0x0010) {
        tag = LoadU32(guid, bigEndian);
        return true;
    }
    if (!bigEndian || LoadU16(guid + 6, false) != 0x0010 || LoadU16(guid + 2, false) != 0)
        return false;
    tag = LoadU16(guid, true);
    return true;
}
constexpr std::uint64_t kCanonicalFmtOffset = 12;
constexpr std::uint64_t kCanonicalDataOffset = 44;

WavReadOutcome Refused(WavRefusal code, std::uint32_t detail = 0) {
    WavReadOutcome outcome;
    outcome.refusal = {code, detail};
    return outcome;
}

std::uint32_t Clamp32(std::uint64_t v) {
    return static_cast<std::uint32_t>(std::min<std::uint64_t>(v, 0xFFFFFFFF));
}

std::optional<SampleEncoding> EncodingOfTag(std::uint32_t tag, std::uint16_t containerBits) {
    switch (tag) {
        case kTagPcm:
            switch (containerBits) {
                case 8:
                    return SampleEncoding::kUnsigned8;
                case 16:
                    return SampleEncoding::kSigned16;
                case 24:
                    return SampleEncoding::kSigned24;
                case 32:
                    return SampleEncoding::kSigned32;
                default:
                    return std::nullopt;
            }
        case kTagFloat:
            if (containerBits == 32) return SampleEncoding::kFloat32;
            if (containerBits == 64) return SampleEncoding::kFloat64;
            return std::nullopt;
        case kTagALaw:
            return containerBits == 8 ? std::optional(SampleEncoding::kALaw) : std::nullopt;
        case kTagMuLaw:
            return containerBits == 8 ? std::optional(SampleEncoding::kMuLaw) : std::nullopt;
        default:
            return std::nullopt;
    }
}

// Identifiers are four printable ASCII characters; anything else (zero padding a recorder
// left after the data, say) is not a chunk to keep.
bool IsPrintableId(std::uint32_t id) {
    for (int i = 0; i < 4; ++i) {
        const std::uint32_t c = (id >> (8 * i)) & 0xFF;
        if (c < 0x20 || c > 0x7E) return false;
    }
    return true;
}

bool IsSupportedTag(std::uint32_t tag) {
    return tag == kTagPcm || tag == kTagFloat || tag == kTagALaw || tag == kTagMuLaw;
}

// Checks a "fmt " payload of `size` bytes (of which at most 40 are in `b`) and fills the
// format. Fields are validated in the order a user would want the first problem named.
WavRefusalReason ParseFormat(const std::uint8_t* b, std::uint64_t size, bool bigEndian,
                             WavSampleFormat& format, std::uint16_t& tagOut) {
    if (size < kFmtBaseBytes) return {WavRefusal::kBadFormatChunk, Clamp32(size)};
    const std::uint16_t tag = LoadU16(b, bigEndian);
    const std::uint16_t channels = LoadU16(b + 2, bigEndian);
    const std::uint32_t rate = LoadU32(b + 4, bigEndian);
    const std::uint16_t blockAlign = LoadU16(b + 12, bigEndian);
    const std::uint16_t bits = LoadU16(b + 14, bigEndian);
    tagOut = tag;

    std::uint32_t effectiveTag = tag;
    std::uint16_t validBits = bits;
    std::uint32_t mask = 0;
    const bool extensible = tag == kTagExtensible;
    if (extensible) {
        if (size < kFmtExtensibleBytes || LoadU16(b + 16, bigEndian) < kExtensibleExtraBytes)
            return {WavRefusal::kBadFormatChunk, Clamp32(size)};
        validBits = LoadU16(b + 18, bigEndian);
        mask = LoadU32(b + 20, bigEndian);
        if (!ReadSubformatTag(b + 24, bigEndian, effectiveTag))
            return {WavRefusal::kUnknownSubformat, 0};
        if (validBits == 0) validBits = bits;  // some writers leave it unset
    }
    if (!IsSupportedTag(effectiveTag)) return {WavRefusal::kCompressed, effectiveTag};
    if (channels == 0 || channels > kMaxWavChannels)
        return {WavRefusal::kUnsupportedChannels, channels};
    if (rate == 0 || rate > static_cast<std::uint32_t>(std::numeric_limits<std::int32_t>::max()))
        return {WavRefusal::kBadSampleRate, rate};

    // Plain PCM rounds odd depths (20 bits) up to whole bytes; EXTENSIBLE names the
    // container in wBitsPerSample and the depth in wValidBitsPerSample.
    const bool plainPcm = effectiveTag == kTagPcm && !extensible;
    const std::uint32_t containerBits = plainPcm ? (bits + 7u) / 8u * 8u : bits;
    const auto encoding = EncodingOfTag(effectiveTag, static_cast<std::uint16_t>(containerBits));
    if (!encoding || validBits == 0 || validBits > containerBits)
        return {WavRefusal::kUnsupportedBits, extensible ? validBits : bits};
    if (blockAlign != channels * containerBits / 8) return {WavRefusal::kBadBlockAlign, blockAlign};

    format.encoding = *encoding;
    format.channels = channels;
    format.sampleRate = rate;
    format.blockAlign = blockAlign;
    format.containerBits = static_cast<std::uint16_t>(containerBits);
    format.validBits = effectiveTag == kTagPcm ? validBits : format.containerBits;
    format.channelMask = mask;
    format.bigEndian = bigEndian;
    return {};
}

class ChunkWalk {
  public:
    ChunkWalk(RandomAccessBytes& source, bool bigEndian, bool rf64)
        : source_(source), fileSize_(source.Size()), bigEndian_(bigEndian), rf64_(rf64) {}

    WavReadOutcome Run();

  private:
    struct ChunkHeader {
        std::uint32_t id = 0;
        std::uint32_t size32 = 0;
        std::uint64_t size = 0;
    };

    bool ReadHeaderAt(std::uint64_t pos, ChunkHeader& header);
    WavRefusalReason ReadDs64(std::uint64_t& pos);
    bool LooksLikeChunkAt(std::uint64_t pos);
    void TakeData(const ChunkHeader& header, std::uint64_t payload, std::uint64_t& pos);
    WavRefusalReason TakeFormat(const ChunkHeader& header, std::uint64_t payload);
    std::uint64_t NextChunk(std::uint64_t payload, std::uint64_t size) const;

    RandomAccessBytes& source_;
    const std::uint64_t fileSize_;
    const bool bigEndian_;
    const bool rf64_;
    std::uint64_t ds64DataSize_ = 0;
    std::vector<std::pair<std::uint32_t, std::uint64_t>> ds64Sizes_;
    bool haveFormat_ = false;
    bool haveData_ = false;
    std::uint64_t formatOffset_ = 0;
    std::uint64_t formatSize_ = 0;
    WavReadOutcome outcome_;
};

bool ChunkWalk::ReadHeaderAt(std::uint64_t pos, ChunkHeader& header) {
    std::uint8_t bytes[kChunkHeaderBytes];
    if (fileSize_ - pos < kChunkHeaderBytes || !source_.ReadAt(pos, bytes, sizeof bytes))
        return false;
    header.id = LoadU32(bytes, false);  // identifiers are bytes in file order
    header.size32 = LoadU32(bytes + 4, bigEndian_);
    header.size = header.size32;
    if (rf64_ && header.size32 == kUnknownSize32) {
        if (header.id == chunk_id::kData) header.size = ds64DataSize_;
        for (const auto& [id, size] : ds64Sizes_)
            if (id == header.id) header.size = size;
    }
    return true;
}

WavRefusalReason ChunkWalk::ReadDs64(std::uint64_t& pos) {
    ChunkHeader header;
    if (!ReadHeaderAt(pos, header)) return {WavRefusal::kTruncatedHeader, 0};
    if (header.id != chunk_id::kDs64 || header.size < kDs64MinBytes)
        return {WavRefusal::kMissingDs64, 0};
    const std::uint64_t payload = pos + kChunkHeaderBytes;
    if (header.size > fileSize_ - payload) return {WavRefusal::kTruncatedHeader, 0};
    std::uint8_t fixed[kDs64MinBytes];
    if (!source_.ReadAt(payload, fixed, sizeof fixed)) return {WavRefusal::kCannotRead, 0};
    ds64DataSize_ = LoadU64(fixed + 8, bigEndian_);
    const std::uint64_t room = (header.size - kDs64TableOffset) / kDs64EntryBytes;
    const std::uint64_t entries =
        std::min<std::uint64_t>({LoadU32(fixed + 24, bigEndian_), room, kMaxDs64Entries});
    for (std::uint64_t i = 0; i < entries; ++i) {
        std::uint8_t entry[kDs64EntryBytes];
        if (!source_.ReadAt(payload + kDs64TableOffset + i * kDs64EntryBytes, entry, sizeof entry))
            return {WavRefusal::kCannotRead, 0};
        ds64Sizes_.emplace_back(LoadU32(entry, false), LoadU64(entry + 4, bigEndian_));
    }
    pos = NextChunk(payload, header.size);
    return {};
}

// A chunk header with a printable identifier whose size fits in the file.
bool ChunkWalk::LooksLikeChunkAt(std::uint64_t pos) {
    ChunkHeader header;
    if (!ReadHeaderAt(pos, header)) return false;
    return IsPrintableId(header.id) && header.size <= fileSize_ - pos - kChunkHeaderBytes;
}

std::uint64_t ChunkWalk::NextChunk(std::uint64_t payload, std::uint64_t size) const {
    // Callers have checked that the payload lies within the file.
    const std::uint64_t end = payload + size;
    return (size & 1) != 0 && end < fileSize_ ? end + 1 : end;
}

void ChunkWalk::TakeData(const ChunkHeader& header, std::uint64_t payload, std::uint64_t& pos) {
    WavLayout& layout = outcome_.layout;
    haveData_ = true;
    layout.dataOffset = payload;
    const std::uint64_t available = fileSize_ - payload;
    const bool openEnded = header.size == 0 || (!rf64_ && header.size32 == kUnknownSize32);
    if (openEnded && available > 0 && !(header.size == 0 && LooksLikeChunkAt(payload))) {
        layout.dataBytes = available;
        layout.dataSizeUnknown = true;
        pos = fileSize_;
    } else if (header.size > available) {
        layout.dataBytes = available;
        layout.dataTruncated = true;
        pos = fileSize_;
    } else {
        layout.dataBytes = header.size;
        pos = NextChunk(payload, header.size);
    }
}

WavRefusalReason ChunkWalk::TakeFormat(const ChunkHeader& header, std::uint64_t payload) {
    std::uint8_t bytes[kFmtExtensibleBytes] = {};
    const std::size_t wanted =
        static_cast<std::size_t>(std::min<std::uint64_t>(header.size, kFmtExtensibleBytes));
    if (!source_.ReadAt(payload, bytes, wanted)) return {WavRefusal::kCannotRead, 0};
    haveFormat_ = true;
    formatOffset_ = payload;
    formatSize_ = header.size;
    return ParseFormat(bytes, header.size, bigEndian_, outcome_.layout.format,
                       outcome_.layout.formatTag);
}

WavReadOutcome ChunkWalk::Run() {
    WavLayout& layout = outcome_.layout;
    std::uint64_t pos = kRiffHeaderBytes;
    if (rf64_) {
        const WavRefusalReason ds64 = ReadDs64(pos);
        if (ds64.code != WavRefusal::kNone) return Refused(ds64.code, ds64.detail);
    }
    ChunkHeader header;
    while (pos < fileSize_ && ReadHeaderAt(pos, header)) {
        const std::uint64_t payload = pos + kChunkHeaderBytes;
        if (header.id == chunk_id::kData && !haveData_) {
            TakeData(header, payload, pos);
            continue;
        }
        if (header.size > fileSize_ - payload) {
            // A cut header chunk makes the file unreadable; any other cut chunk is left out.
            if (header.id == chunk_id::kFmt && !haveFormat_)
                return Refused(WavRefusal::kTruncatedHeader);
            break;
        }
        if (header.id == chunk_id::kFmt && !haveFormat_) {
            const WavRefusalReason reason = TakeFormat(header, payload);
            if (reason.code != WavRefusal::kNone) return Refused(reason.code, reason.detail);
        } else if (header.id != chunk_id::kFmt && header.id != chunk_id::kData &&
                   header.id != chunk_id::kDs64 && IsPrintableId(header.id)) {
            if (layout.chunks.size() < kMaxRecordedChunks)
                layout.chunks.push_back({header.id, payload, header.size, haveData_});
            else
                ++layout.unlistedChunks;
        }
        pos = NextChunk(payload, header.size);
    }
    if (!haveFormat_) return Refused(WavRefusal::kNoFormat);
    if (!haveData_) return Refused(WavRefusal::kNoData);

    layout.container =
        rf64_ ? WavContainer::kRf64 : (bigEndian_ ? WavContainer::kRifx : WavContainer::kRiff);
    layout.frameCount = layout.dataBytes / layout.format.blockAlign;
    layout.dataBytes = layout.frameCount * layout.format.blockAlign;
    const WavSampleFormat& f = layout.format;
    layout.canonical = layout.container == WavContainer::kRiff && layout.formatTag == kTagPcm &&
                       formatOffset_ == kCanonicalFmtOffset + kChunkHeaderBytes &&
                       formatSize_ == kFmtBaseBytes && layout.dataOffset == kCanonicalDataOffset &&
                       f.channels <= 2 && (f.validBits == 8 || f.validBits == 16);
    return outcome_;
}

}  // namespace

WavReadOutcome ReadWavLayout(RandomAccessBytes& source) {
    const std::uint64_t size = source.Size();
    std::uint8_t head[kRiffHeaderBytes] = {};
    const std::size_t got = static_cast<std::size_t>(std::min<std::uint64_t>(size, sizeof head));
    if (!source.ReadAt(0, head, got)) return Refused(WavRefusal::kCannotRead);
    const std::uint32_t riffId = got >= 4 ? LoadU32(head, false) : 0;
    const bool bigEndian = riffId == chunk_id::kRifx;
    const bool rf64 = riffId == chunk_id::kRf64 || riffId == chunk_id::kBw64;
    if (riffId != chunk_id::kRiff && !bigEndian && !rf64) return Refused(WavRefusal::kNotWave);
    if (got < kRiffHeaderBytes) return Refused(WavRefusal::kTruncatedHeader);
    if (LoadU32(head + 8, false) != chunk_id::kWave) return Refused(WavRefusal::kNotWave);
    WavReadOutcome outcome = ChunkWalk(source, bigEndian, rf64).Run();
    WavLayout& layout = outcome.layout;
    layout.sizesAgree = !layout.dataSizeUnknown && !layout.dataTruncated &&
                        (layout.container != WavContainer::kRiff ||
                         LoadU32(head + 4, false) + kChunkHeaderBytes == size);
    return outcome;
}

}  // namespace zel
