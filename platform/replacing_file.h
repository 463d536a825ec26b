#pragma once
// An output that replaces its target only when it is complete. The data goes to a
// temporary file in the target's own folder; Commit() renames it over the target in one
// step, and an uncommitted temporary file is removed on destruction. So a failure or a
// killed process never leaves a truncated file under the target's name, and an earlier
// file of that name survives every failure.
//
// The writer holds an exclusive lock on its temporary file until it is renamed or
// removed. A temporary file of this user that nobody holds a lock on was left by a killed
// process; the first output created in a folder removes such leftovers there. Where the
// file system has no locks (NFS without a lock manager), the unique name alone keeps a
// temporary file apart, and a leftover is one untouched for kUnlockedLeftoverAge.

#include <cstdint>
#include <filesystem>
#include <string>

#include "platform/file_handle.h"

namespace zel::platform {

class ReplacingFile {
  public:
    ReplacingFile() = default;
    ~ReplacingFile();
    ReplacingFile(ReplacingFile&& other) noexcept;
    ReplacingFile& operator=(ReplacingFile&& other) noexcept;
    ReplacingFile(const ReplacingFile&) = delete;
    ReplacingFile& operator=(const ReplacingFile&) = delete;

    // Not open when the folder does not exist or refuses a new file, or when the target
    // names a folder; Error() tells why. The file will carry the permission bits of the
    // file it replaces, or `newFileBits` when there is none.
    static ReplacingFile Create(const std::filesystem::path& target, std::uint32_t newFileBits);

    bool IsOpen() const { return file_.IsOpen(); }
    // The system's error number that kept Create from opening the file (EISDIR for a
    // target that is a folder); 0 when it is open.
    int Error() const { return error_; }
    FileHandle& File() { return file_; }
    // Whether something carries the target's name now.
    bool TargetExists() const;

    // Flushes, renames over the target and closes. On failure the temporary file is
    // removed and the target is left as it was.
    bool Commit();
    // Removes the temporary file; the target is left as it was.
    void Discard();

    // Temporary files are named ".zeltmp-" + the target's name (up to 200 bytes) +
    // "-PID-COUNTER-TICKS" (decimal, decimal, 1 to 6 lowercase hexadecimal digits), so a
    // leftover one is recognisable and is never mistaken for an input.
    static constexpr const char* kTemporaryPrefix = ".zeltmp-";
    // Whether the file name has exactly that form; ".zeltmp-notes.txt" has not.
    static bool IsTemporaryName(const std::filesystem::path& path);

    // How long a temporary file must have gone unwritten to be taken for abandoned where
    // there are no locks to tell; a living conversion writes all the time.
    static constexpr std::int64_t kUnlockedLeftoverAgeSeconds = 24 * 60 * 60;

  private:
    int error_ = 0;
    FileHandle file_;
    std::filesystem::path target_;
    std::filesystem::path temporary_;
};

// Removes the temporary files in `folder` that are this user's and that no living writer
// holds locked (without locks: untouched for kUnlockedLeftoverAgeSeconds). Done once per
// folder and process; later calls for the same folder return at once.
void RemoveAbandonedTemporaries(const std::filesystem::path& folder);

}  // namespace zel::platform
