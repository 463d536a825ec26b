#include "cli/result_line.h"

#include "texts/escaped_name.h"

namespace zel::cli {

std::string ResultLine(std::string_view input, int code, std::string_view message,
                       std::int64_t clipped) {
    std::string line = texts::EscapedName(input);
    line.append("\t").append(std::to_string(code)).append("\t").append(message);
    if (clipped > 0) line.append("\tclipped=").append(std::to_string(clipped));
    line.append("\n");
    return line;
}

}  // namespace zel::cli
