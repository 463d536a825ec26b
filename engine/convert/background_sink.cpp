#include "engine/convert/background_sink.h"

#include <system_error>

namespace zel {
namespace {

// Blocks waiting at most: enough to ride over an encoder's uneven pace, few enough that
// the memory stays a few blocks'.
constexpr std::size_t kQueueDepth = 4;

}  // namespace

BackgroundSink::BackgroundSink(ByteSink& target) : target_(target) {
    try {
        writer_ = std::thread([this] { WriteQueued(); });
    } catch (const std::system_error&) {
        // No thread to be had: Write writes in the caller's thread.
    }
}

BackgroundSink::~BackgroundSink() { Finish(); }

bool BackgroundSink::Write(const std::uint8_t* buffer, std::size_t count) {
    if (!writer_.joinable()) {
        if (!failed_ && !target_.Write(buffer, count)) failed_ = true;
        return !failed_;
    }
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return failed_ || queued_.size() < kQueueDepth; });
    if (failed_) return false;
    Block block;
    if (!spare_.empty()) {
        block = std::move(spare_.back());
        spare_.pop_back();
    }
    block.assign(buffer, buffer + count);
    queued_.push_back(std::move(block));
    changed_.notify_all();
    return true;
}

bool BackgroundSink::Finish() {
    if (writer_.joinable()) {
        {
            const std::lock_guard lock(mutex_);
            finishing_ = true;
        }
        changed_.notify_all();
        writer_.join();
    }
    return !failed_;
}

void BackgroundSink::WriteQueued() {
    std::unique_lock lock(mutex_);
    for (;;) {
        changed_.wait(lock, [this] { return finishing_ || !queued_.empty(); });
        if (queued_.empty()) return;
        Block block = std::move(queued_.front());
        queued_.pop_front();
        lock.unlock();
        const bool written = target_.Write(block.data(), block.size());
        lock.lock();
        if (!written) {
            // Nothing after a failed block may reach the file; the caller hears of it.
            failed_ = true;
            queued_.clear();
        }
        spare_.push_back(std::move(block));
        changed_.notify_all();
    }
}

}  // namespace zel
