#pragma once
// The inputs of a batch found by walking folders: every sound file below a folder (named
// with a readable extension in any letter case, ReadableExtensions(), or any name with a
// RIFF/WAVE header), in one stable order, sorted by the path below the folder, byte by
// byte. Left out: hidden files and folders (a leading '.', which includes our temporary
// files), files of any of those names named like an output of the suffix ("take_ZEL.wav",
// "take_ZEL.flac": an output of another container), the output folder itself, and any
// folder already visited, so a symbolic-link loop is walked once.
//
// The walk never leaves the folder given: a link to a folder is followed only when that
// folder lies inside it (compared by device and inode, so no spelling of a path can lead
// out), after every real folder, so a file is found under its real path first. A file
// reached again through a link to it is taken once. Links leading out and folders that
// could not be read are reported, not passed over in silence.

#include <atomic>
#include <filesystem>
#include <string>
#include <system_error>
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
    // Looked at before every entry; once raised, the walk stops where it is. None: never.
    const std::atomic<bool>* stop = nullptr;
};

// A folder the walk could not list, with the system's reason.
struct UnreadableFolder {
    std::string path;
    std::error_code error;
};

struct WalkResult {
    std::vector<BatchEntry> entries;
    // Sound files left out because they are named like an output of the suffix.
    std::size_t namedLikeOutputs = 0;
    // Links to folders outside the folder walked, left out; sorted.
    std::vector<std::string> linksLeadingOutside;
    // Sorted by path.
    std::vector<UnreadableFolder> unreadableFolders;
    // The stop flag was raised: the lists are incomplete.
    bool stopped = false;
};

WalkResult WalkFolder(const std::filesystem::path& folder, const WalkRules& rules);

// A file named directly: its relative path is the path as given when that stays below
// the current folder ("a/b.wav"), otherwise its file name alone.
BatchEntry EntryForFile(const std::string& given);

// A name whose part before the extension ends in the suffix.
bool IsNamedLikeOutput(const std::filesystem::path& name, const std::string& suffix);

}  // namespace zel
