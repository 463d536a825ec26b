#include "app/result_dlg.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDialogButtonBox>
#include <QDesktopServices>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QStyle>
#include <QTreeWidget>
#include <QUrl>
#include <QVBoxLayout>
#include <algorithm>

#include "app/dialog_memory.h"
#include "app/elided_text_tip_delegate.h"
#include "app/screen_fit.h"
#include "app/ui_translations.h"
#include "app/user_prompts.h"
#include "batch/existing_output.h"
#include "texts/escaped_name.h"
#include "texts/message_catalogue.h"

namespace {

// Rows the list shows before it scrolls, at first and at the least.
constexpr int kVisibleRows = 12;
constexpr int kMinimumVisibleRows = 4;
constexpr int kRowPadding = 4;
// Room beside what a cell draws, so that a message just fits.
constexpr int kCellPadding = 8;
// A name column never narrower than this, however narrow the dialog.
constexpr int kMinimumNameWidth = 64;
constexpr int kFileNameColumn = CResultDlg::kFileNameColumn;
constexpr int kOutputColumn = CResultDlg::kOutputColumn;
constexpr int kMessageColumn = CResultDlg::kMessageColumn;
constexpr int kColumnCount = 3;

bool ShowInFileManager(const QString& folder) {
    return QDesktopServices::openUrl(QUrl::fromLocalFile(folder));
}

// A cell as one field of a tab-separated line, escaped as zel-cli escapes a name, so every
// row stays one line of three fields.
QString FieldText(const QString& text) {
    return QString::fromStdString(zel::texts::EscapedName(text.toStdString()));
}

int RowOf(const QTreeWidgetItem& item) { return item.data(kFileNameColumn, Qt::UserRole).toInt(); }

}  // namespace

CResultDlg::CResultDlg(QWidget* parent) : QDialog(parent), m_folderOpener(ShowInFileManager) {
    setWindowTitle(tr("実行結果"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    CreateControls();
    ShowSummary();
}

void CResultDlg::CreateControls() {
    m_summaryLabel = new QLabel(this);
    m_summaryLabel->setObjectName(QStringLiteral("summaryLabel"));
    m_summaryLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);

    m_list = new QTreeWidget(this);
    m_list->setObjectName(QStringLiteral("resultList"));
    m_list->setColumnCount(kColumnCount);
    m_list->setHeaderLabels({tr("ファイル名"), tr("出力ファイル"), tr("メッセージ")});
    m_list->setRootIsDecorated(false);
    m_list->setUniformRowHeights(true);
    m_list->setSortingEnabled(false);
    m_list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    QHeaderView* header = m_list->header();
    header->setSectionsClickable(false);
    // The names take what a wider dialog gives; the messages keep the width they need.
    header->setStretchLastSection(false);
    header->setMinimumSectionSize(kMinimumNameWidth);
    header->setSectionResizeMode(kFileNameColumn, QHeaderView::Stretch);
    header->setSectionResizeMode(kOutputColumn, QHeaderView::Stretch);
    header->setSectionResizeMode(kMessageColumn, QHeaderView::Interactive);
    m_list->setColumnWidth(kMessageColumn, kMessageColumnWidth);
    m_list->setTextElideMode(Qt::ElideRight);
    m_list->setItemDelegate(new ElidedTextTipDelegate(m_list));
    connect(m_list, &QTreeWidget::itemSelectionChanged, this, &CResultDlg::UpdateOpenFolderButton);

    auto* copyAction = new QAction(this);
    copyAction->setShortcut(QKeySequence::Copy);
    copyAction->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    connect(copyAction, &QAction::triggered, this, &CResultDlg::CopyRows);
    addAction(copyAction);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_summaryLabel);
    layout->addWidget(m_list, 1);
    layout->addWidget(CreateButtons());
    setTabOrder(m_closeButton, m_list);
    m_closeButton->setFocus();

    // Every column and a dozen rows in view at first; smaller when the user wants.
    const int frame = 2 * m_list->frameWidth();
    const int rowHeight = m_list->fontMetrics().height() + kRowPadding;
    const int fullWidth = frame + kFileNameColumnWidth + kOutputColumnWidth +
                          kMessageColumnWidth + m_list->verticalScrollBar()->sizeHint().width();
    const int headerHeight = m_list->header()->sizeHint().height() + frame;
    m_list->setMinimumSize(fullWidth, headerHeight + kVisibleRows * rowHeight);
    resize(sizeHint());
    m_list->setMinimumSize(kFileNameColumnWidth, headerHeight + kMinimumVisibleRows * rowHeight);
    RememberDialogSize(*this, QStringLiteral("result"));
}

QDialogButtonBox* CResultDlg::CreateButtons() {
    m_buttons = new QDialogButtonBox(this);
    m_buttons->setObjectName(QStringLiteral("resultButtons"));
    m_openFolderButton = new QPushButton(tr("出力フォルダを開く"), this);
    m_openFolderButton->setObjectName(QStringLiteral("openFolderButton"));
    m_openFolderButton->setEnabled(false);
    m_openFolderButton->setAutoDefault(false);
    connect(m_openFolderButton, &QPushButton::clicked, this, &CResultDlg::OpenFolder);
    m_copyButton = new QPushButton(tr("コピー"), this);
    m_copyButton->setObjectName(QStringLiteral("copyButton"));
    m_copyButton->setAutoDefault(false);
    connect(m_copyButton, &QPushButton::clicked, this, &CResultDlg::CopyRows);
    m_closeButton = new QPushButton(tr("閉じる(&X)"), this);
    m_closeButton->setObjectName(QStringLiteral("closeButton"));
    // In one row in the order the desktop's style puts them.
    m_buttons->addButton(m_openFolderButton, QDialogButtonBox::ActionRole);
    m_buttons->addButton(m_copyButton, QDialogButtonBox::ActionRole);
    m_buttons->addButton(m_closeButton, QDialogButtonBox::RejectRole);
    connect(m_buttons, &QDialogButtonBox::rejected, this, &CResultDlg::reject);
    return m_buttons;
}

void CResultDlg::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    UpdateOpenFolderButton();
    if (m_shownBefore) return;
    m_shownBefore = true;
    WidenForColumns();
    FitOnScreen(*this);
}

void CResultDlg::WidenForColumns() {
    const int needed = 2 * m_list->frameWidth() + kFileNameColumnWidth + kOutputColumnWidth +
                       m_list->columnWidth(kMessageColumn) +
                       m_list->verticalScrollBar()->sizeHint().width();
    const int missing = needed - m_list->width();
    if (missing > 0) resize(width() + missing, height());
}

void CResultDlg::FitMessageColumn(int row) {
    // As wide as the list draws the cell, icon and margins included, so it is not cut.
    const QModelIndex index = m_list->model()->index(row, kMessageColumn);
    const int wanted = m_list->sizeHintForIndex(index).width() + kCellPadding;
    const int width = std::min(wanted, kMaxMessageColumnWidth);
    if (width > m_list->columnWidth(kMessageColumn)) m_list->setColumnWidth(kMessageColumn, width);
}

CResultDlg::Outcome CResultDlg::OutcomeOf(zel::ConversionResult code) {
    switch (code) {
        case zel::kCompleted:
            return Outcome::kConverted;
        case zel::kCancelled:
            return Outcome::kCancelled;
        case zel::kSkippedExisting:
            return Outcome::kSkipped;
        default:
            return Outcome::kFailed;
    }
}

void CResultDlg::AddRow(const QString& fileName, const zel::ConversionOutcome& outcome,
                        const QString& outputPath) {
    m_results.push_back(outcome.code);
    m_details.push_back(outcome.detail);
    m_clipped.push_back(outcome.clippedSamples);
    AppendRow(fileName, MessageFor(outcome), OutcomeOf(outcome.code), outputPath,
              outcome.clippedSamples > 0);
}

void CResultDlg::AddNotProcessedRow(const QString& fileName, const QString& outputPath) {
    AppendRow(fileName, tr("未処理"), Outcome::kNotProcessed, outputPath, false);
}

void CResultDlg::AppendRow(const QString& fileName, const QString& message, Outcome outcome,
                           const QString& outputPath, bool clipped) {
    const QFileInfo output(outputPath);
    // Owned by the list from the start.
    auto* item = new QTreeWidgetItem(
        m_list, QStringList{fileName, outputPath.isEmpty() ? QString() : output.fileName(), message});
    item->setData(kFileNameColumn, Qt::UserRole, QVariant::fromValue(m_fileCount));
    if (!outputPath.isEmpty()) item->setToolTip(kOutputColumn, outputPath);
    // Marked by an icon before the message, not by colour alone; the names stay aligned.
    if (outcome == Outcome::kFailed)
        item->setIcon(kMessageColumn, style()->standardIcon(QStyle::SP_MessageBoxCritical));
    if (outcome == Outcome::kCancelled || clipped)
        item->setIcon(kMessageColumn, style()->standardIcon(QStyle::SP_MessageBoxWarning));
    if (outcome == Outcome::kNotProcessed) {
        for (int column = 0; column < kColumnCount; ++column)
            item->setForeground(column, palette().brush(QPalette::Disabled, QPalette::Text));
    }
    m_fileNames << fileName;
    m_outputPaths << outputPath;
    m_outputFolders << (outputPath.isEmpty() ? QFileInfo(fileName).absolutePath()
                                             : output.absolutePath());
    m_outcomes.push_back(outcome);
    if (clipped) ++m_clippedRows;
    ++m_fileCount;
    FitMessageColumn(m_list->topLevelItemCount() - 1);
    ShowSummary();
}

QString CResultDlg::MessageFor(const zel::ConversionOutcome& outcome) {
    const std::string text = zel::texts::OutcomeText(outcome, InstalledUiLanguage()) +
                             zel::texts::OutcomeNotesText(outcome, InstalledUiLanguage());
    return QString::fromStdString(text);
}

void CResultDlg::ShowSummary() {
    int counts[5] = {};
    for (const Outcome outcome : m_outcomes) ++counts[static_cast<int>(outcome)];
    const auto count = [&](Outcome outcome) { return counts[static_cast<int>(outcome)]; };
    // The converted files always, the other outcomes when there are any.
    QStringList parts{tr("変換 %1 件").arg(count(Outcome::kConverted))};
    if (m_clippedRows > 0) parts << tr("クリップあり %1 件").arg(m_clippedRows);
    if (count(Outcome::kCancelled) > 0) parts << tr("中断 %1 件").arg(count(Outcome::kCancelled));
    if (count(Outcome::kFailed) > 0) parts << tr("失敗 %1 件").arg(count(Outcome::kFailed));
    if (count(Outcome::kSkipped) > 0) parts << tr("スキップ %1 件").arg(count(Outcome::kSkipped));
    if (count(Outcome::kNotProcessed) > 0)
        parts << tr("未処理 %1 件").arg(count(Outcome::kNotProcessed));
    m_summaryLabel->setText(parts.join(tr("、")));
}

QString CResultDlg::FolderToOpen() const {
    const QTreeWidgetItem* current = m_list->currentItem();
    if (current != nullptr && current->isSelected()) return m_outputFolders.value(RowOf(*current));
    // A skipped file's output is there as well: a batch that skipped everything still
    // has a folder to show.
    for (const Outcome wanted : {Outcome::kConverted, Outcome::kSkipped}) {
        for (std::size_t row = 0; row < m_outcomes.size(); ++row) {
            if (m_outcomes[row] == wanted) return m_outputFolders.value(static_cast<int>(row));
        }
    }
    return {};
}

void CResultDlg::UpdateOpenFolderButton() {
    const QString folder = FolderToOpen();
    // A folder that is not there (an output that could not be made) cannot be shown.
    m_openFolderButton->setEnabled(!folder.isEmpty() && QFileInfo(folder).isDir());
    m_openFolderButton->setToolTip(folder);
}

void CResultDlg::OpenFolder() {
    const QString folder = FolderToOpen();
    if (folder.isEmpty() || !m_folderOpener || m_folderOpener(folder)) return;
    // No program to show folders (xdg-open missing): the path can still be pasted into
    // whatever file manager there is.
    QApplication::clipboard()->setText(folder);
    if (m_prompts != nullptr)
        m_prompts->ShowError(this, tr("出力フォルダを開くプログラムが見つかりませんでした。\n"
                                      "フォルダのパスをクリップボードにコピーしました。\n%1")
                                       .arg(folder));
}

QString CResultDlg::RowsAsText() const {
    const QList<QTreeWidgetItem*> selected = m_list->selectedItems();
    QStringList lines{m_list->headerItem()->text(kFileNameColumn) + '\t' +
                      m_list->headerItem()->text(kOutputColumn) + '\t' +
                      m_list->headerItem()->text(kMessageColumn)};
    // Batch order, whatever the order the rows were selected in.
    for (int row = 0; row < m_list->topLevelItemCount(); ++row) {
        const QTreeWidgetItem* item = m_list->topLevelItem(row);
        if (!selected.isEmpty() && !item->isSelected()) continue;
        lines << FieldText(item->text(kFileNameColumn)) + '\t' +
                     FieldText(m_outputPaths.value(RowOf(*item))) + '\t' +
                     FieldText(item->text(kMessageColumn));
    }
    return lines.join('\n') + '\n';
}

void CResultDlg::CopyRows() { QApplication::clipboard()->setText(RowsAsText()); }
