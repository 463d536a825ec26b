#include "batch/batch_inputs.h"

#include <algorithm>
#include <system_error>

namespace zel {
namespace {

// The absolute form of a path with "." and ".." resolved, and symbolic links resolved as
// far as the path exists.
std::filesystem::path NormalisedPath(const std::filesystem::path& path) {
    std::error_code error;
    std::filesystem::path resolved = std::filesystem::weakly_canonical(path, error);
    if (!error) return resolved;
    std::filesystem::path absolute = std::filesystem::absolute(path, error);
    return (error ? path : absolute).lexically_normal();
}

}  // namespace

BatchInputs::BatchInputs(const std::vector<std::string>& inputPaths) {
    identities_.reserve(inputPaths.size());
    normalPaths_.reserve(inputPaths.size());
    for (const std::string& input : inputPaths) {
        if (input.empty()) continue;
        if (auto identity = platform::IdentifyFile(input)) identities_.push_back(*identity);
        normalPaths_.push_back(NormalisedPath(input));
    }
    std::sort(identities_.begin(), identities_.end());
    std::sort(normalPaths_.begin(), normalPaths_.end());
}

bool BatchInputs::Contains(const std::filesystem::path& output) const {
    if (auto identity = platform::IdentifyFile(output);
        identity && std::binary_search(identities_.begin(), identities_.end(), *identity))
        return true;
    return std::binary_search(normalPaths_.begin(), normalPaths_.end(), NormalisedPath(output));
}

}  // namespace zel
