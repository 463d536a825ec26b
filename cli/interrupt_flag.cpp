#include "cli/interrupt_flag.h"

#include <csignal>

namespace zel::cli {
namespace {

// A lock-free atomic is safe both in a signal handler and across the worker threads.
std::atomic<bool> interrupted{false};
static_assert(std::atomic<bool>::is_always_lock_free);

extern "C" void OnInterrupt(int) { interrupted.store(true, std::memory_order_relaxed); }

}  // namespace

bool InstallInterruptHandler() {
    struct sigaction action {};
    action.sa_handler = OnInterrupt;
    sigemptyset(&action.sa_mask);
    // Interrupted reads and writes resume; the flag is looked at between blocks.
    action.sa_flags = SA_RESTART;
    return ::sigaction(SIGINT, &action, nullptr) == 0;
}

const std::atomic<bool>& InterruptFlag() { return interrupted; }

}  // namespace zel::cli
