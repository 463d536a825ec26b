#include "app/qt_message_window.h"

#include <QMetaObject>
#include <QThread>

#include "engine/batch_messages.h"

QtMessageWindow::QtMessageWindow(Handler handler, QObject* parent)
    : QObject(parent), m_handler(std::move(handler)) {}

std::intptr_t QtMessageWindow::Send(std::uint32_t message, std::uintptr_t wParam,
                                    std::intptr_t lParam) {
    if (QThread::currentThread() == thread()) return m_handler(message, wParam, lParam);
    std::intptr_t answer = zel::kCancelAnswer;
    const bool delivered = QMetaObject::invokeMethod(
        this, [&] { answer = m_handler(message, wParam, lParam); }, Qt::BlockingQueuedConnection);
    return delivered ? answer : zel::kCancelAnswer;
}
