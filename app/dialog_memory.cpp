#include "app/dialog_memory.h"

#include <QDialog>
#include <QSettings>

#include "app/remembered_size.h"

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
    RestoreWindowSize(QSettings(), key, dialog);
    QObject::connect(&dialog, &QDialog::finished, &dialog, [&dialog, key] {
        QSettings settings;
        StoreWindowSize(settings, key, dialog);
    });
}
