// The words both programs show for the engine's and the batch's codes: every code, detail
// and refusal has a text in each language, the English ones hold no Japanese (an
// untranslated entry shows up here), and a code without words of its own never reads as
// success.

#include "texts/message_catalogue.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "batch/existing_output.h"

namespace zel::texts {
namespace {

// Codes and enumerators well beyond those in use, so that a new one is covered too.
constexpr int kSpan = 100;

bool IsAscii(std::string_view text) {
    for (char c : text)
        if (static_cast<unsigned char>(c) >= 0x80) return false;
    return true;
}

TEST(MessageCatalogue, EveryTextExistsInBothLanguagesAndEnglishIsTranslated) {
    for (int code = -kSpan; code <= kSpan; ++code) {
        EXPECT_FALSE(ResultCodeText(code, UiLanguage::kJapanese).empty()) << code;
        const std::string english = ResultCodeText(code, UiLanguage::kEnglish);
        EXPECT_TRUE(!english.empty() && IsAscii(english)) << code << ": " << english;
    }
    for (int i = 1; i <= kSpan; ++i) {
        const auto detail = static_cast<ResultDetail>(i);
        const auto problem = static_cast<SettingsProblem>(i);
        const bool detailKnown = !ResultDetailText(detail, UiLanguage::kJapanese).empty();
        EXPECT_EQ(detailKnown, !ResultDetailText(detail, UiLanguage::kEnglish).empty()) << i;
        EXPECT_TRUE(IsAscii(ResultDetailText(detail, UiLanguage::kEnglish))) << i;
        const bool problemKnown = !SettingsProblemText(problem, UiLanguage::kJapanese).empty();
        EXPECT_EQ(problemKnown, !SettingsProblemText(problem, UiLanguage::kEnglish).empty()) << i;
        EXPECT_TRUE(IsAscii(SettingsProblemText(problem, UiLanguage::kEnglish))) << i;
    }
    // Every cause the engine and the batch give has its words.
    for (ResultDetail detail : {ResultDetail::kInvalidSettings, ResultDetail::kUnusableSuffix,
                                ResultDetail::kOutputOnInput, ResultDetail::kFolderNotWritable,
                                ResultDetail::kNameTooLong, ResultDetail::kEarlierOutputKept,
                                ResultDetail::kTooManyOpenFiles, ResultDetail::kOutputNotCreated,
                                ResultDetail::kPartialRemoved})
        EXPECT_FALSE(ResultDetailText(detail, UiLanguage::kEnglish).empty()) << int(detail);
}

TEST(MessageCatalogue, UnknownCodesReadAsErrorsAndDetailsFollowTheMessage) {
    EXPECT_EQ(ResultCodeText(-7, UiLanguage::kJapanese), "不明なエラー (code -7)");
    EXPECT_EQ(ResultCodeText(3, UiLanguage::kEnglish), "Unknown error (code 3)");
    EXPECT_EQ(ResultCodeText(kSkippedExisting, UiLanguage::kEnglish), "Skipped (output exists)");
    EXPECT_EQ(OutcomeText({kOutputOpenError, ResultDetail::kUnusableSuffix}, UiLanguage::kEnglish),
              "Cannot create the output file (the suffix contains '/' or a NUL character)");
    EXPECT_EQ(OutcomeText({kOutputOpenError, ResultDetail::kNameTooLong}, UiLanguage::kJapanese),
              "出力ファイルオープンエラー（出力ファイル名が長すぎます）");
    EXPECT_EQ(OutcomeText({kCompleted}, UiLanguage::kJapanese), "正常終了");
}

}  // namespace
}  // namespace zel::texts
