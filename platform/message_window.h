#pragma once
// The receiver of the batch's synchronous messages: Send blocks the caller until the
// receiver has handled the message and returns the receiver's answer. The desktop
// application implements it with a blocking queued call into the GUI thread, the
// command-line tool with a direct call.

#include <cstdint>

namespace zel::platform {

// Message numbers of the system's own start here.
inline constexpr std::uint32_t WM_USER = 1024;

class MessageWindow {
public:
    virtual ~MessageWindow() = default;
    virtual std::intptr_t Send(std::uint32_t message, std::uintptr_t wParam,
                               std::intptr_t lParam) = 0;
};

}  // namespace zel::platform
