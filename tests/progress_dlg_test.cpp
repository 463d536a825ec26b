// The progress dialog and the channel the worker reaches it by: synchronous delivery on
// the GUI thread, the two bars, the file in progress and the times, cancellation that
// never closes the dialog, one worker per dialog, the end on the worker's last message,
// and a worker that is always joined.

#include "app/progress_dlg.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QThread>
#include <QtTest>
#include <atomic>
#include <cmath>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "app/elided_label.h"
#include "app/qt_message_window.h"
#include "batch/batch_messages.h"
#include "batch/remaining_time.h"
#include "tests/support/temp_dir.h"
#include "tests/support/wav_files.h"
#include "tests/support/worker_gate.h"

using zel::test::TempDir;
using zel::test::WorkerGate;

namespace {

const zel::SignalFormat kStereo16{2, 16, 44100};
// Long enough for several progress reports with every build.
constexpr std::int64_t kToneFrames = 3 * 44100;
// How long a test waits for what it expects before it fails, in milliseconds.
constexpr int kDeadline = 20000;

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

// A progress report as the worker sends it; the dialog's answer.
std::intptr_t Report(CProgressDlg& dlg, std::uintptr_t position, std::intptr_t bar) {
    return dlg.Job().m_window->Send(zel::WM_BATCH_PROGRESS, position, bar);
}

// How much of the batch the all-files bar shows done, 0 to 1.
double AllFilesShare(const CProgressDlg& dlg) {
    const QProgressBar& bar = *dlg.AllFilesBar();
    return double(bar.value() - bar.minimum()) / double(bar.maximum() - bar.minimum());
}

}  // namespace

class ProgressDialogTest : public QObject {
    Q_OBJECT

  private slots:
    void messagesFromTheGuiThreadAreDeliveredDirectly() {
        bool cancel = false;
        QtMessageWindow window([&] { return cancel; });
        std::vector<std::pair<std::intptr_t, std::uintptr_t>> reports;
        int finished = 0;
        connect(&window, &QtMessageWindow::progressReported,
                [&](std::intptr_t bar, std::uintptr_t position) {
                    reports.emplace_back(bar, position);
                });
        connect(&window, &QtMessageWindow::batchFinished, [&] { ++finished; });
        QCOMPARE(window.Send(zel::WM_BATCH_PROGRESS, 5, zel::kCurrentFileBar), std::intptr_t{0});
        cancel = true;
        QCOMPARE(window.Send(zel::WM_BATCH_PROGRESS, 6, zel::kAllFilesBar), zel::kCancelAnswer);
        QCOMPARE(window.Send(zel::WM_BATCH_FINISHED, 0, 0), std::intptr_t{0});
        QCOMPARE(reports, (std::vector<std::pair<std::intptr_t, std::uintptr_t>>{
                              {zel::kCurrentFileBar, 5}, {zel::kAllFilesBar, 6}}));
        QCOMPARE(finished, 1);
    }

    void messagesFromAnotherThreadBlockUntilTheGuiThreadAnswers() {
        std::vector<std::uintptr_t> handled;
        bool handledElsewhere = false;
        QtMessageWindow window([&] { return handled.size() % 2 == 0; });
        connect(&window, &QtMessageWindow::progressReported,
                [&](std::intptr_t, std::uintptr_t position) {
                    handledElsewhere |= QThread::currentThread() != qApp->thread();
                    handled.push_back(position);
                });
        constexpr int kMessages = 500;
        std::atomic<int> answered{0};
        std::atomic<bool> answersRight{true};
        std::thread sender([&] {
            for (int i = 0; i < kMessages; ++i) {
                const std::intptr_t answer =
                    window.Send(zel::WM_BATCH_PROGRESS, static_cast<std::uintptr_t>(i), 0);
                // Each answer is the one the GUI thread gave after this very report.
                if (answer != (i % 2 == 1 ? zel::kCancelAnswer : 0)) answersRight = false;
                ++answered;
            }
        });
        QTRY_COMPARE_WITH_TIMEOUT(answered.load(), kMessages, kDeadline);
        sender.join();
        QVERIFY(answersRight);
        QVERIFY(!handledElsewhere);
        QCOMPARE(handled.size(), std::size_t{kMessages});
        for (int i = 0; i < kMessages; ++i) QCOMPARE(handled[i], std::uintptr_t(i));
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
        QTRY_COMPARE_WITH_TIMEOUT(gate.Pauses(), 1, kDeadline);
        QCOMPARE(AllFilesShare(dlg), 0.0);
        QCOMPARE(dlg.FileNumberLabel()->text(), QString("1 / 70000"));
        QCOMPARE(dlg.CurrentFileBar()->minimum(), 0);
        QCOMPARE(dlg.CurrentFileBar()->maximum(), 100);
        QCOMPARE(dlg.CurrentFileBar()->value(), 0);
        // Keyboard focus exists only in the active window.
        QVERIFY(QTest::qWaitForWindowActive(&dlg));
        QCOMPARE(QApplication::focusWidget(), dlg.CancelButton());

        QCOMPARE(Report(dlg, 65536, zel::kAllFilesBar), std::intptr_t{0});
        // The missing files weigh a byte each: the bar is by bytes, not by files.
        const double toneBytes = double(std::filesystem::file_size(files[0]));
        QCOMPARE(AllFilesShare(dlg), std::round((toneBytes + 65535) / (toneBytes + 69999) * 1e4) / 1e4);
        QCOMPARE(dlg.FileNumberLabel()->text(), QString("65537 / 70000"));
        QCOMPARE(Report(dlg, 70000, zel::kAllFilesBar), std::intptr_t{0});
        QCOMPARE(AllFilesShare(dlg), 1.0);
        QCOMPARE(dlg.FileNumberLabel()->text(), QString("70000 / 70000"));
        QCOMPARE(Report(dlg, 37, zel::kCurrentFileBar), std::intptr_t{0});
        QCOMPARE(dlg.CurrentFileBar()->value(), 37);
        QCOMPARE(AllFilesShare(dlg), 1.0);
        // A completed file may report past 100: the bar stays full.
        QCOMPARE(Report(dlg, 101, zel::kCurrentFileBar), std::intptr_t{0});
        QCOMPARE(dlg.CurrentFileBar()->value(), 100);
        QCOMPARE(Report(dlg, 0, zel::kCurrentFileBar), std::intptr_t{0});
        QCOMPARE(dlg.CurrentFileBar()->value(), 0);

        dlg.OnCancel();
        QCOMPARE(Report(dlg, 1, zel::kAllFilesBar), zel::kCancelAnswer);
        QCOMPARE(Report(dlg, 50, zel::kCurrentFileBar), zel::kCancelAnswer);
        QVERIFY(dlg.isVisible());
        QVERIFY(!dlg.BatchFinished());

        gate.Open();
        QTRY_VERIFY_WITH_TIMEOUT(dlg.BatchFinished(), kDeadline);
        QVERIFY(!dlg.isVisible());
        QCOMPARE(dlg.Job().m_results[0], zel::kCancelled);
        QCOMPARE(dlg.Job().ProcessedFileCount(), 1);
        QCOMPARE(dlg.FilesDone(), 1);
        QCOMPARE(gate.Pauses(), 1);
        // Cancelled during the pause: the file was never opened.
        QVERIFY(!std::filesystem::exists(dir / "first_ZEL.wav"));
    }

    // The name of the file in progress (cut in the middle when long, the whole path in
    // the tip), its number, and an all-files bar that moves within a file; after a
    // while, the time still needed.
    void showsTheFileInProgressAndHowFarTheBatchIs() {
        TempDir dir;
        const std::string first = MakeTone(dir, "first.wav");
        const std::string longName = "second_" + std::string(180, 'x') + "_end.wav";
        const std::string second = MakeTone(dir, longName);
        CProgressDlg dlg;
        WorkerGate gate;
        FillJob(dlg, {first, second}, gate);
        dlg.show();
        QTRY_COMPARE_WITH_TIMEOUT(gate.Pauses(), 1, kDeadline);
        QCOMPARE(dlg.FileNameLabel()->text(), QString("first.wav"));
        QCOMPARE(dlg.FileNameLabel()->toolTip(), QString::fromStdString(first));
        QCOMPARE(dlg.FileNumberLabel()->text(), QString("1 / 2"));
        QVERIFY(dlg.ElapsedLabel()->text().startsWith("経過時間 0:0"));

        Report(dlg, 0, zel::kAllFilesBar);
        Report(dlg, 50, zel::kCurrentFileBar);
        QCOMPARE(AllFilesShare(dlg), 0.25);
        Report(dlg, 100, zel::kCurrentFileBar);
        Report(dlg, 1, zel::kAllFilesBar);
        QCOMPARE(AllFilesShare(dlg), 0.5);
        QCOMPARE(dlg.FileNumberLabel()->text(), QString("2 / 2"));
        const QString shown = dlg.FileNameLabel()->text();
        QVERIFY2(shown.startsWith("second_x") && shown.endsWith("x_end.wav") &&
                     shown.contains(QChar(0x2026)),
                 qPrintable(shown));
        QVERIFY(dlg.FileNameLabel()->fontMetrics().horizontalAdvance(shown) <=
                dlg.FileNameLabel()->contentsRect().width());
        QCOMPARE(dlg.FileNameLabel()->toolTip(), QString::fromStdString(second));
        Report(dlg, 40, zel::kCurrentFileBar);
        QCOMPARE(AllFilesShare(dlg), 0.7);
        const QRegularExpression remaining("^残り時間 約 [0-9]+:[0-9]{2}$");
        QTRY_VERIFY_WITH_TIMEOUT(remaining.match(dlg.RemainingLabel()->text()).hasMatch(),
                                 kDeadline);
        gate.Open();
        QTRY_VERIFY_WITH_TIMEOUT(dlg.BatchFinished(), kDeadline);
    }

    // One measure for the bar, the time left and the titles: after the first of two files,
    // the longer second one still ahead, the bar, this dialog's title and the owner
    // window's all show a quarter; the owner's own title comes back at the end.
    void theBarTheTimeLeftAndTheTitlesAgree() {
        TempDir dir;
        const std::filesystem::path shortFile = dir / "short.wav";
        const std::filesystem::path longFile = dir / "long.wav";
        QVERIFY(zel::test::WriteTone(shortFile, kStereo16, kToneFrames));
        QVERIFY(zel::test::WriteTone(longFile, kStereo16, 3 * kToneFrames));
        const double shortBytes = double(std::filesystem::file_size(shortFile));
        const double share = shortBytes / (shortBytes + double(std::filesystem::file_size(longFile)));
        QWidget owner;
        owner.setWindowTitle("ZEL");
        owner.show();
        auto* dlg = new CProgressDlg(&owner);
        WorkerGate gate;
        FillJob(*dlg, {shortFile.string(), longFile.string()}, gate);
        dlg->show();
        QTRY_COMPARE_WITH_TIMEOUT(gate.Pauses(), 1, kDeadline);
        QCOMPARE(dlg->windowTitle(), QString("0% — ZEL"));
        QCOMPARE(owner.windowTitle(), QString("0% — ZEL"));
        Report(*dlg, 100, zel::kCurrentFileBar);
        Report(*dlg, 1, zel::kAllFilesBar);
        QCOMPARE(AllFilesShare(*dlg), std::round(share * 1e4) / 1e4);
        const QString title = QString("%1% — ZEL").arg(int(share * 100));
        QCOMPARE(dlg->windowTitle(), title);
        QCOMPARE(owner.windowTitle(), title);
        gate.Open();
        QTRY_VERIFY_WITH_TIMEOUT(dlg->BatchFinished(), kDeadline);
        QCOMPARE(owner.windowTitle(), QString("ZEL"));
        delete dlg;
        QCOMPARE(owner.windowTitle(), QString("ZEL"));
    }

    // A long file counts for more than a short one: after the short first file of two,
    // most of the work is still ahead.
    void theTimeLeftFollowsTheInputBytesNotTheFileCount() {
        zel::RemainingTimeEstimate estimate({1000, 3000});
        estimate.SetPosition(0, 50);
        QVERIFY(!estimate.SecondsLeft(0.5));
        QCOMPARE(estimate.SecondsLeft(1.0).value_or(-1), 7.0);
        estimate.SetPosition(1, 0);
        QCOMPARE(estimate.SecondsLeft(2.0).value_or(-1), 6.0);
        estimate.SetPosition(1, 50);
        QCOMPARE(estimate.SecondsLeft(5.0).value_or(-1), 3.0);
        estimate.SetPosition(2, 0);
        QCOMPARE(estimate.SecondsLeft(9.0).value_or(-1), 0.0);
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
        QTRY_COMPARE_WITH_TIMEOUT(gate.Pauses(), 1, kDeadline);
        QCOMPARE(Report(dlg, 0, zel::kCurrentFileBar), std::intptr_t{0});
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
            QCOMPARE(Report(dlg, 0, zel::kCurrentFileBar), zel::kCancelAnswer);
        }
        gate.Open();
        QTRY_VERIFY_WITH_TIMEOUT(dlg.BatchFinished(), kDeadline);
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
        QCOMPARE(AllFilesShare(dlg), 1.0);
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
        // From the opening position 0 to full, moving within the first file as well.
        QCOMPARE(allValues.front(), 0);
        QCOMPARE(allValues.back(), dlg.AllFilesBar()->maximum());
        QVERIFY(std::is_sorted(allValues.begin(), allValues.end()));
        QVERIFY(std::any_of(allValues.begin(), allValues.end(), [&](int value) {
            return value > 0 && value < dlg.AllFilesBar()->maximum() / 2;
        }));
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
            QTRY_COMPARE_WITH_TIMEOUT(gate.Pauses(), 1, kDeadline);
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
