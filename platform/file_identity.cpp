#include "platform/file_identity.h"

#include <sys/stat.h>

#include <cerrno>

namespace zel::platform {

std::optional<FileIdentity> IdentifyFile(const std::filesystem::path& path) {
    std::error_code ignored;
    return IdentifyFile(path, ignored);
}

std::optional<FileIdentity> IdentifyFile(const std::filesystem::path& path,
                                         std::error_code& error) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        error.assign(errno, std::generic_category());
        return std::nullopt;
    }
    error.clear();
    return FileIdentity{static_cast<std::uint64_t>(info.st_dev),
                        static_cast<std::uint64_t>(info.st_ino)};
}

}  // namespace zel::platform
