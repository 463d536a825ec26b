#pragma once
// The line zel-cli prints for one file: <input><TAB><code><TAB><message>. The name is
// escaped (texts/escaped_name.h) so that every file takes exactly one line.

#include <cstdint>
#include <string>
#include <string_view>

namespace zel::cli {

// A fourth field "clipped=N" follows when `clipped` is above 0.
std::string ResultLine(std::string_view input, int code, std::string_view message,
                       std::int64_t clipped = 0);

}  // namespace zel::cli
