#include "app/progress_dlg.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

#include "app/dialog_units.h"
#include "app/duration_text.h"
#include "app/elided_label.h"
#include "app/screen_fit.h"
#include "batch/batch_messages.h"

namespace {

// The current-file bar counts percent.
constexpr int kPercentSteps = 100;
// Widths in dialog units: 36 and 12 average Latin characters of the dialog's font.
constexpr int kBarWidthUnits = 144;
constexpr int kButtonWidthUnits = 48;
// How often the times are brought up to date while nothing else happens.
constexpr int kClockTickMilliseconds = 500;
constexpr double kMillisecondsPerSecond = 1000.0;

// Steps of the all-files bar: fine enough to move within a long file.
constexpr int kShareSteps = 10000;
const QString kProgramName = QStringLiteral("ZEL");

// A position the bar accepts: a bar ignores values outside its range instead of
// stopping at the end, and a completed file may report more than 100 percent.
int PositionWithin(const QProgressBar& bar, std::uintptr_t position) {
    return static_cast<int>(std::min<std::uintptr_t>(position, bar.maximum()));
}

QString DisplayPath(const std::string& path) {
    return QFile::decodeName(QByteArray::fromStdString(path));
}

// Keeps a window's height at what its contents need, whatever its width.
void FixHeight(QWidget& widget) {
    QSizePolicy policy = widget.sizePolicy();
    policy.setVerticalPolicy(QSizePolicy::Fixed);
    widget.setSizePolicy(policy);
}

}  // namespace

CProgressDlg::CProgressDlg(QWidget* parent)
    : QDialog(parent), m_messageWindow([this] { return m_job.m_cancel; }) {
    setWindowTitle(kProgramName);
    // A caption without a close box: the batch decides when this dialog ends.
    setWindowFlags(Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    CreateControls();
    connect(&m_messageWindow, &QtMessageWindow::progressReported, this, &CProgressDlg::OnProgress);
    connect(&m_messageWindow, &QtMessageWindow::batchFinished, this,
            &CProgressDlg::OnBatchFinished);
    m_job.m_window = &m_messageWindow;
    m_clockTick.setInterval(kClockTickMilliseconds);
    connect(&m_clockTick, &QTimer::timeout, this, &CProgressDlg::ShowTimes);
}

CProgressDlg::~CProgressDlg() {
    StopWorker();
    RestoreOwnerTitle();
}

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

    m_fileNumberLabel = new QLabel(this);
    m_fileNumberLabel->setObjectName(QStringLiteral("fileNumberLabel"));
    m_fileNameLabel = new ElidedLabel(this);
    m_fileNameLabel->setObjectName(QStringLiteral("fileNameLabel"));
    m_elapsedLabel = new QLabel(this);
    m_elapsedLabel->setObjectName(QStringLiteral("elapsedLabel"));
    m_remainingLabel = new QLabel(this);
    m_remainingLabel->setObjectName(QStringLiteral("remainingLabel"));
    m_remainingLabel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);

    auto* grid = new QGridLayout;
    grid->addWidget(new QLabel(tr("すべてのファイル"), this), 0, 0);
    grid->addWidget(m_allFilesBar, 0, 1);
    grid->addWidget(m_fileNumberLabel, 0, 2);
    grid->addWidget(new QLabel(tr("現在のファイル"), this), 1, 0);
    grid->addWidget(m_currentFileBar, 1, 1);
    grid->addWidget(m_fileNameLabel, 2, 1, 1, 2);
    auto* timeRow = new QHBoxLayout;
    timeRow->addWidget(m_elapsedLabel);
    timeRow->addStretch();
    timeRow->addWidget(m_remainingLabel);
    grid->addLayout(timeRow, 3, 1, 1, 2);
    grid->setColumnStretch(1, 1);
    for (QLabel* label : findChildren<QLabel*>()) FixHeight(*label);

    auto* buttonRow = new QHBoxLayout;
    buttonRow->addStretch();
    buttonRow->addWidget(m_cancelButton);
    buttonRow->addStretch();

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addLayout(buttonRow);
    // Wider shows more of a long name; the height stays what the rows need.
    layout->setSizeConstraint(QLayout::SetMinAndMaxSize);
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
    if (m_batchStarted) return;
    FitOnScreen(*this);
    StartBatch();
}

void CProgressDlg::StartBatch() {
    m_batchStarted = true;
    m_allFilesBar->setRange(0, kShareSteps);
    m_allFilesBar->setValue(0);
    m_estimate = zel::RemainingTimeEstimate::ForFiles(m_job.m_fileNames);
    if (parentWidget() != nullptr) m_ownerTitle = parentWidget()->window()->windowTitle();
    ShowPercentInTitles(0);
    m_clock.start();
    ShowCurrentFile();
    ShowTimes();
    if (m_job.StartWorker()) {
        m_clockTick.start();
        return;
    }
    // No thread to run the batch: nothing was processed, and the dialog must not wait for
    // a worker that does not exist. Ended from the loop, which is not running yet here.
    m_job.m_fileCount = 0;
    m_batchFinished = true;
    QTimer::singleShot(0, this, [this] { done(0); });
}

void CProgressDlg::OnProgress(std::intptr_t bar, std::uintptr_t position) {
    if (bar == zel::kAllFilesBar) OnFilesDone(position);
    if (bar == zel::kCurrentFileBar) OnFilePercent(position);
}

void CProgressDlg::OnFilesDone(std::uintptr_t filesDone) {
    const std::int64_t fileCount = std::max(m_job.m_fileCount, 0);
    const auto done = static_cast<std::int64_t>(std::min<std::uintptr_t>(filesDone, fileCount));
    // The same position is sent again after the pause before a file; only a new file
    // starts from nothing (the current-file bar itself keeps the last file's value).
    if (done != m_filesDone) {
        m_filesDone = done;
        m_filePercent = 0;
        ShowCurrentFile();
    }
    ShowPosition();
}

void CProgressDlg::OnFilePercent(std::uintptr_t percent) {
    m_currentFileBar->setValue(PositionWithin(*m_currentFileBar, percent));
    m_filePercent = m_currentFileBar->value();
    ShowPosition();
}

void CProgressDlg::ShowPosition() {
    m_estimate.SetPosition(m_filesDone, m_filePercent);
    const double share = m_estimate.DoneShare();
    m_allFilesBar->setValue(static_cast<int>(std::lround(share * kShareSteps)));
    ShowPercentInTitles(static_cast<int>(std::floor(share * kPercentSteps)));
}

void CProgressDlg::ShowPercentInTitles(int percent) {
    if (percent == m_titlePercent) return;
    m_titlePercent = percent;
    const QString title = tr("%1% — %2").arg(percent).arg(kProgramName);
    setWindowTitle(title);
    if (parentWidget() != nullptr) parentWidget()->window()->setWindowTitle(title);
}

void CProgressDlg::RestoreOwnerTitle() {
    if (m_titlePercent < 0 || parentWidget() == nullptr) return;
    parentWidget()->window()->setWindowTitle(m_ownerTitle);
    m_titlePercent = -1;
}

void CProgressDlg::ShowCurrentFile() {
    const std::int64_t fileCount = std::max(m_job.m_fileCount, 0);
    if (fileCount == 0) return;
    // After the last file, the last one stays named.
    const std::int64_t current = std::min(m_filesDone, fileCount - 1);
    m_fileNumberLabel->setText(QStringLiteral("%1 / %2").arg(current + 1).arg(fileCount));
    const QString path = current < static_cast<std::int64_t>(m_job.m_fileNames.size())
                             ? DisplayPath(m_job.m_fileNames[static_cast<std::size_t>(current)])
                             : QString();
    m_fileNameLabel->SetFullText(QFileInfo(path).fileName());
    m_fileNameLabel->setToolTip(path);
}

void CProgressDlg::ShowTimes() {
    const double elapsed = static_cast<double>(m_clock.elapsed()) / kMillisecondsPerSecond;
    m_elapsedLabel->setText(
        tr("経過時間 %1").arg(DurationText(static_cast<std::int64_t>(elapsed))));
    const std::optional<double> left = m_estimate.SecondsLeft(elapsed);
    m_remainingLabel->setText(
        left ? tr("残り時間 約 %1").arg(DurationText(std::llround(std::ceil(*left)))) : QString());
}

void CProgressDlg::OnBatchFinished() {
    m_batchFinished = true;
    m_clockTick.stop();
    RestoreOwnerTitle();
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
