#pragma once
// Answers the next modal dialog: once a modal window opens, `answer` is called with it on
// the GUI thread (inside the dialog's own event loop), and must close it.

#include <QApplication>
#include <QPointer>
#include <QTimer>
#include <functional>

namespace zel::test {

inline constexpr int kModalPollMilliseconds = 10;

inline void AnswerNextModal(std::function<void(QWidget*)> answer) {
    QWidget* const before = QApplication::activeModalWidget();
    auto* timer = new QTimer(qApp);
    timer->setInterval(kModalPollMilliseconds);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, before, answer] {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal == nullptr || modal == before || !modal->isVisible()) return;
        timer->stop();
        timer->deleteLater();
        answer(modal);
    });
    timer->start();
}

}  // namespace zel::test
