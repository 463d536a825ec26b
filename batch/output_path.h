#pragma once
// The output of an input file: the same folder, the suffix inserted before the last '.'
// of the file name ("voice.wav" -> "voice_ZEL.wav"), or appended when the name has no '.'.
// A '.' in a folder name is never touched, so an output never leaves its input's folder.
// With an `extension` (".flac", for an output in another container) it takes the place of
// the input's own.

#include <filesystem>
#include <string>
#include <string_view>

namespace zel {

std::filesystem::path MakeOutputPath(const std::filesystem::path& input, const std::string& suffix,
                                     std::string_view extension = {});

// The same name placed in `folder` instead; beside the input when `folder` is empty.
std::filesystem::path MakeOutputPathIn(const std::filesystem::path& folder,
                                       const std::filesystem::path& input,
                                       const std::string& suffix,
                                       std::string_view extension = {});

// The folder an output goes to below an output folder: the input's path below the
// folder it was found in (a BatchEntry's `relative`) keeps its structure there.
std::filesystem::path OutputFolderBelow(const std::filesystem::path& outputFolder,
                                        const std::string& relative);

// A suffix that would name another folder (it holds '/') or no valid name (NUL).
bool SuffixIsUsable(const std::string& suffix);

}  // namespace zel
