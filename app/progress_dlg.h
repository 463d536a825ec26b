#pragma once
// The progress dialog of a batch. It holds the batch's job, starts the worker the first
// time it appears, and is the worker's only receiver: a progress report moves one of its
// two bars and is answered with the cancel request, the batch's end closes it.
// Beside the bars it names the file in progress with its number, the time so far and,
// once it can be told, the time still needed. The all-files bar and the time left share one
// measure, the input bytes done, so they always agree; the bar moves within a file too.
// The share done also shows in its title and its owner window's ("36% — ZEL"), so the
// task bar tells how far the batch is while the windows are covered.
// The user cannot close it: Cancel, Esc and the window manager's close only ask the
// running conversion to stop, and the dialog goes away when the worker says the batch
// is over. The worker is joined before the dialog is destroyed.

#include <QDialog>
#include <QElapsedTimer>
#include <QTimer>
#include <cstdint>

#include "app/qt_message_window.h"
#include "batch/batch_job.h"
#include "batch/remaining_time.h"

class ElidedLabel;
class QLabel;
class QProgressBar;
class QPushButton;

class CProgressDlg : public QDialog {
    Q_OBJECT

  public:
    explicit CProgressDlg(QWidget* parent = nullptr);
    ~CProgressDlg() override;

    // The batch: filled before the dialog is shown, its results read after DoModal.
    zel::BatchJob& Job() { return m_job; }
    const zel::BatchJob& Job() const { return m_job; }

    // Shows the dialog modally until the batch is over, even when something hides it in
    // between. Returns 0.
    int DoModal();
    bool BatchFinished() const { return m_batchFinished; }

    QProgressBar* AllFilesBar() const { return m_allFilesBar; }
    QProgressBar* CurrentFileBar() const { return m_currentFileBar; }
    QPushButton* CancelButton() const { return m_cancelButton; }
    ElidedLabel* FileNameLabel() const { return m_fileNameLabel; }
    QLabel* FileNumberLabel() const { return m_fileNumberLabel; }
    QLabel* ElapsedLabel() const { return m_elapsedLabel; }
    QLabel* RemainingLabel() const { return m_remainingLabel; }
    // The files the worker has reported finished.
    std::int64_t FilesDone() const { return m_filesDone; }

    void reject() override;

  public slots:
    // Moves `bar` (kAllFilesBar, kCurrentFileBar) to `position`.
    void OnProgress(std::intptr_t bar, std::uintptr_t position);
    void OnBatchFinished();
    // Cancel, Esc, the window manager's close: only the request, once and for good.
    void OnCancel();

  protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

  private:
    void CreateControls();
    void StartBatch();
    void OnFilesDone(std::uintptr_t filesDone);
    void OnFilePercent(std::uintptr_t percent);
    // The all-files bar, the file's name and number from the position reported last.
    void ShowPosition();
    void ShowCurrentFile();
    void ShowTimes();
    // "N% — ZEL" on this dialog and its owner window, while the batch runs.
    void ShowPercentInTitles(int percent);
    void RestoreOwnerTitle();
    // Asks a still running worker to stop, lets it deliver its last messages and joins it.
    void StopWorker();

    // Declared before the job, so it outlives the worker that sends to it.
    QtMessageWindow m_messageWindow;
    zel::BatchJob m_job;
    bool m_batchStarted = false;
    bool m_batchFinished = false;

    QProgressBar* m_allFilesBar = nullptr;
    QProgressBar* m_currentFileBar = nullptr;
    QPushButton* m_cancelButton = nullptr;
    ElidedLabel* m_fileNameLabel = nullptr;
    QLabel* m_fileNumberLabel = nullptr;
    QLabel* m_elapsedLabel = nullptr;
    QLabel* m_remainingLabel = nullptr;

    // Where the batch stands: files finished and the percentage of the next one.
    std::int64_t m_filesDone = 0;
    std::int64_t m_filePercent = 0;
    // The percentage the titles show; -1 before the first.
    int m_titlePercent = -1;
    // The owner window's title before the batch, given back when it ends.
    QString m_ownerTitle;
    QElapsedTimer m_clock;
    QTimer m_clockTick;
    zel::RemainingTimeEstimate m_estimate{std::vector<std::uint64_t>{}};
};
