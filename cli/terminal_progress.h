#pragma once
// zel-cli's stand-in for the two bars of the progress dialog: one status line on a
// terminal, redrawn in place, with the files finished out of all, the throughput so far
// (files and input megabytes a second), the time left at that pace, and the percentage
// of the file in progress. The name of that file is escaped as the result lines escape it,
// so a name cannot steer the terminal, and is shortened between whole characters.

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>

namespace zel::cli {

struct ProgressView {
    int filesDone = 0;
    int fileCount = 0;
    // Input bytes of the files finished.
    std::uint64_t bytesDone = 0;
    // The earliest file still in progress; empty between files.
    std::string currentName;
    int currentPercent = 0;
    // Further files in progress at the same time (--jobs).
    int othersRunning = 0;
};

class TerminalProgress {
  public:
    // `enabled` false: nothing is ever drawn.
    TerminalProgress(std::FILE* stream, bool enabled);

    void Draw(const ProgressView& view);
    // Clears the status line, so a result prints on a clean line.
    void Clear();

  private:
    std::FILE* stream_;
    std::chrono::steady_clock::time_point started_ = std::chrono::steady_clock::now();
    bool enabled_;
    bool drawn_ = false;
};

}  // namespace zel::cli
