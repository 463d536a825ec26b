#include "cli/terminal_progress.h"

#include <algorithm>

#include "engine/batch_messages.h"

namespace zel::cli {
namespace {

constexpr int kBarWidth = 20;
constexpr std::size_t kNameWidth = 40;

std::string Bar(int position, int range) {
    const int filled = range > 0 ? std::clamp(position, 0, range) * kBarWidth / range : 0;
    return std::string(filled, '#') + std::string(kBarWidth - filled, '.');
}

}  // namespace

TerminalProgress::TerminalProgress(std::FILE* stream, bool enabled, int fileCount)
    : stream_(stream), enabled_(enabled), fileCount_(fileCount) {}

std::intptr_t TerminalProgress::Send(std::uint32_t message, std::uintptr_t wParam,
                                     std::intptr_t lParam) {
    if (message == WM_BATCH_PROGRESS) {
        if (lParam == kAllFilesBar)
            filesDone_ = static_cast<int>(wParam);
        else
            percent_ = static_cast<int>(std::min<std::uintptr_t>(wParam, 100));
        Draw();
        return cancel_ ? kCancelAnswer : 0;
    }
    if (message == WM_BATCH_FINISHED) Clear();
    return 0;
}

void TerminalProgress::SetCurrentName(const std::string& name) {
    name_ = name.size() > kNameWidth ? "..." + name.substr(name.size() - kNameWidth + 3) : name;
    Draw();
}

void TerminalProgress::Draw() {
    if (!enabled_) return;
    std::fprintf(stream_, "\r\033[2K[%s] %d/%d  [%s] %3d%%  %s", Bar(filesDone_, fileCount_).c_str(),
                 filesDone_, fileCount_, Bar(percent_, 100).c_str(), percent_, name_.c_str());
    std::fflush(stream_);
    drawn_ = true;
}

void TerminalProgress::Clear() {
    if (!enabled_ || !drawn_) return;
    std::fputs("\r\033[2K", stream_);
    std::fflush(stream_);
    drawn_ = false;
}

}  // namespace zel::cli
