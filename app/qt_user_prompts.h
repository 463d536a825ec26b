#pragma once
// The prompts as real modal Qt dialogs, owned by the given window.

#include "app/user_prompts.h"

// The two entries of the add-files chooser; the first is active when it opens.
inline constexpr const char* kWavFilesFilter = "wav Files (*.wav)";
inline constexpr const char* kAllFilesFilter = "All Files (*.*)";

class QtUserPrompts : public UserPrompts {
public:
    void ShowError(QWidget* owner, const QString& text) override;
    void ShowWarning(QWidget* owner, const QString& text) override;
    bool ConfirmWarning(QWidget* owner, const QString& text) override;
    QStringList ChooseInputFiles(QWidget* owner) override;
    QString ChooseFolder(QWidget* owner) override;
};
