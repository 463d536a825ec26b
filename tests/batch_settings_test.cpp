// The batch settings: the frequency text is read by its leading digits, and the checks run
// in a fixed order, files first.

#include <gtest/gtest.h>

#include "batch/batch_settings.h"

namespace zel {
namespace {

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
    EXPECT_EQ(CheckBatchSettings(1, "a/b", 7999, 1), SettingsProblem::kUnusableSuffix);
    EXPECT_EQ(CheckBatchSettings(1, std::string("a\0b", 3), 48000, 100),
              SettingsProblem::kUnusableSuffix);
    EXPECT_EQ(CheckBatchSettings(1, " ", 96001, 100), SettingsProblem::kBadTargetRate);
    EXPECT_EQ(CheckBatchSettings(1, " ", 8000, 49), SettingsProblem::kBadSpeed);
    EXPECT_EQ(CheckBatchSettings(1, " ", 96000, 201), SettingsProblem::kBadSpeed);
    EXPECT_EQ(CheckBatchSettings(1, " ", 96000, 200), SettingsProblem::kNone);
    EXPECT_EQ(CheckBatchSettings(3, "_ZEL", 8000, 50), SettingsProblem::kNone);
}

}  // namespace
}  // namespace zel
