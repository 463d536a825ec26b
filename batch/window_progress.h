#pragma once
// The worker's progress window as a conversion's progress: every report is a
// WM_BATCH_PROGRESS on the current-file bar, and a non-zero answer cancels
// (kCancelDiscardingAnswer: keeping nothing of the file). A null window hears nothing and
// never cancels.

#include "batch/batch_messages.h"
#include "engine/base/conversion_progress.h"

namespace zel {

class WindowProgress final : public ConversionProgress {
  public:
    explicit WindowProgress(platform::MessageWindow* window) : window_(window) {}
    bool Continue(std::int64_t percent) override {
        if (window_ == nullptr) return true;
        const std::intptr_t answer = window_->Send(
            WM_BATCH_PROGRESS, static_cast<std::uintptr_t>(percent), kCurrentFileBar);
        discard_ = answer == kCancelDiscardingAnswer;
        return answer == 0;
    }
    bool DiscardPartial() const override { return discard_; }

  private:
    platform::MessageWindow* window_;
    bool discard_ = false;
};

}  // namespace zel
