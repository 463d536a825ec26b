#pragma once
// A sink that hands each block to a thread of its own, which writes it to the real sink,
// so an encoder (FLAC's, say) works on one block while the next is being converted: on
// two cores a file is done in about the time of the slower of the two.

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

#include "engine/base/byte_stream.h"

namespace zel {

class BackgroundSink : public ByteSink {
  public:
    // `target` is written from the thread only, until Finish returns.
    explicit BackgroundSink(ByteSink& target);
    ~BackgroundSink() override;
    BackgroundSink(const BackgroundSink&) = delete;
    BackgroundSink& operator=(const BackgroundSink&) = delete;

    // Queues a copy of the block; waits while the queue is full. False once a write failed.
    bool Write(const std::uint8_t* buffer, std::size_t count) override;
    // Waits for every queued block to be written and ends the thread: whether all were.
    bool Finish();

  private:
    using Block = std::vector<std::uint8_t>;

    void WriteQueued();

    ByteSink& target_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<Block> queued_;
    std::vector<Block> spare_;  // written blocks, their memory kept for the next ones
    bool finishing_ = false;
    bool failed_ = false;
    std::thread writer_;  // not running when it could not be started: blocks written here
};

}  // namespace zel
