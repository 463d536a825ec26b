#include "app/wav_folder_scan.h"

#include "app/qt_path.h"
#include "batch/folder_walk.h"

WavFolderScan ScanWavFolder(const QString& folder, bool subfolders, const QString& suffix) {
    zel::WalkRules rules;
    rules.suffix = ToFilesystemPath(suffix).native();
    rules.subfolders = subfolders;
    const zel::WalkResult walk = zel::WalkFolder(ToFilesystemPath(folder), rules);
    WavFolderScan scan;
    scan.paths.reserve(static_cast<qsizetype>(walk.entries.size()));
    scan.relatives.reserve(scan.paths.capacity());
    for (const zel::BatchEntry& entry : walk.entries) {
        scan.paths << FromFilesystemPath(std::filesystem::path(entry.input));
        scan.relatives << FromFilesystemPath(std::filesystem::path(entry.relative));
    }
    scan.namedLikeOutputs = static_cast<int>(walk.namedLikeOutputs);
    for (const std::string& link : walk.linksLeadingOutside)
        scan.linksLeadingOutside << FromFilesystemPath(std::filesystem::path(link));
    for (const zel::UnreadableFolder& unread : walk.unreadableFolders)
        scan.unreadFolders.append({FromFilesystemPath(std::filesystem::path(unread.path)),
                                   QString::fromLocal8Bit(unread.error.message())});
    return scan;
}
