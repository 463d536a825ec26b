#pragma once
// A file name as one field of a line: a backslash becomes "\\", a tab "\t", a newline
// "\n", a carriage return "\r", and any other control byte (below 0x20, and 0x7F) "\xHH"
// with two hexadecimal digits. Other bytes pass unchanged. zel-cli's result lines and the
// result dialog's copied rows both use it, so a name reads the same in both.

#include <string>
#include <string_view>

namespace zel::texts {

std::string EscapedName(std::string_view name);

}  // namespace zel::texts
