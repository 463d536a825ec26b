#include "app/qt_message_window.h"

#include <QMetaObject>
#include <QThread>

#include "batch/batch_messages.h"

QtMessageWindow::QtMessageWindow(CancelQuery cancelRequested, QObject* parent)
    : QObject(parent), m_cancelRequested(std::move(cancelRequested)) {}

std::intptr_t QtMessageWindow::Send(std::uint32_t message, std::uintptr_t wParam,
                                    std::intptr_t lParam) {
    if (QThread::currentThread() == thread()) return Deliver(message, wParam, lParam);
    std::intptr_t answer = zel::kCancelAnswer;
    const bool delivered = QMetaObject::invokeMethod(
        this, [&] { answer = Deliver(message, wParam, lParam); }, Qt::BlockingQueuedConnection);
    return delivered ? answer : zel::kCancelAnswer;
}

std::intptr_t QtMessageWindow::Deliver(std::uint32_t message, std::uintptr_t wParam,
                                       std::intptr_t lParam) {
    switch (message) {
        case zel::WM_BATCH_PROGRESS:
            emit progressReported(lParam, wParam);
            return m_cancelRequested() ? zel::kCancelAnswer : 0;
        case zel::WM_BATCH_FINISHED:
            emit batchFinished();
            return 0;
        default:
            return 0;
    }
}
