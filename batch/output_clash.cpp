#include "batch/output_clash.h"

#include <map>

#include "batch/output_path.h"

namespace zel {

std::optional<OutputClash> FindOutputClash(const std::vector<std::string>& inputs,
                                           const std::vector<std::filesystem::path>& folders,
                                           const std::string& suffix) {
    std::map<std::string, std::size_t> owners;
    for (std::size_t i = 0; i < inputs.size(); ++i) {
        const std::filesystem::path folder =
            i < folders.size() ? folders[i] : std::filesystem::path();
        const std::filesystem::path output =
            MakeOutputPathIn(folder, inputs[i], suffix).lexically_normal();
        const auto [it, fresh] = owners.emplace(output.string(), i);
        if (!fresh) return OutputClash{it->second, i, output};
    }
    return std::nullopt;
}

}  // namespace zel
