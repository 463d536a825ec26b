#pragma once
// The names read by --files-from: one a line, or separated by NUL bytes (-0), which lets
// any name through. Empty entries are ignored; a line's carriage return is kept, since it
// may belong to the name.

#include <cstdio>
#include <string>
#include <vector>

namespace zel::cli {

std::vector<std::string> SplitFileList(const std::string& text, bool nulSeparated);

// Reads the whole stream; false on a read error.
bool ReadStream(std::FILE* stream, std::string& text);

}  // namespace zel::cli
