#pragma once
// The prompts as real modal Qt dialogs, owned by the given window. The file and folder
// choosers open where they were last left, also in a later run.

#include <QCoreApplication>

#include "app/user_prompts.h"

// The entries of the add-files chooser, before translation; the first, every extension
// ZEL reads (its %1), is active when it opens; the second, the WAV family's (its %1).
inline constexpr const char* kSoundFilesFilter =
    QT_TRANSLATE_NOOP("QtUserPrompts", "音声ファイル (%1)");
inline constexpr const char* kWavFilesFilter =
    QT_TRANSLATE_NOOP("QtUserPrompts", "WAVファイル (%1)");
inline constexpr const char* kAllFilesFilter =
    QT_TRANSLATE_NOOP("QtUserPrompts", "すべてのファイル (*)");

// "*.wav *.wave ... *.flac ...": the patterns of every readable extension.
QString ReadableFilePatterns();

// "*.wav *.wave *.rf64 *.bwf": the patterns of the files ZEL's own WAV reader takes.
QString WavFilePatterns();

class QtUserPrompts : public UserPrompts {
    Q_DECLARE_TR_FUNCTIONS(QtUserPrompts)

public:
    void ShowError(QWidget* owner, const QString& text) override;
    void ShowWarning(QWidget* owner, const QString& text) override;
    bool ConfirmWarning(QWidget* owner, const QString& text) override;
    void ShowSkippedFiles(QWidget* owner, const QString& heading,
                          const QStringList& lines) override;
    QStringList ChooseInputFiles(QWidget* owner) override;
    QString ChooseFolder(QWidget* owner) override;
    ExistingOutputsAnswer AskAboutExistingOutputs(QWidget* owner, const QString& text) override;
    QString ChooseOutputFolder(QWidget* owner, const QString& current) override;
};
