#pragma once
// Text tags and markers as libsndfile holds them: its string fields (SF_STR_TITLE, ...),
// which it keeps as FLAC and Ogg comments, AIFF text chunks, CAF info, WAV INFO lists and
// MP3 ID3 tags; its cue points (WAV, AIFF) and its instrument (WAV smpl, AIFF INST).
//
// What libsndfile 1.2.0 writes, as tried on each output:
//  - FLAC, Ogg Vorbis, Opus, CAF: all nine fields.
//  - AIFF: title (NAME), artist (AUTH), comment (ANNO), copyright ("(c) ") and software
//    (APPL); album, date, track number and genre are accepted and dropped.
//  - MP3 (ID3 through LAME): all but copyright; the software field is LAME's own. LAME
//    takes the text as Latin-1 (and writes an ID3v1 tag alone when every field fits one),
//    so the text is converted; a field with characters beyond Latin-1 is left out rather
//    than garbled (see Utf8ToLatin1).
//  - W64: none; every field is refused.
//  FLAC, Ogg and MP3 take their fields only before the first frame is written.
//  - Cue points: AIFF markers (with their names). The instrument is accepted for AIFF but
//    no INST chunk is written, and given with cue points it also drops the markers, so
//    loops are never handed to libsndfile.

#include "engine/base/sound_markers.h"
#include "engine/base/text_tags.h"

struct sf_private_tag;

namespace zel {

// The fields the file holds, as UTF-8 (see TagTextToUtf8).
TextTags ReadSoundFileTags(sf_private_tag* file);

// Hands libsndfile the tags that are not empty, before the first frame. A field the
// format refuses is left out; it never fails the file.
void WriteSoundFileTags(sf_private_tag* file, int majorFormat, const TextTags& tags);

// The cue points and the instrument's sustain and release loops the file holds.
SoundMarkers ReadSoundFileMarkers(sf_private_tag* file);

// Hands libsndfile the cue points, before the first frame, where the format keeps them
// (AIFF); loops are left out (see above).
void WriteSoundFileMarkers(sf_private_tag* file, int majorFormat, const SoundMarkers& markers);

}  // namespace zel
