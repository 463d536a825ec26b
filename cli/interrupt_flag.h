#pragma once
// Ctrl-C, SIGTERM and SIGHUP as the Cancel button of zel-cli's batch: the signal only
// raises a flag, and the progress receiver answers the next report of every running
// conversion with a cancel. A second such signal ends the process at once, whatever it
// waits on. SIGPIPE and SIGXFSZ are ignored, so a closed standard output and a file size
// limit come back as write errors instead of killing the process.

#include <atomic>

namespace zel::cli {

// Installs the handlers; false when the system refused one.
bool InstallInterruptHandlers();

// Raised by the first signal, never lowered.
const std::atomic<bool>& InterruptFlag();

// The number of the signal that raised the flag; 0 while none has.
int InterruptSignal();

}  // namespace zel::cli
