#include "tests/support/folder_watch.h"

#include <poll.h>
#include <sys/inotify.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <array>

namespace zel::test {
namespace {

class Descriptor {
  public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor() {
        if (fd_ >= 0) ::close(fd_);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return fd_; }

  private:
    int fd_;
};

void Drain(int fd) {
    std::array<char, 4096> events;
    while (::read(fd, events.data(), events.size()) > 0) {
    }
}

}  // namespace

bool WaitForFolder(const std::filesystem::path& folder, const std::function<bool()>& condition,
                   std::chrono::steady_clock::duration timeout, pid_t child) {
    using Clock = std::chrono::steady_clock;
    const Clock::time_point deadline = Clock::now() + timeout;
    const Descriptor watch(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC));
    // Watched before the first check, so no change falls between the check and the wait.
    if (watch.get() < 0 ||
        ::inotify_add_watch(watch.get(), folder.c_str(),
                            IN_CREATE | IN_MODIFY | IN_MOVED_TO | IN_DELETE) < 0)
        return false;
    const Descriptor childEnd(
        child > 0 ? static_cast<int>(::syscall(SYS_pidfd_open, child, 0)) : -1);
    while (!condition()) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0) return false;
        std::array<pollfd, 2> fds = {pollfd{watch.get(), POLLIN, 0},
                                     pollfd{childEnd.get(), POLLIN, 0}};
        const nfds_t count = childEnd.get() >= 0 ? 2 : 1;
        if (::poll(fds.data(), count, static_cast<int>(left.count())) < 0) continue;
        Drain(watch.get());
        if (count == 2 && (fds[1].revents & POLLIN)) return condition();
    }
    return true;
}

}  // namespace zel::test
