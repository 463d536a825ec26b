#pragma once
// Text tags and markers on their way between containers: from a WAV input (its INFO list
// and cue points) or any other input to an output libsndfile writes, and from another
// input to a WAV output, as chunks before the data. Positions move onto the output's
// timeline as the WAV carry moves them; nothing travels when the settings strip
// metadata. (WAV to WAV every chunk travels, see metadata_carry.h.)

#include <cstdint>

#include "engine/base/random_access_bytes.h"
#include "engine/resample/conversion_settings.h"
#include "engine/sndfile/sound_file_reader.h"
#include "engine/sndfile/sound_file_writer.h"
#include "engine/wav/frame_ratio.h"
#include "engine/wav/metadata_carry.h"
#include "engine/wav/wav_layout.h"

namespace zel {

// Output frames per input frame of a conversion from `inputRate` with these settings.
FrameRatio TimelineRatio(std::uint32_t inputRate, const ConversionSettings& settings);

// Hands `writer` (open, nothing written yet) the tags and cue points of a WAV input.
void DescribeFromWav(SoundFileWriter& writer, RandomAccessBytes& input, const WavLayout& layout,
                     const ConversionSettings& settings);

// Hands `writer` (open, nothing written yet) the tags and markers of another input.
void DescribeFromSoundFile(SoundFileWriter& writer, const SoundFileReader& reader,
                           const ConversionSettings& settings);

// The held chunks that bring another input's tags and markers into a WAV output: a LIST
// INFO list, a cue chunk with its LIST adtl labels and a smpl chunk, all before the data.
CarriedMetadata WavChunksFromSoundFile(const SoundFileReader& reader,
                                       const ConversionSettings& settings);

}  // namespace zel
