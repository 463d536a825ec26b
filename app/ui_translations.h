#pragma once
// The translators of the user interface: ZEL's own catalogue, built from
// app/translations/*.ts into the program, and Qt's for its standard buttons and choosers.

#include "texts/ui_language.h"

class QCoreApplication;

// Installs in `app` the translators for `language`, owned by `app`. Japanese is the
// language the texts are written in, so it needs no catalogue of ZEL's own. False when a
// catalogue of ZEL's could not be loaded (the texts then stay Japanese).
bool InstallUiTranslations(QCoreApplication& app, UiLanguage language);

// The language last installed, in which the engine's and the batch's messages are shown
// too; Japanese before any was installed.
UiLanguage InstalledUiLanguage();
