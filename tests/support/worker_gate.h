#pragma once
// Holds a batch's worker in its pause before the first file until the test opens the
// gate, so the dialog can be examined with the worker started but not yet converting.
// The gate opens at the latest when it is destroyed; declared after the dialog, it opens
// before the dialog joins the worker, so a failed check never leaves them waiting.

#include <atomic>
#include <chrono>
#include <future>
#include <memory>

#include "batch/batch_job.h"

namespace zel::test {

class WorkerGate {
  public:
    WorkerGate() : m_opened(m_promise.get_future().share()) {}
    ~WorkerGate() { Open(); }
    WorkerGate(const WorkerGate&) = delete;
    WorkerGate& operator=(const WorkerGate&) = delete;

    // Every pause of the worker waits for the gate and is counted.
    PauseFunction Pause() {
        return [opened = m_opened, pauses = m_pauses](std::chrono::milliseconds) {
            ++*pauses;
            opened.wait();
        };
    }
    void Open() {
        if (!m_open.exchange(true)) m_promise.set_value();
    }
    // The files the worker has started on, whichever worker it was.
    int Pauses() const { return *m_pauses; }

  private:
    std::promise<void> m_promise;
    std::shared_future<void> m_opened;
    std::shared_ptr<std::atomic<int>> m_pauses = std::make_shared<std::atomic<int>>(0);
    std::atomic<bool> m_open{false};
};

}  // namespace zel::test
