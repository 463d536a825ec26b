#pragma once
// A WAV file's cue points as markers, for an output in another container, and markers as
// the chunks that hold them in a WAV output of an input in another container. (WAV to WAV
// these chunks travel as they are, see metadata_carry.h.)
//
// The cue chunk gives each point's position (its sample offset) and a LIST adtl label
// ("labl") its name; the smpl chunk holds the sampler's loops, whose last frame it
// counts inclusively.

#include <cstdint>
#include <vector>

#include "engine/base/random_access_bytes.h"
#include "engine/base/sound_markers.h"
#include "engine/wav/metadata_carry.h"
#include "engine/wav/wav_layout.h"

namespace zel {

// The cue points of the layout with their labels (UTF-8, see TagTextToUtf8). A cue or
// LIST chunk over 1 MiB or unreadable is passed over. A RIFX file's numbers are big-endian.
// The smpl chunk's loops are not read: no container libsndfile writes can hold them.
SoundMarkers ReadCueMarkers(RandomAccessBytes& source, const WavLayout& layout);

// Held chunks for before the data: a cue chunk and a LIST adtl list of the labels when
// there are cue points, a smpl chunk (with the sample period at `outputRate`) when there
// are loops. None for no markers.
std::vector<CarriedChunk> MarkerChunks(const SoundMarkers& markers, std::uint32_t outputRate);

}  // namespace zel
