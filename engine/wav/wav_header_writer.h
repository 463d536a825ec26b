#pragma once
// The header of an output file: the 44-byte canonical layout where it applies, otherwise a
// header following Microsoft's rules (WAVE_FORMAT_EXTENSIBLE for more than 2 channels,
// more than 16 bits, a container wider than its bits or a speaker mask of its own; float
// and G.711 with their "fact" chunk) with a JUNK chunk reserved behind the RIFF header,
// which becomes "ds64" if the file ends up larger than 4 GiB (RF64, EBU Tech 3306).
//
// The header is written first, with the carried chunks in it (see `leadingAt`), the data
// behind it, then any trailing chunks; at the end CompleteWavHeader() fills in the sizes
// and the header's own bytes are written again in place. Its length never changes.
// Outputs are little-endian.

#include <cstdint>
#include <span>
#include <vector>

#include "engine/codec/output_samples.h"
#include "engine/codec/sample_format.h"

namespace zel {

struct WavOutputHeader {
    // Everything in front of the first sample but the carried chunks, which stand between
    // bytes[leadingAt - 1] and bytes[leadingAt] in the file: `leadingBytes` of them.
    std::vector<std::uint8_t> bytes;
    std::size_t leadingAt = 0;
    std::uint64_t leadingBytes = 0;
    bool canonical = false;
    // These offsets are into `bytes`.
    std::size_t dataSizeOffset = 0;
    std::size_t factOffset = 0;  // of the sample count; 0 without a fact chunk
    std::size_t junkOffset = 0;  // of the reserved chunk; 0 in the canonical header
};

// The output keeps the input's channels and speaker mask at the target rate, always
// little-endian, with the input's encoding and depth unless another depth is chosen.
WavSampleFormat OutputFormatOf(const WavSampleFormat& input, std::uint32_t targetRate,
                               OutputDepth depth = OutputDepth::kSame);

// `leadingBytes`: the file bytes of the chunks (see CarriedBytes) to stand between the
// format and the data. `expectedBytesBehindHeader`: the data and trailing chunks the
// output should reach; a canonical header is chosen only when they fit in 4 GiB.
WavOutputHeader ComposeWavHeader(const WavSampleFormat& format, std::uint64_t leadingBytes,
                                 std::uint64_t expectedBytesBehindHeader);

// A header for a stream whose length is not known when it is written (a pipe): the RIFF
// and data sizes are 0xFFFFFFFF, "as long as the stream", and are never rewritten.
// `leadingBytes` as for ComposeWavHeader.
WavOutputHeader OpenEndedWavHeader(const WavSampleFormat& format, std::uint64_t leadingBytes = 0);

// The pad byte that must follow odd-sized data when chunks come behind it. Without them
// none is written, so a canonical output stays exactly header plus samples.
std::uint64_t DataPadBytes(std::uint64_t dataBytes, bool chunksFollow);

// Sets the sizes for `dataBytes` of samples (`frames` frames) and `trailingBytes` behind
// them (pad byte included), switching to RF64 when 32 bits cannot hold them. False when
// the header cannot describe the file (a canonical header past 4 GiB).
bool CompleteWavHeader(WavOutputHeader& header, std::uint64_t dataBytes, std::uint64_t frames,
                       std::uint64_t trailingBytes);

}  // namespace zel
