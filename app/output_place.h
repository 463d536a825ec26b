#pragma once
// Where the window's settings put each output: the suffix, the chosen container's
// extension and, with "指定フォルダ", the output folder with the input's path below the folder
// it was added from (zel-cli -r --output-dir's rule; a file added by itself goes straight
// into the folder). Execute, the list's tips and the result dialog name outputs by it.

#include <QString>
#include <filesystem>
#include <string>
#include <string_view>

#include "engine/resample/conversion_settings.h"

struct OutputPlace {
    // In the file system's encoding, so an output name is the input's bytes with these.
    std::string suffix;
    // The chosen container's (".flac"); empty: the input's own.
    std::string_view extension;
    // Empty: beside each input.
    std::filesystem::path folder;
};

// From the window's settings: `folder` counts only when `intoFolder`.
OutputPlace MakeOutputPlace(const QString& suffix, zel::OutputContainer container,
                            bool intoFolder, const QString& folder);

// The folder of an output; empty: beside its input. `relative`: the row's path below the
// folder it was added from.
std::filesystem::path OutputFolderFor(const OutputPlace& place, const QString& relative);
std::filesystem::path OutputPathFor(const OutputPlace& place, const QString& input,
                                    const QString& relative);
