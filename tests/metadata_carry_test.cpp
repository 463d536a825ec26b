// Metadata carried from input to output: order kept, stale chunks dropped, frame counts
// moved onto the output's timeline, nothing carried when stripped, only text from RIFX.

#include "engine/wav/metadata_carry.h"

#include <gtest/gtest.h>

#include <string>

#include "engine/base/byte_order.h"
#include "engine/base/memory_byte_source.h"
#include "engine/wav/riff_chunk_ids.h"
#include "engine/wav/wav_chunk_reader.h"
#include "engine/wav/wav_header_writer.h"
#include "tests/support/riff_builder.h"

namespace zel {
namespace {

using test::Bytes;
using test::FieldWriter;
using test::RiffBuilder;

constexpr std::uint64_t kHourAt44100 = 44100ull * 3600;

Bytes BextPayload() {
    Bytes bext(604, ' ');
    StoreLe64(bext.data() + 338, kHourAt44100);
    return bext;
}

Bytes CuePayload() {
    FieldWriter w;
    w.U32(2);
    for (std::uint32_t i = 0; i < 2; ++i) {
        const std::uint32_t frame = i == 0 ? 1000 : 44100;
        w.U32(i + 1).U32(frame).Id("data").U32(0).U32(0).U32(frame);
    }
    return w.bytes();
}

Bytes AdtlPayload() {
    FieldWriter w;
    w.Id("adtl").Id("labl").U32(5).Id("one").U8(0).U8(0);  // odd label, padded
    w.Id("ltxt").U32(20).U32(1).U32(441).Id("rgn ").U16(0).U16(0).U16(0).U16(0);
    return w.bytes();
}

Bytes SmplPayload() {
    FieldWriter w;
    w.U32(0).U32(0).U32(22676).U32(60).U32(0).U32(0).U32(0).U32(1).U32(0);
    w.U32(1).U32(0).U32(441).U32(882).U32(0).U32(0);
    return w.bytes();
}

Bytes InfoPayload() {
    FieldWriter w;
    w.Id("INFO").Id("INAM").U32(4).Id("song");
    return w.bytes();
}

Bytes RichInput(const char* riffId = "RIFF") {
    return RiffBuilder(riffId)
        .Chunk("JUNK", Bytes(28))
        .Chunk("bext", BextPayload())
        .Chunk("LIST", InfoPayload())
        .Chunk("fmt ", test::FmtPayload(1, 2, 44100, 4, 16))
        .Chunk("fact", Bytes(4))
        .Chunk("data", Bytes(400))
        .Chunk("cue ", CuePayload())
        .Chunk("LIST", AdtlPayload())
        .Chunk("smpl", SmplPayload())
        .Chunk("PEAK", Bytes(24))
        .Chunk("levl", Bytes(8))
        .Chunk("abcd", Bytes{1, 2, 3})
        .Build();
}

CarriedMetadata CarryFrom(const Bytes& file, bool strip = false) {
    MemoryByteSource source(file);
    const WavReadOutcome read = ReadWavLayout(source);
    EXPECT_TRUE(read.Accepted());
    MetadataCarryOptions options;
    options.strip = strip;
    options.ratio = {48000, 44100};
    options.outputRate = 48000;
    return CarryMetadata(source, read.layout, options);
}

class VectorSink : public ByteSink {
  public:
    bool Write(const std::uint8_t* buffer, std::size_t count) override {
        bytes.insert(bytes.end(), buffer, buffer + count);
        return true;
    }
    Bytes bytes;
};

// The chunks as the output gets them: held ones as changed, the others copied.
struct OutputChunk {
    std::uint32_t id;
    bool afterData;
    Bytes payload;
};

std::vector<OutputChunk> Carry(const Bytes& file, bool strip = false) {
    std::vector<OutputChunk> chunks;
    for (const CarriedChunk& chunk : CarryFrom(file, strip).chunks) {
        const auto from = file.begin() + static_cast<std::ptrdiff_t>(chunk.sourceOffset);
        chunks.push_back({chunk.id, chunk.afterData,
                          chunk.held ? chunk.payload
                                     : Bytes(from, from + static_cast<std::ptrdiff_t>(chunk.size))});
    }
    return chunks;
}

TEST(MetadataCarry, KeepsOrderDropsStaleChunksAndMovesTheTimeline) {
    const std::vector<OutputChunk> carried = Carry(RichInput());
    struct Expected {
        std::uint32_t id;
        bool afterData;
    };
    const Expected expected[] = {{chunk_id::kBext, false}, {chunk_id::kList, false},
                                 {chunk_id::kCue, true},   {chunk_id::kList, true},
                                 {chunk_id::kSmpl, true},  {FourCc("abcd"), true}};
    ASSERT_EQ(carried.size(), std::size(expected));
    for (std::size_t i = 0; i < carried.size(); ++i) {
        EXPECT_EQ(carried[i].id, expected[i].id) << i;
        EXPECT_EQ(carried[i].afterData, expected[i].afterData) << i;
    }
    EXPECT_EQ(LoadU64(carried[0].payload.data() + 338, false), 48000ull * 3600);
    EXPECT_EQ(carried[1].payload, InfoPayload());
    const std::uint8_t* cue = carried[2].payload.data();
    EXPECT_EQ(LoadU32(cue + 4 + 4, false), 1088u);  // 1000 * 48000 / 44100 = 1088.4
    EXPECT_EQ(LoadU32(cue + 4 + 20, false), 1088u);
    EXPECT_EQ(LoadU32(cue + 28 + 4, false), 48000u);
    EXPECT_EQ(LoadU32(carried[3].payload.data() + 4 + 14 + 8 + 4, false), 480u);  // ltxt
    const std::uint8_t* smpl = carried[4].payload.data();
    EXPECT_EQ(LoadU32(smpl + 8, false), 20833u);  // ns per frame at 48 kHz
    EXPECT_EQ(LoadU32(smpl + 36 + 8, false), 480u);
    EXPECT_EQ(LoadU32(smpl + 36 + 12, false), 960u);
    EXPECT_EQ(carried[5].payload, (Bytes{1, 2, 3}));
}

TEST(MetadataCarry, StripCarriesNothingAndBigEndianInputsOnlyTheirText) {
    EXPECT_TRUE(Carry(RichInput(), true).empty());
    FieldWriter info(true);
    info.Id("INFO").Id("INAM").U32(4).Id("song");
    const Bytes xml = {'<', 'B', 'W', 'F', '>', '<', '/', 'B', 'W', 'F', '>'};
    const Bytes rifx = RiffBuilder("RIFX", true)
                           .Chunk("fmt ", test::FmtPayload(1, 1, 8000, 2, 16, false, true))
                           .Chunk("data", Bytes(4))
                           .Chunk("LIST", info.bytes())
                           .Chunk("cue ", FieldWriter(true).U32(0).bytes())
                           .Chunk("iXML", xml)
                           .Build();
    const std::vector<OutputChunk> carried = Carry(rifx);
    ASSERT_EQ(carried.size(), 2u);
    EXPECT_EQ(carried[0].id, chunk_id::kList);
    EXPECT_EQ(carried[0].payload, InfoPayload());  // inner sizes now little-endian
    EXPECT_EQ(carried[1].id, chunk_id::kIxml);
    EXPECT_EQ(carried[1].payload, xml);
}

// iXML repeats the bext time reference and may stamp the time of day in frames; both move
// with the audio, and a stamp counted at another rate stays as it is.
TEST(MetadataCarry, IxmlCountsMoveWithTheAudio) {
    const auto carryIxml = [](const std::string& xml) {
        const Bytes file = RiffBuilder()
                               .Chunk("fmt ", test::FmtPayload(1, 2, 44100, 4, 16))
                               .Chunk("data", Bytes(40))
                               .Chunk("iXML", Bytes(xml.begin(), xml.end()))
                               .Build();
        const std::vector<OutputChunk> carried = Carry(file);
        EXPECT_EQ(carried.size(), 1u);
        return carried.empty() ? std::string()
                               : std::string(carried[0].payload.begin(), carried[0].payload.end());
    };
    // 44100 * 100000 = 4410000000 frames: past 32 bits, so the high word counts too.
    EXPECT_EQ(
        carryIxml("<BWF_TIME_REFERENCE_LOW>115032704</BWF_TIME_REFERENCE_LOW>"
                  "<BWF_TIME_REFERENCE_HIGH>1</BWF_TIME_REFERENCE_HIGH>"
                  "<TIMESTAMP_SAMPLE_RATE>44100</TIMESTAMP_SAMPLE_RATE>"
                  "<TIMESTAMP_SAMPLES_SINCE_MIDNIGHT_LO>441</TIMESTAMP_SAMPLES_SINCE_MIDNIGHT_LO>"
                  "<TIMESTAMP_SAMPLES_SINCE_MIDNIGHT_HI>0</TIMESTAMP_SAMPLES_SINCE_MIDNIGHT_HI>"
                  "<FILE_SAMPLE_RATE>44100</FILE_SAMPLE_RATE>"),
        "<BWF_TIME_REFERENCE_LOW>505032704</BWF_TIME_REFERENCE_LOW>"
        "<BWF_TIME_REFERENCE_HIGH>1</BWF_TIME_REFERENCE_HIGH>"
        "<TIMESTAMP_SAMPLE_RATE>48000</TIMESTAMP_SAMPLE_RATE>"
        "<TIMESTAMP_SAMPLES_SINCE_MIDNIGHT_LO>480</TIMESTAMP_SAMPLES_SINCE_MIDNIGHT_LO>"
        "<TIMESTAMP_SAMPLES_SINCE_MIDNIGHT_HI>0</TIMESTAMP_SAMPLES_SINCE_MIDNIGHT_HI>"
        "<FILE_SAMPLE_RATE>48000</FILE_SAMPLE_RATE>");
    const std::string otherRate =
        "<TIMESTAMP_SAMPLE_RATE>96000</TIMESTAMP_SAMPLE_RATE>"
        "<TIMESTAMP_SAMPLES_SINCE_MIDNIGHT_LO>960</TIMESTAMP_SAMPLES_SINCE_MIDNIGHT_LO>"
        "<TIMESTAMP_SAMPLES_SINCE_MIDNIGHT_HI>0</TIMESTAMP_SAMPLES_SINCE_MIDNIGHT_HI>";
    EXPECT_EQ(carryIxml(otherRate), otherRate);
    // A writer that leaves out the high halves: each low half is the whole count.
    EXPECT_EQ(
        carryIxml("<BWF_TIME_REFERENCE_LOW>88200</BWF_TIME_REFERENCE_LOW>"
                  "<TIMESTAMP_SAMPLE_RATE>44100</TIMESTAMP_SAMPLE_RATE>"
                  "<TIMESTAMP_SAMPLES_SINCE_MIDNIGHT_LO>441</TIMESTAMP_SAMPLES_SINCE_MIDNIGHT_LO>"),
        "<BWF_TIME_REFERENCE_LOW>96000</BWF_TIME_REFERENCE_LOW>"
        "<TIMESTAMP_SAMPLE_RATE>48000</TIMESTAMP_SAMPLE_RATE>"
        "<TIMESTAMP_SAMPLES_SINCE_MIDNIGHT_LO>480</TIMESTAMP_SAMPLES_SINCE_MIDNIGHT_LO>");
}

TEST(MetadataCarry, CarriedChunksFormAValidOutput) {
    const Bytes input = RichInput();
    const CarriedMetadata carried = CarryFrom(input);
    WavSampleFormat format;
    format.encoding = SampleEncoding::kSigned24;
    format.channels = 1;
    format.sampleRate = 48000;
    format.containerBits = format.validBits = 24;
    format.blockAlign = 3;
    MemoryByteSource inputBytes(input);
    VectorSink leading;
    VectorSink trailing;
    ASSERT_EQ(WriteCarriedChunks(inputBytes, carried.chunks, false, leading), kCompleted);
    ASSERT_EQ(WriteCarriedChunks(inputBytes, carried.chunks, true, trailing), kCompleted);
    EXPECT_EQ(leading.bytes.size(), CarriedBytes(carried.chunks, false));
    EXPECT_EQ(trailing.bytes.size(), CarriedBytes(carried.chunks, true));
    constexpr std::uint64_t kFrames = 5;  // odd data: a pad byte before the trailing chunks
    const std::uint64_t pad = DataPadBytes(kFrames * 3, true);
    WavOutputHeader header = ComposeWavHeader(format, leading.bytes.size(), 15);
    ASSERT_TRUE(CompleteWavHeader(header, kFrames * 3, kFrames, pad + trailing.bytes.size()));
    Bytes file = header.bytes;
    file.insert(file.begin() + static_cast<std::ptrdiff_t>(header.leadingAt),
                leading.bytes.begin(), leading.bytes.end());
    file.resize(file.size() + kFrames * 3 + pad, 0);
    file.insert(file.end(), trailing.bytes.begin(), trailing.bytes.end());

    MemoryByteSource source(file);
    const WavReadOutcome read = ReadWavLayout(source);
    ASSERT_TRUE(read.Accepted());
    EXPECT_EQ(read.layout.frameCount, kFrames);
    std::vector<std::uint32_t> ids;
    for (const WavChunkEntry& chunk : read.layout.chunks)
        if (chunk.id != chunk_id::kJunk) ids.push_back(chunk.id);
    std::vector<std::uint32_t> expected;
    for (const CarriedChunk& chunk : carried.chunks) expected.push_back(chunk.id);
    EXPECT_EQ(ids, expected);
}

}  // namespace
}  // namespace zel
