#pragma once
// The files of one zel-cli run, from the names on the command line and in --files-from:
// folders walked with -r, then the shard's part taken, and with --output-dir each
// output's folder. Two inputs whose outputs would take the same name are refused before
// anything is written, so no run replaces its own output; so is an output folder that is
// a folder given with -r, which the walk would leave out whole.

#include <atomic>
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
    // What the walks left out, one line each for standard error: folder links leading out
    // of the folder walked, and folders that could not be read.
    std::vector<std::string> leftOutFolders;
    // Folders that could not be read: their files are missing from the list.
    std::size_t unreadableFolders = 0;
    // The stop flag was raised during a walk; the list is incomplete.
    bool stopped = false;
    // Empty when the list is usable.
    std::string error;
};

// `stop`: looked at throughout the walks (none: never stop).
BatchList BuildBatchList(const std::vector<std::string>& names, const CliOptions& options,
                         const std::atomic<bool>* stop = nullptr);

}  // namespace zel::cli
