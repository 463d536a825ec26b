#include "engine/resample/stream_conversion.h"

#include "engine/base/aligned_buffer.h"
#include "engine/codec/sample_rounding.h"

namespace zel {
namespace {

constexpr double kPercent = 100.0;

std::int64_t PercentDone(std::int64_t remaining, std::int64_t total) {
    // The canonical formula, the total rounded to single precision as there.
    const float totalAsFloat = static_cast<float>(total);
    return 100 - RoundHalfAway(static_cast<double>(remaining) * kPercent /
                               static_cast<double>(totalAsFloat));
}

// Writes what the resampler yielded, unless it would pass the container's limit.
bool WritePulled(Resampler& resampler, ByteSink& sink, std::uint64_t maxOutputBytes,
                 StreamWritten& written) {
    const std::span<const std::uint8_t> bytes = resampler.Pull();
    if (written.bytes + bytes.size() > maxOutputBytes) return false;
    if (!bytes.empty() && !sink.Write(bytes.data(), bytes.size())) return false;
    written.bytes += bytes.size();
    written.frames = static_cast<std::uint64_t>(resampler.FramesProduced());
    return true;
}

}  // namespace

ConversionResult ConvertStream(Resampler& resampler, ByteSource& source, std::int64_t totalFrames,
                               ByteSink& sink, ConversionProgress* progress,
                               std::uint64_t maxOutputBytes, StreamWritten& written) {
    written = {};
    const std::size_t frameBytes = resampler.Setup().input.blockAlign;
    AlignedBuffer<std::uint8_t> block;
    const auto largest = static_cast<std::uint64_t>(resampler.NextBlockFrames(totalFrames));
    if (!block.Allocate(largest * frameBytes)) return kOutOfMemory;

    std::int64_t remaining = totalFrames;
    while (remaining > 0) {
        const std::int64_t frames = resampler.NextBlockFrames(remaining);
        const std::size_t bytes = static_cast<std::size_t>(frames) * frameBytes;
        if (!source.ReadExactly(block.data(), bytes)) return kInputReadError;
        resampler.Push(block.data(), frames, frames == remaining);
        if (!WritePulled(resampler, sink, maxOutputBytes, written)) return kOutputWriteError;
        remaining -= frames;
        if (progress != nullptr && !progress->Continue(PercentDone(remaining, totalFrames)))
            return kCancelled;
    }
    while (resampler.Flush() > 0)
        if (!WritePulled(resampler, sink, maxOutputBytes, written)) return kOutputWriteError;
    return kCompleted;
}

}  // namespace zel
