#include "app/qt_user_prompts.h"

#include <QFileDialog>
#include <QHeaderView>
#include <QTreeView>
#include <QMessageBox>
#include <QPushButton>
#include <span>
#include <string_view>

#include "app/dialog_memory.h"
#include "engine/sndfile/sound_file_formats.h"

namespace {

// The product's name, the same in every language.
const QString kMessageTitle = QStringLiteral("ZEL");
// Lines of a list shown in the box itself (a deep path wraps over several); a longer list
// is shown whole in a scrolling field under "Show Details", so that the box stays within
// a small screen at a large scale factor.
constexpr qsizetype kMaxLinesInBox = 5;

int RunMessageBox(QWidget* owner, QMessageBox::Icon icon, const QString& text,
                  QMessageBox::StandardButtons buttons) {
    QMessageBox box(icon, kMessageTitle, text, buttons, owner);
    box.setTextFormat(Qt::PlainText);
    return box.exec();
}

// Qt sizes the chooser and its columns for English: in Japanese the size, type and date
// columns were cut to "42…iB" and "W…オ". Those columns take the width of what they show,
// and the chooser as much room as that leaves the names.
constexpr int kChooserWidthInLines = 60;
constexpr int kChooserHeightInLines = 34;

void FitChooserToItsTexts(QFileDialog& dialog) {
    if (auto* view = dialog.findChild<QTreeView*>(QStringLiteral("treeView"))) {
        QHeaderView* header = view->header();
        for (int column = 1; column < header->count(); ++column)
            header->setSectionResizeMode(column, QHeaderView::ResizeToContents);
    }
    const int line = dialog.fontMetrics().height();
    const QSize roomy(kChooserWidthInLines * line, kChooserHeightInLines * line);
    dialog.resize(dialog.sizeHint().expandedTo(roomy));
}

// A folder chooser of Qt's own (as getExistingDirectory opens it), fitted as above.
QString ChooseFolderIn(QWidget* owner, const QString& title, const QString& start) {
    QFileDialog dialog(owner, title, start);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly);
    FitChooserToItsTexts(dialog);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    return dialog.selectedFiles().constFirst();
}

}  // namespace

void QtUserPrompts::ShowError(QWidget* owner, const QString& text) {
    RunMessageBox(owner, QMessageBox::Critical, text, QMessageBox::Ok);
}

void QtUserPrompts::ShowWarning(QWidget* owner, const QString& text) {
    RunMessageBox(owner, QMessageBox::Warning, text, QMessageBox::Ok);
}

bool QtUserPrompts::ConfirmWarning(QWidget* owner, const QString& text) {
    return RunMessageBox(owner, QMessageBox::Warning, text,
                         QMessageBox::Ok | QMessageBox::Cancel) == QMessageBox::Ok;
}

void QtUserPrompts::ShowSkippedFiles(QWidget* owner, const QString& heading,
                                     const QStringList& lines) {
    const bool longList = lines.size() > kMaxLinesInBox;
    QStringList shown = lines;
    if (longList) {
        shown.resize(kMaxLinesInBox);
        shown << QStringLiteral("...");
    }
    QMessageBox box(QMessageBox::Warning, kMessageTitle,
                    heading + QStringLiteral("\n\n") + shown.join(u'\n'), QMessageBox::Ok,
                    owner);
    box.setTextFormat(Qt::PlainText);
    if (longList) box.setDetailedText(lines.join(u'\n'));
    box.exec();
}

namespace {

QString PatternsOf(std::span<const std::string_view> extensions) {
    QStringList patterns;
    for (const std::string_view extension : extensions)
        patterns << QLatin1Char('*') + QString::fromUtf8(extension.data(),
                                                         static_cast<qsizetype>(extension.size()));
    return patterns.join(QLatin1Char(' '));
}

}  // namespace

QString ReadableFilePatterns() { return PatternsOf(zel::ReadableExtensions()); }

QString WavFilePatterns() { return PatternsOf(zel::WavExtensions()); }

QStringList QtUserPrompts::ChooseInputFiles(QWidget* owner) {
    const QString soundFilter = tr(kSoundFilesFilter).arg(ReadableFilePatterns());
    const QString wavFilter = tr(kWavFilesFilter).arg(WavFilePatterns());
    const QString allFilter = tr(kAllFilesFilter);
    QFileDialog dialog(owner);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFiles);
    dialog.setNameFilters({soundFilter, wavFilter, allFilter});
    dialog.selectNameFilter(soundFilter);
    const QString lastFolder = RememberedChooserFolder(ChooserFolder::kInputFiles);
    if (!lastFolder.isEmpty()) dialog.setDirectory(lastFolder);
    FitChooserToItsTexts(dialog);
    if (dialog.exec() != QDialog::Accepted) return {};
    RememberChooserFolder(ChooserFolder::kInputFiles, dialog.directory().absolutePath());
    return dialog.selectedFiles();
}

QString QtUserPrompts::ChooseFolder(QWidget* owner) {
    const QString folder = ChooseFolderIn(owner, tr("フォルダの選択"),
                                          RememberedChooserFolder(ChooserFolder::kInputFolder));
    if (!folder.isEmpty()) RememberChooserFolder(ChooserFolder::kInputFolder, folder);
    return folder;
}

ExistingOutputsAnswer QtUserPrompts::AskAboutExistingOutputs(QWidget* owner, const QString& text) {
    QMessageBox box(QMessageBox::Warning, kMessageTitle, text, QMessageBox::NoButton, owner);
    box.setTextFormat(Qt::PlainText);
    QPushButton* replace = box.addButton(tr("全て置き換える"), QMessageBox::AcceptRole);
    QPushButton* skip = box.addButton(tr("既存をスキップ"), QMessageBox::AcceptRole);
    QPushButton* cancel = box.addButton(tr("キャンセル"), QMessageBox::RejectRole);
    replace->setObjectName(QStringLiteral("replaceAllButton"));
    skip->setObjectName(QStringLiteral("skipExistingButton"));
    cancel->setObjectName(QStringLiteral("cancelButton"));
    // Enter keeps what exists; replacing takes a deliberate choice.
    box.setDefaultButton(skip);
    box.setEscapeButton(cancel);
    box.exec();
    if (box.clickedButton() == replace) return ExistingOutputsAnswer::kReplaceAll;
    if (box.clickedButton() == skip) return ExistingOutputsAnswer::kSkipExisting;
    return ExistingOutputsAnswer::kCancel;
}

QString QtUserPrompts::ChooseOutputFolder(QWidget* owner, const QString& current) {
    return ChooseFolderIn(owner, tr("出力先フォルダの選択"), current);
}
