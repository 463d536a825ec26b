#pragma once
// The containers ZEL reads and writes through libsndfile besides its own WAV, RF64 and
// RIFX: their names, extensions and which sample depths each can hold.

#include <optional>
#include <span>
#include <string_view>

#include "engine/base/output_container.h"
#include "engine/codec/output_samples.h"

namespace zel {

// The file name extensions (lower case, with the dot) of every format ZEL reads: its own
// WAV and those libsndfile reads (".flac", ".aif", ".mp3", ...). Empty of libsndfile's when
// this build has none.
std::span<const std::string_view> ReadableExtensions();

// The extensions of the files ZEL's own WAV reader takes (WAV, RF64, RIFX, BWF).
std::span<const std::string_view> WavExtensions();

// Whether a name's extension (any case) is one of ReadableExtensions.
bool HasReadableExtension(std::string_view fileName);

// The extension an output of this container takes (".flac"); empty for kSame.
std::string_view ContainerExtension(OutputContainer container);

// The container a file name's extension names, if any (".aif" and ".aiff" both kAiff).
std::optional<OutputContainer> ContainerOfExtension(std::string_view fileName);

// Whether this build can write the container (WAV always; the rest with libsndfile).
bool CanWriteContainer(OutputContainer container);

// Lossy containers take float samples whatever depth is asked for.
bool IsLossyContainer(OutputContainer container);

}  // namespace zel
