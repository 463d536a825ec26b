#pragma once
// A file descriptor owned by one object: opened for sequential reading or created for
// writing, closed on destruction. Every operation reports failure instead of throwing.

#include <cstddef>
#include <cstdint>
#include <filesystem>

namespace zel::platform {

// The read, write and execute bits of owner, group and others.
inline constexpr std::uint32_t kPermissionMask = 0777;
// What a new file gets when nothing tells otherwise (before the umask).
inline constexpr std::uint32_t kDefaultPermissionBits = 0666;

class FileHandle {
  public:
    FileHandle() = default;
    explicit FileHandle(int fd) : fd_(fd) {}
    ~FileHandle();
    FileHandle(FileHandle&& other) noexcept;
    FileHandle& operator=(FileHandle&& other) noexcept;
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;

    // An existing regular file, read front to back. A folder, a FIFO, a device or a
    // missing file gives a handle that is not open, at once.
    static FileHandle OpenForSequentialRead(const std::filesystem::path& path);

    // A handle of its own on an open descriptor (standard input or output): closing it
    // leaves `fd` open. Not open when the system refuses.
    static FileHandle Duplicate(int fd);

    bool IsOpen() const { return fd_ >= 0; }
    // Whether the descriptor is a file whose next byte is its first, so a writer may come
    // back to it: not a pipe, a terminal, or a file appended to.
    bool IsSeekable() const;
    int Descriptor() const { return fd_; }

    // Reads up to `count` bytes, retrying short reads until end of file. `bytesRead` is
    // what arrived; false means the system reported an error.
    bool Read(void* buffer, std::size_t count, std::size_t& bytesRead);
    // Writes all `count` bytes or reports false (disk full, file size limit, I/O error).
    bool Write(const void* buffer, std::size_t count);
    // Where the next Write goes, in bytes from the start.
    bool SeekTo(std::uint64_t offset);
    // Size of the file in bytes, or -1 when it cannot be told.
    std::int64_t Size() const;
    // The file's permission bits (kPermissionMask), or kDefaultPermissionBits.
    std::uint32_t PermissionBits() const;
    // Forces written data to the device; false on error.
    bool Flush();
    // Asks the system to start writing what has been written so far to the device, without
    // waiting for it, so a later Flush has little left to wait for. A hint: nothing to
    // report when the system ignores it.
    void StartWriteback();
    // Closes the descriptor; false when the close reported a delayed write error.
    bool Close();

  private:
    int fd_ = -1;
};

}  // namespace zel::platform
