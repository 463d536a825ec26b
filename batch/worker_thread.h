#pragma once
// The thread that runs one batch. Whoever holds the job (the progress dialog, zel-cli)
// starts it once; it is joined at the latest when this object is destroyed, so a worker
// never outlives the job it reads and writes. The worker ends by itself after sending
// WM_BATCH_FINISHED, so a join after that message returns at once.

#include <functional>
#include <thread>

namespace zel {

class WorkerThread {
  public:
    WorkerThread() = default;
    ~WorkerThread() { Join(); }
    WorkerThread(const WorkerThread&) = delete;
    WorkerThread& operator=(const WorkerThread&) = delete;

    // Runs `body` (the batch's BatchThreadProc) on a new thread. False when a worker was
    // started before (there is one per job) or the system has no thread to give.
    bool Start(std::function<void()> body);
    bool Started() const { return started_; }

    // Waits for the worker to end; does nothing when none runs. Never called from the
    // worker itself (for instance by a receiver that destroys the job in its handler of
    // WM_BATCH_FINISHED on the worker's own thread).
    void Join();

  private:
    std::thread thread_;
    bool started_ = false;
};

}  // namespace zel
