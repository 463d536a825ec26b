#include "app/command_line.h"

#include <QCoreApplication>
#include <cstdio>
#include <string_view>

#include "app/app_version.h"
#include "app/ui_translations.h"

namespace {

constexpr std::string_view kEndOfOptions = "--";
constexpr std::string_view kHelpOptions[] = {"-h", "--help"};
constexpr std::string_view kVersionOption = "--version";

// One option of the usage text: how it is written and, before translation, what it does.
struct OptionHelp {
    const char* spelling;
    const char* description;
};

constexpr OptionHelp kOptionHelp[] = {
    {"-h, --help", QT_TRANSLATE_NOOP("CommandLine", "この説明を表示して終了します")},
    {"--version", QT_TRANSLATE_NOOP("CommandLine", "バージョンを表示して終了します")},
    {"--", QT_TRANSLATE_NOOP("CommandLine", "これ以降の引数をすべてファイルとして扱います")},
};
// Room between an option and its description.
constexpr int kOptionColumnGap = 3;

bool IsHelpOption(std::string_view argument) {
    for (std::string_view option : kHelpOptions)
        if (argument == option) return true;
    return false;
}

int OptionColumnWidth() {
    int width = 0;
    for (const OptionHelp& option : kOptionHelp)
        width = std::max(width, static_cast<int>(std::string_view(option.spelling).size()));
    return width + kOptionColumnGap;
}

}  // namespace

CommandLineRequest RequestOfArguments(int argc, const char* const* argv) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        if (argument == kEndOfOptions) break;
        if (IsHelpOption(argument)) return CommandLineRequest::kShowHelp;
        if (argument == kVersionOption) return CommandLineRequest::kShowVersion;
    }
    return CommandLineRequest::kOpenWindow;
}

QStringList InputPathsFromArguments(const QStringList& arguments) {
    QStringList paths = arguments.mid(1);
    paths.removeOne(QString::fromUtf8(kEndOfOptions));
    return paths;
}

QString UsageText() {
    QStringList lines = {
        QCoreApplication::translate("CommandLine", "使い方: zel [オプション] [ファイル|フォルダ]..."),
        QCoreApplication::translate("CommandLine",
                                    "ZELのウィンドウを開き、指定された音声ファイルとフォルダ内の"
                                    "音声ファイルを入力ファイルのリストに追加します。"),
        QCoreApplication::translate("CommandLine",
                                    "引数1つが1つのファイルまたはフォルダのパスです(空白を含むパス"
                                    "は引用符で囲みます)。"),
        QString(),
        QCoreApplication::translate("CommandLine", "オプション:"),
    };
    const int column = OptionColumnWidth();
    for (const OptionHelp& option : kOptionHelp)
        lines << QStringLiteral("  ") + QString::fromUtf8(option.spelling).leftJustified(column) +
                     QCoreApplication::translate("CommandLine", option.description);
    return lines.join(u'\n') + u'\n';
}

QString VersionText() { return QStringLiteral("zel %1\n").arg(QString::fromUtf8(kZelVersion)); }

int AnswerWithoutWindow(int& argc, char** argv, CommandLineRequest request) {
    // A core application reads no display, and is enough for the translators.
    QCoreApplication app(argc, argv);
    InstallUiTranslations(app, UiLanguageFromEnvironment());
    const QString answer =
        request == CommandLineRequest::kShowVersion ? VersionText() : UsageText();
    const QByteArray bytes = answer.toUtf8();
    std::fwrite(bytes.constData(), 1, static_cast<std::size_t>(bytes.size()), stdout);
    return std::fflush(stdout) == 0 ? 0 : 1;
}
