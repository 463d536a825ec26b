#include "app/wav_folder_scan.h"

#include <QDir>
#include <QFileInfo>

QStringList WavFilesInFolder(const QString& folder) {
    const QDir dir(folder);
    const QStringList names =
        dir.entryList({QStringLiteral("*.wav")}, QDir::Files | QDir::Hidden | QDir::System,
                      QDir::Name | QDir::IgnoreCase);
    const QString prefix = folder.endsWith(QLatin1Char('/')) ? folder : folder + u'/';
    QStringList paths;
    paths.reserve(names.size());
    for (const QString& name : names) {
        // A FIFO or a device named *.wav would block whoever opens it.
        const QString path = prefix + name;
        if (QFileInfo(path).isFile()) paths << path;
    }
    return paths;
}
