#include "texts/message_catalogue.h"

#include <array>

#include "batch/existing_output.h"

namespace zel::texts {
namespace {

struct Words {
    std::string_view ja;
    std::string_view en;
};

std::string_view In(const Words& words, UiLanguage language) {
    return language == UiLanguage::kEnglish ? words.en : words.ja;
}

struct CodeWords {
    ConversionResult code;
    Words words;
};

constexpr std::array kCodeWords{
    CodeWords{kCompleted, {"正常終了", "Completed"}},
    CodeWords{kCancelled, {"ユーザーによる中断", "Cancelled by the user"}},
    CodeWords{kInputOpenError, {"入力ファイルオープンエラー", "Cannot open the input file"}},
    CodeWords{kInputFormatError,
              {"入力ファイルフォーマットエラー", "Input file format not supported"}},
    CodeWords{kOutputOpenError, {"出力ファイルオープンエラー", "Cannot create the output file"}},
    CodeWords{kOutputWriteError, {"出力ファイル書き込みエラー", "Cannot write the output file"}},
    CodeWords{kInputReadError, {"入力ファイル読み込みエラー", "Cannot read the input file"}},
    CodeWords{kOutOfMemory, {"メモリ不足エラー", "Not enough memory"}},
    CodeWords{kSkippedExisting, {"スキップ（既存の出力）", "Skipped (output exists)"}},
};

constexpr Words kUnknownCode{"不明なエラー (code ", "Unknown error (code "};
constexpr std::string_view kUnknownCodeEnd = ")";

struct DetailWords {
    ResultDetail detail;
    Words words;
};

constexpr std::array kDetailWords{
    DetailWords{ResultDetail::kInvalidSettings,
                {"サンプリング周波数または再生速度が不適切です",
                 "invalid sampling frequency or playback speed"}},
    DetailWords{ResultDetail::kUnusableSuffix,
                {"サフィックスに '/' または NUL 文字が含まれています",
                 "the suffix contains '/' or a NUL character"}},
    DetailWords{ResultDetail::kOutputOnInput,
                {"出力先が入力ファイルと重なります", "the output would replace an input file"}},
    DetailWords{ResultDetail::kFolderNotWritable,
                {"出力先フォルダに書き込めません",
                 "the output folder does not exist or cannot be written to"}},
    DetailWords{
        ResultDetail::kNameTooLong,
        {"出力ファイル名が長すぎます", "the output file name is too long for the file system"}},
    DetailWords{ResultDetail::kEarlierOutputKept,
                {"既存の出力ファイルは変更していません", "the earlier output file was kept"}},
};

// How a detail follows the code's message in each language.
constexpr Words kDetailOpen{"（", " ("};
constexpr Words kDetailClose{"）", ")"};
constexpr Words kClippedBefore{"（", " ("};
constexpr Words kClippedAfter{" サンプルをクリップ）", " samples clipped)"};

struct ProblemWords {
    SettingsProblem problem;
    Words words;
};

constexpr std::array kProblemWords{
    ProblemWords{SettingsProblem::kNoInputFiles,
                 {"入力ファイルが指定されていません", "No input file has been specified."}},
    ProblemWords{SettingsProblem::kNoSuffix,
                 {"サフィックスが指定されていません", "No suffix has been specified."}},
    ProblemWords{SettingsProblem::kBadTargetRate,
                 {"サンプリング周波数が不適切です", "The sampling frequency is not valid."}},
    ProblemWords{SettingsProblem::kBadSpeed,
                 {"再生速度が不適切です", "The playback speed is not valid."}},
};

}  // namespace

std::string ResultCodeText(ConversionResult code, UiLanguage language) {
    for (const CodeWords& entry : kCodeWords)
        if (entry.code == code) return std::string(In(entry.words, language));
    return std::string(In(kUnknownCode, language)) + std::to_string(code) +
           std::string(kUnknownCodeEnd);
}

std::string_view ResultDetailText(ResultDetail detail, UiLanguage language) {
    for (const DetailWords& entry : kDetailWords)
        if (entry.detail == detail) return In(entry.words, language);
    return {};
}

std::string OutcomeText(const ConversionOutcome& outcome, UiLanguage language) {
    std::string text = ResultCodeText(outcome.code, language);
    const std::string_view detail = ResultDetailText(outcome.detail, language);
    if (!detail.empty())
        text.append(In(kDetailOpen, language)).append(detail).append(In(kDetailClose, language));
    return text;
}

std::string ClippedNoteText(std::int64_t samples, UiLanguage language) {
    std::string text(In(kClippedBefore, language));
    return text.append(std::to_string(samples)).append(In(kClippedAfter, language));
}

std::string_view SettingsProblemText(SettingsProblem problem, UiLanguage language) {
    for (const ProblemWords& entry : kProblemWords)
        if (entry.problem == problem) return In(entry.words, language);
    return {};
}

}  // namespace zel::texts
