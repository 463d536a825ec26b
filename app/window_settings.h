#pragma once
// The main window's settings remembered between runs (QSettings, in the user's
// configuration folder under the organisation and application names): the output
// settings, the build, the output folder choice and the window's size. A value that is
// missing or out of range leaves the window's default. What the dialogs remember is in
// dialog_memory.h, so they need not link the main window.

#include "cpu/cpu_features.h"

class CZELDlg;

// Puts the remembered settings into the window now and stores them when it closes.
// `cpuid` decides which builds can run: a remembered build the processor cannot run gives
// way to the highest it can.
void RememberWindowSettings(CZELDlg& dlg, const zel::CpuidSource& cpuid);

void LoadWindowSettings(CZELDlg& dlg, const zel::CpuidSource& cpuid);
void SaveWindowSettings(const CZELDlg& dlg);
