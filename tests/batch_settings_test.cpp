// The batch settings: the frequency text is read by its leading digits, and the checks run
// in a fixed order, files first.

#include <gtest/gtest.h>

#include "batch/batch_settings.h"
#include "batch/speed_text.h"

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
    const SpeedRatio bad{1, 100};
    EXPECT_EQ(CheckBatchSettings(0, "", 1, bad), SettingsProblem::kNoInputFiles);
    EXPECT_EQ(CheckBatchSettings(1, "", 1, bad), SettingsProblem::kNoSuffix);
    EXPECT_EQ(CheckBatchSettings(1, " ", 7999, bad), SettingsProblem::kBadTargetRate);
    EXPECT_EQ(CheckBatchSettings(1, "a/b", 7999, bad), SettingsProblem::kUnusableSuffix);
    EXPECT_EQ(CheckBatchSettings(1, std::string("a\0b", 3), 48000, kNormalSpeed),
              SettingsProblem::kUnusableSuffix);
    EXPECT_EQ(CheckBatchSettings(1, " ", 96001, kNormalSpeed), SettingsProblem::kBadTargetRate);
    EXPECT_EQ(CheckBatchSettings(1, " ", 96000, SpeedFromPercent(200)), SettingsProblem::kNone);
    EXPECT_EQ(CheckBatchSettings(3, "_ZEL", 8000, SpeedFromPercent(50)), SettingsProblem::kNone);
    // Every input at its own rate: no rate to check, the speed still is.
    EXPECT_EQ(CheckBatchSettings(1, " ", std::nullopt, kNormalSpeed), SettingsProblem::kNone);
    EXPECT_EQ(CheckBatchSettings(1, " ", std::nullopt, bad), SettingsProblem::kBadSpeed);
    // In range, but a term beyond the limit: the message names the terms, not the range.
    EXPECT_EQ(CheckBatchSettings(1, " ", 48000, {1000001, 1000000}),
              SettingsProblem::kSpeedTermsTooLarge);
    EXPECT_EQ(CheckBatchSettings(1, " ", 48000, {3000001, 1000000}), SettingsProblem::kBadSpeed);
}

// Exact speeds: the range's ends hold to the last digit, and terms beyond the limit are
// refused rather than rounded.
TEST(BatchSettings, SpeedIsAllowedWithinItsRangeAndTerms) {
    struct Row {
        SpeedRatio speed;
        bool allowed;
    };
    const Row rows[] = {
        {{1, 2}, true},           {{999'999, 2'000'000}, false}, {{2, 1}, true},
        {{2'000'001, 1'000'000}, false}, {{25, 24}, true},      {{24'000, 25'025}, true},
        {{432, 440}, true},       {{1'000'001, 1'000'000}, false}, {{0, 1}, false},
        {{50, 100}, true},        {{49, 100}, false},           {{201, 100}, false},
        {{2'000'000, 1'000'000}, true},
    };
    for (const Row& row : rows)
        EXPECT_EQ(SpeedIsAllowed(row.speed), row.allowed)
            << row.speed.numerator << "/" << row.speed.denominator;
}

// The speed as typed: zel-cli's percent, the window's factor, and exact ratios in both.
TEST(BatchSettings, SpeedTextIsReadExactly) {
    struct Row {
        const char* text;
        SpeedUnit unit;
        std::optional<SpeedRatio> speed;
    };
    const Row rows[] = {
        {"100", SpeedUnit::kPercent, SpeedRatio{1, 1}},
        {"95.904", SpeedUnit::kPercent, SpeedRatio{2997, 3125}},
        {"25/24", SpeedUnit::kPercent, SpeedRatio{25, 24}},
        {"24000/25025", SpeedUnit::kPercent, SpeedRatio{960, 1001}},
        {".5", SpeedUnit::kFactor, SpeedRatio{1, 2}},
        {"1.0417", SpeedUnit::kFactor, SpeedRatio{10417, 10000}},
        {"125.", SpeedUnit::kPercent, SpeedRatio{5, 4}},
        {"0/5", SpeedUnit::kFactor, SpeedRatio{0, 1}},
        {"", SpeedUnit::kPercent, std::nullopt},
        {".", SpeedUnit::kPercent, std::nullopt},
        {"-100", SpeedUnit::kPercent, std::nullopt},
        {"1e2", SpeedUnit::kPercent, std::nullopt},
        {"25/0", SpeedUnit::kFactor, std::nullopt},
        {"2.5/2", SpeedUnit::kFactor, std::nullopt},
        {" 100", SpeedUnit::kPercent, std::nullopt},
        {"99999999999999999999", SpeedUnit::kPercent, std::nullopt},
        {"1/99999999999999999999", SpeedUnit::kFactor, std::nullopt},
    };
    for (const Row& row : rows) EXPECT_EQ(ParseSpeedText(row.text, row.unit), row.speed) << row.text;
}

TEST(BatchSettings, SpeedFactorTextIsADecimalOrTheRatio) {
    EXPECT_EQ(SpeedFactorText({1, 1}), "1");
    EXPECT_EQ(SpeedFactorText({5, 4}), "1.25");
    EXPECT_EQ(SpeedFactorText({1001, 1000}), "1.001");
    EXPECT_EQ(SpeedFactorText({10417, 10000}), "1.0417");
    EXPECT_EQ(SpeedFactorText({1, 20000}), "1/20000");
    EXPECT_EQ(SpeedFactorText({25, 24}), "25/24");
    EXPECT_EQ(SpeedFactorText({3, 50}), "0.06");
}

}  // namespace
}  // namespace zel
