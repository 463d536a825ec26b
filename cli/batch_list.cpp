#include "cli/batch_list.h"

#include <map>
#include <system_error>

#include "batch/folder_walk.h"
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
            std::vector<BatchEntry> found = WalkFolder(name, rules);
            entries.insert(entries.end(), std::make_move_iterator(found.begin()),
                           std::make_move_iterator(found.end()));
        } else {
            entries.push_back(EntryForFile(name));
        }
    }
    return entries;
}

// The first pair of inputs that would write the same output; empty when none.
std::string OutputClash(const BatchList& list, const std::string& suffix) {
    std::map<std::string, std::size_t> owners;
    for (std::size_t i = 0; i < list.inputs.size(); ++i) {
        const fs::path output =
            MakeOutputPathIn(list.outputFolders[i], list.inputs[i], suffix).lexically_normal();
        const auto [it, fresh] = owners.emplace(output.string(), i);
        if (!fresh)
            return "'" + list.inputs[it->second] + "' and '" + list.inputs[i] +
                   "' would both be written to '" + output.string() + "'";
    }
    return {};
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
            list.outputFolders.push_back(fs::path(options.outputDir) /
                                         fs::path(entry.relative).parent_path());
    }
    if (!options.outputDir.empty()) list.error = OutputClash(list, options.suffix);
    return list;
}

}  // namespace zel::cli
