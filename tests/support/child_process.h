#pragma once
// Runs a program as a child process, for the tests of zel-cli: stdout goes to a file,
// stderr to a file or to a pseudo-terminal, and the test can act on the child (send it a
// signal) while it runs.

#include <sys/types.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace zel::test {

struct ChildOutcome {
    bool started = false;
    // The exit status; -1 when a signal ended the child.
    int exitStatus = -1;
    // The signal that ended the child, or 0.
    int endingSignal = 0;
    std::string out;
    std::string err;
};

struct ChildOptions {
    // Where the captured stdout and stderr are kept while the child runs.
    std::filesystem::path scratchFolder;
    // When set, stdout is this descriptor (a pipe's write end, say) instead of a file,
    // and ChildOutcome::out stays empty.
    int stdoutDescriptor = -1;
    // stderr is a pseudo-terminal, so the child sees a terminal there.
    bool stderrIsTerminal = false;
    // Called once the child runs, before it is waited for.
    std::function<void(pid_t)> whileRunning;
};

ChildOutcome RunChild(const std::vector<std::string>& args, const ChildOptions& options);

}  // namespace zel::test
