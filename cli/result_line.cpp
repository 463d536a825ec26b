#include "cli/result_line.h"

#include "texts/escaped_name.h"

namespace zel::cli {
namespace {

void AppendCount(std::string& line, std::string_view name, std::int64_t count) {
    if (count > 0) line.append("\t").append(name).append("=").append(std::to_string(count));
}

}  // namespace

std::string ResultLine(std::string_view input, int code, std::string_view message,
                       const ResultNotes& notes) {
    std::string line = texts::EscapedName(input);
    line.append("\t").append(std::to_string(code)).append("\t").append(message);
    AppendCount(line, "clipped", notes.clipped);
    AppendCount(line, "nonfinite", notes.nonFinite);
    AppendCount(line, "metadata_left_out", notes.metadataLeftOut);
    line.append(notes.levelFields);
    line.append("\n");
    return line;
}

}  // namespace zel::cli
