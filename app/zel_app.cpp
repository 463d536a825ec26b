#include "app/zel_app.h"

#include <QFont>
#include <QLibraryInfo>
#include <QTranslator>

#include "app/app_icon.h"
#include "app/execute_command.h"
#include "app/qt_user_prompts.h"
#include "app/zel_dlg.h"

namespace {
// A font whose Japanese glyphs take the Japanese forms; the system font stays the fallback.
const QString kJapaneseFontFamily = QStringLiteral("Noto Sans CJK JP");
}  // namespace

CZELApp::CZELApp(int& argc, char** argv) : QApplication(argc, argv) {
    setApplicationName(QStringLiteral("ZEL"));
    setApplicationVersion(QStringLiteral("1.1"));
    setWindowIcon(ApplicationIcon());
    InstallJapaneseTranslations();
    ChooseJapaneseFont();
}

void CZELApp::InstallJapaneseTranslations() {
    // The standard buttons and the file choosers speak the language of the captions.
    auto* translator = new QTranslator(this);
    if (translator->load(QStringLiteral("qtbase_ja"),
                         QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        installTranslator(translator);
}

void CZELApp::ChooseJapaneseFont() {
    QFont font = QApplication::font();
    QStringList families = font.families();
    if (families.isEmpty()) families << font.family();
    families.prepend(kJapaneseFontFamily);
    font.setFamilies(families);
    QApplication::setFont(font);
}

QStringList CZELApp::InputPathsFromArguments(const QStringList& arguments) {
    return arguments.mid(1);
}

int CZELApp::InitInstance() {
    QtUserPrompts prompts;
    CZELDlg dialog(prompts, InputPathsFromArguments(arguments()));
    dialog.SetExecuteHandler([](CZELDlg& dlg) { RunExecuteCommand(dlg); });
    dialog.exec();
    return 0;
}
