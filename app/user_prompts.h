#pragma once
// Every modal question the main window asks the user: message boxes and the file and
// folder choosers. The application shows real dialogs; tests answer through a fake, so no
// test ever waits on a modal box.

#include <QString>
#include <QStringList>

class QWidget;

// The answers to the question asked before a batch would replace existing outputs.
enum class ExistingOutputsAnswer { kReplaceAll, kSkipExisting, kCancel };

class UserPrompts {
public:
    virtual ~UserPrompts() = default;

    // Message boxes titled "ZEL" with an OK button: the error and the warning icon.
    virtual void ShowError(QWidget* owner, const QString& text) = 0;
    virtual void ShowWarning(QWidget* owner, const QString& text) = 0;
    // OK and Cancel with the warning icon; true for OK.
    virtual bool ConfirmWarning(QWidget* owner, const QString& text) = 0;
    // One box with the warning icon for all the files one add left out: a heading over one
    // line per file or count. A list of any length stays readable.
    virtual void ShowSkippedFiles(QWidget* owner, const QString& heading,
                                  const QStringList& lines) = 0;

    // Full paths of the files chosen, in the chooser's order; empty when cancelled.
    virtual QStringList ChooseInputFiles(QWidget* owner) = 0;
    // The folder chosen; empty when cancelled or when the choice has no local path.
    virtual QString ChooseFolder(QWidget* owner) = 0;

    // "全て置き換える", "既存をスキップ" or "キャンセル" under `text`; Esc cancels.
    virtual ExistingOutputsAnswer AskAboutExistingOutputs(QWidget* owner, const QString& text) = 0;
    // The folder outputs go into, opened at `current`; empty when cancelled.
    virtual QString ChooseOutputFolder(QWidget* owner, const QString& current) = 0;
};
