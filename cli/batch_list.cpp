#include "cli/batch_list.h"

#include <optional>
#include <system_error>

#include "batch/folder_walk.h"
#include "batch/output_clash.h"
#include "batch/output_path.h"

namespace zel::cli {
namespace {

namespace fs = std::filesystem;

std::vector<BatchEntry> FoundEntries(const std::vector<std::string>& names,
                                     const CliOptions& options) {
    const WalkRules rules{options.suffix, options.outputDir};
    std::vector<BatchEntry> entries;
    for (const std::string& name : names) {
        std::error_code error;
        if (options.recursive && fs::is_directory(name, error)) {
            std::vector<BatchEntry> found = WalkFolder(name, rules).entries;
            entries.insert(entries.end(), std::make_move_iterator(found.begin()),
                           std::make_move_iterator(found.end()));
        } else {
            entries.push_back(EntryForFile(name));
        }
    }
    return entries;
}

// The first pair of inputs that would write the same output; empty when none.
std::string OutputClashText(const BatchList& list, const std::string& suffix) {
    const std::optional<OutputClash> clash =
        FindOutputClash(list.inputs, list.outputFolders, suffix);
    if (!clash) return {};
    return "'" + list.inputs[clash->first] + "' and '" + list.inputs[clash->second] +
           "' would both be written to '" + clash->output.string() + "'";
}

}  // namespace

BatchList BuildBatchList(const std::vector<std::string>& names, const CliOptions& options) {
    const std::vector<BatchEntry> entries = FoundEntries(names, options);
    BatchList list;
    list.filesFound = entries.size();
    for (const BatchEntry& entry : entries) {
        if (options.shard && !options.shard->Holds(entry.relative)) continue;
        list.inputs.push_back(entry.input);
        if (!options.outputDir.empty())
            list.outputFolders.push_back(OutputFolderBelow(options.outputDir, entry.relative));
    }
    if (!options.outputDir.empty()) list.error = OutputClashText(list, options.suffix);
    return list;
}

}  // namespace zel::cli
