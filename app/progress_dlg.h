#pragma once
// The progress dialog of a batch. It holds the batch's job, starts the worker the first
// time it is shown, and is the worker's only receiver: WM_BATCH_PROGRESS moves one of
// its two bars and is answered with the cancel request, WM_BATCH_FINISHED ends it.
// The user cannot close it: Cancel, Esc and the window manager's close only ask the
// running conversion to stop, and the dialog goes away when the worker says the batch
// is over. The worker is joined before the dialog is destroyed.

#include <QDialog>
#include <cstdint>

#include "batch/batch_job.h"
#include "app/qt_message_window.h"

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

    // The message handlers, on the GUI thread.
    // lParam selects the bar (kAllFilesBar, kCurrentFileBar), wParam is its new position.
    std::intptr_t OnProgress(std::uintptr_t wParam, std::intptr_t lParam);
    std::intptr_t OnBatchFinished();
    // Cancel, Esc, the window manager's close: only the request, once and for good.
    void OnCancel();

    QProgressBar* AllFilesBar() const { return m_allFilesBar; }
    QProgressBar* CurrentFileBar() const { return m_currentFileBar; }
    QPushButton* CancelButton() const { return m_cancelButton; }

    void reject() override;

  protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

  private:
    void CreateControls();
    void OnInitDialog();
    void StartWorker();
    std::intptr_t HandleMessage(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam);
    // Asks a still running worker to stop, lets it deliver its last messages and joins it.
    void StopWorker();

    // Declared before the job, so it outlives the worker that sends to it.
    QtMessageWindow m_messageWindow;
    zel::BatchJob m_job;
    bool m_initialised = false;
    bool m_batchFinished = false;

    QProgressBar* m_allFilesBar = nullptr;
    QProgressBar* m_currentFileBar = nullptr;
    QPushButton* m_cancelButton = nullptr;
};
