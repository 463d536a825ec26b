#pragma once
// Paths cross between the widgets (QString) and the engine (std::filesystem::path) in the
// file system's own encoding, so any name the system can hold survives the trip.

#include <QFile>
#include <QString>
#include <filesystem>

inline std::filesystem::path ToFilesystemPath(const QString& path) {
    return std::filesystem::path(QFile::encodeName(path).toStdString());
}

inline QString FromFilesystemPath(const std::filesystem::path& path) {
    return QFile::decodeName(QByteArray::fromStdString(path.native()));
}
