#include "cli/terminal_progress.h"

#include <algorithm>
#include <string_view>
#include <vector>

#include "texts/escaped_name.h"
#include "texts/utf8_sequence.h"

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

constexpr double kBytesPerMegabyte = 1e6;
constexpr long kSecondsPerMinute = 60;
constexpr long kSecondsPerHour = 3600;

std::string Duration(double seconds) {
    const long whole = static_cast<long>(seconds + 0.5);
    char text[32];
    if (whole >= kSecondsPerHour)
        std::snprintf(text, sizeof text, "%ldh%02ldm", whole / kSecondsPerHour,
                      whole % kSecondsPerHour / kSecondsPerMinute);
    else
        std::snprintf(text, sizeof text, "%ldm%02lds", whole / kSecondsPerMinute,
                      whole % kSecondsPerMinute);
    return text;
}

// "12.5 files/s  3.1 MB/s  left 4m05s" once a file is done; empty before.
std::string Pace(const ProgressView& view, double elapsed) {
    if (view.filesDone <= 0 || elapsed <= 0) return {};
    const double filesPerSecond = view.filesDone / elapsed;
    const double left = (view.fileCount - view.filesDone) / filesPerSecond;
    char text[96];
    std::snprintf(text, sizeof text, "  %.1f files/s  %.1f MB/s  left %s", filesPerSecond,
                  static_cast<double>(view.bytesDone) / kBytesPerMegabyte / elapsed,
                  Duration(left).c_str());
    return text;
}

constexpr std::string_view kCutMark = "...";

// One character of a name as the result lines print it, and the columns it takes.
struct ShownCharacter {
    std::string text;
    std::size_t columns = 0;
};

// The name character by character, each escaped as the result lines escape it.
std::vector<ShownCharacter> ShownCharacters(std::string_view name) {
    std::vector<ShownCharacter> shown;
    for (std::size_t i = 0; i < name.size();) {
        const std::size_t length = std::max<std::size_t>(texts::Utf8SequenceLength(name, i), 1);
        std::string text = texts::EscapedName(name.substr(i, length));
        // An escape takes a column per byte; a character or a stray byte takes one.
        const bool escaped = length == 1 && text.size() > 1;
        const std::size_t columns = escaped ? text.size() : 1;
        shown.push_back({std::move(text), columns});
        i += length;
    }
    return shown;
}

// The escaped name, or its end behind "..." when it is wider than kNameWidth columns; it
// is cut between characters, never inside one or inside an escape.
std::string ShortName(const std::string& name) {
    const std::vector<ShownCharacter> shown = ShownCharacters(name);
    std::size_t columns = 0;
    for (const ShownCharacter& c : shown) columns += c.columns;
    std::size_t first = 0;
    if (columns > kNameWidth) {
        first = shown.size();
        for (columns = kCutMark.size();
             first > 0 && columns + shown[first - 1].columns <= kNameWidth; --first)
            columns += shown[first - 1].columns;
    }
    std::string text(first > 0 ? kCutMark : std::string_view());
    for (std::size_t i = first; i < shown.size(); ++i) text += shown[i].text;
    return text;
}

}  // namespace

TerminalProgress::TerminalProgress(std::FILE* stream, bool enabled)
    : stream_(stream), enabled_(enabled) {}

void TerminalProgress::Draw(const ProgressView& view) {
    if (!enabled_) return;
    const int percent = std::clamp(view.currentPercent, 0, kFullPercent);
    std::string others;
    if (view.othersRunning > 0) others = " (+" + std::to_string(view.othersRunning) + ")";
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - started_;
    std::fprintf(stream_, "%s[%s] %d/%d%s  [%s] %3d%%  %s%s", kEraseLine,
                 Bar(view.filesDone, view.fileCount).c_str(), view.filesDone, view.fileCount,
                 Pace(view, elapsed.count()).c_str(), Bar(percent, kFullPercent).c_str(), percent,
                 ShortName(view.currentName).c_str(), others.c_str());
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
