#include "cli/message_language.h"

#ifdef ZEL_HAVE_UI_TEXTS
#include <QCoreApplication>

#include "app/engine_texts.h"
#include "app/ui_language.h"
#include "app/ui_translations.h"
#endif

namespace zel::cli {

#ifdef ZEL_HAVE_UI_TEXTS
// Qt looks catalogues up through an application object; this one sees no real arguments.
struct MessageLanguage::Catalogue {
    int argc = 1;
    char name[8] = "zel-cli";
    char* argv[2] = {name, nullptr};
    QCoreApplication app{argc, argv};
};

MessageLanguage::MessageLanguage() {
    const UiLanguage language = UiLanguageFromEnvironment();
    if (language == UiLanguage::kJapanese) return;
    catalogue_ = std::make_unique<Catalogue>();
    InstallUiTranslations(catalogue_->app, language);
}

std::string MessageLanguage::Text(std::string_view message) const {
    if (!catalogue_) return std::string(message);
    return EngineText(message).toStdString();
}
#else
struct MessageLanguage::Catalogue {};

MessageLanguage::MessageLanguage() = default;

std::string MessageLanguage::Text(std::string_view message) const {
    return std::string(message);
}
#endif

MessageLanguage::~MessageLanguage() = default;

}  // namespace zel::cli
