// Tags and markers across containers: a WAV file's INFO list reaches FLAC, Ogg, AIFF and
// MP3 outputs as their own tags and comes back from them as an INFO list; cue points and
// loops reach the containers that hold them on the output's timeline; a format without
// room for a field leaves it out and still converts; stripping carries none of it; pipes
// carry them too. Outputs are read back by libsndfile itself, not through the product.

#include <gtest/gtest.h>
#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "engine/base/tag_text.h"
#include "engine/convert/convert_file.h"
#include "engine/resample/builds/conversion_builds.h"
#include "tests/support/child_process.h"
#include "tests/support/riff_builder.h"
#include "tests/support/tagged_sound_files.h"
#include "tests/support/temp_dir.h"
#include "tools/synthetic_wav.h"

namespace zel {
namespace {

namespace fs = std::filesystem;
using test::Bytes;
using test::FieldWriter;
using test::RiffBuilder;
using test::SoundStrings;

constexpr std::uint32_t kRate = 44100;

// The tags every input holds, as UTF-8.
const SoundStrings kTags{
    {SF_STR_TITLE, "Café Song"},         {SF_STR_ARTIST, "Ärtist"},
    {SF_STR_ALBUM, "The Album"},         {SF_STR_DATE, "2021-05-04"},
    {SF_STR_COMMENT, "A comment"},       {SF_STR_TRACKNUMBER, "7"},
    {SF_STR_GENRE, "Ambient"},           {SF_STR_COPYRIGHT, "(C) 2021 Someone"},
    {SF_STR_SOFTWARE, "HandWriter 1.0"},
};

Bytes InfoEntry(const char* id, const std::string& text) {
    FieldWriter w;
    w.Id(id).U32(static_cast<std::uint32_t>(text.size() + 1));
    for (const char c : text) w.U8(static_cast<std::uint8_t>(c));
    w.U8(0);
    if ((text.size() + 1) % 2 != 0) w.U8(0);
    return w.bytes();
}

// Half a second of stereo silence at kRate with chunks before and after the data.
Bytes WavWith(const std::vector<std::pair<const char*, Bytes>>& before,
              const std::vector<std::pair<const char*, Bytes>>& after) {
    RiffBuilder riff;
    riff.Chunk("fmt ", test::FmtPayload(1, 2, kRate, 4, 16));
    for (const auto& [id, payload] : before) riff.Chunk(id, payload);
    riff.Chunk("data", Bytes(kRate * 2));
    for (const auto& [id, payload] : after) riff.Chunk(id, payload);
    return riff.Build();
}

// The INFO list most writers give: the title in Latin-1 bytes (é as 0xE9), the track
// number as IPRT.
Bytes TaggedWav() {
    FieldWriter info;
    info.Id("INFO");
    info.Append(InfoEntry("INAM", "Caf\xE9 Song")).Append(InfoEntry("IART", "Ärtist"));
    info.Append(InfoEntry("IPRD", "The Album")).Append(InfoEntry("ICRD", "2021-05-04"));
    info.Append(InfoEntry("ICMT", "A comment")).Append(InfoEntry("IPRT", "7"));
    info.Append(InfoEntry("IGNR", "Ambient")).Append(InfoEntry("ICOP", "(C) 2021 Someone"));
    info.Append(InfoEntry("ISFT", "HandWriter 1.0"));
    return WavWith({{"LIST", info.bytes()}}, {});
}

// A title beyond Latin-1 (UTF-8, as newer writers store it) and a plain artist.
Bytes JapaneseWav() {
    FieldWriter info;
    info.Id("INFO").Append(InfoEntry("INAM", "夜明けの歌")).Append(InfoEntry("IART", "Someone"));
    return WavWith({{"LIST", info.bytes()}}, {});
}

SoundStrings Only(std::initializer_list<int> ids, const SoundStrings& from = kTags) {
    SoundStrings some;
    for (const int id : ids) some[id] = from.at(id);
    return some;
}

const std::initializer_list<int> kAiffFields{SF_STR_TITLE, SF_STR_ARTIST, SF_STR_COMMENT,
                                             SF_STR_COPYRIGHT, SF_STR_SOFTWARE};

ConversionSettings To(OutputContainer container, std::int32_t rate, bool strip = false) {
    ConversionSettings settings{rate};
    settings.container = container;
    settings.stripMetadata = strip;
    return settings;
}

// Whether `got` holds exactly the fields of `expected`, each beginning with the expected
// text: libsndfile adds its name to the software field, and an ID3v1 date holds the year.
void ExpectStrings(const SoundStrings& got, const SoundStrings& expected, const std::string& row) {
    for (const int id : {SF_STR_TITLE, SF_STR_ARTIST, SF_STR_ALBUM, SF_STR_DATE, SF_STR_COMMENT,
                         SF_STR_TRACKNUMBER, SF_STR_GENRE, SF_STR_COPYRIGHT, SF_STR_SOFTWARE}) {
        const auto want = expected.find(id);
        const auto have = got.find(id);
        if (want == expected.end()) {
            EXPECT_TRUE(have == got.end()) << row << ": field " << id << " = " << have->second;
            continue;
        }
        ASSERT_TRUE(have != got.end()) << row << ": field " << id << " missing";
        EXPECT_EQ(have->second.rfind(want->second, 0), 0u)
            << row << ": field " << id << " = " << have->second;
    }
}

TEST(ContainerTags, TagsReachEachOutputThatHoldsThemAndNoneWhenStripped) {
    test::TempDir dir;
    ASSERT_TRUE(WriteFileBytes(dir / "in.wav", TaggedWav()));
    ASSERT_TRUE(WriteFileBytes(dir / "jp.wav", JapaneseWav()));
    ASSERT_TRUE(
        test::WriteTaggedTone(dir / "in.flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_16, kRate, kTags));
    ASSERT_TRUE(test::WriteTaggedTone(dir / "in.aiff", SF_FORMAT_AIFF | SF_FORMAT_PCM_16, kRate,
                                      Only(kAiffFields)));
    // MP3 holds its ID3 tag as Latin-1; LAME writes ID3v1 alone when every field fits,
    // whose date is the year.
    SoundStrings mp3 = Only({SF_STR_ALBUM, SF_STR_COMMENT, SF_STR_TRACKNUMBER, SF_STR_GENRE});
    mp3[SF_STR_TITLE] = "Caf\xE9 Song";
    mp3[SF_STR_ARTIST] = "\xC4rtist";
    mp3[SF_STR_DATE] = "2021";
    struct Row {
        const char* input;
        OutputContainer container;
        const char* output;
        bool strip;
        SoundStrings expected;
    };
    const SoundStrings japanese{{SF_STR_TITLE, "夜明けの歌"}, {SF_STR_ARTIST, "Someone"}};
    const Row rows[] = {
        {"in.wav", OutputContainer::kFlac, "wav.flac", false, kTags},
        {"in.flac", OutputContainer::kWav, "flac.wav", false, kTags},
        {"in.flac", OutputContainer::kAiff, "flac.aiff", false, Only(kAiffFields)},
        {"in.wav", OutputContainer::kMp3, "wav.mp3", false, mp3},
        {"in.aiff", OutputContainer::kFlac, "aiff.flac", false, Only(kAiffFields)},
        {"in.wav", OutputContainer::kOgg, "wav.ogg", false, kTags},
        {"in.flac", OutputContainer::kCaf, "flac.caf", false, kTags},
        // W64 refuses every field: the audio is converted all the same.
        {"in.wav", OutputContainer::kW64, "wav.w64", false, {}},
        {"jp.wav", OutputContainer::kFlac, "jp.flac", false, japanese},
        // A field Latin-1 cannot hold is left out rather than garbled.
        {"jp.wav", OutputContainer::kMp3, "jp.mp3", false, Only({SF_STR_ARTIST}, japanese)},
        {"in.wav", OutputContainer::kFlac, "stripped.flac", true, {}},
        {"in.flac", OutputContainer::kWav, "stripped.wav", true, {}},
        {"in.flac", OutputContainer::kOgg, "stripped.ogg", true, {}},
    };
    for (const Row& row : rows) {
        const ConversionOutcome outcome = ConvertFile(dir / row.input, nullptr, dir / row.output,
                                                      To(row.container, 48000, row.strip));
        ASSERT_EQ(outcome.code, kCompleted) << row.output;
        ExpectStrings(test::ReadSoundStrings(dir / row.output), row.expected, row.output);
    }
}

// 80-bit extended float of an integer rate, as AIFF's COMM chunk holds it.
FieldWriter& Extended(FieldWriter& w, std::uint32_t rate) {
    const int exponent = static_cast<int>(std::floor(std::log2(rate)));
    constexpr int kBias = 16383;
    constexpr int kMantissaTop = 63;
    w.U16(static_cast<std::uint16_t>(kBias + exponent));
    return w.U64(static_cast<std::uint64_t>(rate) << (kMantissaTop - exponent));
}

Bytes AiffChunk(const char* id, const Bytes& payload) {
    FieldWriter w(true);
    w.Id(id).U32(static_cast<std::uint32_t>(payload.size())).Append(payload);
    if (payload.size() % 2 != 0) w.U8(0);
    return w.bytes();
}

void MarkerName(FieldWriter& w, const std::string& name) {
    w.U8(static_cast<std::uint8_t>(name.size()));
    for (const char c : name) w.U8(static_cast<std::uint8_t>(c));
    if ((name.size() + 1) % 2 != 0) w.U8(0);
}

// A mono AIFF file a sampler would write (libsndfile writes no INST chunk): markers 1 and
// 2 bound a forward sustain loop over frames [500, 900), marker 3 "Hit" is a cue point.
Bytes SamplerAiff(std::uint32_t rate, std::uint32_t frames) {
    FieldWriter comm(true);
    comm.U16(1).U32(frames).U16(16);
    Extended(comm, rate);
    FieldWriter mark(true);
    mark.U16(3).U16(1).U32(500);
    MarkerName(mark, "beg");
    mark.U16(2).U32(900);
    MarkerName(mark, "end");
    mark.U16(3).U32(1234);
    MarkerName(mark, "Hit");
    FieldWriter inst(true);
    inst.U8(60).U8(0).U8(0).U8(127).U8(1).U8(127).U16(0);  // note, detune, keys, velocities, gain
    inst.U16(1).U16(1).U16(2).U16(0).U16(0).U16(0);        // forward sustain loop, no release loop
    FieldWriter ssnd(true);
    ssnd.U32(0).U32(0).Append(Bytes(2 * frames));
    FieldWriter body(true);
    body.Id("AIFF").Append(AiffChunk("COMM", comm.bytes())).Append(AiffChunk("MARK", mark.bytes()));
    body.Append(AiffChunk("INST", inst.bytes())).Append(AiffChunk("SSND", ssnd.bytes()));
    return AiffChunk("FORM", body.bytes());
}

Bytes CuePoints(const std::vector<std::pair<std::uint32_t, std::uint32_t>>& points) {
    FieldWriter w;
    w.U32(static_cast<std::uint32_t>(points.size()));
    for (const auto& [id, frame] : points) w.U32(id).U32(frame).Id("data").U32(0).U32(0).U32(frame);
    return w.bytes();
}

Bytes Labels(const std::vector<std::pair<std::uint32_t, std::string>>& labels) {
    FieldWriter w;
    w.Id("adtl");
    for (const auto& [id, text] : labels) {
        w.Id("labl").U32(static_cast<std::uint32_t>(4 + text.size() + 1)).U32(id);
        for (const char c : text) w.U8(static_cast<std::uint8_t>(c));
        w.U8(0);
        if ((text.size() + 1) % 2 != 0) w.U8(0);
    }
    return w.bytes();
}

TEST(ContainerTags, CuePointsAndLoopsMoveToTheOutputsTimeline) {
    test::TempDir dir;
    // Cue points at 0.1 s and 0.5 s of a 44.1 kHz WAV file (after the data, as many writers
    // put them), with labels.
    ASSERT_TRUE(WriteFileBytes(dir / "cues.wav",
                               WavWith({}, {{"cue ", CuePoints({{1, 4410}, {2, 22050}})},
                                            {"LIST", Labels({{1, "Intro"}, {2, "Middle"}})}})));
    ASSERT_TRUE(WriteFileBytes(dir / "sampler.aiff", SamplerAiff(48000, 48000)));
    struct Row {
        const char* input;
        OutputContainer container;
        std::int32_t rate;
        const char* output;
        bool strip;
        std::vector<test::SoundCue> cues;
        std::vector<test::SoundLoop> loops;
    };
    const Row rows[] = {
        {"cues.wav",
         OutputContainer::kAiff,
         22050,
         "cues.aiff",
         false,
         {{2205, "Intro"}, {11025, "Middle"}},
         {}},
        // Twice the rate: the loop [500, 900) becomes [1000, 1800), the cue 1234 2468.
        {"sampler.aiff",
         OutputContainer::kWav,
         96000,
         "sampler.wav",
         false,
         {{2468, "Hit"}},
         {{1000, 1800}}},
        // libsndfile writes no AIFF instrument: the loop is lost, the cue point is not.
        {"sampler.aiff",
         OutputContainer::kAiff,
         96000,
         "sampler_out.aiff",
         false,
         {{2468, "Hit"}},
         {}},
        {"cues.wav", OutputContainer::kAiff, 22050, "stripped.aiff", true, {}, {}},
        {"sampler.aiff", OutputContainer::kWav, 96000, "stripped.wav", true, {}, {}},
    };
    for (const Row& row : rows) {
        const ConversionOutcome outcome = ConvertFile(dir / row.input, nullptr, dir / row.output,
                                                      To(row.container, row.rate, row.strip));
        ASSERT_EQ(outcome.code, kCompleted) << row.output;
        const std::vector<test::SoundCue> cues = test::ReadSoundCues(dir / row.output);
        ASSERT_EQ(cues.size(), row.cues.size()) << row.output;
        for (std::size_t i = 0; i < cues.size(); ++i) {
            EXPECT_EQ(cues[i].frame, row.cues[i].frame) << row.output << " cue " << i;
            EXPECT_EQ(cues[i].name, row.cues[i].name) << row.output << " cue " << i;
        }
        const std::vector<test::SoundLoop> loops = test::ReadSoundLoops(dir / row.output);
        ASSERT_EQ(loops.size(), row.loops.size()) << row.output;
        for (std::size_t i = 0; i < loops.size(); ++i) {
            EXPECT_EQ(loops[i].start, row.loops[i].start) << row.output << " loop " << i;
            EXPECT_EQ(loops[i].end, row.loops[i].end) << row.output << " loop " << i;
        }
    }
}

TEST(ContainerTags, ZelCliCarriesTagsThroughPipesUnlessStripping) {
    test::TempDir dir;
    ASSERT_TRUE(WriteFileBytes(dir / "in.wav", TaggedWav()));
    ASSERT_TRUE(test::WriteTaggedTone(dir / "in.aiff", SF_FORMAT_AIFF | SF_FORMAT_PCM_16, kRate,
                                      Only(kAiffFields)));
    struct Row {
        const char* pipeline;  // ZEL stands for zel-cli --quiet --rate 22050
        const char* output;
        SoundStrings expected;
    };
    // Standard input is read by libsndfile, which takes a WAV file's track number from
    // ITRK alone, not from IPRT.
    SoundStrings noTrack = kTags;
    noTrack.erase(SF_STR_TRACKNUMBER);
    const Row rows[] = {
        {"ZEL --format flac - < in.wav > out.flac", "out.flac", noTrack},
        // A pipe gets a WAV stream of open-ended size, its INFO list before the data.
        {"cat in.aiff | ZEL - | cat > aiff.wav", "aiff.wav", Only(kAiffFields)},
        {"cat in.aiff | ZEL --strip-metadata - | cat > stripped.wav", "stripped.wav", {}},
        {"ZEL --format ogg in.wav && mv in_ZEL.ogg files.ogg", "files.ogg", kTags},
        {"ZEL --format ogg --strip-metadata in.wav && mv in_ZEL.ogg none.ogg", "none.ogg", {}},
    };
    for (const Row& row : rows) {
        std::string script = row.pipeline;
        script.replace(script.find("ZEL"), 3, std::string(ZEL_CLI_PATH) + " --quiet --rate 22050");
        test::ChildOptions options;
        options.scratchFolder = dir.path();
        const std::string shell = "set -o pipefail; cd '" + dir.path().string() + "' && " + script;
        const test::ChildOutcome r = test::RunChild({"/bin/bash", "-c", shell}, options);
        ASSERT_EQ(r.exitStatus, 0) << row.pipeline << ": " << r.err;
        ExpectStrings(test::ReadSoundStrings(dir / row.output), row.expected, row.pipeline);
    }
}

TEST(ContainerTags, TagTextBecomesUtf8AndLatin1OnlyWhereItFits) {
    struct Row {
        const char* bytes;
        const char* utf8;                   // TagTextToUtf8
        std::optional<std::string> latin1;  // Utf8ToLatin1 of the UTF-8
    };
    const Row rows[] = {
        {"plain", "plain", "plain"},
        {"Caf\xC3\xA9", "Café", "Caf\xE9"},                   // UTF-8 passes
        {"Caf\xE9", "Café", "Caf\xE9"},                       // Latin-1 becomes UTF-8
        {"\x93quoted\x94 \x80", "“quoted” €", std::nullopt},  // code page 1252's own
        {"\xC0\xAF", "À¯", "\xC0\xAF"},                       // an overlong form is no UTF-8
        {"\xED\xA0\x80", "í\xC2\xA0€", std::nullopt},         // nor is a surrogate
        {"夜明け", "夜明け", std::nullopt},
    };
    for (const Row& row : rows) {
        const std::string utf8 = TagTextToUtf8(row.bytes);
        EXPECT_EQ(utf8, row.utf8) << row.bytes;
        EXPECT_EQ(Utf8ToLatin1(utf8), row.latin1) << row.bytes;
    }
    // The text of a field ends at its first NUL (INFO entries are NUL-terminated).
    EXPECT_EQ(TagTextToUtf8(std::string_view("title\0\0pad", 10)), "title");
}

}  // namespace
}  // namespace zel
