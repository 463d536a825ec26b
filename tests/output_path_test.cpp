// Output names: the suffix goes before the last '.' of the file name, never into a folder.

#include <gtest/gtest.h>

#include "batch/batch_settings.h"
#include "batch/output_path.h"

namespace zel {
namespace {

TEST(OutputPath, SuffixGoesBeforeTheLastDotOfTheFileName) {
    struct Row {
        const char* input;
        const char* output;
    };
    const Row rows[] = {
        {"/work/voice.wav", "/work/voice_ZEL.wav"},
        {"/a.b/c.d.wav", "/a.b/c.d_ZEL.wav"},
        {"/a.b/noext", "/a.b/noext_ZEL"},
        {"relative/take.WAV", "relative/take_ZEL.WAV"},
        {"plain", "plain_ZEL"},
        {"/music/.hidden", "/music/_ZEL.hidden"},
        {"/music/trailing.", "/music/trailing_ZEL."},
    };
    for (const Row& row : rows) EXPECT_EQ(MakeOutputPath(row.input, "_ZEL"), row.output);
}

TEST(OutputPath, OutputStaysInTheInputsFolder) {
    for (const char* input : {"/x.y/z", "/x.y/z.wav", "a/b.c/d", "/deep/er.folder/name.v1.wav"})
        EXPECT_EQ(MakeOutputPath(input, "_ZEL").parent_path(),
                  std::filesystem::path(input).parent_path())
            << input;
}

TEST(OutputPath, SuffixesThatWouldLeaveTheFolderAreUnusable) {
    EXPECT_TRUE(SuffixIsUsable("_ZEL"));
    EXPECT_TRUE(SuffixIsUsable(" "));
    EXPECT_FALSE(SuffixIsUsable(""));
    EXPECT_FALSE(SuffixIsUsable("/../x"));
    EXPECT_FALSE(SuffixIsUsable(std::string("a\0b", 3)));
}

TEST(BatchSettings, FrequencyTextIsReadByItsLeadingDigits) {
    EXPECT_EQ(ParseLeadingInteger("48000"), 48000);
    EXPECT_EQ(ParseLeadingInteger("48000Hz"), 48000);
    EXPECT_EQ(ParseLeadingInteger("  +8000"), 8000);
    EXPECT_EQ(ParseLeadingInteger("-5"), -5);
    EXPECT_EQ(ParseLeadingInteger("44.1"), 44);
    EXPECT_EQ(ParseLeadingInteger(""), 0);
    EXPECT_EQ(ParseLeadingInteger("Hz48000"), 0);
    EXPECT_EQ(ParseLeadingInteger("99999999999999"), 2147483647);
}

TEST(BatchSettings, ChecksInOrderFilesSuffixRateSpeed) {
    EXPECT_EQ(CheckBatchSettings(0, "", 1, 1), SettingsProblem::kNoInputFiles);
    EXPECT_EQ(CheckBatchSettings(1, "", 1, 1), SettingsProblem::kNoSuffix);
    EXPECT_EQ(CheckBatchSettings(1, " ", 7999, 1), SettingsProblem::kBadTargetRate);
    EXPECT_EQ(CheckBatchSettings(1, " ", 96001, 100), SettingsProblem::kBadTargetRate);
    EXPECT_EQ(CheckBatchSettings(1, " ", 8000, 49), SettingsProblem::kBadSpeed);
    EXPECT_EQ(CheckBatchSettings(1, " ", 96000, 201), SettingsProblem::kBadSpeed);
    EXPECT_EQ(CheckBatchSettings(1, " ", 96000, 200), SettingsProblem::kNone);
    EXPECT_EQ(CheckBatchSettings(3, "_ZEL", 8000, 50), SettingsProblem::kNone);
}

}  // namespace
}  // namespace zel
