#pragma once
// The list's look at a file of another container (FLAC, AIFF, CAF, Ogg, MP3 ...): its
// format as libsndfile reads it, for the row's columns. WAV, RF64 and RIFX files are
// probed by the engine's own reader (wav_probe.h), which the conversion uses for them.

#include <filesystem>
#include <optional>

#include "app/input_row_text.h"

// Whether the name's extension is one of the other containers ZEL reads (".flac",
// ".aif" ...), not one of WAV's. False for every name in a build without libsndfile.
bool HasOtherContainerName(const std::filesystem::path& path);

// The duration, channel, frequency and bits columns; nullopt when libsndfile cannot read
// the file (or this build has no libsndfile). Lossy codecs name themselves in the bits
// column ("Vorbis"), having no sample size of their own.
std::optional<RowTexts> ProbeOtherContainer(const std::filesystem::path& path);
