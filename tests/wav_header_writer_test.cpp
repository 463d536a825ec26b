// Output headers: the canonical 44 bytes exactly as the established path writes them,
// every other format in the layout its readers expect, and RF64 past 4 GiB.

#include "engine/wav/wav_header_writer.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "engine/base/byte_order.h"
#include "engine/base/memory_byte_source.h"
#include "engine/wav/riff_chunk_ids.h"
#include "engine/wav/wav_chunk_reader.h"
#include "engine/wav/wav_header.h"
#include "tests/support/riff_builder.h"
#include "tests/support/sample_format.h"
#include "tools/synthetic_wav.h"

namespace zel {
namespace {

using test::Bytes;

using test::Format;

// A file of `header`, `dataBytes` of silence and `trailer`, without holding the silence.
class SparseSource : public RandomAccessBytes {
  public:
    SparseSource(Bytes header, std::uint64_t dataBytes, Bytes trailer)
        : header_(std::move(header)), dataBytes_(dataBytes), trailer_(std::move(trailer)) {}
    std::uint64_t Size() const override { return header_.size() + dataBytes_ + trailer_.size(); }
    bool ReadAt(std::uint64_t offset, void* buffer, std::size_t count) override {
        if (offset > Size() || count > Size() - offset) return false;
        auto* out = static_cast<std::uint8_t*>(buffer);
        const std::uint64_t trailerStart = header_.size() + dataBytes_;
        for (std::size_t i = 0; i < count; ++i) {
            const std::uint64_t at = offset + i;
            out[i] = at < header_.size() ? header_[at]
                     : at < trailerStart ? 0
                                         : trailer_[at - trailerStart];
        }
        return true;
    }

  private:
    Bytes header_;
    std::uint64_t dataBytes_;
    Bytes trailer_;
};

TEST(WavHeaderWriter, CanonicalOutputIsByteForByteTheEstablishedHeader) {
    for (const SignalFormat signal : {SignalFormat{1, 8, 44100}, SignalFormat{2, 8, 22050},
                                      SignalFormat{1, 16, 8000}, SignalFormat{2, 16, 96000}}) {
        SCOPED_TRACE(testing::Message() << signal.channels << "x" << signal.bitsPerSample);
        const Bytes input = MakeWavBytes(signal, SineSignal(signal, 5, 440, 0.5));
        MemoryByteSource source(input);
        const WavReadOutcome read = ReadWavLayout(source);
        ASSERT_TRUE(read.Accepted());
        const WavSampleFormat out = OutputFormatOf(read.layout.format, 48000);
        const std::uint64_t frames = 7;
        const std::uint64_t dataBytes = frames * out.blockAlign;

        WavOutputHeader header = ComposeWavHeader(out, {}, dataBytes);
        ASSERT_TRUE(CompleteWavHeader(header, dataBytes, frames, 0));

        WavHeader established;
        std::copy_n(input.begin(), kWavHeaderSize, established.bytes.begin());
        // The input's own 44 bytes with the new rate and the sizes.
        established.SetU32(wav_offset::kSampleRate, 48000);
        established.SetU32(wav_offset::kBytesPerSecond, 48000 * out.blockAlign);
        CompleteHeader(established, static_cast<std::uint32_t>(dataBytes));
        EXPECT_TRUE(header.canonical);
        EXPECT_EQ(header.bytes, Bytes(established.bytes.begin(), established.bytes.end()));
        EXPECT_EQ(DataPadBytes(dataBytes, false), 0u);
    }
}

TEST(WavHeaderWriter, EveryFormatReadsBackAsWritten) {
    struct Row {
        const char* what;
        WavSampleFormat format;
        std::uint16_t tag;
        bool fact;
        std::uint32_t maskReadBack;
    };
    const Row rows[] = {
        {"24-bit stereo", Format(SampleEncoding::kSigned24, 2, 24, 24), 0xFFFE, false, 3},
        {"20 bits in 24", Format(SampleEncoding::kSigned24, 1, 24, 20), 0xFFFE, false, 4},
        {"24 in 32, 5.1", test::WithMask(Format(SampleEncoding::kSigned32, 6, 32, 24), 0x3F),
         0xFFFE, false, 0x3F},
        {"16-bit, 4 channels", test::WithMask(Format(SampleEncoding::kSigned16, 4, 16, 16), 0x33),
         0xFFFE, false, 0x33},
        {"16-bit stereo, side speakers",
         test::WithMask(Format(SampleEncoding::kSigned16, 2, 16, 16), 0x600), 0xFFFE, false, 0x600},
        {"8-bit mono, odd data", Format(SampleEncoding::kUnsigned8, 1, 8, 8), 1, false, 0},
        {"float stereo", Format(SampleEncoding::kFloat32, 2, 32, 32), 3, true, 0},
        {"float 64 mono", Format(SampleEncoding::kFloat64, 1, 64, 64), 3, true, 0},
        {"float, 8 channels", Format(SampleEncoding::kFloat32, 8, 32, 32), 0xFFFE, true, 0},
        {"mu-law", Format(SampleEncoding::kMuLaw, 1, 8, 8), 7, true, 0},
        {"A-law", Format(SampleEncoding::kALaw, 2, 8, 8), 6, true, 0},
    };
    constexpr std::uint64_t kFrames = 11;
    const Bytes leading = test::RiffBuilder().Chunk("LIST", Bytes(6, 'a')).Build();
    const Bytes trailing = test::RiffBuilder().Chunk("id3 ", Bytes(5, 'b')).Build();
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        const Bytes leadingChunk(leading.begin() + 12, leading.end());
        const Bytes trailingChunk(trailing.begin() + 12, trailing.end());
        const std::uint64_t dataBytes = kFrames * row.format.blockAlign;
        WavOutputHeader header = ComposeWavHeader(row.format, leadingChunk.size(), dataBytes);
        const std::uint64_t pad = DataPadBytes(dataBytes, true);
        ASSERT_TRUE(CompleteWavHeader(header, dataBytes, kFrames, pad + trailingChunk.size()));
        EXPECT_FALSE(header.canonical);

        Bytes file = header.bytes;
        file.insert(file.begin() + static_cast<std::ptrdiff_t>(header.leadingAt),
                    leadingChunk.begin(), leadingChunk.end());
        file.resize(file.size() + dataBytes + pad, 0);
        file.insert(file.end(), trailingChunk.begin(), trailingChunk.end());
        EXPECT_EQ(LoadU32(file.data() + 4, false), file.size() - 8);

        MemoryByteSource source(file);
        const WavReadOutcome read = ReadWavLayout(source);
        ASSERT_TRUE(read.Accepted()) << int(read.refusal.code);
        const WavSampleFormat& f = read.layout.format;
        EXPECT_EQ(read.layout.formatTag, row.tag);
        EXPECT_EQ(f.encoding, row.format.encoding);
        EXPECT_EQ(f.channels, row.format.channels);
        EXPECT_EQ(f.sampleRate, 48000u);
        EXPECT_EQ(f.containerBits, row.format.containerBits);
        EXPECT_EQ(f.validBits, row.format.validBits);
        EXPECT_EQ(f.channelMask, row.maskReadBack);
        EXPECT_EQ(read.layout.frameCount, kFrames);

        std::vector<std::uint32_t> ids;
        for (const WavChunkEntry& chunk : read.layout.chunks) ids.push_back(chunk.id);
        std::vector<std::uint32_t> expected = {chunk_id::kJunk};
        if (row.fact) expected.push_back(chunk_id::kFact);
        expected.push_back(chunk_id::kList);
        expected.push_back(FourCc("id3 "));
        EXPECT_EQ(ids, expected);
        if (row.fact) {
            EXPECT_EQ(LoadU32(file.data() + read.layout.chunks[1].offset, false), kFrames);
        }
    }
}

TEST(WavHeaderWriter, OutputsPast4GiBBecomeRf64) {
    const WavSampleFormat format = Format(SampleEncoding::kSigned24, 2, 24, 24);
    const std::uint64_t frames = (std::uint64_t{5} << 30) / format.blockAlign;
    const std::uint64_t dataBytes = frames * format.blockAlign;
    const Bytes trailer = {'c', 'u', 'e', ' ', 4, 0, 0, 0, 0, 0, 0, 0};

    // Started as RIFF, since the size was not known to be large.
    WavOutputHeader header = ComposeWavHeader(format, {}, 0);
    ASSERT_TRUE(CompleteWavHeader(header, dataBytes, frames, trailer.size()));
    EXPECT_EQ(LoadU32(header.bytes.data(), false), chunk_id::kRf64);

    SparseSource source(header.bytes, dataBytes, trailer);
    const WavReadOutcome read = ReadWavLayout(source);
    ASSERT_TRUE(read.Accepted()) << int(read.refusal.code);
    EXPECT_EQ(read.layout.container, WavContainer::kRf64);
    EXPECT_EQ(read.layout.frameCount, frames);
    EXPECT_FALSE(read.layout.dataSizeUnknown);
    EXPECT_FALSE(read.layout.dataTruncated);
    ASSERT_EQ(read.layout.chunks.size(), 1u);
    EXPECT_EQ(read.layout.chunks[0].id, chunk_id::kCue);
    EXPECT_EQ(LoadU64(header.bytes.data() + header.junkOffset + 8, false),
              source.Size() - 8);  // ds64's RIFF size

    // A canonical-capable format expected to grow that large is not given the 44 bytes,
    // and a canonical header refuses to describe it.
    const WavSampleFormat stereo16 = Format(SampleEncoding::kSigned16, 2, 16, 16);
    EXPECT_FALSE(ComposeWavHeader(stereo16, {}, dataBytes).canonical);
    WavOutputHeader canonical = ComposeWavHeader(stereo16, {}, 1000);
    ASSERT_TRUE(canonical.canonical);
    EXPECT_FALSE(CompleteWavHeader(canonical, dataBytes, dataBytes / 4, 0));
}

}  // namespace
}  // namespace zel
