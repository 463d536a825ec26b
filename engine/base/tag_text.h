#pragma once
// The encodings of tag text. Containers disagree: FLAC and Ogg comments are UTF-8, a WAV
// file's INFO list and an AIFF file's text chunks have no stated encoding (in practice
// ASCII, Windows' code page 1252 or, from newer tools, UTF-8), and the ID3 tags libsndfile
// has LAME write for MP3 are Latin-1.

#include <optional>
#include <string>
#include <string_view>

namespace zel {

// The text of a field as read from a file, as UTF-8: up to its first NUL byte; bytes that
// are valid UTF-8 pass unchanged, any others are taken as code page 1252 (Latin-1 with
// printable characters in 0x80..0x9F), which every byte maps to. No reading fails.
std::string TagTextToUtf8(std::string_view bytes);

// Whether `bytes` is well-formed UTF-8 (no overlong forms, surrogates or code points past
// U+10FFFF).
bool IsValidUtf8(std::string_view bytes);

// UTF-8 as Latin-1, for a tag that holds nothing else; none when the text has a character
// beyond U+00FF or is not valid UTF-8: such a field is better left out than garbled.
std::optional<std::string> Utf8ToLatin1(std::string_view utf8);

}  // namespace zel
