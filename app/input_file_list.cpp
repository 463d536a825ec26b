#include "app/input_file_list.h"

#include <QContextMenuEvent>
#include <QDesktopServices>
#include <QFileInfo>
#include <QHeaderView>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QToolTip>
#include <QScrollBar>
#include <algorithm>

#include "app/input_row_text.h"

namespace {

struct ColumnSpec {
    const char* header;  // translated when the columns are set up
    int width;           // pixels
};

constexpr ColumnSpec kColumns[kInputColumnCount] = {
    {QT_TRANSLATE_NOOP("InputFileList", "ファイル名"), 240},
    {QT_TRANSLATE_NOOP("InputFileList", "記録時間"), 70},
    {QT_TRANSLATE_NOOP("InputFileList", "チャンネル数"), 70},
    {QT_TRANSLATE_NOOP("InputFileList", "サンプリング周波数"), 70},
    {QT_TRANSLATE_NOOP("InputFileList", "量子化ビット数"), 70},
    {QT_TRANSLATE_NOOP("InputFileList", "形式"), 50},
    {QT_TRANSLATE_NOOP("InputFileList", "フォルダ"), 240},
};

// Room beside a header text for the section's margins.
constexpr int kHeaderTextMargin = 16;

// What a row keeps beside its texts, on its first cell.
constexpr int kPathRole = Qt::UserRole;
constexpr int kDeviceRole = Qt::UserRole + 1;
constexpr int kInodeRole = Qt::UserRole + 2;
constexpr int kRelativeRole = Qt::UserRole + 3;
constexpr int kSecondsRole = Qt::UserRole + 4;

bool OpenWithDesktop(const QUrl& url) { return QDesktopServices::openUrl(url); }

std::optional<zel::platform::FileIdentity> IdentityOf(const QTreeWidgetItem& item) {
    const QVariant device = item.data(kFileNameColumn, kDeviceRole);
    const QVariant inode = item.data(kFileNameColumn, kInodeRole);
    if (!device.isValid() || !inode.isValid()) return std::nullopt;
    return zel::platform::FileIdentity{device.toULongLong(), inode.toULongLong()};
}

}  // namespace

InputFileList::InputFileList(QWidget* parent)
    : QTreeWidget(parent), m_urlOpener(OpenWithDesktop) {
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSortingEnabled(false);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    // A deep folder keeps its start and its last folders in view.
    setTextElideMode(Qt::ElideMiddle);
    SetUpColumns();
    SetUpDropHint();
    connect(header(), &QHeaderView::sectionClicked, this, &InputFileList::SortByColumn);
    connect(model(), &QAbstractItemModel::rowsRemoved, this, [this] { m_identities.reset(); });
    connect(model(), &QAbstractItemModel::modelReset, this, [this] { m_identities.reset(); });
    // Sorting takes every row out and puts it back; the count is the same after.
    for (auto signal : {&QAbstractItemModel::rowsInserted, &QAbstractItemModel::rowsRemoved})
        connect(model(), signal, this, &InputFileList::OnRowsChanged);
    connect(model(), &QAbstractItemModel::modelReset, this, &InputFileList::OnRowsChanged);
}

InputFileList::~InputFileList() { disconnect(model(), nullptr, this, nullptr); }

void InputFileList::SetUpDropHint() {
    m_dropHint = new QLabel(
        tr("ここにファイルやフォルダをドロップして追加できます\n"
           "（「ファイル追加」「フォルダ指定」ボタンからも追加できます）"),
        viewport());
    m_dropHint->setObjectName(QStringLiteral("dropHint"));
    m_dropHint->setAlignment(Qt::AlignCenter);
    m_dropHint->setWordWrap(true);
    m_dropHint->setForegroundRole(QPalette::PlaceholderText);
    // Clicks, right clicks and drops reach the list under it.
    m_dropHint->setAttribute(Qt::WA_TransparentForMouseEvents);
    m_dropHint->setGeometry(viewport()->rect());
}

void InputFileList::OnRowsChanged() {
    m_dropHint->setVisible(RowCount() == 0);
    emit rowsChanged();
}

void InputFileList::resizeEvent(QResizeEvent* event) {
    QTreeWidget::resizeEvent(event);
    m_dropHint->setGeometry(viewport()->rect());
}

void InputFileList::SetUpColumns() {
    setColumnCount(kInputColumnCount);
    QStringList headers;
    for (const ColumnSpec& column : kColumns) headers << tr(column.header);
    setHeaderLabels(headers);
    QHeaderView* head = header();
    // The folder, last, takes the room the window gives the list.
    head->setStretchLastSection(true);
    head->setSectionsClickable(true);
    head->setSectionsMovable(false);
    head->setSortIndicatorShown(true);
    head->setSortIndicator(-1, Qt::AscendingOrder);
    head->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    // The widths are wide enough for the numbers; a header text wider than its column
    // widens the column, so every caption can be read in this font.
    const QFontMetrics metrics(head->font());
    for (int c = 0; c < kInputColumnCount; ++c) {
        const int captionWidth = metrics.horizontalAdvance(headers[c]) + kHeaderTextMargin;
        setColumnWidth(c, std::max(kColumns[c].width, captionWidth));
    }
}

int InputFileList::WidthForColumns() const {
    int width = 2 * frameWidth() + verticalScrollBar()->sizeHint().width();
    for (int c = 0; c < kInputColumnCount; ++c)
        width += std::max(kColumns[c].width, columnWidth(c));
    return width;
}

QSize InputFileList::sizeHint() const {
    return m_naturalSize.isValid() ? m_naturalSize : QTreeWidget::sizeHint();
}

QString InputFileList::CellText(int row, int column) const {
    const QTreeWidgetItem* item = topLevelItem(row);
    return item != nullptr ? item->text(column) : QString();
}

QStringList InputFileList::Paths() const {
    QStringList paths;
    paths.reserve(RowCount());
    for (int row = 0; row < RowCount(); ++row)
        paths << topLevelItem(row)->data(kFileNameColumn, kPathRole).toString();
    return paths;
}

QStringList InputFileList::RelativePaths() const {
    QStringList relatives;
    relatives.reserve(RowCount());
    for (int row = 0; row < RowCount(); ++row)
        relatives << topLevelItem(row)->data(kFileNameColumn, kRelativeRole).toString();
    return relatives;
}

bool InputFileList::ContainsFile(const zel::platform::FileIdentity& identity) const {
    if (!m_identities) {
        m_identities.emplace();
        for (int row = 0; row < RowCount(); ++row)
            if (const auto listed = IdentityOf(*topLevelItem(row))) m_identities->insert(*listed);
    }
    return m_identities->contains(identity);
}

void InputFileList::AppendRow(const QString& path, const zel::InputProbe& probe,
                              const zel::platform::FileIdentity& identity,
                              const QString& relative) {
    const std::uint32_t rate = probe.format.sampleRate;
    const double seconds = rate > 0 ? static_cast<double>(probe.frames) / rate : 0.0;
    AppendTexts(path, relative, FormatColumnTexts(probe), seconds, identity);
}

double InputFileList::TotalSeconds() const {
    double total = 0.0;
    for (int row = 0; row < RowCount(); ++row)
        total += topLevelItem(row)->data(kFileNameColumn, kSecondsRole).toDouble();
    return total;
}

void InputFileList::AppendTexts(const QString& path, const QString& relative, RowTexts texts,
                                double seconds,
                                const std::optional<zel::platform::FileIdentity>& identity) {
    const QFileInfo file(path);
    texts.cells[kFileNameColumn] = file.fileName();
    texts.cells[kFolderColumn] = file.absolutePath();
    auto* item = new QTreeWidgetItem;
    for (int c = 0; c < kInputColumnCount; ++c) {
        item->setText(c, texts.cells[c]);
        // A text cut off by its column can be read in full in the tip.
        item->setToolTip(c, texts.cells[c]);
    }
    item->setToolTip(kFileNameColumn, file.absoluteFilePath());
    if (!texts.formatTip.isEmpty()) item->setToolTip(kFormatColumn, texts.formatTip);
    item->setToolTip(kFolderColumn, file.absoluteFilePath());
    item->setData(kFileNameColumn, kPathRole, path);
    item->setData(kFileNameColumn, kRelativeRole, relative.isEmpty() ? file.fileName() : relative);
    item->setData(kFileNameColumn, kSecondsRole, seconds);
    if (identity) {
        item->setData(kFileNameColumn, kDeviceRole, QVariant(qulonglong{identity->device}));
        item->setData(kFileNameColumn, kInodeRole, QVariant(qulonglong{identity->inode}));
        if (m_identities) m_identities->insert(*identity);
    }
    addTopLevelItem(item);
    ForgetSortOrder();
}

QString InputFileList::TipOf(int row, int column) const {
    const QTreeWidgetItem* item = topLevelItem(row);
    if (item == nullptr) return {};
    const QString own = item->toolTip(column);
    if (!m_outputNamer) return own;
    const QString output =
        tr("出力先: %1")
            .arg(m_outputNamer(item->data(kFileNameColumn, kPathRole).toString(),
                               item->data(kFileNameColumn, kRelativeRole).toString()));
    return own.isEmpty() ? output : own + u'\n' + output;
}

bool InputFileList::viewportEvent(QEvent* event) {
    if (event->type() != QEvent::ToolTip) return QTreeWidget::viewportEvent(event);
    const auto* help = static_cast<QHelpEvent*>(event);
    const QModelIndex index = indexAt(help->pos());
    const QString tip = index.isValid() ? TipOf(index.row(), index.column()) : QString();
    if (tip.isEmpty())
        QToolTip::hideText();
    else
        QToolTip::showText(help->globalPos(), tip, viewport(), visualRect(index));
    return true;
}

void InputFileList::RemoveSelectedRows() {
    const QList<QTreeWidgetItem*> selected = selectedItems();
    qDeleteAll(selected);
}

void InputFileList::SortByColumn(int column) {
    if (column < 0 || column >= kInputColumnCount) return;
    const bool flip = column == m_sortColumn && m_sortOrder == Qt::AscendingOrder;
    m_sortOrder = flip ? Qt::DescendingOrder : Qt::AscendingOrder;
    m_sortColumn = column;
    header()->setSortIndicator(column, m_sortOrder);

    QTreeWidgetItem* current = currentItem();
    const QList<QTreeWidgetItem*> selected = selectedItems();
    QList<QTreeWidgetItem*> rows = invisibleRootItem()->takeChildren();
    const int sign = m_sortOrder == Qt::AscendingOrder ? 1 : -1;
    std::stable_sort(rows.begin(), rows.end(),
                     [column, sign](QTreeWidgetItem* a, QTreeWidgetItem* b) {
                         return sign * CompareCellTexts(a->text(column), b->text(column)) < 0;
                     });
    addTopLevelItems(rows);
    if (current != nullptr) setCurrentItem(current, 0, QItemSelectionModel::NoUpdate);
    for (QTreeWidgetItem* item : selected) item->setSelected(true);
}

void InputFileList::ForgetSortOrder() {
    if (m_sortColumn < 0) return;
    m_sortColumn = -1;
    header()->setSortIndicator(-1, Qt::AscendingOrder);
}

QMenu* InputFileList::RowMenuAt(const QPoint& viewportPos) {
    QTreeWidgetItem* item = itemAt(viewportPos);
    // As in a file manager: a right click on a row outside the selection selects that row.
    if (item != nullptr && !item->isSelected()) {
        clearSelection();
        item->setSelected(true);
    }
    if (item != nullptr) setCurrentItem(item, 0, QItemSelectionModel::NoUpdate);
    auto* menu = new QMenu(this);
    QAction* remove = menu->addAction(tr("リストから削除(&R)"), this,
                                      &InputFileList::RemoveSelectedRows);
    remove->setObjectName(QStringLiteral("removeRowsAction"));
    remove->setShortcut(QKeySequence::Delete);
    remove->setEnabled(!selectedItems().isEmpty());
    menu->addSeparator();
    const QString path =
        item != nullptr ? item->data(kFileNameColumn, kPathRole).toString() : QString();
    QAction* folder = menu->addAction(tr("フォルダを開く(&O)"), this, [this, path] {
        Open(QFileInfo(path).absolutePath());
    });
    folder->setObjectName(QStringLiteral("openFolderAction"));
    QAction* play = menu->addAction(tr("再生(&P)"), this, [this, path] { Open(path); });
    play->setObjectName(QStringLiteral("playAction"));
    play->setToolTip(tr("既定のプレーヤーで再生します"));
    for (QAction* action : {folder, play}) action->setEnabled(item != nullptr);
    return menu;
}

void InputFileList::Open(const QString& path) {
    if (m_urlOpener && m_urlOpener(QUrl::fromLocalFile(path))) return;
    emit openFailed(path);
}

void InputFileList::contextMenuEvent(QContextMenuEvent* event) {
    // Forwarded from the viewport, whose coordinates it carries.
    QMenu* menu = RowMenuAt(event->pos());
    menu->exec(event->globalPos());
    delete menu;
    event->accept();
}

void InputFileList::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Delete) {
        RemoveSelectedRows();
        event->accept();
        return;
    }
    QTreeWidget::keyPressEvent(event);
}
