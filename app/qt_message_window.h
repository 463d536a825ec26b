#pragma once
// The receiver of a batch's synchronous messages in the desktop application: each message
// becomes a signal emitted on the thread this object lives in (the GUI thread). A message
// sent from another thread is handed over with a blocking queued call, so the sender waits
// until the slots have run and then gets its answer; one sent from the GUI thread itself
// is delivered directly, since a blocking call into one's own thread would never return.

#include <QObject>
#include <cstdint>
#include <functional>

#include "platform/message_window.h"

class QtMessageWindow : public QObject, public zel::platform::MessageWindow {
    Q_OBJECT

  public:
    // Asked on this object's thread after each progress report has been delivered.
    using CancelQuery = std::function<bool()>;

    explicit QtMessageWindow(CancelQuery cancelRequested, QObject* parent = nullptr);

    // A progress report is answered with the cancel answer once the cancel query holds;
    // so is any message when the GUI thread cannot be reached, so that a batch without a
    // receiver stops instead of running blind.
    std::intptr_t Send(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) override;

  signals:
    // `bar` is kAllFilesBar or kCurrentFileBar.
    void progressReported(std::intptr_t bar, std::uintptr_t position);
    void batchFinished();

  private:
    std::intptr_t Deliver(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam);

    CancelQuery m_cancelRequested;
};
