#pragma once
// The main window's settings remembered between runs (QSettings, in the user's
// configuration folder under the organisation and application names): the output
// settings, the build, the output folder choice, the window's size and the folders the
// choosers last opened. A value that is missing or out of range leaves the window's
// default.

#include <QString>

#include "cpu/cpu_features.h"

class CZELDlg;
class QDialog;

// Puts the remembered settings into the window now and stores them when it closes.
// `cpuid` decides which builds can run: a remembered build the processor cannot run gives
// way to the highest it can.
void RememberWindowSettings(CZELDlg& dlg, const zel::CpuidSource& cpuid);

void LoadWindowSettings(CZELDlg& dlg, const zel::CpuidSource& cpuid);
void SaveWindowSettings(const CZELDlg& dlg);

// The folders the file chooser and the folder chooser were last left in.
enum class ChooserFolder { kInputFiles, kInputFolder };
QString RememberedChooserFolder(ChooserFolder chooser);
void RememberChooserFolder(ChooserFolder chooser, const QString& folder);

// `dialog` opens at the size the user last gave it, stored under `name` when it closes.
void RememberDialogSize(QDialog& dialog, const QString& name);
