#include "engine/wav/wav_header_writer.h"

#include <algorithm>

#include "engine/base/byte_order.h"
#include "engine/wav/riff_chunk_ids.h"

namespace zel {
namespace {

constexpr std::uint32_t kMax32 = 0xFFFFFFFF;
constexpr std::uint32_t kDs64Bytes = 28;  // sizes of RIFF, data, samples; empty table
constexpr std::uint16_t kTagPcm = 1;
constexpr std::uint16_t kTagFloat = 3;
constexpr std::uint16_t kTagALaw = 6;
constexpr std::uint16_t kTagMuLaw = 7;
constexpr std::uint16_t kTagExtensible = 0xFFFE;
constexpr std::uint16_t kExtensibleExtraBytes = 22;
constexpr std::uint8_t kGuidTail[10] = {0x00, 0x00, 0x10, 0x00, 0x80, 0x00, 0x00, 0xAA, 0x00, 0x38};
constexpr std::uint8_t kGuidEnd[2] = {0x9B, 0x71};
constexpr std::uint32_t kFrontCenter = 0x4;
constexpr std::uint32_t kFrontLeftRight = 0x3;

std::uint32_t DefaultMask(std::uint16_t channels) {
    return channels == 1 ? kFrontCenter : (channels == 2 ? kFrontLeftRight : 0);
}

bool HasOwnMask(const WavSampleFormat& f) {
    return f.channelMask != 0 && f.channelMask != DefaultMask(f.channels);
}

bool NeedsExtensible(const WavSampleFormat& f) {
    if (IsG711Encoding(f.encoding)) return false;
    if (IsFloatEncoding(f.encoding)) return f.channels > 2 || HasOwnMask(f);
    return f.channels > 2 || f.containerBits > 16 || f.validBits != f.containerBits ||
           HasOwnMask(f);
}

std::uint16_t PlainTag(SampleEncoding e) {
    if (IsFloatEncoding(e)) return kTagFloat;
    if (e == SampleEncoding::kMuLaw) return kTagMuLaw;
    if (e == SampleEncoding::kALaw) return kTagALaw;
    return kTagPcm;
}

class ByteWriter {
  public:
    explicit ByteWriter(std::vector<std::uint8_t>& out) : out_(out) {}
    void Id(std::uint32_t id) { U32(id); }
    void U16(std::uint16_t v) {
        const std::size_t at = Grow(2);
        StoreLe16(&out_[at], v);
    }
    void U32(std::uint32_t v) {
        const std::size_t at = Grow(4);
        StoreLe32(&out_[at], v);
    }
    void Bytes(std::span<const std::uint8_t> bytes) {
        out_.insert(out_.end(), bytes.begin(), bytes.end());
    }
    void Zeros(std::size_t n) { out_.resize(out_.size() + n, 0); }
    std::size_t Size() const { return out_.size(); }

  private:
    std::size_t Grow(std::size_t n) {
        out_.resize(out_.size() + n);
        return out_.size() - n;
    }
    std::vector<std::uint8_t>& out_;
};

void WriteFormatChunk(ByteWriter& w, const WavSampleFormat& f) {
    const bool extensible = NeedsExtensible(f);
    const std::uint16_t tag = PlainTag(f.encoding);
    const bool plainPcm = tag == kTagPcm && !extensible;
    const std::uint32_t size = extensible ? 40 : (plainPcm ? 16 : 18);
    w.Id(chunk_id::kFmt);
    w.U32(size);
    w.U16(extensible ? kTagExtensible : tag);
    w.U16(f.channels);
    w.U32(f.sampleRate);
    const std::uint64_t bytesPerSecond = static_cast<std::uint64_t>(f.sampleRate) * f.blockAlign;
    w.U32(static_cast<std::uint32_t>(std::min<std::uint64_t>(bytesPerSecond, kMax32)));
    w.U16(f.blockAlign);
    w.U16(f.containerBits);
    if (plainPcm) return;
    w.U16(extensible ? kExtensibleExtraBytes : 0);
    if (!extensible) return;
    w.U16(f.validBits);
    w.U32(f.channelMask != 0 ? f.channelMask : DefaultMask(f.channels));
    w.U32(tag);  // the subformat GUID begins with the format tag
    w.Bytes(kGuidTail);
    w.Bytes(kGuidEnd);
}

bool CanBeCanonical(const WavSampleFormat& f, std::uint64_t leadingBytes, std::uint64_t expected) {
    const bool eightOrSixteen = (f.encoding == SampleEncoding::kUnsigned8 && f.validBits == 8) ||
                                (f.encoding == SampleEncoding::kSigned16 && f.validBits == 16);
    return eightOrSixteen && f.channels <= 2 && !HasOwnMask(f) && leadingBytes == 0 &&
           expected <= kMax32 - 36;
}

}  // namespace

WavSampleFormat OutputFormatOf(const WavSampleFormat& input, std::uint32_t targetRate,
                               OutputDepth depth) {
    WavSampleFormat output = WithDepth(input, depth);
    output.sampleRate = targetRate;
    output.bigEndian = false;
    return output;
}

WavOutputHeader OpenEndedWavHeader(const WavSampleFormat& format, std::uint64_t leadingBytes) {
    WavOutputHeader header = ComposeWavHeader(format, leadingBytes, 0);
    constexpr std::size_t kRiffSizeOffset = 4;
    StoreLe32(header.bytes.data() + kRiffSizeOffset, kMax32);
    StoreLe32(header.bytes.data() + header.dataSizeOffset, kMax32);
    return header;
}

WavOutputHeader ComposeWavHeader(const WavSampleFormat& format, std::uint64_t leadingBytes,
                                 std::uint64_t expectedBytesBehindHeader) {
    WavOutputHeader header;
    header.canonical = CanBeCanonical(format, leadingBytes, expectedBytesBehindHeader);
    ByteWriter w(header.bytes);
    w.Id(chunk_id::kRiff);
    w.U32(0);
    w.Id(chunk_id::kWave);
    if (!header.canonical) {
        header.junkOffset = w.Size();
        w.Id(chunk_id::kJunk);
        w.U32(kDs64Bytes);
        w.Zeros(kDs64Bytes);
    }
    WriteFormatChunk(w, format);
    if (PlainTag(format.encoding) != kTagPcm) {
        w.Id(chunk_id::kFact);
        w.U32(4);
        header.factOffset = w.Size();
        w.U32(0);
    }
    header.leadingAt = w.Size();
    header.leadingBytes = leadingBytes;
    w.Id(chunk_id::kData);
    header.dataSizeOffset = w.Size();
    w.U32(0);
    return header;
}

std::uint64_t DataPadBytes(std::uint64_t dataBytes, bool chunksFollow) {
    return chunksFollow ? (dataBytes & 1) : 0;
}

bool CompleteWavHeader(WavOutputHeader& header, std::uint64_t dataBytes, std::uint64_t frames,
                       std::uint64_t trailingBytes) {
    std::uint8_t* const b = header.bytes.data();
    const std::uint64_t riffBody =
        header.bytes.size() + header.leadingBytes - 8 + dataBytes + trailingBytes;
    const bool fits = riffBody <= kMax32;
    if (!fits && header.canonical) return false;
    StoreLe32(b, fits ? chunk_id::kRiff : chunk_id::kRf64);
    StoreLe32(b + 4, fits ? static_cast<std::uint32_t>(riffBody) : kMax32);
    StoreLe32(b + header.dataSizeOffset, fits ? static_cast<std::uint32_t>(dataBytes) : kMax32);
    if (header.factOffset != 0)
        StoreLe32(b + header.factOffset,
                  frames > kMax32 ? kMax32 : static_cast<std::uint32_t>(frames));
    if (header.junkOffset != 0) {
        std::uint8_t* const junk = b + header.junkOffset;
        StoreLe32(junk, fits ? chunk_id::kJunk : chunk_id::kDs64);
        std::uint8_t* const body = junk + 8;
        StoreLe64(body, fits ? 0 : riffBody);
        StoreLe64(body + 8, fits ? 0 : dataBytes);
        StoreLe64(body + 16, fits ? 0 : frames);
        StoreLe32(body + 24, 0);
    }
    return true;
}

}  // namespace zel
