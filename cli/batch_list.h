#pragma once
// The files of one zel-cli run, from the names on the command line and in --files-from:
// folders walked with -r, then the shard's part taken, and with --output-dir each
// output's folder. Two inputs whose outputs would take the same name are refused before
// anything is written, so no run replaces its own output.

#include <cstddef>
#include <filesystem>
#include <string>
#include <vector>

#include "cli/cli_options.h"

namespace zel::cli {

struct BatchList {
    std::vector<std::string> inputs;
    // Entry i: the folder for input i's output; empty without --output-dir.
    std::vector<std::filesystem::path> outputFolders;
    // The files found before the shard's part was taken.
    std::size_t filesFound = 0;
    // Empty when the list is usable.
    std::string error;
};

BatchList BuildBatchList(const std::vector<std::string>& names, const CliOptions& options);

}  // namespace zel::cli
