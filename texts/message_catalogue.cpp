#include "texts/message_catalogue.h"

#include <array>
#include <cstdio>
#include <cstring>

#include "batch/existing_output.h"
#include "texts/level_note.h"

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
    DetailWords{ResultDetail::kTooManyOpenFiles,
                {"開いているファイルが多すぎます", "too many files are open"}},
    DetailWords{ResultDetail::kOutputNotCreated, {"システムエラー: %1", "system error: %1"}},
    DetailWords{ResultDetail::kCancelledWhileMeasuring,
                {"音量の測定中に中断したため、出力ファイルは作成していません",
                 "cancelled while measuring the level; no output file was made"}},
    DetailWords{ResultDetail::kLevelNeedsFile,
                {"ヘッドルーム自動と音量の正規化はファイルを2回読むため、標準入力には使えません",
                 "automatic headroom and loudness targets need a file, which is read twice, "
                 "not standard input"}},
    DetailWords{ResultDetail::kLoudnessUnavailable,
                {"libebur128 なしでビルドされたため、ラウドネスを測定できません",
                 "this build cannot measure loudness (built without libebur128)"}},
    DetailWords{ResultDetail::kTempoTooManyChannels,
                {"ピッチを保てるのは 16 チャンネルまでです",
                 "the pitch can be kept for up to 16 channels"}},
    DetailWords{ResultDetail::kPartialRemoved,
                {"結果を出力できないため、途中までの出力は削除しました",
                 "the results could not be written, so the part converted was removed"}},
    DetailWords{ResultDetail::kFilterTooLarge,
                {"この周波数と再生速度の比には大きすぎるフィルタが必要です。再生速度か周波数を少し変えてください",
                 "this ratio of rates and speed would need too large a filter; change the "
                 "speed or the rate slightly"}},
    DetailWords{ResultDetail::kUnexpectedError,
                {"予期しないエラーで変換を中止しました", "an unexpected error stopped the conversion"}},
    DetailWords{ResultDetail::kUnknownAudioFormat,
                {"対応していない形式のファイルです", "the file is in no format ZEL reads"}},
    DetailWords{ResultDetail::kDamagedAudio,
                {"ファイルが壊れています", "the file is damaged"}},
    DetailWords{ResultDetail::kDecodeError,
                {"音声を最後までデコードできませんでした", "the audio could not be decoded to its end"}},
    DetailWords{ResultDetail::kTruncatedAudio,
                {"ファイルがヘッダーの示す長さより短く、途中で切れています",
                 "the file ends before the length its header states"}},
    DetailWords{ResultDetail::kFormatCannotHold,
                {"出力形式がこの周波数・チャンネル数・量子化ビット数に対応していません",
                 "the output format cannot hold this sampling frequency, channel count or bit depth"}},
    DetailWords{ResultDetail::kFormatNeedsSeeking,
                {"パイプへはこの出力形式で書けません（WAV を選ぶか、ファイルにリダイレクトしてください）",
                 "this format cannot be written to a pipe (choose wav, or redirect to a file)"}},
    DetailWords{ResultDetail::kPipeCannotCarry,
                {"パイプからは WAV・AIFF・AU 以外の形式を読めません（ファイルを < でリダイレクトしてください）",
                 "only WAV, AIFF and AU can be read from a pipe (redirect the file with <)"}},
    DetailWords{ResultDetail::kInputNotFound,
                {"ファイルが見つかりません", "the file does not exist"}},
    DetailWords{ResultDetail::kInputAccessDenied,
                {"ファイルを読む権限がありません", "permission to read the file is denied"}},
    DetailWords{ResultDetail::kInputIsFolder, {"フォルダです", "it is a folder"}},
    DetailWords{ResultDetail::kInputNotRegularFile,
                {"通常のファイルではありません（パイプやデバイスなど）",
                 "it is not a regular file (a pipe or a device)"}},
    DetailWords{ResultDetail::kInputNotOpened, {"システムエラー: %1", "system error: %1"}},
};

// How a detail follows the code's message in each language.
constexpr Words kDetailOpen{"（", " ("};
constexpr Words kDetailClose{"）", ")"};
constexpr Words kClippedBefore{"（", " ("};
constexpr Words kClippedAfter{" サンプルをクリップ）", " samples clipped)"};
constexpr Words kNonFiniteAfter{" 個の NaN・無限大サンプルを無音に）",
                                " NaN or infinite samples made silent)"};
constexpr Words kLeftOutAfter{" 個のメタデータチャンクを省略）",
                              " metadata chunks left out)"};

struct RefusalWords {
    WavRefusal refusal;
    Words words;  // "%1" stands for the refusal's number
};

constexpr std::array kRefusalWords{
    RefusalWords{WavRefusal::kCannotRead, {"ファイルを読み込めません", "The file cannot be read"}},
    RefusalWords{WavRefusal::kNotWave, {"WAVファイルではありません", "This is not a WAV file"}},
    RefusalWords{WavRefusal::kTruncatedHeader,
                 {"ヘッダーが途中で切れています", "The header is cut off"}},
    RefusalWords{WavRefusal::kMissingDs64,
                 {"RF64 ファイルに ds64 チャンクがありません", "The RF64 file has no ds64 chunk"}},
    RefusalWords{WavRefusal::kNoFormat, {"fmt チャンクがありません", "There is no fmt chunk"}},
    RefusalWords{
        WavRefusal::kBadFormatChunk,
        {"fmt チャンクが短すぎます（%1 バイト）", "The fmt chunk is too short (%1 bytes)"}},
    RefusalWords{WavRefusal::kCompressed,
                 {"圧縮形式（%1）には対応していません", "Compressed format (%1) is not supported"}},
    RefusalWords{WavRefusal::kUnknownSubformat,
                 {"不明なサブフォーマットには対応していません", "This subformat is not supported"}},
    RefusalWords{WavRefusal::kUnsupportedChannels,
                 {"チャンネル数 %1 には対応していません", "%1 channels are not supported"}},
    RefusalWords{WavRefusal::kUnsupportedBits,
                 {"量子化ビット数 %1 には対応していません", "%1-bit samples are not supported"}},
    RefusalWords{WavRefusal::kBadSampleRate,
                 {"サンプリング周波数 %1 Hz には対応していません",
                  "A sampling rate of %1 Hz is not supported"}},
    RefusalWords{WavRefusal::kBadBlockAlign,
                 {"ブロックサイズ %1 がチャンネル数とビット数に合いません",
                  "Block align %1 does not match the channels and bits"}},
    RefusalWords{WavRefusal::kNoData, {"data チャンクがありません", "There is no data chunk"}},
};

constexpr std::string_view kNumberPlace = "%1";

// The number a refusal names: a compressed format by its usual name where it has one,
// otherwise by its tag in hexadecimal.
std::string RefusalNumberText(const WavRefusalReason& refusal) {
    if (refusal.code != WavRefusal::kCompressed) return std::to_string(refusal.detail);
    if (const char* name = CompressedFormatName(refusal.detail)) return name;
    char hex[16];
    std::snprintf(hex, sizeof hex, "0x%04X", static_cast<unsigned>(refusal.detail));
    return hex;
}

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
                 {"サンプリング周波数が不適切です（8000〜96000 Hz）",
                  "The sampling frequency is not valid (8000-96000 Hz)."}},
    ProblemWords{SettingsProblem::kBadSpeed,
                 {"再生速度が不適切です（50〜200 %）", "The playback speed is not valid (50-200 %)."}},
    ProblemWords{SettingsProblem::kUnusableSuffix,
                 {"サフィックスに '/' または NUL 文字が含まれています",
                  "The suffix contains '/' or a NUL character."}},
    ProblemWords{SettingsProblem::kSpeedTermsTooLarge,
                 {"再生速度の比の項が大きすぎます（既約分数で分子・分母とも 1000000 以下）",
                  "The playback speed's ratio has terms too large (at most 1000000 each in "
                  "lowest terms)."}},
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

std::string WavRefusalText(const WavRefusalReason& refusal, UiLanguage language) {
    for (const RefusalWords& entry : kRefusalWords) {
        if (entry.refusal != refusal.code) continue;
        std::string text(In(entry.words, language));
        const std::size_t place = text.find(kNumberPlace);
        if (place != std::string::npos)
            text.replace(place, kNumberPlace.size(), RefusalNumberText(refusal));
        return text;
    }
    return {};
}

// The words for the outcome's detail, with the system's own description of its error
// number where they name one.
std::string DetailText(const ConversionOutcome& outcome, UiLanguage language) {
    std::string text(ResultDetailText(outcome.detail, language));
    const std::size_t place = text.find(kNumberPlace);
    if (place != std::string::npos)
        text.replace(place, kNumberPlace.size(), std::strerror(outcome.systemError));
    return text;
}

std::string OutcomeText(const ConversionOutcome& outcome, UiLanguage language) {
    std::string text = ResultCodeText(outcome.code, language);
    const std::string refusal = WavRefusalText(outcome.refusal, language);
    const std::string detail = refusal.empty() ? DetailText(outcome, language) : refusal;
    if (!detail.empty())
        text.append(In(kDetailOpen, language)).append(detail).append(In(kDetailClose, language));
    return text;
}

namespace {

// "（N ...）": a count in the brackets of a note.
std::string CountNote(std::int64_t count, const Words& after, UiLanguage language) {
    std::string text(In(kClippedBefore, language));
    return text.append(std::to_string(count)).append(In(after, language));
}

}  // namespace

std::string ClippedNoteText(std::int64_t samples, UiLanguage language) {
    return CountNote(samples, kClippedAfter, language);
}

std::string NonFiniteNoteText(std::int64_t samples, UiLanguage language) {
    return CountNote(samples, kNonFiniteAfter, language);
}

std::string MetadataLeftOutNoteText(std::int64_t chunks, UiLanguage language) {
    return CountNote(chunks, kLeftOutAfter, language);
}

std::string OutcomeNotesText(const ConversionOutcome& outcome, UiLanguage language) {
    std::string text;
    if (outcome.clippedSamples > 0) text += ClippedNoteText(outcome.clippedSamples, language);
    if (outcome.nonFiniteSamples > 0)
        text += NonFiniteNoteText(outcome.nonFiniteSamples, language);
    if (outcome.metadataChunksLeftOut > 0)
        text += MetadataLeftOutNoteText(outcome.metadataChunksLeftOut, language);
    text += LevelNoteText(outcome.level, language);
    return text;
}

std::string_view SettingsProblemText(SettingsProblem problem, UiLanguage language) {
    for (const ProblemWords& entry : kProblemWords)
        if (entry.problem == problem) return In(entry.words, language);
    return {};
}

}  // namespace zel::texts
