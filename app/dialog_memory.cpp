#include "app/dialog_memory.h"

#include <QDialog>
#include <QSettings>
#include <QSize>

namespace {

const QString kDialogSizeKey = QStringLiteral("window/%1Size");
const QString kFileChooserKey = QStringLiteral("choosers/inputFiles");
const QString kFolderChooserKey = QStringLiteral("choosers/inputFolder");

}  // namespace

QString RememberedChooserFolder(ChooserFolder chooser) {
    return QSettings()
        .value(chooser == ChooserFolder::kInputFiles ? kFileChooserKey : kFolderChooserKey)
        .toString();
}

void RememberChooserFolder(ChooserFolder chooser, const QString& folder) {
    QSettings().setValue(
        chooser == ChooserFolder::kInputFiles ? kFileChooserKey : kFolderChooserKey, folder);
}

void RememberDialogSize(QDialog& dialog, const QString& name) {
    const QString key = kDialogSizeKey.arg(name);
    const QSize size = QSettings().value(key).toSize();
    if (size.isValid()) dialog.resize(size.expandedTo(dialog.minimumSizeHint()));
    QObject::connect(&dialog, &QDialog::finished, &dialog,
                     [&dialog, key] { QSettings().setValue(key, dialog.size()); });
}
