#include "app/result_dlg.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDesktopServices>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QStyle>
#include <QTreeWidget>
#include <QUrl>
#include <QVBoxLayout>

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
constexpr int kFileNameColumn = 0;
constexpr int kMessageColumn = 1;

bool ShowInFileManager(const QString& folder) {
    return QDesktopServices::openUrl(QUrl::fromLocalFile(folder));
}

// A cell as one field of a tab-separated line, escaped as zel-cli escapes a name, so every
// row stays one line of two fields.
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
    m_list->setColumnCount(2);
    m_list->setHeaderLabels({tr("ファイル名"), tr("メッセージ")});
    m_list->setColumnWidth(kFileNameColumn, kFileNameColumnWidth);
    m_list->setColumnWidth(kMessageColumn, kMessageColumnWidth);
    m_list->setRootIsDecorated(false);
    m_list->setUniformRowHeights(true);
    m_list->setSortingEnabled(false);
    m_list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_list->header()->setSectionsClickable(false);
    // A wider dialog gives the messages the room.
    m_list->header()->setStretchLastSection(true);
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
    layout->addLayout(CreateButtonRow());
    setTabOrder(m_closeButton, m_list);
    m_closeButton->setFocus();

    // Both columns and a dozen rows in view at first; smaller when the user wants.
    const int frame = 2 * m_list->frameWidth();
    const int rowHeight = m_list->fontMetrics().height() + kRowPadding;
    const int fullWidth = frame + kFileNameColumnWidth + kMessageColumnWidth +
                          m_list->verticalScrollBar()->sizeHint().width();
    const int headerHeight = m_list->header()->sizeHint().height() + frame;
    m_list->setMinimumSize(fullWidth, headerHeight + kVisibleRows * rowHeight);
    resize(sizeHint());
    m_list->setMinimumSize(kFileNameColumnWidth, headerHeight + kMinimumVisibleRows * rowHeight);
    RememberDialogSize(*this, QStringLiteral("result"));
}

QLayout* CResultDlg::CreateButtonRow() {
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
    connect(m_closeButton, &QPushButton::clicked, this, &CResultDlg::reject);

    // The close button stays in the middle, the others keep to the left.
    auto* tools = new QHBoxLayout;
    tools->addWidget(m_openFolderButton);
    tools->addWidget(m_copyButton);
    tools->addStretch();
    auto* row = new QGridLayout;
    row->addLayout(tools, 0, 0);
    row->addWidget(m_closeButton, 0, 1);
    row->setColumnStretch(0, 1);
    row->setColumnStretch(2, 1);
    row->setColumnMinimumWidth(2, tools->sizeHint().width());
    return row;
}

void CResultDlg::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    UpdateOpenFolderButton();
    if (m_shownBefore) return;
    m_shownBefore = true;
    FitOnScreen(*this);
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
                        const QString& outputFolder) {
    m_results.push_back(outcome.code);
    m_details.push_back(outcome.detail);
    m_clipped.push_back(outcome.clippedSamples);
    AppendRow(fileName, MessageFor(outcome), OutcomeOf(outcome.code), outputFolder);
}

void CResultDlg::AddNotProcessedRow(const QString& fileName, const QString& outputFolder) {
    AppendRow(fileName, tr("未処理"), Outcome::kNotProcessed, outputFolder);
}

void CResultDlg::AppendRow(const QString& fileName, const QString& message, Outcome outcome,
                           const QString& outputFolder) {
    // Owned by the list from the start.
    auto* item = new QTreeWidgetItem(m_list, QStringList{fileName, message});
    item->setData(kFileNameColumn, Qt::UserRole, QVariant::fromValue(m_fileCount));
    // Marked by an icon before the message, not by colour alone; the names stay aligned.
    if (outcome == Outcome::kFailed)
        item->setIcon(kMessageColumn, style()->standardIcon(QStyle::SP_MessageBoxCritical));
    if (outcome == Outcome::kCancelled)
        item->setIcon(kMessageColumn, style()->standardIcon(QStyle::SP_MessageBoxWarning));
    if (outcome == Outcome::kNotProcessed) {
        for (int column : {kFileNameColumn, kMessageColumn})
            item->setForeground(column, palette().brush(QPalette::Disabled, QPalette::Text));
    }
    m_fileNames << fileName;
    m_outputFolders << (outputFolder.isEmpty() ? QFileInfo(fileName).absolutePath() : outputFolder);
    m_outcomes.push_back(outcome);
    ++m_fileCount;
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
    for (std::size_t row = 0; row < m_outcomes.size(); ++row) {
        if (m_outcomes[row] == Outcome::kConverted)
            return m_outputFolders.value(static_cast<int>(row));
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
    if (m_prompts != nullptr)
        m_prompts->ShowError(this, tr("出力フォルダを開けませんでした。\n%1").arg(folder));
}

QString CResultDlg::RowsAsText() const {
    const QList<QTreeWidgetItem*> selected = m_list->selectedItems();
    QStringList lines{m_list->headerItem()->text(kFileNameColumn) + '\t' +
                      m_list->headerItem()->text(kMessageColumn)};
    // Batch order, whatever the order the rows were selected in.
    for (int row = 0; row < m_list->topLevelItemCount(); ++row) {
        const QTreeWidgetItem* item = m_list->topLevelItem(row);
        if (!selected.isEmpty() && !item->isSelected()) continue;
        lines << FieldText(item->text(kFileNameColumn)) + '\t' +
                     FieldText(item->text(kMessageColumn));
    }
    return lines.join('\n') + '\n';
}

void CResultDlg::CopyRows() { QApplication::clipboard()->setText(RowsAsText()); }
