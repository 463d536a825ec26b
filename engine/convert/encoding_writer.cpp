#include "engine/convert/encoding_writer.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <span>
#include <system_error>
#include <utility>

namespace zel {
namespace {

// Float samples a batch holds before it is handed over (all channels together): 256 KiB,
// 32768 stereo frames. Each hand-over wakes the writer, which on a virtual machine costs
// tens of microseconds of the converting thread; larger batches save little more, leave
// the caches and cost page faults on first use.
constexpr std::int64_t kBatchSamples = 65536;
// Encoded bytes a batch holds before it is handed over.
constexpr std::size_t kBatchBytes = std::size_t{256} << 10;
// Batches in all: one being filled, one being written, one waiting between them.
constexpr std::size_t kBatches = 3;

}  // namespace

EncodingWriter::EncodingWriter(SampleEncoder& encoder, std::size_t channels,
                               std::int64_t maxBlockFrames, std::size_t frameBytes,
                               ByteSink& sink, std::uint64_t maxOutputBytes)
    : encoder_(&encoder),
      channels_(channels),
      maxBlockFrames_(maxBlockFrames),
      frameBytes_(frameBytes),
      sink_(sink),
      maxOutputBytes_(maxOutputBytes),
      batchFrames_(std::max<std::int64_t>(1, kBatchSamples / static_cast<std::int64_t>(channels))),
      blockPlanes_(channels) {}

EncodingWriter::EncodingWriter(ByteSink& sink, std::uint64_t maxOutputBytes)
    : encoder_(nullptr),
      channels_(0),
      maxBlockFrames_(0),
      frameBytes_(0),
      sink_(sink),
      maxOutputBytes_(maxOutputBytes),
      batchFrames_(0) {}

EncodingWriter::~EncodingWriter() { Finish(); }

bool EncodingWriter::Allocate(Batch& batch) const {
    if (encoder_ == nullptr) {
        // Room for the batch and a block beyond it; a larger block makes it grow.
        try {
            batch.bytes.reserve(2 * kBatchBytes);
        } catch (const std::bad_alloc&) {
            return false;
        }
        return true;
    }
    batch.planes.resize(channels_);
    for (AlignedBuffer<float>& plane : batch.planes)
        if (!plane.Allocate(BatchCapacity())) return false;
    return true;
}

bool EncodingWriter::Start() {
    if (encoder_ != nullptr && !encoded_.Allocate(BatchCapacity() * frameBytes_)) return false;
    for (std::size_t i = 0; i < kBatches; ++i) {
        auto batch = std::make_unique<Batch>();
        if (!Allocate(*batch)) return false;
        free_.push_back(batch.get());
        all_.push_back(std::move(batch));
    }
    filling_ = free_.back();
    free_.pop_back();
    try {
        writer_ = std::thread([this] { WriteQueued(); });
    } catch (const std::system_error&) {
        // No thread to be had: Submit writes each batch in the caller's thread.
    }
    return true;
}

bool EncodingWriter::Take(Resampler& resampler) {
    Batch& batch = *filling_;
    if (encoder_ == nullptr) {
        const std::span<const std::uint8_t> bytes = resampler.Pull();
        if (bytes.empty()) return true;
        batch.bytes.insert(batch.bytes.end(), bytes.begin(), bytes.end());
    } else {
        const PlanarOutputs outputs = resampler.PullPlanes();
        if (outputs.frames == 0) return true;
        for (std::size_t c = 0; c < channels_; ++c)
            std::memcpy(batch.planes[c].data() + batch.frames, outputs.planes[c],
                        static_cast<std::size_t>(outputs.frames) * sizeof(float));
        batch.blocks.push_back(outputs.frames);
        batch.frames += outputs.frames;
    }
    return !Full() || Submit();
}

bool EncodingWriter::Full() const {
    return encoder_ == nullptr ? filling_->bytes.size() >= kBatchBytes
                               : filling_->frames >= batchFrames_;
}

void EncodingWriter::Empty(Batch& batch) {
    batch.blocks.clear();
    batch.frames = 0;
    batch.bytes.clear();
}

bool EncodingWriter::Submit() {
    if (!writer_.joinable()) {
        if (!Write(*filling_)) failed_ = true;
        Empty(*filling_);
        return !failed_;
    }
    std::unique_lock lock(mutex_);
    queued_.push_back(filling_);
    changed_.notify_all();
    changed_.wait(lock, [this] { return failed_ || !free_.empty(); });
    if (failed_) return false;
    filling_ = free_.back();
    free_.pop_back();
    return true;
}

bool EncodingWriter::Write(Batch& batch) {
    if (encoder_ == nullptr) {
        if (bytes_ + batch.bytes.size() > maxOutputBytes_) return false;
        if (!batch.bytes.empty() && !sink_.Write(batch.bytes.data(), batch.bytes.size()))
            return false;
        bytes_ += batch.bytes.size();
        return true;
    }
    const std::uint64_t bytes = static_cast<std::uint64_t>(batch.frames) * frameBytes_;
    if (bytes_ + bytes > maxOutputBytes_) return false;
    std::int64_t at = 0;
    for (const std::int64_t frames : batch.blocks) {
        for (std::size_t c = 0; c < channels_; ++c) blockPlanes_[c] = batch.planes[c].data() + at;
        encoder_->EncodeBlock(blockPlanes_.data(), frames,
                              encoded_.data() + static_cast<std::size_t>(at) * frameBytes_);
        at += frames;
    }
    if (bytes != 0 && !sink_.Write(encoded_.data(), static_cast<std::size_t>(bytes)))
        return false;
    bytes_ += bytes;
    return true;
}

bool EncodingWriter::Finish() {
    if (filling_ == nullptr) return !failed_;  // never started, or finished before
    Batch* last = std::exchange(filling_, nullptr);
    if (!writer_.joinable()) {
        if (!failed_ && !Write(*last)) failed_ = true;
        return !failed_;
    }
    {
        const std::lock_guard lock(mutex_);
        if (!failed_) queued_.push_back(last);
        finishing_ = true;
    }
    changed_.notify_all();
    writer_.join();
    return !failed_;
}

void EncodingWriter::WriteQueued() {
    std::unique_lock lock(mutex_);
    for (;;) {
        changed_.wait(lock, [this] { return finishing_ || !queued_.empty(); });
        if (queued_.empty()) return;
        Batch* batch = queued_.front();
        queued_.pop_front();
        lock.unlock();
        const bool written = Write(*batch);
        Empty(*batch);
        lock.lock();
        if (!written) {
            // Nothing after a failed batch may reach the file; the caller hears of it.
            failed_ = true;
            queued_.clear();
        }
        free_.push_back(batch);
        changed_.notify_all();
    }
}

std::unique_ptr<OutputStage> OutputStageFor(Resampler& resampler, ByteSink& sink,
                                            std::uint64_t maxOutputBytes) {
    // On one core a second thread could only take turns with the filter.
    if (std::thread::hardware_concurrency() <= 1)
        return std::make_unique<DirectOutput>(sink, maxOutputBytes);
    std::unique_ptr<EncodingWriter> writer;
    if (SampleEncoder* encoder = resampler.DeferEncoding()) {
        const ResamplerSetup& setup = resampler.Setup();
        writer = std::make_unique<EncodingWriter>(*encoder, setup.input.channels,
                                                  encoder->MaxBlockFrames(),
                                                  setup.output.blockAlign, sink, maxOutputBytes);
    } else {
        writer = std::make_unique<EncodingWriter>(sink, maxOutputBytes);
    }
    if (!writer->Start()) return nullptr;
    return writer;
}

}  // namespace zel
