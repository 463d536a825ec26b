#pragma once
// The audio of any readable WAV layout through float planes: each block is decoded from
// the input's encoding, resampled per channel and encoded in the output's encoding, so a
// 24-bit or float input loses nothing but what the output's own step rounds away.
// Progress and cancelling work as in the canonical path.

#include <cstdint>

#include "engine/base/conversion_progress.h"
#include "engine/base/conversion_result.h"
#include "engine/base/random_access_bytes.h"
#include "engine/resample/planar_resampler.h"
#include "engine/wav/wav_layout.h"
#include "platform/file_handle.h"

namespace zel {

struct FloatDataWritten {
    std::uint64_t bytes = 0;
    std::uint64_t frames = 0;
    // Integer samples that had to be saturated; float outputs never are.
    std::uint64_t saturated = 0;
    // NaN or infinite input samples, converted as silence.
    std::uint64_t nonFinite = 0;
};

// Writes the samples only, behind whatever the output already holds: kCompleted,
// kCancelled, kInputReadError, kOutputWriteError or kOutOfMemory.
ConversionResult ConvertThroughFloat(RandomAccessBytes& input, const WavLayout& layout,
                                     const WavSampleFormat& outputFormat,
                                     PlanarResampler& resampler, platform::FileHandle& output,
                                     ConversionProgress* progress, FloatDataWritten& written);

}  // namespace zel
