#include "app/wav_folder_scan.h"

#include <QDir>

QStringList WavFilesInFolder(const QString& folder) {
    const QDir dir(folder);
    const QStringList names =
        dir.entryList({QStringLiteral("*.wav")}, QDir::Files | QDir::Hidden | QDir::System,
                      QDir::Name | QDir::IgnoreCase);
    const QString prefix = folder.endsWith(QLatin1Char('/')) ? folder : folder + u'/';
    QStringList paths;
    paths.reserve(names.size());
    for (const QString& name : names) paths << prefix + name;
    return paths;
}
