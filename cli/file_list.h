#pragma once
// The names read by --files-from: one a line, or separated by NUL bytes (-0), which lets
// any name through. Empty entries are ignored; a line's carriage return is kept, since it
// may belong to the name. No name holds a NUL byte, so a line that does is refused rather
// than cut there.

#include <cstddef>
#include <cstdio>
#include <string>
#include <vector>

namespace zel::cli {

struct FileListEntries {
    std::vector<std::string> names;
    // The number (from 1) of the first line holding a NUL byte; 0 when none does.
    std::size_t lineWithNul = 0;
};

FileListEntries SplitFileList(const std::string& text, bool nulSeparated);

// Reads the whole stream; false on a read error.
bool ReadStream(std::FILE* stream, std::string& text);

}  // namespace zel::cli
