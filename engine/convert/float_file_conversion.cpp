#include "engine/convert/float_file_conversion.h"

#include "engine/base/aligned_buffer.h"
#include "engine/codec/sample_codec.h"
#include "engine/codec/sample_rounding.h"

namespace zel {
namespace {

constexpr double kPercent = 100.0;

std::int64_t PercentDone(std::int64_t remaining, std::int64_t total) {
    // The canonical path's formula, the total rounded to single precision as there.
    const float totalAsFloat = static_cast<float>(total);
    return 100 - RoundHalfAway(static_cast<double>(remaining) * kPercent /
                               static_cast<double>(totalAsFloat));
}

bool AsksToCancel(ConversionProgress* progress, std::int64_t percent) {
    return progress != nullptr && !progress->Continue(percent);
}

}  // namespace

ConversionResult ConvertThroughFloat(RandomAccessBytes& input, const WavLayout& layout,
                                     const WavSampleFormat& outputFormat,
                                     PlanarResampler& resampler, platform::FileHandle& output,
                                     ConversionProgress* progress, FloatDataWritten& written) {
    const std::uint64_t inAlign = layout.format.blockAlign;
    const std::uint64_t outAlign = outputFormat.blockAlign;
    const auto total = static_cast<std::int64_t>(layout.frameCount);
    AlignedBuffer<std::uint8_t> raw;
    AlignedBuffer<std::uint8_t> encoded;
    const auto largestBlock = static_cast<std::uint64_t>(resampler.NextBlockFrames(total));
    if (!raw.Allocate(largestBlock * inAlign) ||
        !encoded.Allocate(static_cast<std::uint64_t>(resampler.MaxBlockOutputs()) * outAlign))
        return kOutOfMemory;

    // Encodes and writes the `count` outputs the resampler holds.
    const auto emit = [&](std::int64_t count) {
        const auto frames = static_cast<std::size_t>(count);
        written.saturated +=
            EncodePlanar(outputFormat, resampler.OutputPlanes(), frames, encoded.data());
        if (!output.Write(encoded.data(), frames * outAlign)) return false;
        written.bytes += frames * outAlign;
        written.frames += frames;
        return true;
    };

    std::uint64_t offset = layout.dataOffset;
    std::int64_t remaining = total;
    written = {};
    while (remaining > 0) {
        const std::int64_t frames = resampler.NextBlockFrames(remaining);
        const std::size_t bytes = static_cast<std::size_t>(frames) * inAlign;
        if (!input.ReadAt(offset, raw.data(), bytes)) return kInputReadError;
        offset += bytes;
        written.nonFinite += DecodePlanar(layout.format, raw.data(),
                                          static_cast<std::size_t>(frames), resampler.InputPlanes());
        const bool final = frames == remaining;
        if (!emit(resampler.FilterBlock(frames, final))) return kOutputWriteError;
        remaining -= frames;
        if (AsksToCancel(progress, PercentDone(remaining, total))) return kCancelled;
    }
    for (std::int64_t count = resampler.DrainTail(); count > 0; count = resampler.DrainTail())
        if (!emit(count)) return kOutputWriteError;
    return kCompleted;
}

}  // namespace zel
