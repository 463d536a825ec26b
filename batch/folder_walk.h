#pragma once
// The inputs of a batch found by walking folders: every WAV file below a folder (named
// .wav in any letter case, or any name with a RIFF/WAVE header), in one stable order,
// sorted by the path below the folder, byte by byte. Left out: hidden files and folders
// (a leading '.', which includes our temporary files), files named like an output of the
// suffix ("take_ZEL.wav"), the output folder itself, and any folder already visited, so a
// symbolic-link loop is walked once.

#include <filesystem>
#include <string>
#include <vector>

namespace zel {

struct BatchEntry {
    // The path the file is opened by.
    std::string input;
    // Its path below the folder it was found in, with '/' separators; the output keeps
    // this structure below an output folder, and a shard is chosen by it.
    std::string relative;
};

struct WalkRules {
    std::string suffix;
    // Not walked; empty: none.
    std::filesystem::path outputFolder;
    // False: the folder's own files only.
    bool subfolders = true;
};

struct WalkResult {
    std::vector<BatchEntry> entries;
    // WAV files left out because they are named like an output of the suffix.
    std::size_t namedLikeOutputs = 0;
};

WalkResult WalkFolder(const std::filesystem::path& folder, const WalkRules& rules);

// A file named directly: its relative path is the path as given when that stays below
// the current folder ("a/b.wav"), otherwise its file name alone.
BatchEntry EntryForFile(const std::string& given);

// A name whose part before the extension ends in the suffix.
bool IsNamedLikeOutput(const std::filesystem::path& name, const std::string& suffix);

}  // namespace zel
