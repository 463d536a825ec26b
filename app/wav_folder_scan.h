#pragma once
// The candidates a folder offers to the input list, found by the same walk as zel-cli -r:
// sound files (named with an extension ZEL reads, .wav, .flac, .mp3 ..., in any letter
// case, or with a RIFF/WAVE header) that are regular files or links to them, hidden ones
// and outputs of an earlier run (named with the suffix, in any of those containers) left
// out, directly in the folder or in its subfolders too. The walk stays inside
// the folder; what it left out there is named for the add report.

#include <QList>
#include <QString>
#include <QStringList>

struct UnreadFolder {
    QString path;
    // The system's reason, in the language of the locale.
    QString reason;
};

struct WavFolderScan {
    // Full paths, in the walk's order (by the path below the folder).
    QStringList paths;
    // Entry i: path i below the folder scanned ("a/x.wav"), which an output folder keeps.
    QStringList relatives;
    // Sound files left out because their names end in the suffix.
    int namedLikeOutputs = 0;
    // Links to folders outside the folder scanned, left out.
    QStringList linksLeadingOutside;
    // Folders that could not be read.
    QList<UnreadFolder> unreadFolders;
};

WavFolderScan ScanWavFolder(const QString& folder, bool subfolders, const QString& suffix);
