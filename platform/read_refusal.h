#pragma once
// Why a file could not be opened for reading, looked at after the open failed: the words
// a user needs ("not found", "permission denied", "a folder") instead of the bare fact.

#include <filesystem>

namespace zel::platform {

enum class ReadRefusal {
    kNotFound,
    kAccessDenied,
    kFolder,
    // A FIFO, a device or a socket: never read as an input file.
    kNotRegularFile,
    // Another reason, told by the system's error number (0: none could be found; the
    // file may have changed since).
    kOther,
};

struct ReadRefusalCause {
    ReadRefusal refusal = ReadRefusal::kOther;
    int systemError = 0;
};

ReadRefusalCause WhyNotReadable(const std::filesystem::path& path);

}  // namespace zel::platform
