#include "platform/file_handle.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

namespace zel::platform {

FileHandle::~FileHandle() { Close(); }

FileHandle::FileHandle(FileHandle&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}

FileHandle& FileHandle::operator=(FileHandle&& other) noexcept {
    if (this != &other) {
        Close();
        fd_ = std::exchange(other.fd_, -1);
    }
    return *this;
}

FileHandle FileHandle::OpenForSequentialRead(const std::filesystem::path& path) {
    // A FIFO or a device could block the open itself, so only what is a regular file
    // before and after opening is taken, and the open never waits.
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return FileHandle();
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return FileHandle();
    FileHandle handle(fd);
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) return FileHandle();
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) return FileHandle();
    ::posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
    return handle;
}

bool FileHandle::Read(void* buffer, std::size_t count, std::size_t& bytesRead) {
    bytesRead = 0;
    auto* bytes = static_cast<unsigned char*>(buffer);
    while (bytesRead < count) {
        ssize_t got = ::read(fd_, bytes + bytesRead, count - bytesRead);
        if (got < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (got == 0) break;
        bytesRead += static_cast<std::size_t>(got);
    }
    return true;
}

bool FileHandle::Write(const void* buffer, std::size_t count) {
    const auto* bytes = static_cast<const unsigned char*>(buffer);
    std::size_t done = 0;
    while (done < count) {
        ssize_t put = ::write(fd_, bytes + done, count - done);
        if (put < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (put == 0) return false;
        done += static_cast<std::size_t>(put);
    }
    return true;
}

bool FileHandle::SeekTo(std::uint64_t offset) {
    const auto to = static_cast<off_t>(offset);
    return to >= 0 && ::lseek(fd_, to, SEEK_SET) == to;
}

FileHandle FileHandle::Duplicate(int fd) { return FileHandle(::fcntl(fd, F_DUPFD_CLOEXEC, 0)); }

bool FileHandle::IsSeekable() const { return fd_ >= 0 && ::lseek(fd_, 0, SEEK_CUR) == 0; }

std::int64_t FileHandle::Size() const {
    struct stat info {};
    if (fd_ < 0 || ::fstat(fd_, &info) != 0) return -1;
    return static_cast<std::int64_t>(info.st_size);
}

std::uint32_t FileHandle::PermissionBits() const {
    struct stat info {};
    if (fd_ < 0 || ::fstat(fd_, &info) != 0) return kDefaultPermissionBits;
    return static_cast<std::uint32_t>(info.st_mode) & kPermissionMask;
}

bool FileHandle::Flush() { return fd_ >= 0 && ::fsync(fd_) == 0; }

void FileHandle::StartWriteback() {
    // The whole file (offset and length 0): pages already written back cost nothing.
    if (fd_ >= 0) ::sync_file_range(fd_, 0, 0, SYNC_FILE_RANGE_WRITE);
}

bool FileHandle::Close() {
    if (fd_ < 0) return true;
    int fd = std::exchange(fd_, -1);
    return ::close(fd) == 0;
}

}  // namespace zel::platform
