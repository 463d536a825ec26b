#pragma once
// Whether the file system can hold a name, asked before any work is done for it.

#include <filesystem>

namespace zel::platform {

// False when the last component is longer than the folder's file system allows
// (NAME_MAX) or the whole path is longer than a path may be (PATH_MAX). True when the
// limits cannot be told (a missing folder is reported by the attempt to create the file).
bool NameFitsFileSystem(const std::filesystem::path& path);

}  // namespace zel::platform
