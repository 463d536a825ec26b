#include "cli/file_list.h"

#include <array>

namespace zel::cli {

std::vector<std::string> SplitFileList(const std::string& text, bool nulSeparated) {
    const char separator = nulSeparated ? '\0' : '\n';
    std::vector<std::string> names;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find(separator, start);
        if (end == std::string::npos) end = text.size();
        if (end > start) names.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return names;
}

bool ReadStream(std::FILE* stream, std::string& text) {
    std::array<char, 65536> buffer;
    std::size_t got = 0;
    while ((got = std::fread(buffer.data(), 1, buffer.size(), stream)) > 0)
        text.append(buffer.data(), got);
    return std::ferror(stream) == 0;
}

}  // namespace zel::cli
