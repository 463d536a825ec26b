#pragma once
// Execute: turns the main window's current state into one batch and runs it to the end.
// It reads the list and the settings from the controls, checks them (files, suffix,
// frequency, then the output folder, outputs that would meet and outputs that would be
// listed inputs, in that order; the first problem is reported in an error box and nothing
// else happens), runs every listed file through the progress dialog, then lists the
// processed files in the result dialog. The main window keeps its list and settings.

#include <chrono>

#include "batch/batch_job.h"
#include "batch/batch_settings.h"

class CZELDlg;

// `filePause` is the worker's pause before every file.
void RunExecuteCommand(CZELDlg& dlg, std::chrono::milliseconds filePause = zel::kFilePause);
