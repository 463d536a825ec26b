#include "app/ui_translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>
#include <memory>

namespace {

// Where the build puts the compiled catalogues among the program's resources.
const QString kCatalogueFolder = QStringLiteral(":/i18n");
const QString kEnglishCatalogue = QStringLiteral("zel_en");
const QString kQtJapaneseCatalogue = QStringLiteral("qtbase_ja");

bool InstallCatalogue(QCoreApplication& app, const QString& name, const QString& folder) {
    auto translator = std::make_unique<QTranslator>();
    if (!translator->load(name, folder)) return false;
    // From here the application owns it.
    translator->setParent(&app);
    return QCoreApplication::installTranslator(translator.release());
}

// Set on the GUI thread at start-up, before any window shows a message.
UiLanguage g_installedLanguage = UiLanguage::kJapanese;

}  // namespace

UiLanguage InstalledUiLanguage() { return g_installedLanguage; }

bool InstallUiTranslations(QCoreApplication& app, UiLanguage language) {
    g_installedLanguage = language;
    switch (language) {
        case UiLanguage::kEnglish:
            // Qt's own texts are English already.
            return InstallCatalogue(app, kEnglishCatalogue, kCatalogueFolder);
        case UiLanguage::kJapanese:
            // Missing when the Qt translations are not installed; Qt's texts stay English.
            InstallCatalogue(app, kQtJapaneseCatalogue,
                             QLibraryInfo::path(QLibraryInfo::TranslationsPath));
            return true;
    }
    return false;
}
