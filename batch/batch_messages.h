#pragma once
// The two messages by which a conversion and the batch worker report to the progress
// window. Both are sent synchronously (see platform::MessageWindow).

#include <cstdint>

#include "platform/message_window.h"

namespace zel {

// wParam: new bar position; lParam: which bar. Answer: non-zero to cancel (kCancelAnswer
// once the user has cancelled, kCancelDiscardingAnswer when nobody will hear the results).
inline constexpr std::uint32_t WM_BATCH_PROGRESS = platform::WM_USER + 1000;
// wParam 0, lParam 0; sent once when the batch is over.
inline constexpr std::uint32_t WM_BATCH_FINISHED = platform::WM_USER + 1001;

inline constexpr std::intptr_t kAllFilesBar = 0;
inline constexpr std::intptr_t kCurrentFileBar = 1;
inline constexpr std::intptr_t kCancelAnswer = -1;
// A cancel whose file in progress keeps nothing of what it converted: its result cannot be
// reported (zel-cli's standard output is gone), so a short file would pass for a whole one.
inline constexpr std::intptr_t kCancelDiscardingAnswer = -2;

}  // namespace zel
