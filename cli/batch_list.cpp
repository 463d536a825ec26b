#include "cli/batch_list.h"

#include <optional>
#include <system_error>

#include "batch/batch_albums.h"
#include "batch/folder_walk.h"
#include "batch/output_clash.h"
#include "batch/output_path.h"
#include "platform/file_identity.h"
#include "texts/escaped_name.h"
#include "engine/sndfile/sound_file_formats.h"

namespace zel::cli {
namespace {

namespace fs = std::filesystem;

std::string Quoted(const std::string& name) { return "'" + texts::EscapedName(name) + "'"; }

// The walk would leave the output folder out, and with it every file of this folder.
bool IsTheOutputFolder(const std::string& folder, const CliOptions& options) {
    if (options.outputDir.empty()) return false;
    const std::optional<platform::FileIdentity> output = platform::IdentifyFile(options.outputDir);
    return output && output == platform::IdentifyFile(folder);
}

void NoteLeftOut(const std::string& folder, const WalkResult& walk, BatchList& list) {
    for (const std::string& link : walk.linksLeadingOutside)
        list.leftOutFolders.push_back("left out " + Quoted(link) +
                                      ": a folder link leading outside " + Quoted(folder));
    for (const UnreadableFolder& unreadable : walk.unreadableFolders)
        list.leftOutFolders.push_back("cannot read the folder " + Quoted(unreadable.path) + ": " +
                                      unreadable.error.message());
    list.unreadableFolders += walk.unreadableFolders.size();
}

std::vector<BatchEntry> FoundEntries(const std::vector<std::string>& names,
                                     const CliOptions& options, const std::atomic<bool>* stop,
                                     BatchList& list) {
    const WalkRules rules{options.suffix, options.outputDir, true, stop};
    std::vector<BatchEntry> entries;
    for (const std::string& name : names) {
        std::error_code error;
        if (options.recursive && fs::is_directory(name, error)) {
            if (IsTheOutputFolder(name, options)) {
                list.error = "the output folder " + Quoted(options.outputDir) + " is the folder " +
                             Quoted(name) +
                             " given with -r, whose files would all be left out; "
                             "choose another --output-dir";
                return {};
            }
            WalkResult walk = WalkFolder(name, rules);
            NoteLeftOut(name, walk, list);
            if (walk.stopped) {
                list.stopped = true;
                return {};
            }
            entries.insert(entries.end(), std::make_move_iterator(walk.entries.begin()),
                           std::make_move_iterator(walk.entries.end()));
        } else {
            entries.push_back(EntryForFile(name));
        }
    }
    return entries;
}

// The first pair of inputs that would write the same output; empty when none.
std::string OutputClashText(const BatchList& list, const CliOptions& options) {
    const std::optional<OutputClash> clash = FindOutputClash(
        list.inputs, list.outputFolders, options.suffix, ContainerExtension(options.container));
    if (!clash) return {};
    return "'" + list.inputs[clash->first] + "' and '" + list.inputs[clash->second] +
           "' would both be written to '" + clash->output.string() + "'";
}

// What picks a file's part: its relative path, or with one gain per album its folder's
// (for a file right in a folder given, that folder's own name), so an album is never split
// between parts and the albums of several folders given spread over them.
std::string ShardKey(const BatchEntry& entry, const CliOptions& options) {
    if (!options.level.album) return entry.relative;
    const std::filesystem::path folder = std::filesystem::path(entry.relative).parent_path();
    if (!folder.empty()) return folder.string();
    return AlbumFolderOf(entry.input).filename().string();
}

}  // namespace

BatchList BuildBatchList(const std::vector<std::string>& names, const CliOptions& options,
                         const std::atomic<bool>* stop) {
    BatchList list;
    const std::vector<BatchEntry> entries = FoundEntries(names, options, stop, list);
    if (!list.error.empty() || list.stopped) return list;
    list.filesFound = entries.size();
    for (const BatchEntry& entry : entries) {
        if (options.shard && !options.shard->Holds(ShardKey(entry, options))) continue;
        list.inputs.push_back(entry.input);
        if (!options.outputDir.empty())
            list.outputFolders.push_back(OutputFolderBelow(options.outputDir, entry.relative));
    }
    // Outputs beside their inputs clash only when another format's extension makes "a.wav"
    // and "a.flac" both "a_ZEL.mp3".
    if (!options.outputDir.empty() || options.container != OutputContainer::kSame)
        list.error = OutputClashText(list, options);
    return list;
}

}  // namespace zel::cli
