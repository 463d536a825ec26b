#include "batch/worker_thread.h"

#include <system_error>

#include "batch/batch_job.h"
#include "batch/batch_thread_proc.h"

namespace zel {

bool WorkerThread::Start(BatchJob& job) {
    if (started_) return false;
    try {
        thread_ = std::thread([&job] { BatchThreadProc(job); });
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
