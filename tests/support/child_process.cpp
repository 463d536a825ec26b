#include "tests/support/child_process.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <thread>

#include "tools/synthetic_wav.h"

extern char** environ;

namespace zel::test {
namespace {

// The master and slave ends of a pseudo-terminal, closed on destruction.
struct PseudoTerminal {
    int master = -1;
    int slave = -1;
    ~PseudoTerminal() {
        if (slave >= 0) ::close(slave);
        if (master >= 0) ::close(master);
    }
    bool Open() {
        master = ::posix_openpt(O_RDWR | O_NOCTTY);
        if (master < 0 || ::grantpt(master) != 0 || ::unlockpt(master) != 0) return false;
        slave = ::open(::ptsname(master), O_RDWR | O_NOCTTY);
        return slave >= 0;
    }
};

// Drains the master end until the slave side is closed everywhere.
std::string ReadAll(int fd) {
    std::string text;
    char buffer[4096];
    for (;;) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got > 0) {
            text.append(buffer, static_cast<std::size_t>(got));
        } else if (got < 0 && errno == EINTR) {
            continue;
        } else {
            return text;
        }
    }
}

std::string FileText(const std::filesystem::path& path) {
    const std::vector<std::uint8_t> bytes = ReadFileBytes(path);
    return std::string(bytes.begin(), bytes.end());
}

}  // namespace

ChildOutcome RunChild(const std::vector<std::string>& args, const ChildOptions& options) {
    ChildOutcome outcome;
    const std::filesystem::path outPath = options.scratchFolder / "child.out";
    const std::filesystem::path errPath = options.scratchFolder / "child.err";
    PseudoTerminal terminal;
    if (options.stderrIsTerminal && !terminal.Open()) return outcome;

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (options.stdoutDescriptor >= 0)
        posix_spawn_file_actions_adddup2(&actions, options.stdoutDescriptor, STDOUT_FILENO);
    else
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, outPath.c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (options.stderrIsTerminal)
        posix_spawn_file_actions_adddup2(&actions, terminal.slave, STDERR_FILENO);
    else
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, errPath.c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0644);
    // The child starts with SIGINT at its default and unblocked, whatever the test runner
    // inherited.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t none;
    sigset_t interrupt;
    sigemptyset(&none);
    sigemptyset(&interrupt);
    sigaddset(&interrupt, SIGINT);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setsigdefault(&attributes, &interrupt);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);

    std::vector<char*> argv;
    for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    pid_t pid = -1;
    const int spawnError =
        ::posix_spawn(&pid, argv[0], &actions, &attributes, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    if (spawnError != 0) return outcome;
    outcome.started = true;

    std::thread reader;
    if (options.stderrIsTerminal) {
        ::close(terminal.slave);
        terminal.slave = -1;
        reader = std::thread([&] { outcome.err = ReadAll(terminal.master); });
    }
    if (options.whileRunning) options.whileRunning(pid);
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (reader.joinable()) reader.join();
    if (WIFEXITED(status)) outcome.exitStatus = WEXITSTATUS(status);
    if (WIFSIGNALED(status)) outcome.endingSignal = WTERMSIG(status);
    if (options.stdoutDescriptor < 0) outcome.out = FileText(outPath);
    if (!options.stderrIsTerminal) outcome.err = FileText(errPath);
    return outcome;
}

}  // namespace zel::test
