#pragma once
// The worker's progress window as a conversion's progress: every report is a
// WM_BATCH_PROGRESS on the current-file bar, and a non-zero answer cancels. A null window
// hears nothing and never cancels.

#include "batch/batch_messages.h"
#include "engine/base/conversion_progress.h"

namespace zel {

class WindowProgress final : public ConversionProgress {
  public:
    explicit WindowProgress(platform::MessageWindow* window) : window_(window) {}
    bool Continue(std::int64_t percent) override {
        return window_ == nullptr ||
               window_->Send(WM_BATCH_PROGRESS, static_cast<std::uintptr_t>(percent),
                             kCurrentFileBar) == 0;
    }

  private:
    platform::MessageWindow* window_;
};

}  // namespace zel
