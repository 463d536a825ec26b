#pragma once
// What a file says about its recording in words (title, artist, ...), whatever container
// it came in, so the words can travel from one container to another: a WAV file's INFO
// list, FLAC and Ogg comments, AIFF text chunks, MP3's ID3 tag. Held as UTF-8 (see
// tag_text.h for how other encodings get there); an empty string is a field the file
// does not have.

#include <array>
#include <cstddef>
#include <string>

namespace zel {

enum class TagField : std::size_t {
    kTitle,
    kArtist,
    kAlbum,
    kDate,
    kComment,
    kTrackNumber,
    kGenre,
    kCopyright,
    kSoftware,
};

// The number of fields: one past the last.
inline constexpr std::size_t kTagFieldCount = static_cast<std::size_t>(TagField::kSoftware) + 1;

struct TextTags {
    std::array<std::string, kTagFieldCount> values;

    std::string& operator[](TagField field) { return values[static_cast<std::size_t>(field)]; }
    const std::string& operator[](TagField field) const {
        return values[static_cast<std::size_t>(field)];
    }
    bool Empty() const {
        for (const std::string& value : values)
            if (!value.empty()) return false;
        return true;
    }
};

}  // namespace zel
