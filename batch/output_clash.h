#pragma once
// Two inputs of one batch whose outputs would take the same name, the later replacing the
// earlier's. Found before anything is written, so such a batch can be refused whole.
// Folders are compared as the system finds them (device and inode), so a link that makes
// two folders of the output tree one is seen.

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace zel {

struct OutputClash {
    std::size_t first = 0;
    std::size_t second = 0;
    std::filesystem::path output;
};

// `folders` entry i: the folder of input i's output (empty or missing: beside the input).
// The first clash in list order; none when every output name is its own.
std::optional<OutputClash> FindOutputClash(const std::vector<std::string>& inputs,
                                           const std::vector<std::filesystem::path>& folders,
                                           const std::string& suffix,
                                           std::string_view extension = {});

}  // namespace zel
