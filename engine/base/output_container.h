#pragma once
// The container an output is written in, as a code: the file driver picks the writer by it
// and the edges name it ("flac", "FLAC").

#include <cstdint>

namespace zel {

// kSame: the input's own, so a WAV stays a WAV and a FLAC a FLAC.
enum class OutputContainer : std::int32_t { kSame, kWav, kFlac, kAiff, kW64, kCaf, kOgg, kOpus, kMp3 };

}  // namespace zel
