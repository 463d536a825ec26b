#include "tests/support/high_quality_conversion.h"

#include <algorithm>
#include <cstring>

#include "engine/resample/builds/conversion_builds.h"
#include "engine/resample/hq/high_quality_resampler.h"
#include "tests/support/memory_conversion.h"

namespace zel {
namespace {

// The standard kernels of the build these high-quality kernels belong to, so that the
// outputs are encoded by that build's loops too; the reference ones for any other kernels.
const ConversionKernels& BuildKernelsOf(const HighQualityKernels& kernels) {
    for (const ConversionBuild& build : ConversionBuilds())
        if (&build.highQualityKernels == &kernels) return build.kernels;
    return kReferenceKernels;
}

}  // namespace

WavSampleFormat Int16Format(int channels, std::int32_t rate) {
    WavSampleFormat format;
    format.encoding = SampleEncoding::kSigned16;
    format.channels = static_cast<std::uint16_t>(channels);
    format.sampleRate = static_cast<std::uint32_t>(rate);
    format.containerBits = format.validBits = 16;
    format.blockAlign = static_cast<std::uint16_t>(2 * channels);
    return format;
}

HighQualityInt16Result ResampleInt16HighQuality(const HighQualityKernels& kernels, int channels,
                                                std::int32_t inputRate, std::int32_t outputRate,
                                                std::int32_t speedPercent,
                                                std::span<const std::int16_t> interleaved,
                                                bool dither) {
    const ResamplerSetup setup{Int16Format(channels, inputRate), Int16Format(channels, outputRate),
                               {.targetRate = outputRate,
                                .speed = SpeedFromPercent(speedPercent),
                                .quality = ConversionQuality::kHigh,
                                .dither = dither ? DitherChoice::kTpdf : DitherChoice::kNone}};
    const MemoryConversion converted =
        ResampleBytes(setup, BuildKernelsOf(kernels), kernels,
                      {reinterpret_cast<const std::uint8_t*>(interleaved.data()),
                       interleaved.size_bytes()});
    HighQualityInt16Result result;
    if (converted.result == kOutOfMemory) return result;
    result.prepared = true;
    result.samples.resize(converted.data.size() / 2);
    std::memcpy(result.samples.data(), converted.data.data(), converted.data.size());
    result.clipped = static_cast<std::int64_t>(converted.clipped);
    return result;
}

std::int64_t ResampleInt16HighQualityInto(const HighQualityKernels& kernels, int channels,
                                          std::int32_t inputRate, std::int32_t outputRate,
                                          std::span<const std::int16_t> interleaved,
                                          std::span<std::int16_t> output) {
    const ResamplerSetup setup{Int16Format(channels, inputRate), Int16Format(channels, outputRate),
                               {.targetRate = outputRate,
                                .quality = ConversionQuality::kHigh,
                                .dither = DitherChoice::kNone}};
    const std::int64_t bytes =
        ResampleBytesInto(setup, BuildKernelsOf(kernels), kernels,
                          {reinterpret_cast<const std::uint8_t*>(interleaved.data()),
                           interleaved.size_bytes()},
                          {reinterpret_cast<std::uint8_t*>(output.data()), output.size_bytes()});
    return bytes < 0 ? -1 : bytes / static_cast<std::int64_t>(2 * channels);
}

std::vector<std::vector<float>> ResampleFloatHighQuality(
    const HighQualityKernels& kernels, std::int32_t inputRate, std::int32_t outputRate,
    std::int32_t speedPercent, const std::vector<std::vector<float>>& planar,
    std::int64_t pushFrames) {
    const int channels = static_cast<int>(planar.size());
    HighQualityResampler resampler(kernels);
    if (channels == 0 || !resampler.Prepare(inputRate, outputRate, SpeedFromPercent(speedPercent), channels))
        return {};
    pushFrames = std::clamp<std::int64_t>(pushFrames, 1, HighQualityResampler::kMaxPushFrames);
    std::vector<std::vector<float>> result(static_cast<std::size_t>(channels));
    std::vector<const float*> pointers(static_cast<std::size_t>(channels));
    const auto keep = [&](std::int64_t count) {
        for (int c = 0; c < channels; ++c)
            result[c].insert(result[c].end(), resampler.Output(c), resampler.Output(c) + count);
    };
    const auto total = static_cast<std::int64_t>(planar[0].size());
    for (std::int64_t offset = 0; offset < total; offset += pushFrames) {
        for (int c = 0; c < channels; ++c) pointers[c] = planar[c].data() + offset;
        keep(resampler.Push(pointers.data(), std::min(pushFrames, total - offset)));
    }
    for (std::int64_t count = resampler.Finish(); count > 0; count = resampler.Finish())
        keep(count);
    return result;
}

}  // namespace zel
