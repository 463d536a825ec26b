#pragma once
// A WAV file's LIST/INFO text as text tags, for an output in another container, and text
// tags as an INFO list, for a WAV output of an input in another container. (WAV to WAV
// the INFO list travels as it is, see metadata_carry.h.)
//
// INAM title, IART artist, IPRD album, ICRD date, ICMT comment, ITRK (or IPRT) track
// number, IGNR genre, ICOP copyright, ISFT software.

#include <optional>

#include "engine/base/random_access_bytes.h"
#include "engine/base/text_tags.h"
#include "engine/wav/metadata_carry.h"
#include "engine/wav/wav_layout.h"

namespace zel {

// Every INFO list of the layout, as UTF-8 (see TagTextToUtf8): the first entry of a field
// wins. A list too large to hold (over 1 MiB) or unreadable is passed over. A RIFX file's
// entry sizes are big-endian.
TextTags ReadInfoTags(RandomAccessBytes& source, const WavLayout& layout);

// A LIST chunk (held, before the data) with an INFO list of the tags that are not empty, in
// UTF-8, each NUL-terminated as the INFO list's readers expect; none when every tag is empty.
std::optional<CarriedChunk> InfoListChunk(const TextTags& tags);

}  // namespace zel
