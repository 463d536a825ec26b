#pragma once
// zel-cli's stand-in for the two bars of the progress dialog: one status line on a
// terminal, redrawn in place, with the files finished out of all and the percentage of
// the file in progress.

#include <cstdio>
#include <string>

namespace zel::cli {

struct ProgressView {
    int filesDone = 0;
    int fileCount = 0;
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
    bool enabled_;
    bool drawn_ = false;
};

}  // namespace zel::cli
