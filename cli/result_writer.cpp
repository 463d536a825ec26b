#include "cli/result_writer.h"

#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <system_error>
#include <thread>

namespace zel::cli {
namespace {

// How often a waiting Write looks at the flag; a signal handler cannot notify.
constexpr std::chrono::milliseconds kStopCheckInterval{50};
// How long a line may still take once the flag is up: a reader that keeps reading gets
// the results of a cancelled batch, one that does not holds the batch up no longer.
constexpr std::chrono::milliseconds kGraceAfterStop{500};

// 0 when all of `line` was written, otherwise the system's error number.
int WriteWhole(int fd, const std::string& line) {
    std::size_t done = 0;
    while (done < line.size()) {
        const ssize_t put = ::write(fd, line.data() + done, line.size() - done);
        if (put < 0 && errno == EINTR) continue;
        if (put < 0) return errno;
        if (put == 0) return EIO;
        done += static_cast<std::size_t>(put);
    }
    return 0;
}

}  // namespace

struct ResultWriter::Shared {
    explicit Shared(int descriptor) : fd(descriptor) {}

    // The thread's loop: each line handed over is written, until closing.
    void Run() {
        std::unique_lock<std::mutex> lock(mutex);
        for (;;) {
            changed.wait(lock, [this] { return pending || closing; });
            if (!pending) return;
            const std::string line = std::move(next);
            lock.unlock();
            const int result = WriteWhole(fd, line);
            lock.lock();
            error = result;
            pending = false;
            changed.notify_all();
        }
    }

    const int fd;
    std::mutex mutex;
    std::condition_variable changed;
    std::string next;
    // A line is handed over and not yet written.
    bool pending = false;
    bool closing = false;
    int error = 0;
    std::thread thread;
};

ResultWriter::ResultWriter(int fd) : shared_(std::make_shared<Shared>(fd)) {
    try {
        shared_->thread = std::thread([shared = shared_] { shared->Run(); });
    } catch (const std::system_error&) {
        // No thread to be had: Write writes itself.
    }
}

ResultWriter::~ResultWriter() {
    std::unique_lock<std::mutex> lock(shared_->mutex);
    if (!shared_->thread.joinable()) return;
    shared_->closing = true;
    shared_->changed.notify_all();
    const bool blocked = shared_->pending;
    lock.unlock();
    // A thread blocked on a pipe nobody reads ends with the process.
    if (blocked)
        shared_->thread.detach();
    else
        shared_->thread.join();
}

ResultWriter::Status ResultWriter::Write(std::string line, const std::atomic<bool>& stop) {
    Shared& shared = *shared_;
    std::unique_lock<std::mutex> lock(shared.mutex);
    if (!shared.thread.joinable()) {
        shared.error = WriteWhole(shared.fd, line);
        return shared.error == 0 ? Status::kWritten : Status::kFailed;
    }
    if (shared.error != 0) return Status::kFailed;
    // An abandoned line is still stuck: nothing after it can go out.
    if (shared.pending) return Status::kAbandoned;
    shared.next = std::move(line);
    shared.pending = true;
    shared.changed.notify_all();
    std::optional<std::chrono::steady_clock::time_point> abandonAt;
    while (!shared.changed.wait_for(lock, kStopCheckInterval, [&] { return !shared.pending; })) {
        if (!stop.load()) continue;
        const auto now = std::chrono::steady_clock::now();
        if (!abandonAt) abandonAt = now + kGraceAfterStop;
        if (now >= *abandonAt) return Status::kAbandoned;
    }
    return shared.error == 0 ? Status::kWritten : Status::kFailed;
}

int ResultWriter::Error() const {
    std::lock_guard<std::mutex> lock(shared_->mutex);
    return shared_->error;
}

}  // namespace zel::cli
