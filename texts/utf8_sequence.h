#pragma once
// Where the characters of UTF-8 text begin and end, for code that must not split one or
// must tell a name's stray bytes from its characters.

#include <cstddef>
#include <string_view>

namespace zel::texts {

// The length of the valid UTF-8 sequence that starts at `text[i]` (1 for ASCII), or 0
// when the byte there starts none (a stray byte, an overlong or surrogate form, a cut
// sequence).
std::size_t Utf8SequenceLength(std::string_view text, std::size_t i);

}  // namespace zel::texts
