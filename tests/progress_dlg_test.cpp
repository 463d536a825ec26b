// The progress dialog and the channel the worker reaches it by: synchronous delivery on
// the GUI thread, the two bars, cancellation that never closes the dialog, one worker per
// dialog, the end on the worker's last message, and a worker that is always joined.

#include "batch/progress_dlg.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QThread>
#include <QtTest>
#include <atomic>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "batch/qt_message_window.h"
#include "engine/batch_messages.h"
#include "tests/support/temp_dir.h"
#include "tests/support/wav_files.h"
#include "tests/support/worker_gate.h"

using zel::test::TempDir;
using zel::test::WorkerGate;

namespace {

const zel::SignalFormat kStereo16{2, 16, 44100};
// Long enough for several progress reports with every build.
constexpr std::int64_t kToneFrames = 3 * 44100;

std::string MakeTone(const TempDir& dir, const std::string& name) {
    const std::filesystem::path path = dir / name;
    if (!zel::test::WriteTone(path, kStereo16, kToneFrames))
        qFatal("cannot write %s", path.c_str());
    return path.string();
}

// A job of the given files that waits for the gate before each file.
void FillJob(CProgressDlg& dlg, std::vector<std::string> files, WorkerGate& gate) {
    zel::BatchJob& job = dlg.Job();
    job.SetFiles(std::move(files));
    job.m_suffix = "_ZEL";
    job.m_pauseFunction = gate.Pause();
}

QStringList LabelTexts(const QWidget& widget) {
    QStringList texts;
    for (const QLabel* label : widget.findChildren<QLabel*>()) texts << label->text();
    return texts;
}

}  // namespace

class ProgressDialogTest : public QObject {
    Q_OBJECT

  private slots:
    void messagesFromTheGuiThreadAreHandledDirectly() {
        const QThread* handledOn = nullptr;
        QtMessageWindow window([&](std::uint32_t message, std::uintptr_t wParam,
                                   std::intptr_t lParam) -> std::intptr_t {
            handledOn = QThread::currentThread();
            return static_cast<std::intptr_t>(message + wParam) + lParam;
        });
        QCOMPARE(window.Send(zel::WM_BATCH_PROGRESS, 5, 1), std::intptr_t{2030});
        QCOMPARE(handledOn, QThread::currentThread());
    }

    void messagesFromAnotherThreadBlockUntilTheGuiThreadAnswers() {
        std::vector<std::uintptr_t> handled;
        bool handledElsewhere = false;
        QtMessageWindow window(
            [&](std::uint32_t, std::uintptr_t wParam, std::intptr_t) -> std::intptr_t {
                handledElsewhere |= QThread::currentThread() != qApp->thread();
                handled.push_back(wParam);
                return static_cast<std::intptr_t>(wParam) * 2;
            });
        constexpr int kMessages = 500;
        std::atomic<int> answered{0};
        std::atomic<bool> answersRight{true};
        std::thread sender([&] {
            for (int i = 0; i < kMessages; ++i) {
                const std::intptr_t answer =
                    window.Send(zel::WM_BATCH_PROGRESS, static_cast<std::uintptr_t>(i), 0);
                if (answer != 2 * i) answersRight = false;
                ++answered;
            }
        });
        // Without the GUI thread handling anything, the first send does not return.
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        QCOMPARE(answered.load(), 0);
        QVERIFY(handled.empty());
        QTRY_COMPARE_WITH_TIMEOUT(answered.load(), kMessages, 20000);
        sender.join();
        QVERIFY(answersRight);
        QVERIFY(!handledElsewhere);
        QCOMPARE(handled.size(), std::size_t{kMessages});
        for (int i = 0; i < kMessages; ++i) QCOMPARE(handled[i], std::uintptr_t(i));
    }

    void captionsAndNoCloseBox() {
        CProgressDlg dlg;
        QCOMPARE(dlg.windowTitle(), QString("ZEL"));
        QCOMPARE(dlg.CancelButton()->text(), QString("キャンセル"));
        const QStringList labels = LabelTexts(dlg);
        QVERIFY(labels.contains("すべてのファイル"));
        QVERIFY(labels.contains("現在のファイル"));
        QVERIFY(!(dlg.windowFlags() & Qt::WindowCloseButtonHint));
        QVERIFY(!(dlg.windowFlags() & Qt::WindowSystemMenuHint));
        QVERIFY(dlg.windowFlags() & Qt::WindowTitleHint);
        QCOMPARE(dlg.AllFilesBar()->focusPolicy(), Qt::NoFocus);
        QCOMPARE(dlg.CurrentFileBar()->focusPolicy(), Qt::NoFocus);
    }

    // 70000 files: more steps than a 16-bit bar could count. Only the first is converted:
    // the cancel request stops it at its first report, which ends the batch.
    void barsFollowTheReportsAndCancelIsAnswered() {
        TempDir dir;
        std::vector<std::string> files(70000);
        files[0] = MakeTone(dir, "first.wav");
        CProgressDlg dlg;
        WorkerGate gate;
        FillJob(dlg, files, gate);
        dlg.show();
        QTRY_COMPARE(gate.Pauses(), 1);
        QCOMPARE(dlg.AllFilesBar()->minimum(), 0);
        QCOMPARE(dlg.AllFilesBar()->maximum(), 70000);
        QCOMPARE(dlg.AllFilesBar()->value(), 0);
        QCOMPARE(dlg.CurrentFileBar()->minimum(), 0);
        QCOMPARE(dlg.CurrentFileBar()->maximum(), 100);
        QCOMPARE(dlg.CurrentFileBar()->value(), 0);
        QCOMPARE(QApplication::focusWidget(), dlg.CancelButton());

        QCOMPARE(dlg.OnProgress(65536, zel::kAllFilesBar), std::intptr_t{0});
        QCOMPARE(dlg.AllFilesBar()->value(), 65536);
        QCOMPARE(dlg.OnProgress(70000, zel::kAllFilesBar), std::intptr_t{0});
        QCOMPARE(dlg.AllFilesBar()->value(), 70000);
        QCOMPARE(dlg.OnProgress(37, zel::kCurrentFileBar), std::intptr_t{0});
        QCOMPARE(dlg.CurrentFileBar()->value(), 37);
        QCOMPARE(dlg.AllFilesBar()->value(), 70000);
        // A completed file may report past 100: the bar stays full.
        QCOMPARE(dlg.OnProgress(101, zel::kCurrentFileBar), std::intptr_t{0});
        QCOMPARE(dlg.CurrentFileBar()->value(), 100);
        QCOMPARE(dlg.OnProgress(0, zel::kCurrentFileBar), std::intptr_t{0});
        QCOMPARE(dlg.CurrentFileBar()->value(), 0);

        dlg.OnCancel();
        QCOMPARE(dlg.OnProgress(1, zel::kAllFilesBar), zel::kCancelAnswer);
        QCOMPARE(dlg.OnProgress(50, zel::kCurrentFileBar), zel::kCancelAnswer);
        QVERIFY(dlg.isVisible());
        QVERIFY(!dlg.BatchFinished());

        gate.Open();
        QTRY_VERIFY_WITH_TIMEOUT(dlg.BatchFinished(), 20000);
        QVERIFY(!dlg.isVisible());
        QCOMPARE(dlg.Job().m_results[0], zel::kCancelled);
        QCOMPARE(dlg.Job().ProcessedFileCount(), 1);
        QCOMPARE(dlg.AllFilesBar()->value(), 1);
        QCOMPARE(gate.Pauses(), 1);
        // Cancelled during the pause: the file was never opened.
        QVERIFY(!std::filesystem::exists(dir / "first_ZEL.wav"));
    }

    void cancelEscAndCloseOnlyAskToStop_data() {
        QTest::addColumn<QString>("how");
        QTest::newRow("Cancel button") << "button";
        QTest::newRow("Esc") << "escape";
        QTest::newRow("window manager close") << "close";
        QTest::newRow("reject") << "reject";
    }
    void cancelEscAndCloseOnlyAskToStop() {
        QFETCH(QString, how);
        TempDir dir;
        CProgressDlg dlg;
        WorkerGate gate;
        FillJob(dlg, {MakeTone(dir, "a.wav"), MakeTone(dir, "b.wav")}, gate);
        dlg.show();
        QTRY_COMPARE(gate.Pauses(), 1);
        QCOMPARE(dlg.OnProgress(0, zel::kCurrentFileBar), std::intptr_t{0});
        for (int twice = 0; twice < 2; ++twice) {
            if (how == "button") {
                QTest::mouseClick(dlg.CancelButton(), Qt::LeftButton);
            } else if (how == "escape") {
                QTest::keyClick(&dlg, Qt::Key_Escape);
            } else if (how == "close") {
                QVERIFY(!dlg.close());
            } else {
                dlg.reject();
            }
            QCoreApplication::processEvents();
            QVERIFY(dlg.isVisible());
            QVERIFY(dlg.CancelButton()->isEnabled());
            QCOMPARE(dlg.CancelButton()->text(), QString("キャンセル"));
            QCOMPARE(dlg.OnProgress(0, zel::kCurrentFileBar), zel::kCancelAnswer);
        }
        gate.Open();
        QTRY_VERIFY_WITH_TIMEOUT(dlg.BatchFinished(), 20000);
        QCOMPARE(dlg.Job().ProcessedFileCount(), 1);
        QCOMPARE(dlg.Job().m_results[0], zel::kCancelled);
        QVERIFY(!std::filesystem::exists(dir / "b_ZEL.wav"));
    }

    // Hiding a modal dialog ends its loop; it must come back, with the same worker.
    void hidingAndShowingAgainStartsNoSecondWorker() {
        TempDir dir;
        CProgressDlg dlg;
        WorkerGate gate;
        FillJob(dlg, {MakeTone(dir, "a.wav")}, gate);
        int showsSeen = 0;
        bool visibleAgain = false;
        QTimer::singleShot(0, &dlg, [&] {
            dlg.hide();
            QTimer::singleShot(0, &dlg, [&] {
                visibleAgain = dlg.isVisible();
                ++showsSeen;
                dlg.hide();
                QTimer::singleShot(0, &dlg, [&] {
                    visibleAgain &= dlg.isVisible();
                    ++showsSeen;
                    gate.Open();
                });
            });
        });
        QCOMPARE(dlg.DoModal(), 0);
        QCOMPARE(showsSeen, 2);
        QVERIFY(visibleAgain);
        QVERIFY(dlg.BatchFinished());
        QCOMPARE(gate.Pauses(), 1);
        QCOMPARE(dlg.Job().m_results[0], zel::kCompleted);
        QCOMPARE(dlg.AllFilesBar()->value(), 1);
        QCOMPARE(dlg.CurrentFileBar()->value(), 100);
    }

    // A file that cannot be opened sends no report of its own: the current-file bar keeps
    // what the previous file left.
    void aBatchEndsByItselfAndAFailedFileLeavesTheCurrentBar() {
        TempDir dir;
        CProgressDlg dlg;
        WorkerGate gate;
        gate.Open();
        FillJob(dlg, {MakeTone(dir, "a.wav"), (dir / "missing.wav").string()}, gate);
        std::vector<int> currentValues;
        connect(dlg.CurrentFileBar(), &QProgressBar::valueChanged,
                [&](int value) { currentValues.push_back(value); });
        std::vector<int> allValues;
        connect(dlg.AllFilesBar(), &QProgressBar::valueChanged,
                [&](int value) { allValues.push_back(value); });
        QCOMPARE(dlg.DoModal(), 0);
        QVERIFY(dlg.BatchFinished());
        QCOMPARE(dlg.Job().m_results[0], zel::kCompleted);
        QCOMPARE(dlg.Job().m_results[1], zel::kInputOpenError);
        QCOMPARE(dlg.Job().ProcessedFileCount(), 2);
        // From the opening position 0, one step per file.
        QCOMPARE(allValues, std::vector<int>({0, 1, 2}));
        QVERIFY(currentValues.size() >= 2);
        QCOMPARE(currentValues.back(), 100);
        QVERIFY(std::is_sorted(currentValues.begin(), currentValues.end()));
        QCOMPARE(dlg.CurrentFileBar()->value(), 100);
    }

    void aJobWithoutFilesEndsAtOnce() {
        CProgressDlg dlg;
        WorkerGate gate;
        FillJob(dlg, {}, gate);
        QCOMPARE(dlg.DoModal(), 0);
        QVERIFY(dlg.BatchFinished());
        QCOMPARE(gate.Pauses(), 0);
        QCOMPARE(dlg.Job().ProcessedFileCount(), 0);
    }

    // A dialog destroyed while its batch runs asks the worker to stop, lets it finish its
    // messages and joins it: nothing deadlocks, a file already running keeps a valid
    // output and no later file is started.
    void destroyingTheDialogMidBatchStopsAndJoinsTheWorker() {
        TempDir dir;
        WorkerGate gate;
        {
            CProgressDlg dlg;
            FillJob(dlg, {MakeTone(dir, "a.wav"), MakeTone(dir, "b.wav")}, gate);
            dlg.show();
            QTRY_COMPARE(gate.Pauses(), 1);
            gate.Open();
        }
        QCOMPARE(gate.Pauses(), 1);
        QVERIFY(!std::filesystem::exists(dir / "a_ZEL.wav") ||
                zel::test::InspectWav(dir / "a_ZEL.wav").consistent);
        QVERIFY(!std::filesystem::exists(dir / "b_ZEL.wav"));
    }
};

QTEST_MAIN(ProgressDialogTest)
#include "progress_dlg_test.moc"
