#pragma once
// Runs a function in a forked child, for tests that change process-wide limits or the
// user identity. The child's return value becomes its exit status.

#include <sys/wait.h>
#include <unistd.h>

#include <functional>

namespace zel::test {

// The child's exit status, or -1 when it did not exit normally.
inline int RunInChild(const std::function<int()>& body) {
    const pid_t child = ::fork();
    if (child < 0) return -1;
    if (child == 0) _exit(body());
    int status = 0;
    if (::waitpid(child, &status, 0) != child) return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace zel::test
