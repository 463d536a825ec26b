#include "app/engine_texts.h"

#include <QCoreApplication>
#include <string>

namespace {

constexpr const char* kEngineContext = "EngineTexts";

// Seen only by lupdate, which takes these into the catalogue: each one exactly as the
// engine or the batch worker writes it.
[[maybe_unused]] constexpr const char* kEngineMessages[] = {
    // zel::ConversionResultMessage
    QT_TRANSLATE_NOOP("EngineTexts", "正常終了"),
    QT_TRANSLATE_NOOP("EngineTexts", "ユーザーによる中断"),
    QT_TRANSLATE_NOOP("EngineTexts", "入力ファイルオープンエラー"),
    QT_TRANSLATE_NOOP("EngineTexts", "入力ファイルフォーマットエラー"),
    QT_TRANSLATE_NOOP("EngineTexts", "出力ファイルオープンエラー"),
    QT_TRANSLATE_NOOP("EngineTexts", "出力ファイル書き込みエラー"),
    QT_TRANSLATE_NOOP("EngineTexts", "入力ファイル読み込みエラー"),
    QT_TRANSLATE_NOOP("EngineTexts", "メモリ不足エラー"),
    // zel::SettingsProblemMessage
    QT_TRANSLATE_NOOP("EngineTexts", "入力ファイルが指定されていません"),
    QT_TRANSLATE_NOOP("EngineTexts", "サフィックスが指定されていません"),
    QT_TRANSLATE_NOOP("EngineTexts", "サンプリング周波数が不適切です"),
    QT_TRANSLATE_NOOP("EngineTexts", "再生速度が不適切です"),
};

}  // namespace

QString EngineText(std::string_view message) {
    // The catalogue is looked up by a terminated text.
    const std::string terminated(message);
    return QCoreApplication::translate(kEngineContext, terminated.c_str());
}

QString ConversionResultText(zel::ConversionResult code) {
    return EngineText(zel::ConversionResultMessage(code));
}

QString SettingsProblemText(zel::SettingsProblem problem) {
    return EngineText(zel::SettingsProblemMessage(problem));
}
