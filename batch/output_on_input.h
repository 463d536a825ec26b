#pragma once
// An input of a batch whose output would be written over another of its inputs: listed
// under the output's name ("a.wav" beside "a_ZEL.wav"), by a hard or symbolic link to it, or
// in the output folder. Found before anything is written, so such a list can be refused
// whole instead of failing file by file and writing outputs of outputs.

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zel {

struct OutputOnInput {
    // The input whose output it would be, and that output.
    std::size_t input = 0;
    std::filesystem::path output;
};

// `folders` entry i: the folder of input i's output (empty or missing: beside the input).
// The first such input in list order; none when no output is a listed file.
std::optional<OutputOnInput> FindOutputOnInput(const std::vector<std::string>& inputs,
                                               const std::vector<std::filesystem::path>& folders,
                                               const std::string& suffix,
                                               std::string_view extension = {});

}  // namespace zel
