#include "batch/output_on_input.h"

#include "batch/batch_inputs.h"
#include "batch/output_path.h"

namespace zel {

std::optional<OutputOnInput> FindOutputOnInput(const std::vector<std::string>& inputs,
                                               const std::vector<std::filesystem::path>& folders,
                                               const std::string& suffix,
                                               std::string_view extension) {
    // The same comparison the worker makes before each file, over the whole list at once.
    const BatchInputs listed(inputs);
    for (std::size_t i = 0; i < inputs.size(); ++i) {
        const std::filesystem::path folder = i < folders.size() ? folders[i] : std::filesystem::path();
        std::filesystem::path output = MakeOutputPathIn(folder, inputs[i], suffix, extension);
        if (listed.Contains(output)) return OutputOnInput{i, std::move(output)};
    }
    return std::nullopt;
}

}  // namespace zel
