#include "app/qt_user_prompts.h"

#include <QFileDialog>
#include <QFileSystemModel>
#include <QMessageBox>

namespace {

// The product's name, the same in every language.
const QString kMessageTitle = QStringLiteral("ZEL");

int RunMessageBox(QWidget* owner, QMessageBox::Icon icon, const QString& text,
                  QMessageBox::StandardButtons buttons) {
    QMessageBox box(icon, kMessageTitle, text, buttons, owner);
    box.setTextFormat(Qt::PlainText);
    return box.exec();
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

QStringList QtUserPrompts::ChooseInputFiles(QWidget* owner) {
    const QString wavFilter = tr(kWavFilesFilter);
    const QString allFilter = tr(kAllFilesFilter);
    QFileDialog dialog(owner);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFiles);
    dialog.setNameFilters({wavFilter, allFilter});
    dialog.selectNameFilter(wavFilter);
    // Here "*.*" would hide names without a dot; "All Files" is meant to show every file.
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, [&](const QString& filter) {
        if (filter != allFilter) return;
        if (auto* model = dialog.findChild<QFileSystemModel*>()) model->setNameFilters({});
    });
    if (dialog.exec() != QDialog::Accepted) return {};
    return dialog.selectedFiles();
}

QString QtUserPrompts::ChooseFolder(QWidget* owner) {
    return QFileDialog::getExistingDirectory(owner, tr("フォルダの選択"), QString(),
                                             QFileDialog::ShowDirsOnly);
}
