#pragma once
// Prompts that answer at once from prepared replies and record every message box, so the
// tests of the main window never wait on a modal dialog.

#include <QString>
#include <QStringList>
#include <deque>
#include <vector>

#include "app/user_prompts.h"

namespace zel::test {

struct ShownMessage {
    enum class Kind { kError, kWarning, kConfirmation, kExistingOutputs };
    Kind kind;
    QString text;
    QWidget* owner;
};

struct ShownSkippedFiles {
    QString heading;
    QStringList lines;
    QWidget* owner;
};

class FakeUserPrompts : public UserPrompts {
public:
    void ShowError(QWidget* owner, const QString& text) override {
        messages.push_back({ShownMessage::Kind::kError, text, owner});
    }
    void ShowWarning(QWidget* owner, const QString& text) override {
        messages.push_back({ShownMessage::Kind::kWarning, text, owner});
    }
    bool ConfirmWarning(QWidget* owner, const QString& text) override {
        messages.push_back({ShownMessage::Kind::kConfirmation, text, owner});
        if (confirmations.empty()) return false;
        const bool answer = confirmations.front();
        confirmations.pop_front();
        return answer;
    }
    void ShowSkippedFiles(QWidget* owner, const QString& heading,
                          const QStringList& lines) override {
        skippedFiles.push_back({heading, lines, owner});
    }
    QStringList ChooseInputFiles(QWidget*) override {
        ++fileChooserOpenings;
        return filesToChoose;
    }
    QString ChooseFolder(QWidget*) override {
        ++folderChooserOpenings;
        return folderToChoose;
    }
    ExistingOutputsAnswer AskAboutExistingOutputs(QWidget* owner, const QString& text) override {
        messages.push_back({ShownMessage::Kind::kExistingOutputs, text, owner});
        if (existingOutputsAnswers.empty()) return ExistingOutputsAnswer::kReplaceAll;
        const ExistingOutputsAnswer answer = existingOutputsAnswers.front();
        existingOutputsAnswers.pop_front();
        return answer;
    }
    QString ChooseOutputFolder(QWidget*, const QString&) override {
        ++outputFolderChooserOpenings;
        return outputFolderToChoose;
    }

    std::vector<ShownMessage> messages;
    std::vector<ShownSkippedFiles> skippedFiles;  // one entry per add that left files out
    std::deque<bool> confirmations;  // the answers to ConfirmWarning, OK = true
    QStringList filesToChoose;       // empty: the chooser was cancelled
    QString folderToChoose;          // empty: the chooser was cancelled
    int fileChooserOpenings = 0;
    int folderChooserOpenings = 0;
    // The answers to AskAboutExistingOutputs; when none is left, replace all (as before
    // the question existed).
    std::deque<ExistingOutputsAnswer> existingOutputsAnswers;
    QString outputFolderToChoose;  // empty: the chooser was cancelled
    int outputFolderChooserOpenings = 0;
};

}  // namespace zel::test
