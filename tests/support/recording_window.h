#pragma once
// A progress receiver that records every message and answers with a scripted reply.

#include <cstdint>
#include <functional>
#include <vector>

#include "engine/batch_messages.h"
#include "platform/message_window.h"

namespace zel::test {

struct RecordedMessage {
    std::uint32_t message;
    std::uintptr_t wParam;
    std::intptr_t lParam;
    bool operator==(const RecordedMessage&) const = default;
};

class RecordingWindow : public platform::MessageWindow {
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

    std::vector<RecordedMessage> messages;

private:
    Reply reply_;
};

}  // namespace zel::test
