// The chunk reader on hand-made files: chunk order and padding, every accepted encoding,
// RF64 and RIFX, open-ended and oversized data chunks, and every refusal.

#include "engine/wav/wav_chunk_reader.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "engine/base/file_byte_source.h"
#include "engine/base/memory_byte_source.h"
#include "engine/wav/riff_chunk_ids.h"
#include "tests/support/riff_builder.h"
#include "tests/support/temp_dir.h"
#include "tools/synthetic_wav.h"

namespace zel {
namespace {

using test::Bytes;
using test::ExtensiblePayload;
using test::FmtPayload;
using test::RiffBuilder;

WavReadOutcome Read(const Bytes& file) {
    MemoryByteSource source(file);
    return ReadWavLayout(source);
}

Bytes Stereo16Fmt() { return FmtPayload(1, 2, 44100, 4, 16); }

TEST(WavChunkReader, CanonicalFileIsRecognisedAsSuch) {
    const Bytes file = RiffBuilder().Chunk("fmt ", Stereo16Fmt()).Chunk("data", Bytes(40)).Build();
    const WavReadOutcome outcome = Read(file);
    ASSERT_TRUE(outcome.Accepted());
    EXPECT_TRUE(outcome.layout.canonical);
    EXPECT_EQ(outcome.layout.dataOffset, 44u);
    EXPECT_EQ(outcome.layout.frameCount, 10u);
    EXPECT_EQ(outcome.layout.format.encoding, SampleEncoding::kSigned16);
}

TEST(WavChunkReader, WalksChunksInAnyOrderHonouringPadBytes) {
    // An odd-sized chunk first: its pad byte must be skipped to find the next one. The zero
    // bytes a recorder padded the file with at the end are no chunks.
    Bytes file = RiffBuilder()
                           .Chunk("JUNK", Bytes(5, 0xEE))
                           .Chunk("LIST", Bytes(7, 'i'))
                           .Chunk("fmt ", Stereo16Fmt())
                           .Chunk("bext", Bytes(3))
                           .Chunk("data", Bytes(9 * 4 + 2))  // a partial frame at the end
                           .Chunk("id3 ", Bytes(11))
                           .Chunk("zzzz", Bytes(1))
                           .Build();
    file.insert(file.end(), 24, 0);
    const WavReadOutcome outcome = Read(file);
    ASSERT_TRUE(outcome.Accepted());
    const WavLayout& layout = outcome.layout;
    EXPECT_FALSE(layout.canonical);
    EXPECT_EQ(layout.frameCount, 9u);
    EXPECT_EQ(layout.dataBytes, 36u);
    struct Expected {
        const char* id;
        std::uint64_t offset, size;
        bool afterData;
    };
    const Expected expected[] = {{"JUNK", 20, 5, false},
                                 {"LIST", 34, 7, false},
                                 {"bext", 74, 3, false},
                                 {"id3 ", 132, 11, true},
                                 {"zzzz", 152, 1, true}};
    ASSERT_EQ(layout.chunks.size(), std::size(expected));
    for (std::size_t i = 0; i < std::size(expected); ++i) {
        SCOPED_TRACE(expected[i].id);
        const char(&id)[5] = reinterpret_cast<const char(&)[5]>(*expected[i].id);
        EXPECT_EQ(layout.chunks[i].id, FourCc(id));
        EXPECT_EQ(layout.chunks[i].offset, expected[i].offset);
        EXPECT_EQ(layout.chunks[i].size, expected[i].size);
        EXPECT_EQ(layout.chunks[i].afterData, expected[i].afterData);
    }
    EXPECT_EQ(layout.dataOffset, 86u);
}

TEST(WavChunkReader, ReadsEveryEncodingAndHeaderVariant) {
    struct Row {
        const char* what;
        Bytes fmt;
        SampleEncoding encoding;
        std::uint16_t channels, container, valid;
        std::uint32_t mask;
    };
    const Row rows[] = {
        {"8-bit", FmtPayload(1, 1, 8000, 1, 8), SampleEncoding::kUnsigned8, 1, 8, 8, 0},
        {"16-bit, fmt 18", FmtPayload(1, 2, 44100, 4, 16, true), SampleEncoding::kSigned16, 2, 16,
         16, 0},
        {"24-bit plain", FmtPayload(1, 2, 48000, 6, 24), SampleEncoding::kSigned24, 2, 24, 24, 0},
        {"20 bits in 24", FmtPayload(1, 1, 48000, 3, 20), SampleEncoding::kSigned24, 1, 24, 20, 0},
        {"12 bits in 16", FmtPayload(1, 1, 48000, 2, 12), SampleEncoding::kSigned16, 1, 16, 12, 0},
        {"32-bit int", FmtPayload(1, 2, 96000, 8, 32), SampleEncoding::kSigned32, 2, 32, 32, 0},
        {"float 32", FmtPayload(3, 2, 44100, 8, 32, true), SampleEncoding::kFloat32, 2, 32, 32, 0},
        {"float 64", FmtPayload(3, 1, 44100, 8, 64, true), SampleEncoding::kFloat64, 1, 64, 64, 0},
        {"mu-law", FmtPayload(7, 1, 8000, 1, 8, true), SampleEncoding::kMuLaw, 1, 8, 8, 0},
        {"A-law", FmtPayload(6, 2, 8000, 2, 8, true), SampleEncoding::kALaw, 2, 8, 8, 0},
        {"extensible 24 in 32, 5.1", ExtensiblePayload(1, 6, 48000, 32, 24, 0x3F),
         SampleEncoding::kSigned32, 6, 32, 24, 0x3F},
        {"extensible float, 32 channels", ExtensiblePayload(3, 32, 48000, 32, 32, 0),
         SampleEncoding::kFloat32, 32, 32, 32, 0},
        {"extensible, valid bits unset", ExtensiblePayload(1, 2, 44100, 16, 0, 3),
         SampleEncoding::kSigned16, 2, 16, 16, 3},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        const std::size_t blockAlign = row.channels * row.container / 8u;
        const Bytes file = RiffBuilder()
                               .Chunk("fmt ", row.fmt)
                               .Chunk("fact", Bytes(4))
                               .Chunk("data", Bytes(blockAlign * 3))
                               .Build();
        const WavReadOutcome outcome = Read(file);
        ASSERT_TRUE(outcome.Accepted()) << static_cast<int>(outcome.refusal.code);
        const WavSampleFormat& f = outcome.layout.format;
        EXPECT_EQ(f.encoding, row.encoding);
        EXPECT_EQ(f.channels, row.channels);
        EXPECT_EQ(f.containerBits, row.container);
        EXPECT_EQ(f.validBits, row.valid);
        EXPECT_EQ(f.channelMask, row.mask);
        EXPECT_EQ(outcome.layout.frameCount, 3u);
    }
}

TEST(WavChunkReader, Rf64TakesSizesFromDs64) {
    test::FieldWriter ds64;
    ds64.U64(0).U64(4 * 7).U64(7).U32(1).Id("LIST").U64(6);  // table entry for LIST
    // The LIST chunk behind the data says 0xFFFFFFFF too; ds64's table has its size.
    const Bytes file = RiffBuilder("RF64")
                           .Chunk("ds64", ds64.bytes())
                           .Chunk("fmt ", Stereo16Fmt())
                           .Chunk("data", Bytes(4 * 7), 0xFFFFFFFF)
                           .Chunk("LIST", Bytes(6, 'x'), 0xFFFFFFFF)
                           .Build(0xFFFFFFFF);
    const WavReadOutcome outcome = Read(file);
    ASSERT_TRUE(outcome.Accepted());
    EXPECT_EQ(outcome.layout.container, WavContainer::kRf64);
    EXPECT_EQ(outcome.layout.frameCount, 7u);
    ASSERT_EQ(outcome.layout.chunks.size(), 1u);
    EXPECT_EQ(outcome.layout.chunks[0].size, 6u);
    EXPECT_TRUE(outcome.layout.chunks[0].afterData);
}

TEST(WavChunkReader, RifxIsBigEndianThroughout) {
    const Bytes file = RiffBuilder("RIFX", true)
                           .Chunk("fmt ", FmtPayload(1, 2, 22050, 4, 16, false, true))
                           .Chunk("data", Bytes(12))
                           .Build();
    const WavReadOutcome outcome = Read(file);
    ASSERT_TRUE(outcome.Accepted());
    EXPECT_EQ(outcome.layout.container, WavContainer::kRifx);
    EXPECT_TRUE(outcome.layout.format.bigEndian);
    EXPECT_EQ(outcome.layout.format.sampleRate, 22050u);
    EXPECT_EQ(outcome.layout.frameCount, 3u);
}

TEST(WavChunkReader, DataSizeFromWritersThatCouldNotSeekBack) {
    struct Row {
        const char* what;
        std::uint32_t declared;
        Bytes behind;  // chunks that follow the data
        std::uint64_t frames;
        bool unknown, truncated;
    };
    const Row rows[] = {
        {"size 0, audio to the end", 0, {}, 25, true, false},
        {"size 0xFFFFFFFF, audio to the end", 0xFFFFFFFF, {}, 25, true, false},
        {"larger than the file: whole frames present", 1000, {}, 25, false, true},
        {"size 0 and a real chunk behind: empty", 0,
         RiffBuilder().Chunk("LIST", Bytes(4, 'a')).Build(), 0, false, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        Bytes file = RiffBuilder().Chunk("fmt ", Stereo16Fmt()).Build(0);
        test::FieldWriter data;
        data.Id("data").U32(row.declared);
        if (row.behind.empty())
            data.Append(Bytes(25 * 4 + 3, 1));
        else
            data.Append(Bytes(row.behind.begin() + 12, row.behind.end()));
        file.insert(file.end(), data.bytes().begin(), data.bytes().end());
        const WavReadOutcome outcome = Read(file);
        ASSERT_TRUE(outcome.Accepted());
        EXPECT_EQ(outcome.layout.frameCount, row.frames);
        EXPECT_EQ(outcome.layout.dataSizeUnknown, row.unknown);
        EXPECT_EQ(outcome.layout.dataTruncated, row.truncated);
    }
}

TEST(WavChunkReader, RefusesWithTheReason) {
    const Bytes data = Bytes(16);
    auto withFmt = [&](const Bytes& fmt) {
        return RiffBuilder().Chunk("fmt ", fmt).Chunk("data", data).Build();
    };
    Bytes badGuid = ExtensiblePayload(1, 2, 44100, 16, 16, 3);
    badGuid[36] ^= 0xFF;
    struct Row {
        const char* what;
        Bytes file;
        WavRefusal code;
        std::uint32_t detail;
    };
    const Row rows[] = {
        {"empty file", {}, WavRefusal::kNotWave, 0},
        {"not RIFF", Bytes{'O', 'g', 'g', 'S', 0, 0, 0, 0, 'W', 'A', 'V', 'E'},
         WavRefusal::kNotWave, 0},
        {"RIFF but not WAVE", Bytes{'R', 'I', 'F', 'F', 4, 0, 0, 0, 'A', 'V', 'I', ' '},
         WavRefusal::kNotWave, 0},
        {"RIFF header cut", Bytes{'R', 'I', 'F', 'F', 4, 0}, WavRefusal::kTruncatedHeader, 0},
        {"fmt cut by the end", RiffBuilder().Chunk("fmt ", Bytes(8), 16).Build(),
         WavRefusal::kTruncatedHeader, 0},
        {"RF64 without ds64",
         RiffBuilder("RF64").Chunk("fmt ", Stereo16Fmt()).Chunk("data", data).Build(),
         WavRefusal::kMissingDs64, 0},
        {"no fmt", RiffBuilder().Chunk("data", data).Build(), WavRefusal::kNoFormat, 0},
        {"no data", RiffBuilder().Chunk("fmt ", Stereo16Fmt()).Build(), WavRefusal::kNoData, 0},
        {"fmt of 14 bytes", withFmt(Bytes(14)), WavRefusal::kBadFormatChunk, 14},
        {"extensible in 18 bytes", withFmt(FmtPayload(0xFFFE, 2, 44100, 4, 16, true)),
         WavRefusal::kBadFormatChunk, 18},
        {"MS ADPCM", withFmt(FmtPayload(2, 1, 22050, 256, 4, true)), WavRefusal::kCompressed, 2},
        {"IMA ADPCM", withFmt(FmtPayload(0x11, 1, 22050, 256, 4, true)), WavRefusal::kCompressed,
         0x11},
        {"GSM 6.10", withFmt(FmtPayload(0x31, 1, 8000, 65, 0, true)), WavRefusal::kCompressed,
         0x31},
        {"extensible ADPCM", withFmt(ExtensiblePayload(0x11, 2, 44100, 4, 4, 3)),
         WavRefusal::kCompressed, 0x11},
        {"unknown subformat", withFmt(badGuid), WavRefusal::kUnknownSubformat, 0},
        {"no channels", withFmt(FmtPayload(1, 0, 44100, 0, 16)), WavRefusal::kUnsupportedChannels,
         0},
        {"33 channels", withFmt(ExtensiblePayload(1, 33, 44100, 16, 16, 0)),
         WavRefusal::kUnsupportedChannels, 33},
        {"rate 0", withFmt(FmtPayload(1, 2, 0, 4, 16)), WavRefusal::kBadSampleRate, 0},
        {"rate past 2^31", withFmt(FmtPayload(1, 2, 0x80000000u, 4, 16)),
         WavRefusal::kBadSampleRate, 0x80000000u},
        {"40-bit PCM", withFmt(FmtPayload(1, 1, 44100, 5, 40)), WavRefusal::kUnsupportedBits, 40},
        {"16-bit float", withFmt(FmtPayload(3, 1, 44100, 2, 16, true)),
         WavRefusal::kUnsupportedBits, 16},
        {"16-bit mu-law", withFmt(FmtPayload(7, 1, 8000, 2, 16, true)),
         WavRefusal::kUnsupportedBits, 16},
        {"valid bits above container", withFmt(ExtensiblePayload(1, 2, 44100, 16, 20, 3)),
         WavRefusal::kUnsupportedBits, 20},
        {"block align", withFmt(FmtPayload(1, 2, 44100, 3, 16)), WavRefusal::kBadBlockAlign, 3},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        const WavReadOutcome outcome = Read(row.file);
        EXPECT_EQ(outcome.refusal.code, row.code);
        EXPECT_EQ(outcome.refusal.detail, row.detail);
    }
}

// Every prefix of a file with chunks on both sides of the data: whatever is accepted lies
// within the bytes present.
TEST(WavChunkReader, NothingReachesPastTheEndOfACutFile) {
    const Bytes file = RiffBuilder()
                           .Chunk("LIST", Bytes(9, 'l'))
                           .Chunk("fmt ", ExtensiblePayload(1, 3, 48000, 24, 24, 7))
                           .Chunk("data", Bytes(9 * 5))
                           .Chunk("cue ", Bytes(28))
                           .Build();
    for (std::size_t length = 0; length <= file.size(); ++length) {
        const Bytes cut(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(length));
        const WavReadOutcome outcome = Read(cut);
        if (!outcome.Accepted()) continue;
        SCOPED_TRACE(length);
        EXPECT_LE(outcome.layout.dataOffset + outcome.layout.dataBytes, length);
        for (const WavChunkEntry& chunk : outcome.layout.chunks)
            EXPECT_LE(chunk.offset + chunk.size, length);
    }
    EXPECT_TRUE(Read(file).Accepted());
}

TEST(WavChunkReader, ReadsFilesFromDisk) {
    const test::TempDir dir;
    const Bytes file = RiffBuilder()
                           .Chunk("LIST", Bytes(3, 'x'))
                           .Chunk("fmt ", Stereo16Fmt())
                           .Chunk("data", Bytes(4 * 6))
                           .Build();
    ASSERT_TRUE(WriteFileBytes(dir / "in.wav", file));
    FileByteSource source(dir / "in.wav");
    ASSERT_TRUE(source.IsOpen());
    const WavReadOutcome outcome = ReadWavLayout(source);
    ASSERT_TRUE(outcome.Accepted());
    EXPECT_EQ(outcome.layout.frameCount, 6u);
    EXPECT_EQ(outcome.layout.dataOffset, 56u);

    FileByteSource missing(dir / "missing.wav");
    EXPECT_FALSE(missing.IsOpen());
    EXPECT_EQ(ReadWavLayout(missing).refusal.code, WavRefusal::kCannotRead);
    FileByteSource folder(dir.path());
    EXPECT_FALSE(folder.IsOpen());
}

// Reads in any order get the file's own bytes, also those that follow on from the last one
// (which skip the seek) after a jump, a refused read or a small read the stream buffered.
TEST(FileByteSource, ReadsInAnyOrderGetTheFilesBytes) {
    const test::TempDir dir;
    Bytes file(300000);
    for (std::size_t i = 0; i < file.size(); ++i) file[i] = static_cast<std::uint8_t>(i * 7 + i / 251);
    ASSERT_TRUE(WriteFileBytes(dir / "bytes.bin", file));
    struct Row {
        std::uint64_t offset;
        std::size_t count;
        bool succeeds;
    };
    const Row rows[] = {
        {0, 12, true},           // a small read, buffered by the stream
        {12, 20, true},          // follows on inside that buffer
        {32, 65536, true},       // follows on, past the buffer
        {65568, 32768, true},    // follows on again
        {1000, 8, true},         // back
        {1008, 8, true},         // follows on from there
        {299990, 11, false},     // past the end: refused
        {299990, 10, true},      // the same place, to the end exactly
        {300000, 0, true},       // nothing, at the end
        {300000, 1, false},      // past the end
        {5, 100000, true},       // back after a refusal
        {100005, 199995, true},  // follows on to the end
    };
    FileByteSource source(dir / "bytes.bin");
    ASSERT_TRUE(source.IsOpen());
    for (const Row& row : rows) {
        Bytes got(row.count + 1, 0xEE);
        EXPECT_EQ(source.ReadAt(row.offset, got.data(), row.count), row.succeeds)
            << "at " << row.offset << ", " << row.count << " bytes";
        if (!row.succeeds) continue;
        const auto from = file.begin() + static_cast<std::ptrdiff_t>(row.offset);
        EXPECT_TRUE(std::equal(from, from + static_cast<std::ptrdiff_t>(row.count), got.begin()))
            << "at " << row.offset << ", " << row.count << " bytes";
    }
}

}  // namespace
}  // namespace zel
