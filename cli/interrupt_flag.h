#pragma once
// Ctrl-C as the Cancel button of zel-cli's batch: SIGINT only raises a flag, and the
// progress receiver answers the next report of every running conversion with a cancel.

#include <atomic>

namespace zel::cli {

// Installs the SIGINT handler; false when the system refused it.
bool InstallInterruptHandler();

// Raised by SIGINT, never lowered.
const std::atomic<bool>& InterruptFlag();

}  // namespace zel::cli
