#pragma once
// A progress receiver that records every message and answers with a scripted reply. Given
// to a conversion directly, it hears its progress as the worker's window would.

#include <cstdint>
#include <functional>
#include <vector>

#include "batch/batch_messages.h"
#include "batch/window_progress.h"
#include "platform/message_window.h"

namespace zel::test {

struct RecordedMessage {
    std::uint32_t message;
    std::uintptr_t wParam;
    std::intptr_t lParam;
    bool operator==(const RecordedMessage&) const = default;
};

class RecordingWindow : public platform::MessageWindow, public ConversionProgress {
  public:
    // Given the index of the message about to be answered (0-based) and the message.
    using Reply = std::function<std::intptr_t(std::size_t, const RecordedMessage&)>;

    RecordingWindow() = default;
    explicit RecordingWindow(Reply reply) : reply_(std::move(reply)) {}

    std::intptr_t Send(std::uint32_t message, std::uintptr_t wParam,
                       std::intptr_t lParam) override {
        RecordedMessage m{message, wParam, lParam};
        messages.push_back(m);
        return reply_ ? reply_(messages.size() - 1, m) : 0;
    }

    bool Continue(std::int64_t percent) override { return WindowProgress(this).Continue(percent); }

    std::vector<RecordedMessage> messages;

  private:
    Reply reply_;
};

}  // namespace zel::test
