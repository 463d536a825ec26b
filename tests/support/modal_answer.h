#pragma once
// Answers the next modal dialog: once a modal window opens, `answer` is called with it on
// the GUI thread (inside the dialog's own event loop), and must close it. A modal window
// still open at the deadline (the answer did not close it, or it opened another one)
// fails the running test and is closed, so a test never waits out the suite's time limit.

#include <QApplication>
#include <QPointer>
#include <QTimer>
#include <QtTest>
#include <functional>

namespace zel::test {

inline constexpr int kModalPollMilliseconds = 10;
inline constexpr int kModalDeadlineMilliseconds = 10000;

class ModalAnswer : public QObject {
  public:
    ModalAnswer(std::function<void(QWidget*)> answer, int deadlineMilliseconds)
        : QObject(qApp), m_answer(std::move(answer)), m_before(QApplication::activeModalWidget()) {
        m_poll.setInterval(kModalPollMilliseconds);
        connect(&m_poll, &QTimer::timeout, this, &ModalAnswer::Poll);
        m_poll.start();
        // A timer of its own: the poll's slot may itself be inside a nested modal loop.
        m_deadline.setSingleShot(true);
        connect(&m_deadline, &QTimer::timeout, this, &ModalAnswer::GiveUp);
        m_deadline.start(deadlineMilliseconds);
    }

  private:
    QWidget* NewModal() const {
        QWidget* modal = QApplication::activeModalWidget();
        return modal != nullptr && modal != m_before && modal->isVisible() ? modal : nullptr;
    }

    bool AnsweredIsOpen() const { return m_answered && m_answered->isVisible(); }

    void Poll() {
        if (m_hasAnswered) {
            if (!AnsweredIsOpen()) deleteLater();
            return;
        }
        QWidget* modal = NewModal();
        if (modal == nullptr) return;
        m_hasAnswered = true;
        m_answered = modal;
        m_answer(modal);
    }

    // Nothing opened: the test's own checks report it. Left open: fail, and close it with
    // whatever it opened in turn (hiding a dialog ends its loop).
    void GiveUp() {
        m_poll.stop();
        if (AnsweredIsOpen()) {
            QTest::qFail("a modal dialog was still open at the deadline", __FILE__, __LINE__);
            while (AnsweredIsOpen()) {
                QWidget* top = NewModal();
                (top != nullptr ? top : m_answered.data())->hide();
            }
        }
        deleteLater();
    }

    std::function<void(QWidget*)> m_answer;
    QPointer<QWidget> m_before;
    // Once answered, never again: the dialog may be gone and another one open.
    bool m_hasAnswered = false;
    QPointer<QWidget> m_answered;
    QTimer m_poll;
    QTimer m_deadline;
};

inline void AnswerNextModal(std::function<void(QWidget*)> answer,
                            int deadlineMilliseconds = kModalDeadlineMilliseconds) {
    new ModalAnswer(std::move(answer), deadlineMilliseconds);
}

}  // namespace zel::test
