#pragma once
// Which outputs get dither, and how large its step is.

#include "engine/codec/sample_format.h"
#include "engine/resample/conversion_settings.h"

namespace zel {

// Bits of resolution a format's samples carry: the valid bits of integer PCM, 16 for G.711
// (decoded to 16-bit linear values), and more than any integer output for float.
int ResolutionBits(const WavSampleFormat& format);

// One step of the output on the codec's -1..+1 scale where the settings dither it, 0 where
// they do not: integer PCM outputs only, by the rule of DitherChoice.
float DitherStepFor(const ConversionSettings& settings, const WavSampleFormat& input,
                    const WavSampleFormat& output);

}  // namespace zel
