#pragma once
// The line zel-cli prints for one file: <input><TAB><code><TAB><message>. The name is
// escaped (texts/escaped_name.h) so that every file takes exactly one line.

#include <cstdint>
#include <string>
#include <string_view>

namespace zel::cli {

// What a file's conversion counted, each printed as a further field only when above 0,
// in this order: "clipped=N" (output samples saturated), "nonfinite=N" (NaN or infinite
// input samples converted as silence), "metadata_left_out=N" (metadata chunks the output
// goes without for a limit).
struct ResultNotes {
    std::int64_t clipped = 0;
    std::int64_t nonFinite = 0;
    std::int64_t metadataLeftOut = 0;
    // The fields of cli/level_fields.h, last.
    std::string levelFields;
};

std::string ResultLine(std::string_view input, int code, std::string_view message,
                       const ResultNotes& notes = {});

}  // namespace zel::cli
