#pragma once
// Why a WAV file cannot be read: a code and, for some codes, a number that names the
// detail (the format tag, the channel count, the bit depth, the rate, the block align).
// The words for each code live with the other user-visible texts.

#include <cstdint>

namespace zel {

enum class WavRefusal : std::uint8_t {
    kNone,
    kCannotRead,           // the bytes could not be read at all
    kNotWave,              // no RIFF/RIFX/RF64 header with the WAVE form
    kTruncatedHeader,      // a header chunk is cut off by the end of the file
    kMissingDs64,          // RF64 without its ds64 chunk
    kNoFormat,             // no "fmt " chunk before the data
    kBadFormatChunk,       // "fmt " too short for what its tag announces
    kCompressed,           // detail: format tag (0x0002 MS ADPCM, 0x0011 IMA ADPCM, ...)
    kUnknownSubformat,     // EXTENSIBLE with a subformat that is not a standard tag
    kUnsupportedChannels,  // detail: channel count (0 or more than 32)
    kUnsupportedBits,      // detail: bits per sample
    kBadSampleRate,        // detail: rate (0, or too large to compute with)
    kBadBlockAlign,        // detail: block align (not channels x container bytes)
    kNoData,               // no "data" chunk
};

struct WavRefusalReason {
    WavRefusal code = WavRefusal::kNone;
    std::uint32_t detail = 0;
};

// The usual name of a compressed format tag ("IMA ADPCM"), or nullptr when it has none
// here; a name of a format, the same in every language.
const char* CompressedFormatName(std::uint32_t formatTag);

}  // namespace zel
