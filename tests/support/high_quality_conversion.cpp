#include "tests/support/high_quality_conversion.h"

#include <algorithm>

#include "engine/base/aligned_buffer.h"
#include "engine/codec/int16_planes.h"
#include "tests/support/int16_packing.h"
#include "engine/resample/hq/high_quality_resampler.h"

namespace zel {
namespace {

// Calls sink(count) after each step with the resampler's fresh outputs, pushing whatever
// feed(pointers, offset, frames) fills.
template <class Feed, class Sink>
void Stream(HighQualityResampler& resampler, std::int64_t totalFrames, std::int64_t pushFrames,
            Feed&& feed, Sink&& sink) {
    for (std::int64_t offset = 0; offset < totalFrames; offset += pushFrames) {
        const std::int64_t frames = std::min(pushFrames, totalFrames - offset);
        sink(resampler.Push(feed(offset, frames), frames));
    }
    for (std::int64_t count = resampler.Finish(); count > 0; count = resampler.Finish())
        sink(count);
}

}  // namespace

HighQualityInt16Result ResampleInt16HighQuality(const HighQualityKernels& kernels, int channels,
                                                std::int32_t inputRate, std::int32_t outputRate,
                                                std::int32_t speedPercent,
                                                std::span<const std::int16_t> interleaved,
                                                bool dither) {
    HighQualityInt16Result result;
    HighQualityResampler resampler(kernels);
    if (!resampler.Prepare(inputRate, outputRate, speedPercent, channels)) return result;
    result.prepared = true;
    const std::int64_t block = HighQualityResampler::kMaxPushFrames;
    std::vector<AlignedBuffer<float>> planar(static_cast<std::size_t>(channels));
    std::vector<float*> planes(static_cast<std::size_t>(channels));
    std::vector<const float*> outputs(static_cast<std::size_t>(channels));
    for (int c = 0; c < channels; ++c) {
        if (!planar[c].Allocate(static_cast<std::uint64_t>(block))) {
            result.prepared = false;
            return result;
        }
        planes[c] = planar[c].data();
    }
    const std::int64_t total = static_cast<std::int64_t>(interleaved.size()) / channels;
    result.samples.reserve(static_cast<std::size_t>(resampler.OutputsFor(total) * channels));
    TpdfDither noise;
    Stream(
        resampler, total, block,
        [&](std::int64_t offset, std::int64_t frames) {
            // In the file's own scale, as the resampler's integer output expects.
            SplitInt16(reinterpret_cast<const std::uint8_t*>(interleaved.data() + offset * channels),
                       channels, static_cast<std::size_t>(frames), 1.0f, planes.data());
            return planes.data();
        },
        [&](std::int64_t count) {
            const std::size_t at = result.samples.size();
            result.samples.resize(at + static_cast<std::size_t>(count * channels));
            for (int c = 0; c < channels; ++c) outputs[c] = resampler.Output(c);
            result.clipped += PackInt16(outputs.data(), channels, count, result.samples.data() + at,
                                        dither ? &noise : nullptr);
        });
    return result;
}

std::vector<std::vector<float>> ResampleFloatHighQuality(
    const HighQualityKernels& kernels, std::int32_t inputRate, std::int32_t outputRate,
    std::int32_t speedPercent, const std::vector<std::vector<float>>& planar,
    std::int64_t pushFrames) {
    const int channels = static_cast<int>(planar.size());
    HighQualityResampler resampler(kernels);
    if (channels == 0 || !resampler.Prepare(inputRate, outputRate, speedPercent, channels))
        return {};
    pushFrames = std::clamp<std::int64_t>(pushFrames, 1, HighQualityResampler::kMaxPushFrames);
    std::vector<std::vector<float>> result(static_cast<std::size_t>(channels));
    std::vector<const float*> pointers(static_cast<std::size_t>(channels));
    Stream(
        resampler, static_cast<std::int64_t>(planar[0].size()), pushFrames,
        [&](std::int64_t offset, std::int64_t) {
            for (int c = 0; c < channels; ++c) pointers[c] = planar[c].data() + offset;
            return pointers.data();
        },
        [&](std::int64_t count) {
            for (int c = 0; c < channels; ++c)
                result[c].insert(result[c].end(), resampler.Output(c), resampler.Output(c) + count);
        });
    return result;
}

}  // namespace zel
