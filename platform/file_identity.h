#pragma once
// What makes two names the same file: the device and the inode behind them. Hard links
// share both, and a symbolic link is followed to the file it points at.

#include <compare>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <system_error>

namespace zel::platform {

struct FileIdentity {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    auto operator<=>(const FileIdentity&) const = default;
};

// The identity of the file a path names, following symbolic links; none when nothing
// (or a dangling link) is there.
std::optional<FileIdentity> IdentifyFile(const std::filesystem::path& path);
// The same, with the system's reason when there is none.
std::optional<FileIdentity> IdentifyFile(const std::filesystem::path& path, std::error_code& error);

}  // namespace zel::platform
