#pragma once
// Conversions with a container other than WAV on either side, through libsndfile: a WAV
// input written as FLAC, AIFF, ...; and any other input (FLAC, AIFF, MP3, ...) written in
// its own container, another one, or as WAV by ZEL's own writer.

#include "engine/base/conversion_progress.h"
#include "engine/base/random_access_bytes.h"
#include "engine/convert/conversion_outcome.h"
#include "engine/resample/conversion_settings.h"
#include "engine/resample/standard/conversion_kernels.h"
#include "engine/sndfile/sound_file_reader.h"
#include "engine/wav/wav_layout.h"
#include "platform/replacing_file.h"

namespace zel {

// Whether an output of these settings is a WAV file ZEL writes itself.
bool WritesWav(const ConversionSettings& settings, OutputContainer inputContainer);

// The samples of `layout`'s data chunk into `output` (created, empty) in the chosen
// container, with the INFO list's tags and the cue points where the container holds them
// (see carried_tags.h); the other WAV chunks are not carried.
ConversionOutcome ConvertWavToSoundFile(RandomAccessBytes& input, const WavLayout& layout,
                                        platform::ReplacingFile& output,
                                        ConversionProgress* progress,
                                        const ConversionSettings& settings,
                                        const ConversionKernels& build);

// The audio `reader` (opened) decodes into `output` (created, empty), with the input's
// tags and markers where the output holds them. `inputBytes`: the same file, for the WAV
// writer's steps.
ConversionOutcome ConvertFromSoundFile(SoundFileReader& reader, RandomAccessBytes& inputBytes,
                                       platform::ReplacingFile& output,
                                       ConversionProgress* progress,
                                       const ConversionSettings& settings,
                                       const ConversionKernels& build);

}  // namespace zel
