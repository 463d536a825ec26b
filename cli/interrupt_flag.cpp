#include "cli/interrupt_flag.h"

#include <csignal>

namespace zel::cli {
namespace {

// Lock-free atomics are safe both in a signal handler and across the worker threads.
std::atomic<bool> interrupted{false};
std::atomic<int> interruptSignal{0};
static_assert(std::atomic<bool>::is_always_lock_free);
static_assert(std::atomic<int>::is_always_lock_free);

constexpr int kCancellingSignals[] = {SIGINT, SIGTERM, SIGHUP};
constexpr int kIgnoredSignals[] = {SIGPIPE, SIGXFSZ};

extern "C" void OnInterrupt(int signal) {
    if (interrupted.exchange(true)) {
        // Asked twice: the default action ends the process now.
        std::signal(signal, SIG_DFL);
        std::raise(signal);
        return;
    }
    interruptSignal.store(signal);
}

}  // namespace

bool InstallInterruptHandlers() {
    struct sigaction action {};
    action.sa_handler = OnInterrupt;
    sigemptyset(&action.sa_mask);
    // Interrupted reads and writes resume; the flag is looked at between blocks.
    action.sa_flags = SA_RESTART;
    bool ok = true;
    for (int signal : kCancellingSignals) ok = ::sigaction(signal, &action, nullptr) == 0 && ok;
    for (int signal : kIgnoredSignals) ok = std::signal(signal, SIG_IGN) != SIG_ERR && ok;
    return ok;
}

const std::atomic<bool>& InterruptFlag() { return interrupted; }

int InterruptSignal() { return interruptSignal.load(); }

}  // namespace zel::cli
