#include "cli/terminal_progress.h"

#include <algorithm>

namespace zel::cli {
namespace {

constexpr int kBarWidth = 20;
constexpr int kFullPercent = 100;
constexpr std::size_t kNameWidth = 40;
constexpr const char* kEraseLine = "\r\033[2K";

std::string Bar(int position, int range) {
    const int filled = range > 0 ? std::clamp(position, 0, range) * kBarWidth / range : 0;
    return std::string(filled, '#') + std::string(kBarWidth - filled, '.');
}

std::string ShortName(const std::string& name) {
    if (name.size() <= kNameWidth) return name;
    return "..." + name.substr(name.size() - kNameWidth + 3);
}

}  // namespace

TerminalProgress::TerminalProgress(std::FILE* stream, bool enabled)
    : stream_(stream), enabled_(enabled) {}

void TerminalProgress::Draw(const ProgressView& view) {
    if (!enabled_) return;
    const int percent = std::clamp(view.currentPercent, 0, kFullPercent);
    std::string others;
    if (view.othersRunning > 0) others = " (+" + std::to_string(view.othersRunning) + ")";
    std::fprintf(stream_, "%s[%s] %d/%d  [%s] %3d%%  %s%s", kEraseLine,
                 Bar(view.filesDone, view.fileCount).c_str(), view.filesDone, view.fileCount,
                 Bar(percent, kFullPercent).c_str(), percent, ShortName(view.currentName).c_str(),
                 others.c_str());
    std::fflush(stream_);
    drawn_ = true;
}

void TerminalProgress::Clear() {
    if (!enabled_ || !drawn_) return;
    std::fputs(kEraseLine, stream_);
    std::fflush(stream_);
    drawn_ = false;
}

}  // namespace zel::cli
