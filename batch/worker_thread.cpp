#include "batch/worker_thread.h"

#include <system_error>
#include <utility>

namespace zel {

bool WorkerThread::Start(std::function<void()> body) {
    if (started_) return false;
    try {
        thread_ = std::thread(std::move(body));
    } catch (const std::system_error&) {
        return false;
    }
    started_ = true;
    return true;
}

void WorkerThread::Join() {
    if (thread_.joinable()) thread_.join();
}

}  // namespace zel
