#include "batch/output_path.h"

namespace zel {

std::filesystem::path MakeOutputPath(const std::filesystem::path& input,
                                     const std::string& suffix, std::string_view extension) {
    std::string name = input.filename().string();
    const std::size_t dot = name.rfind('.');
    if (!extension.empty()) {
        name = name.substr(0, dot) + suffix + std::string(extension);
    } else if (dot == std::string::npos) {
        name += suffix;
    } else {
        name.insert(dot, suffix);
    }
    return input.parent_path() / name;
}

std::filesystem::path MakeOutputPathIn(const std::filesystem::path& folder,
                                       const std::filesystem::path& input,
                                       const std::string& suffix, std::string_view extension) {
    const std::filesystem::path beside = MakeOutputPath(input, suffix, extension);
    return folder.empty() ? beside : folder / beside.filename();
}

std::filesystem::path OutputFolderBelow(const std::filesystem::path& outputFolder,
                                        const std::string& relative) {
    return outputFolder / std::filesystem::path(relative).parent_path();
}

bool SuffixIsUsable(const std::string& suffix) {
    return !suffix.empty() && suffix.find('/') == std::string::npos &&
           suffix.find('\0') == std::string::npos;
}

}  // namespace zel
