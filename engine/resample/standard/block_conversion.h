#pragma once
// The block loop that every build and every entry (file or memory) shares: the filter
// design, the per-stream buffers, the cutting into blocks, history, first- and final-block
// replication, the kernels' three stages and the progress messages. Where the bytes come
// from and go to is left to a ByteSource and a ByteSink.

#include <cstddef>
#include <cstdint>

#include "engine/base/aligned_buffer.h"
#include "engine/base/byte_stream.h"
#include "engine/base/conversion_progress.h"
#include "engine/base/conversion_result.h"
#include "engine/resample/standard/conversion_kernels.h"
#include "engine/resample/prepare_result.h"
#include "engine/resample/standard/filter_design.h"

namespace zel {

// How a stream is cut: the reduced ratio, the nominal input frames f of a block and the
// outputs g of a full block.
struct BlockGeometry {
    std::int64_t P = 0;
    std::int64_t Q = 0;
    std::int64_t blockFrames = 0;
    std::int64_t blockOutputs = 0;
};

class BlockConversion {
public:
    explicit BlockConversion(const ConversionKernels& kernels) : kernels_(kernels) {}

    // Designs the filter for samples of `layout` at `inputRate` to the target rate and
    // speed (all positive) and allocates the buffers. A ratio whose filter or blocks would
    // exceed kMaxDesignBytes is refused.
    PrepareResult Prepare(SampleLayout layout, std::int64_t inputRate, std::int32_t targetRate,
                          std::int32_t speedPercent);

    // Converts `totalFrames` frames from `source` into `sink`, block by block, reporting
    // the in-file progress to `progress` (may be null) after each block: kCompleted,
    // kCancelled, kInputReadError or kOutputWriteError.
    ConversionResult Run(ByteSource& source, ByteSink& sink, std::int64_t totalFrames,
                         ConversionProgress* progress);

    // A block that would take the output past `bytes` fails as a write error (the most a
    // container can describe); no limit unless set.
    void LimitOutputBytes(std::uint64_t bytes) { maxOutputBytes_ = bytes; }

    std::int64_t FramesWritten() const { return framesWritten_; }
    BlockGeometry Geometry() const { return geometry_; }

private:
    bool PlanBlock(bool first, std::int64_t remaining, std::int64_t& n,
                   std::int64_t& outputs) const;
    void CheckSpareRoom(std::int64_t c, std::int64_t n, std::int64_t outputs) const;
    void UnpackBlock(std::int64_t c, std::int64_t n, bool first, bool final);
    void KeepHistory(std::int64_t end);
    bool WriteFrames(ByteSink& sink, std::int64_t outputs);

    const ConversionKernels& kernels_;
    SampleLayout layout_ = SampleLayout::Mono16;
    FilterState state_;
    BlockGeometry geometry_;
    int blockAlign_ = 0;
    AlignedBuffer<std::uint8_t> rawInput_;
    AlignedBuffer<std::uint8_t> rawOutput_;
    AlignedBuffer<float> inputLeft_;
    AlignedBuffer<float> inputRight_;
    AlignedBuffer<float> outputLeft_;
    AlignedBuffer<float> outputRight_;
    std::int64_t framesWritten_ = 0;
    std::uint64_t maxOutputBytes_ = UINT64_MAX;
};

}  // namespace zel
