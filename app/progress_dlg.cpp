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

#include "engine/batch_messages.h"

namespace {

// The current-file bar counts percent.
constexpr int kPercentSteps = 100;
// Widths in average Latin characters of the dialog's font (a CJK font's own average is
// the width of a full-width character, twice as much).
constexpr int kBarWidthChars = 36;
constexpr int kButtonWidthChars = 12;
const QString kLatinSample = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");

int CharWidthsInPixels(const QFontMetrics& metrics, int chars) {
    return metrics.horizontalAdvance(kLatinSample) * chars / static_cast<int>(kLatinSample.size());
}

// A position the bar accepts: a bar ignores values outside its range instead of
// stopping at the end, and a completed file may report more than 100 percent.
int PositionWithin(const QProgressBar& bar, std::uintptr_t position) {
    return static_cast<int>(std::min<std::uintptr_t>(position, bar.maximum()));
}

}  // namespace

CProgressDlg::CProgressDlg(QWidget* parent)
    : QDialog(parent),
      m_messageWindow([this](std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) {
          return HandleMessage(message, wParam, lParam);
      }) {
    setWindowTitle(QStringLiteral("ZEL"));
    // A caption without a close box: the batch decides when this dialog ends.
    setWindowFlags(Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    CreateControls();
    m_job.m_window = &m_messageWindow;
}

CProgressDlg::~CProgressDlg() { StopWorker(); }

void CProgressDlg::CreateControls() {
    m_cancelButton = new QPushButton(tr("キャンセル"), this);
    m_cancelButton->setObjectName(QStringLiteral("cancelButton"));
    m_cancelButton->setMinimumWidth(CharWidthsInPixels(fontMetrics(), kButtonWidthChars));
    connect(m_cancelButton, &QPushButton::clicked, this, &CProgressDlg::OnCancel);

    const int barWidth = CharWidthsInPixels(fontMetrics(), kBarWidthChars);
    m_allFilesBar = new QProgressBar(this);
    m_allFilesBar->setObjectName(QStringLiteral("allFilesBar"));
    m_currentFileBar = new QProgressBar(this);
    m_currentFileBar->setObjectName(QStringLiteral("currentFileBar"));
    for (QProgressBar* bar : {m_allFilesBar, m_currentFileBar}) {
        bar->setTextVisible(false);
        bar->setMinimumWidth(barWidth);
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
}

int CProgressDlg::DoModal() {
    // Hiding a modal dialog ends its loop; it comes back until the batch is over.
    while (!m_batchFinished) exec();
    return 0;
}

void CProgressDlg::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    // The job is filled between construction and the first showing.
    if (!m_initialised) {
        m_initialised = true;
        OnInitDialog();
    }
    if (!m_job.m_hThread.Started()) StartWorker();
}

void CProgressDlg::OnInitDialog() {
    m_allFilesBar->setRange(0, std::max(m_job.m_fileCount, 0));
    m_allFilesBar->setValue(0);
    m_currentFileBar->setRange(0, kPercentSteps);
    m_currentFileBar->setValue(0);
    m_job.m_cancel = false;
    m_cancelButton->setFocus();
}

void CProgressDlg::StartWorker() {
    if (m_job.StartWorker()) return;
    // No thread to run the batch: nothing was processed, and the dialog must not wait for
    // a worker that does not exist. Ended from the loop, which is not running yet here.
    m_job.m_fileCount = 0;
    m_batchFinished = true;
    QTimer::singleShot(0, this, [this] { done(0); });
}

std::intptr_t CProgressDlg::HandleMessage(std::uint32_t message, std::uintptr_t wParam,
                                          std::intptr_t lParam) {
    switch (message) {
        case zel::WM_BATCH_PROGRESS:
            return OnProgress(wParam, lParam);
        case zel::WM_BATCH_FINISHED:
            return OnBatchFinished();
        default:
            return 0;
    }
}

std::intptr_t CProgressDlg::OnProgress(std::uintptr_t wParam, std::intptr_t lParam) {
    QProgressBar* bar = lParam == zel::kAllFilesBar      ? m_allFilesBar
                        : lParam == zel::kCurrentFileBar ? m_currentFileBar
                                                         : nullptr;
    if (bar != nullptr) bar->setValue(PositionWithin(*bar, wParam));
    return m_job.m_cancel ? zel::kCancelAnswer : 0;
}

std::intptr_t CProgressDlg::OnBatchFinished() {
    m_batchFinished = true;
    done(0);
    return 0;
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
