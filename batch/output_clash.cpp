#include "batch/output_clash.h"

#include <map>
#include <utility>

#include "batch/output_path.h"
#include "platform/file_identity.h"

namespace zel {
namespace {

namespace fs = std::filesystem;

// Where a folder is as the system sees it: its deepest part that exists, by device and
// inode, so that two spellings of one folder (a link among them) are the same; then the
// part still to be made, by name.
struct FolderPlace {
    std::optional<platform::FileIdentity> existing;
    std::string rest;
    auto operator<=>(const FolderPlace&) const = default;
};

FolderPlace PlaceOf(const fs::path& folder) {
    std::error_code error;
    const fs::path absolute = fs::absolute(folder.empty() ? fs::path(".") : folder, error);
    if (error) return {std::nullopt, folder.lexically_normal().generic_string()};
    fs::path rest;
    for (fs::path part = absolute;; part = part.parent_path()) {
        if (const auto identity = platform::IdentifyFile(part))
            return {identity, rest.lexically_normal().generic_string()};
        if (part.parent_path() == part) break;
        rest = part.filename() / rest;
    }
    return {std::nullopt, absolute.lexically_normal().generic_string()};
}

// One look-up per folder however many outputs it takes.
class FolderPlaces {
  public:
    const FolderPlace& Of(const fs::path& folder) {
        auto it = places_.find(folder);
        if (it == places_.end()) it = places_.emplace(folder, PlaceOf(folder)).first;
        return it->second;
    }

  private:
    std::map<fs::path, FolderPlace> places_;
};

}  // namespace

std::optional<OutputClash> FindOutputClash(const std::vector<std::string>& inputs,
                                           const std::vector<std::filesystem::path>& folders,
                                           const std::string& suffix, std::string_view extension) {
    FolderPlaces places;
    std::map<std::pair<FolderPlace, std::string>, std::size_t> owners;
    for (std::size_t i = 0; i < inputs.size(); ++i) {
        const fs::path folder = i < folders.size() ? folders[i] : fs::path();
        const fs::path output = MakeOutputPathIn(folder, inputs[i], suffix, extension).lexically_normal();
        const auto [it, fresh] = owners.emplace(
            std::make_pair(places.Of(output.parent_path()), output.filename().string()), i);
        if (!fresh) return OutputClash{it->second, i, output};
    }
    return std::nullopt;
}

}  // namespace zel
