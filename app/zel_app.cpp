#include "app/zel_app.h"

#include <QFont>

#include "app/app_icon.h"
#include "app/app_version.h"
#include "app/command_line.h"
#include "app/execute_command.h"
#include "app/qt_user_prompts.h"
#include "app/ui_translations.h"
#include "app/window_settings.h"
#include "app/zel_dlg.h"

namespace {
// A font whose Japanese glyphs take the Japanese forms; the system font stays the fallback.
// Kept in English too, where file names may still be Japanese.
const QString kJapaneseFontFamily = QStringLiteral("Noto Sans CJK JP");
}  // namespace

CZELApp::CZELApp(int& argc, char** argv) : QApplication(argc, argv) {
    // The remembered settings go to ~/.config/ZEL/ZEL.conf.
    setOrganizationName(QStringLiteral("ZEL"));
    setApplicationName(QStringLiteral("ZEL"));
    setApplicationVersion(QString::fromUtf8(kZelVersion));
    setWindowIcon(ApplicationIcon());
    InstallUiTranslations(*this, UiLanguageFromEnvironment());
    ChooseJapaneseFont();
}

void CZELApp::ChooseJapaneseFont() {
    QFont font = QApplication::font();
    QStringList families = font.families();
    if (families.isEmpty()) families << font.family();
    families.prepend(kJapaneseFontFamily);
    font.setFamilies(families);
    QApplication::setFont(font);
}

int CZELApp::RunMainDialog() {
    QtUserPrompts prompts;
    CZELDlg dialog(prompts, InputPathsFromArguments(arguments()));
    RememberWindowSettings(dialog, zel::ProcessorCpuid());
    dialog.SetExecuteHandler([](CZELDlg& dlg) { RunExecuteCommand(dlg); });
    dialog.exec();
    return 0;
}
