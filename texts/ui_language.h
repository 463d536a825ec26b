#pragma once
// The language of the user interface. The captions and messages are written in Japanese,
// which the program shows unless the user's locale asks for English.

enum class UiLanguage { kJapanese, kEnglish };

// The language for the message locale named by LC_ALL, LC_MESSAGES and LANG, in this
// order of precedence; a variable that is unset (null) or empty does not count. English for
// a locale of the language "en" ("en", "en_GB", "en_US.UTF-8", ...), Japanese otherwise.
UiLanguage UiLanguageForLocale(const char* lcAll, const char* lcMessages, const char* lang);

// The same for this process's environment.
UiLanguage UiLanguageFromEnvironment();
