#pragma once
// Whole streams through the high-quality mode in memory: 16-bit interleaved samples through
// the product's resampler interface (its codec rounds, saturates and counts the clipped),
// and planar floats straight through the high-quality chain, pushed in any sizes.

#include <cstdint>
#include <span>
#include <vector>

#include "engine/codec/sample_format.h"
#include "engine/resample/hq/high_quality_kernels.h"

namespace zel {

struct HighQualityInt16Result {
    bool prepared = false;              // false: the filter's memory could not be had
    std::vector<std::int16_t> samples;  // interleaved
    std::int64_t clipped = 0;
};

// A 16-bit PCM sample format of `channels` channels at `rate`.
WavSampleFormat Int16Format(int channels, std::int32_t rate);

HighQualityInt16Result ResampleInt16HighQuality(const HighQualityKernels& kernels, int channels,
                                                std::int32_t inputRate, std::int32_t outputRate,
                                                std::int32_t speedPercent,
                                                std::span<const std::int16_t> interleaved,
                                                bool dither);

// The same without dither, into `output` (the caller's, reused across runs): the frames
// written, -1 when the filter could not be had or the output did not fit.
std::int64_t ResampleInt16HighQualityInto(const HighQualityKernels& kernels, int channels,
                                          std::int32_t inputRate, std::int32_t outputRate,
                                          std::span<const std::int16_t> interleaved,
                                          std::span<std::int16_t> output);

// Planar float channels of equal length, pushed `pushFrames` at a time (1 up to
// HighQualityResampler::kMaxPushFrames). Empty when the filter could not be prepared.
std::vector<std::vector<float>> ResampleFloatHighQuality(
    const HighQualityKernels& kernels, std::int32_t inputRate, std::int32_t outputRate,
    std::int32_t speedPercent, const std::vector<std::vector<float>>& planar,
    std::int64_t pushFrames);

}  // namespace zel
