#include "platform/read_refusal.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace zel::platform {
namespace {

ReadRefusalCause FromErrorNumber(int error) {
    switch (error) {
        case ENOENT:
        case ENOTDIR:
            return {ReadRefusal::kNotFound, error};
        case EACCES:
        case EPERM:
            return {ReadRefusal::kAccessDenied, error};
        default:
            return {ReadRefusal::kOther, error};
    }
}

}  // namespace

ReadRefusalCause WhyNotReadable(const std::filesystem::path& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) return FromErrorNumber(errno);
    if (S_ISDIR(info.st_mode)) return {ReadRefusal::kFolder, 0};
    if (!S_ISREG(info.st_mode)) return {ReadRefusal::kNotRegularFile, 0};
    // Non-blocking, as the conversion opens it: a file replaced by a FIFO meanwhile must
    // not hold the batch up.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return FromErrorNumber(errno);
    ::close(fd);
    return {};
}

}  // namespace zel::platform
