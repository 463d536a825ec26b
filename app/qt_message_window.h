#pragma once
// The receiver of a batch's synchronous messages in the desktop application. A message
// sent from another thread is handed to the GUI thread with a blocking queued call, so
// the sender waits until the handler has run there and gets its answer back. A message
// sent from the GUI thread itself is handled directly: a blocking call into one's own
// thread would never return.

#include <QObject>
#include <cstdint>
#include <functional>

#include "platform/message_window.h"

class QtMessageWindow : public QObject, public zel::platform::MessageWindow {
    Q_OBJECT

  public:
    using Handler = std::function<std::intptr_t(std::uint32_t message, std::uintptr_t wParam,
                                                std::intptr_t lParam)>;

    // The handler runs on the thread this object lives in (the one that creates it).
    explicit QtMessageWindow(Handler handler, QObject* parent = nullptr);

    // The handler's answer; the cancel answer when the GUI thread could not be reached,
    // so that a batch without a receiver stops instead of running blind.
    std::intptr_t Send(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) override;

  private:
    Handler m_handler;
};
