#pragma once
// The candidates a folder offers to the input list: the entries directly in it (no
// subfolders are entered) whose names end in ".wav" in any letter case and that are
// regular files or links to them: a FIFO or a device would block whoever opens it.

#include <QString>
#include <QStringList>

// Full paths, the folder joined to each name with one separator, in name order.
QStringList WavFilesInFolder(const QString& folder);
