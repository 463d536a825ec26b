#pragma once
// Files in libsndfile's containers with tags and markers, written and read back by
// libsndfile itself rather than through the product, for the tests of what crosses from
// one container to another.

#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace zel::test {

// libsndfile's string fields (SF_STR_TITLE, ...) and their bytes.
using SoundStrings = std::map<int, std::string>;

// Half a second of a tone in `sndfileFormat` (SF_FORMAT_FLAC | SF_FORMAT_PCM_16, ...),
// stereo at `rate`, with the strings; false when libsndfile would not write it.
bool WriteTaggedTone(const std::filesystem::path& path, int sndfileFormat, std::uint32_t rate,
                     const SoundStrings& strings);

// Every string field the file holds, as libsndfile gives it; an empty one (an ID3v1 tag
// has every field) counts as none.
SoundStrings ReadSoundStrings(const std::filesystem::path& path);

struct SoundCue {
    std::uint32_t frame = 0;
    std::string name;
};

struct SoundLoop {
    std::uint32_t start = 0;
    std::uint32_t end = 0;  // libsndfile's: the frame after the loop
};

// The cue points (sample offsets) and the instrument's loops libsndfile reads.
std::vector<SoundCue> ReadSoundCues(const std::filesystem::path& path);
std::vector<SoundLoop> ReadSoundLoops(const std::filesystem::path& path);

}  // namespace zel::test
