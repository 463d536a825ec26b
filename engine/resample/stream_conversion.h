#pragma once
// The one block loop: a stream of frames from a byte source through a resampler into a
// byte sink, with the in-file progress after each block and a cancel heard there. The file
// driver, the tests and the benchmarks all convert through it.

#include <cstdint>

#include "engine/base/byte_stream.h"
#include "engine/base/conversion_progress.h"
#include "engine/base/conversion_result.h"
#include "engine/resample/resampler.h"

namespace zel {

struct StreamWritten {
    std::uint64_t frames = 0;
    std::uint64_t bytes = 0;
};

// Where the block loop's outputs go.
class OutputStage {
  public:
    virtual ~OutputStage() = default;
    // Takes what the last push or flush yielded; false on a write error, or for output that
    // would pass the most its container can describe.
    virtual bool Take(Resampler& resampler) = 0;
    // Waits until all that was taken is written, also when the loop stopped early: whether
    // all of it was.
    virtual bool Finish() = 0;
    // Bytes written; all of them once Finish has returned.
    virtual std::uint64_t BytesWritten() const = 0;
};

// Each block's bytes written as they come, in the converting thread.
class DirectOutput final : public OutputStage {
  public:
    DirectOutput(ByteSink& sink, std::uint64_t maxOutputBytes)
        : sink_(sink), maxOutputBytes_(maxOutputBytes) {}
    bool Take(Resampler& resampler) override;
    bool Finish() override { return true; }
    std::uint64_t BytesWritten() const override { return bytes_; }

  private:
    ByteSink& sink_;
    std::uint64_t maxOutputBytes_;
    std::uint64_t bytes_ = 0;
};

// Frames from a source that finds its end only by reading it: a decoder, a pipe.
class FrameSource {
  public:
    virtual ~FrameSource() = default;
    // Up to `frames` frames into `buffer`, fewer only at the end; -1 on a read error.
    virtual std::int64_t Read(std::uint8_t* buffer, std::int64_t frames) = 0;
};

// Converts `totalFrames` frames: kCompleted, kCancelled, kInputReadError, kOutOfMemory, or
// kOutputWriteError (also for output that would pass `maxOutputBytes`, the most its
// container can describe). `progress` may be null.
ConversionResult ConvertStream(Resampler& resampler, ByteSource& source, std::int64_t totalFrames,
                               ByteSink& sink, ConversionProgress* progress,
                               std::uint64_t maxOutputBytes, StreamWritten& written);

// The same for a source read to its end, one frame ahead of each block so the final block
// is known as such. `expectedFrames` (0 when unknown) only scales the progress; the
// frames read are in `framesRead`.
ConversionResult ConvertOpenStream(Resampler& resampler, FrameSource& source,
                                   std::int64_t expectedFrames, ByteSink& sink,
                                   ConversionProgress* progress, std::uint64_t maxOutputBytes,
                                   StreamWritten& written, std::int64_t& framesRead);

// The same two loops with the outputs going to `output` (a writer thread, say); the sink
// and the limit are the stage's.
ConversionResult ConvertStream(Resampler& resampler, ByteSource& source, std::int64_t totalFrames,
                               OutputStage& output, ConversionProgress* progress,
                               StreamWritten& written);
ConversionResult ConvertOpenStream(Resampler& resampler, FrameSource& source,
                                   std::int64_t expectedFrames, OutputStage& output,
                                   ConversionProgress* progress, StreamWritten& written,
                                   std::int64_t& framesRead);

}  // namespace zel
