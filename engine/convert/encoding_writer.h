#pragma once
// The block loop's outputs encoded and written on a thread of its own: the converting thread
// only copies each block's float planes into a batch, and the writer turns a batch of blocks
// into the output's encoding and writes it with one call, so on two cores the encoding and
// the system's copy into the file overlap the filter. A resampler that encodes as it
// filters (the build's integer kernels) hands over its bytes instead, and the writer only
// writes them. Batches are large (hundreds of KiB) so that the hand-over happens a few
// dozen times a minute of sound, not per block.

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "engine/base/aligned_buffer.h"
#include "engine/base/byte_stream.h"
#include "engine/resample/stream_conversion.h"

namespace zel {

class EncodingWriter final : public OutputStage {
  public:
    // `encoder`: the resampler's, from DeferEncoding. Blocks of up to `maxBlockFrames` frames
    // of `channels` planes are encoded into frames of `frameBytes` bytes.
    EncodingWriter(SampleEncoder& encoder, std::size_t channels, std::int64_t maxBlockFrames,
                   std::size_t frameBytes, ByteSink& sink, std::uint64_t maxOutputBytes);
    // For bytes already encoded.
    EncodingWriter(ByteSink& sink, std::uint64_t maxOutputBytes);
    ~EncodingWriter() override;
    EncodingWriter(const EncodingWriter&) = delete;
    EncodingWriter& operator=(const EncodingWriter&) = delete;

    // Allocates the batches and starts the thread (without one, batches are written in the
    // caller's thread); false when the memory cannot be had.
    bool Start();

    bool Take(Resampler& resampler) override;
    bool Finish() override;
    std::uint64_t BytesWritten() const override { return bytes_; }

  private:
    struct Batch {
        std::vector<AlignedBuffer<float>> planes;
        std::vector<std::int64_t> blocks;  // the resampler's blocks, in frames
        std::int64_t frames = 0;
        std::vector<std::uint8_t> bytes;  // without an encoder: the bytes as they came
    };

    // Frames a batch has room for: filled up to one block short of batchFrames_, then one
    // more block.
    std::uint64_t BatchCapacity() const {
        return static_cast<std::uint64_t>(batchFrames_ + maxBlockFrames_);
    }
    bool Allocate(Batch& batch) const;
    // Whether the batch being filled is full, after a block was added.
    bool Full() const;
    static void Empty(Batch& batch);
    // Hands the batch being filled to the writer and takes a free one.
    bool Submit();
    // Encodes and writes one batch; false on a write error or past the limit.
    bool Write(Batch& batch);
    void WriteQueued();

    SampleEncoder* encoder_;  // null: bytes already encoded
    std::size_t channels_;
    std::int64_t maxBlockFrames_;
    std::size_t frameBytes_;
    ByteSink& sink_;
    std::uint64_t maxOutputBytes_;
    std::int64_t batchFrames_;  // a batch is handed over once it holds this many

    std::vector<std::unique_ptr<Batch>> all_;
    Batch* filling_ = nullptr;
    std::vector<const float*> blockPlanes_;  // the writer's pointers into a batch
    // A batch encoded, before it is written: one for all batches, as one thread encodes.
    AlignedBuffer<std::uint8_t> encoded_;
    std::uint64_t bytes_ = 0;                // written by the writer; read after Finish

    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<Batch*> queued_;
    std::vector<Batch*> free_;
    bool finishing_ = false;
    bool failed_ = false;
    std::thread writer_;
};

// Where a stream's outputs go: an EncodingWriter where the resampler lets its encoding be
// deferred and the machine has a second core, else straight to `sink`. Null when the
// writer's memory cannot be had. Call before the first push.
std::unique_ptr<OutputStage> OutputStageFor(Resampler& resampler, ByteSink& sink,
                                            std::uint64_t maxOutputBytes);

}  // namespace zel
