#pragma once
// What the dialogs remember between runs (QSettings, beside the main window's settings):
// the folders the choosers were last left in and the sizes the user gave the dialogs.

#include <QString>

class QDialog;

// The folders the file chooser and the folder chooser were last left in.
enum class ChooserFolder { kInputFiles, kInputFolder };
QString RememberedChooserFolder(ChooserFolder chooser);
void RememberChooserFolder(ChooserFolder chooser, const QString& folder);

// `dialog` opens at the size the user last gave it, stored under `name` when it closes.
void RememberDialogSize(QDialog& dialog, const QString& name);
