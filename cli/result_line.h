#pragma once
// The line zel-cli prints for one file: <input><TAB><code><TAB><message>. The name is
// escaped so that every file takes exactly one line: a backslash becomes "\\", a tab
// "\t", a newline "\n", a carriage return "\r", and any other control byte (below 0x20,
// and 0x7F) "\xHH" with two hexadecimal digits. Other bytes pass unchanged.

#include <string>
#include <string_view>

namespace zel::cli {

std::string EscapedName(std::string_view name);

std::string ResultLine(std::string_view input, int code, std::string_view message);

}  // namespace zel::cli
