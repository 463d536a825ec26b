#pragma once
// zel-cli's result lines on their way to standard output, written by a thread of their
// own. A write to a full pipe nobody reads never returns, so the batch waits for a line
// only until it is written, the write has failed, or half a second after a cancelling
// signal has raised the flag; then it can stop while the thread stays blocked until the
// process ends.

#include <atomic>
#include <memory>
#include <string>

namespace zel::cli {

class ResultWriter {
  public:
    enum class Status {
        kWritten,
        // The system refused the write; Error() tells why.
        kFailed,
        // The flag was raised and the line could not be written whole in time.
        kAbandoned,
    };

    // Writes to `fd`, which the caller keeps open.
    explicit ResultWriter(int fd);
    ~ResultWriter();
    ResultWriter(const ResultWriter&) = delete;
    ResultWriter& operator=(const ResultWriter&) = delete;

    // Writes `line` whole, waiting no longer than half a second after `stop` is raised.
    Status Write(std::string line, const std::atomic<bool>& stop);
    // The system's error number of the failed write; 0 while none has failed.
    int Error() const;

  private:
    struct Shared;
    // Shared with the thread, which may outlive this object.
    std::shared_ptr<Shared> shared_;
};

}  // namespace zel::cli
