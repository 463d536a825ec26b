#pragma once
// The two messages by which a conversion and the batch worker report to the progress
// window. Both are sent synchronously (see platform::MessageWindow).

#include <cstdint>

#include "platform/message_window.h"

namespace zel {

// wParam: new bar position; lParam: which bar. Answer: -1 once the user has cancelled.
inline constexpr std::uint32_t WM_BATCH_PROGRESS = platform::WM_USER + 1000;
// wParam 0, lParam 0; sent once when the batch is over.
inline constexpr std::uint32_t WM_BATCH_FINISHED = platform::WM_USER + 1001;

inline constexpr std::intptr_t kAllFilesBar = 0;
inline constexpr std::intptr_t kCurrentFileBar = 1;
inline constexpr std::intptr_t kCancelAnswer = -1;

}  // namespace zel
