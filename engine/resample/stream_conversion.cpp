#include "engine/resample/stream_conversion.h"

#include <algorithm>
#include <cstring>

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

// The loop's result once the output stage has written what it took: a write that failed
// behind the loop turns a completed or cancelled stream into a write error.
ConversionResult Finished(ConversionResult code, OutputStage& output, const Resampler& resampler,
                          StreamWritten& written) {
    const bool allWritten = output.Finish();
    written.bytes = output.BytesWritten();
    written.frames = static_cast<std::uint64_t>(resampler.FramesProduced());
    if (!allWritten && (code == kCompleted || code == kCancelled)) return kOutputWriteError;
    return code;
}

// The progress of an open stream: by the frames expected, never 100 before the end.
std::int64_t PercentOfExpected(std::int64_t done, std::int64_t expected) {
    if (expected <= 0) return 0;
    return std::min<std::int64_t>(99, PercentDone(std::max<std::int64_t>(expected - done, 0), expected));
}

// Fills `buffer` up to `wanted` frames from `have`; false on a read error.
bool FillAhead(FrameSource& source, std::uint8_t* buffer, std::size_t frameBytes,
               std::int64_t wanted, std::int64_t& have, bool& ended) {
    while (!ended && have < wanted) {
        const std::int64_t got = source.Read(buffer + have * frameBytes, wanted - have);
        if (got < 0) return false;
        if (got == 0) ended = true;
        have += got;
    }
    return true;
}

}  // namespace

bool DirectOutput::Take(Resampler& resampler) {
    const std::span<const std::uint8_t> bytes = resampler.Pull();
    if (bytes_ + bytes.size() > maxOutputBytes_) return false;
    if (!bytes.empty() && !sink_.Write(bytes.data(), bytes.size())) return false;
    bytes_ += bytes.size();
    return true;
}

namespace {

ConversionResult OpenStreamLoop(Resampler& resampler, FrameSource& source,
                                std::int64_t expectedFrames, OutputStage& output,
                                ConversionProgress* progress, std::int64_t& framesRead) {
    framesRead = 0;
    const std::size_t frameBytes = resampler.Setup().input.blockAlign;
    // The largest block and the one frame that tells whether more follow.
    const std::int64_t largest = resampler.NextBlockFrames(INT64_MAX);
    AlignedBuffer<std::uint8_t> block;
    if (!block.Allocate(static_cast<std::uint64_t>(largest + 1) * frameBytes)) return kOutOfMemory;

    std::int64_t have = 0;
    bool ended = false;
    for (;;) {
        const std::int64_t nominal = resampler.NextBlockFrames(INT64_MAX);
        if (!FillAhead(source, block.data(), frameBytes, nominal + 1, have, ended))
            return kInputReadError;
        if (have == 0) break;
        const std::int64_t frames = std::min(have, nominal);
        const bool final = ended && have <= nominal;
        resampler.Push(block.data(), frames, final);
        if (!output.Take(resampler)) return kOutputWriteError;
        framesRead += frames;
        have -= frames;
        std::memmove(block.data(), block.data() + frames * frameBytes,
                     static_cast<std::size_t>(have) * frameBytes);
        const std::int64_t percent = final ? 100 : PercentOfExpected(framesRead, expectedFrames);
        if (progress != nullptr && !progress->Continue(percent)) return kCancelled;
        if (final) break;
    }
    while (resampler.Flush() > 0)
        if (!output.Take(resampler)) return kOutputWriteError;
    return kCompleted;
}

ConversionResult StreamLoop(Resampler& resampler, ByteSource& source, std::int64_t totalFrames,
                            OutputStage& output, ConversionProgress* progress) {
    const std::size_t frameBytes = resampler.Setup().input.blockAlign;
    // Read where the resampler takes the frames in place, else into a block of our own.
    std::uint8_t* into = resampler.PushSpace();
    AlignedBuffer<std::uint8_t> block;
    if (into == nullptr) {
        const auto largest = static_cast<std::uint64_t>(resampler.NextBlockFrames(totalFrames));
        if (!block.Allocate(largest * frameBytes)) return kOutOfMemory;
        into = block.data();
    }

    std::int64_t remaining = totalFrames;
    while (remaining > 0) {
        const std::int64_t frames = resampler.NextBlockFrames(remaining);
        const std::size_t bytes = static_cast<std::size_t>(frames) * frameBytes;
        if (!source.ReadExactly(into, bytes)) return kInputReadError;
        resampler.Push(into, frames, frames == remaining);
        if (!output.Take(resampler)) return kOutputWriteError;
        remaining -= frames;
        if (progress != nullptr && !progress->Continue(PercentDone(remaining, totalFrames)))
            return kCancelled;
    }
    while (resampler.Flush() > 0)
        if (!output.Take(resampler)) return kOutputWriteError;
    return kCompleted;
}

}  // namespace

ConversionResult ConvertStream(Resampler& resampler, ByteSource& source, std::int64_t totalFrames,
                               OutputStage& output, ConversionProgress* progress,
                               StreamWritten& written) {
    const ConversionResult code = StreamLoop(resampler, source, totalFrames, output, progress);
    return Finished(code, output, resampler, written);
}

ConversionResult ConvertStream(Resampler& resampler, ByteSource& source, std::int64_t totalFrames,
                               ByteSink& sink, ConversionProgress* progress,
                               std::uint64_t maxOutputBytes, StreamWritten& written) {
    DirectOutput output(sink, maxOutputBytes);
    return ConvertStream(resampler, source, totalFrames, output, progress, written);
}

ConversionResult ConvertOpenStream(Resampler& resampler, FrameSource& source,
                                   std::int64_t expectedFrames, OutputStage& output,
                                   ConversionProgress* progress, StreamWritten& written,
                                   std::int64_t& framesRead) {
    const ConversionResult code =
        OpenStreamLoop(resampler, source, expectedFrames, output, progress, framesRead);
    return Finished(code, output, resampler, written);
}

ConversionResult ConvertOpenStream(Resampler& resampler, FrameSource& source,
                                   std::int64_t expectedFrames, ByteSink& sink,
                                   ConversionProgress* progress, std::uint64_t maxOutputBytes,
                                   StreamWritten& written, std::int64_t& framesRead) {
    DirectOutput output(sink, maxOutputBytes);
    return ConvertOpenStream(resampler, source, expectedFrames, output, progress, written,
                             framesRead);
}

}  // namespace zel
