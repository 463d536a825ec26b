#include "app/progress_dlg.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>

#include "app/dialog_units.h"
#include "engine/batch_messages.h"

namespace {

// The current-file bar counts percent.
constexpr int kPercentSteps = 100;
// Widths in dialog units: 36 and 12 average Latin characters of the dialog's font.
constexpr int kBarWidthUnits = 144;
constexpr int kButtonWidthUnits = 48;

// A position the bar accepts: a bar ignores values outside its range instead of
// stopping at the end, and a completed file may report more than 100 percent.
int PositionWithin(const QProgressBar& bar, std::uintptr_t position) {
    return static_cast<int>(std::min<std::uintptr_t>(position, bar.maximum()));
}

}  // namespace

CProgressDlg::CProgressDlg(QWidget* parent)
    : QDialog(parent), m_messageWindow([this] { return m_job.m_cancel; }) {
    setWindowTitle(QStringLiteral("ZEL"));
    // A caption without a close box: the batch decides when this dialog ends.
    setWindowFlags(Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    CreateControls();
    connect(&m_messageWindow, &QtMessageWindow::progressReported, this, &CProgressDlg::OnProgress);
    connect(&m_messageWindow, &QtMessageWindow::batchFinished, this,
            &CProgressDlg::OnBatchFinished);
    m_job.m_window = &m_messageWindow;
}

CProgressDlg::~CProgressDlg() { StopWorker(); }

void CProgressDlg::CreateControls() {
    const DialogUnits units(font());
    m_cancelButton = new QPushButton(tr("キャンセル"), this);
    m_cancelButton->setObjectName(QStringLiteral("cancelButton"));
    m_cancelButton->setMinimumWidth(units.X(kButtonWidthUnits));
    connect(m_cancelButton, &QPushButton::clicked, this, &CProgressDlg::OnCancel);

    m_allFilesBar = new QProgressBar(this);
    m_allFilesBar->setObjectName(QStringLiteral("allFilesBar"));
    m_currentFileBar = new QProgressBar(this);
    m_currentFileBar->setObjectName(QStringLiteral("currentFileBar"));
    m_currentFileBar->setRange(0, kPercentSteps);
    m_currentFileBar->setValue(0);
    for (QProgressBar* bar : {m_allFilesBar, m_currentFileBar}) {
        bar->setTextVisible(false);
        bar->setMinimumWidth(units.X(kBarWidthUnits));
        bar->setFocusPolicy(Qt::NoFocus);
    }

    auto* grid = new QGridLayout;
    grid->addWidget(new QLabel(tr("すべてのファイル"), this), 0, 0);
    grid->addWidget(m_allFilesBar, 0, 1);
    grid->addWidget(new QLabel(tr("現在のファイル"), this), 1, 0);
    grid->addWidget(m_currentFileBar, 1, 1);

    auto* buttonRow = new QHBoxLayout;
    buttonRow->addStretch();
    buttonRow->addWidget(m_cancelButton);
    buttonRow->addStretch();

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addLayout(buttonRow);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    m_cancelButton->setFocus();
}

int CProgressDlg::DoModal() {
    // Hiding a modal dialog ends its loop; it comes back until the batch is over.
    while (!m_batchFinished) exec();
    return 0;
}

void CProgressDlg::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    // The job is filled between construction and the first showing; shown again after a
    // hide, the dialog goes on with the batch it has.
    if (!m_batchStarted) StartBatch();
}

void CProgressDlg::StartBatch() {
    m_batchStarted = true;
    m_allFilesBar->setRange(0, std::max(m_job.m_fileCount, 0));
    m_allFilesBar->setValue(0);
    if (m_job.StartWorker()) return;
    // No thread to run the batch: nothing was processed, and the dialog must not wait for
    // a worker that does not exist. Ended from the loop, which is not running yet here.
    m_job.m_fileCount = 0;
    m_batchFinished = true;
    QTimer::singleShot(0, this, [this] { done(0); });
}

void CProgressDlg::OnProgress(std::intptr_t bar, std::uintptr_t position) {
    QProgressBar* target = bar == zel::kAllFilesBar      ? m_allFilesBar
                           : bar == zel::kCurrentFileBar ? m_currentFileBar
                                                         : nullptr;
    if (target != nullptr) target->setValue(PositionWithin(*target, position));
}

void CProgressDlg::OnBatchFinished() {
    m_batchFinished = true;
    done(0);
}

void CProgressDlg::OnCancel() { m_job.m_cancel = true; }

void CProgressDlg::reject() { OnCancel(); }

void CProgressDlg::closeEvent(QCloseEvent* event) {
    OnCancel();
    event->ignore();
}

void CProgressDlg::StopWorker() {
    if (m_job.m_hThread.Started() && !m_batchFinished) {
        OnCancel();
        // The worker's messages are queued to this thread; it ends after the last one.
        while (!m_batchFinished)
            QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents |
                                            QEventLoop::WaitForMoreEvents);
    }
    m_job.JoinWorker();
}
