#include "platform/name_limits.h"

#include <unistd.h>

namespace zel::platform {
namespace {

// Within the limit, or no limit could be told (-1).
bool Within(std::size_t length, long limit) {
    return limit < 0 || length <= static_cast<std::size_t>(limit);
}

}  // namespace

bool NameFitsFileSystem(const std::filesystem::path& path) {
    const std::filesystem::path folder =
        path.has_parent_path() ? path.parent_path() : std::filesystem::path(".");
    // PATH_MAX counts the terminating NUL.
    return Within(path.filename().native().size(), ::pathconf(folder.c_str(), _PC_NAME_MAX)) &&
           Within(path.native().size() + 1, ::pathconf(folder.c_str(), _PC_PATH_MAX));
}

}  // namespace zel::platform
