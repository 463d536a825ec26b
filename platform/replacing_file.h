#pragma once
// An output that replaces its target only when it is complete. The data goes to a
// temporary file in the target's own folder; Commit() renames it over the target in one
// step, and an uncommitted temporary file is removed on destruction. So a failure or a
// killed process never leaves a truncated file under the target's name, and an earlier
// file of that name survives every failure.
//
// The writer holds an exclusive lock on its temporary file until it is renamed or
// removed. A temporary file nobody holds a lock on was left by a killed process; the
// first output created in a folder removes such leftovers there.

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
    // names a folder. The file will carry the permission bits of the file it replaces,
    // or `newFileBits` when there is none.
    static ReplacingFile Create(const std::filesystem::path& target, std::uint32_t newFileBits);

    bool IsOpen() const { return file_.IsOpen(); }
    FileHandle& File() { return file_; }
    // Whether something carries the target's name now.
    bool TargetExists() const;

    // Flushes, renames over the target and closes. On failure the temporary file is
    // removed and the target is left as it was.
    bool Commit();
    // Removes the temporary file; the target is left as it was.
    void Discard();

    // Temporary files carry this prefix, so a leftover one is recognisable and is never
    // mistaken for an input.
    static constexpr const char* kTemporaryPrefix = ".zeltmp-";
    static bool IsTemporaryName(const std::filesystem::path& path);

  private:
    FileHandle file_;
    std::filesystem::path target_;
    std::filesystem::path temporary_;
};

// Removes the temporary files in `folder` that no living writer holds locked. Done once
// per folder and process; later calls for the same folder return at once.
void RemoveAbandonedTemporaries(const std::filesystem::path& folder);

}  // namespace zel::platform
