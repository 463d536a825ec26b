#include "texts/ui_language.h"

#include <cstdlib>
#include <string_view>

namespace {

constexpr std::string_view kEnglishLanguageCode = "en";
// What may follow the language code in a locale name: territory, code set, modifier.
constexpr std::string_view kLanguageCodeEnd = "_.@";

bool IsSet(const char* value) { return value != nullptr && *value != '\0'; }

std::string_view LanguageCodeOf(std::string_view locale) {
    return locale.substr(0, locale.find_first_of(kLanguageCodeEnd));
}

}  // namespace

UiLanguage UiLanguageForLocale(const char* lcAll, const char* lcMessages, const char* lang) {
    const char* locale = IsSet(lcAll) ? lcAll : IsSet(lcMessages) ? lcMessages : lang;
    if (IsSet(locale) && LanguageCodeOf(locale) == kEnglishLanguageCode)
        return UiLanguage::kEnglish;
    return UiLanguage::kJapanese;
}

UiLanguage UiLanguageFromEnvironment() {
    return UiLanguageForLocale(std::getenv("LC_ALL"), std::getenv("LC_MESSAGES"),
                               std::getenv("LANG"));
}
