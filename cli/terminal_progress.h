#pragma once
// The command-line stand-in for the progress dialog: receives the batch's messages
// directly (the caller's thread handles them) and redraws one status line on stderr with
// both positions, all files and the current file.

#include <cstdint>
#include <cstdio>
#include <string>

#include "platform/message_window.h"

namespace zel::cli {

class TerminalProgress : public platform::MessageWindow {
public:
    // `enabled` false: messages are answered but nothing is drawn.
    TerminalProgress(std::FILE* stream, bool enabled, int fileCount);

    std::intptr_t Send(std::uint32_t message, std::uintptr_t wParam,
                       std::intptr_t lParam) override;

    void SetCurrentName(const std::string& name);
    // Answered by every later progress message: the cancel request.
    void RequestCancel() { cancel_ = true; }
    bool CancelRequested() const { return cancel_; }
    // Clears the status line so results print on a clean line.
    void Clear();

private:
    void Draw();

    std::FILE* stream_;
    bool enabled_;
    int fileCount_;
    int filesDone_ = 0;
    int percent_ = 0;
    std::string name_;
    bool drawn_ = false;
    volatile bool cancel_ = false;
};

}  // namespace zel::cli
