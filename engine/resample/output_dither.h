#pragma once
// Which outputs get dither, and how large its step is.

#include "engine/codec/sample_format.h"
#include "engine/resample/conversion_settings.h"

namespace zel {

// Bits of resolution a format's samples carry: the valid bits of integer PCM, 16 for G.711
// (decoded to 16-bit linear values), and more than any integer output for float.
int ResolutionBits(const WavSampleFormat& format);

// How an output is dithered before the codec rounds it.
struct OutputDither {
    // One step of the output on the codec's -1..+1 scale; 0: no dither.
    float step = 0.0f;
    // The dither and rounding error shaped away from where the ear hears best.
    bool shaped = false;
};

// The dither of an output: integer PCM outputs only, by the rule of DitherChoice. Shaped
// where kShaped asks for dither on outputs of up to 24 bits; deeper outputs get it plain,
// since float samples (24-bit mantissa) cannot carry their steps through the shaper.
OutputDither DitherFor(const ConversionSettings& settings, const WavSampleFormat& input,
                       const WavSampleFormat& output);

// DitherFor's step alone: 0 where the settings leave the output undithered.
float DitherStepFor(const ConversionSettings& settings, const WavSampleFormat& input,
                    const WavSampleFormat& output);

}  // namespace zel
