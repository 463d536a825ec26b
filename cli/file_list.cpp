#include "cli/file_list.h"

#include <array>
#include <string_view>

namespace zel::cli {

FileListEntries SplitFileList(const std::string& text, bool nulSeparated) {
    const char separator = nulSeparated ? '\0' : '\n';
    FileListEntries entries;
    std::size_t start = 0;
    for (std::size_t number = 1; start < text.size(); ++number) {
        std::size_t end = text.find(separator, start);
        if (end == std::string::npos) end = text.size();
        const std::string_view entry(text.data() + start, end - start);
        if (entry.find('\0') != std::string_view::npos) {
            entries.lineWithNul = number;
            return entries;
        }
        if (!entry.empty()) entries.names.emplace_back(entry);
        start = end + 1;
    }
    return entries;
}

bool ReadStream(std::FILE* stream, std::string& text) {
    std::array<char, 65536> buffer;
    std::size_t got = 0;
    while ((got = std::fread(buffer.data(), 1, buffer.size(), stream)) > 0)
        text.append(buffer.data(), got);
    return std::ferror(stream) == 0;
}

}  // namespace zel::cli
