#include "app/input_file_list.h"

#include <QHeaderView>
#include <QKeyEvent>
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
};

// Room beside a header text for the section's margins.
constexpr int kHeaderTextMargin = 16;

}  // namespace

InputFileList::InputFileList(QWidget* parent) : QTreeWidget(parent) {
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSortingEnabled(false);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    SetUpColumns();
    connect(header(), &QHeaderView::sectionClicked, this, &InputFileList::SortByColumn);
}

void InputFileList::SetUpColumns() {
    setColumnCount(kInputColumnCount);
    QStringList headers;
    for (const ColumnSpec& column : kColumns) headers << tr(column.header);
    setHeaderLabels(headers);
    QHeaderView* head = header();
    head->setStretchLastSection(false);
    head->setSectionsClickable(true);
    head->setSectionsMovable(false);
    head->setSortIndicatorShown(false);
    head->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    // The widths are wide enough for the numbers; a header text wider than its column
    // widens the column, so every caption can be read in this font.
    const QFontMetrics metrics(head->font());
    for (int c = 0; c < kInputColumnCount; ++c) {
        const int captionWidth = metrics.horizontalAdvance(headers[c]) + kHeaderTextMargin;
        setColumnWidth(c, std::max(kColumns[c].width, captionWidth));
    }
}

QString InputFileList::CellText(int row, int column) const {
    const QTreeWidgetItem* item = topLevelItem(row);
    return item != nullptr ? item->text(column) : QString();
}

QStringList InputFileList::Paths() const {
    QStringList paths;
    paths.reserve(RowCount());
    for (int row = 0; row < RowCount(); ++row) paths << CellText(row, kFileNameColumn);
    return paths;
}

bool InputFileList::Contains(const QString& path) const {
    for (int row = 0; row < RowCount(); ++row)
        if (topLevelItem(row)->text(kFileNameColumn) == path) return true;
    return false;
}

void InputFileList::AppendRow(const QString& path, const zel::WavFormat& format) {
    AppendTexts(path, FormatColumnTexts(format));
}

void InputFileList::AppendRow(const QString& path, const zel::WavProbe& probe) {
    AppendTexts(path, FormatColumnTexts(probe));
}

void InputFileList::AppendTexts(const QString& path, RowTexts texts) {
    texts.cells[kFileNameColumn] = path;
    auto* item = new QTreeWidgetItem;
    for (int c = 0; c < kInputColumnCount; ++c) {
        item->setText(c, texts.cells[c]);
        // A text cut off by its column can be read in full in the tip.
        item->setToolTip(c, texts.cells[c]);
    }
    addTopLevelItem(item);
}

void InputFileList::RemoveSelectedRows() {
    const QList<QTreeWidgetItem*> selected = selectedItems();
    qDeleteAll(selected);
}

void InputFileList::SortByColumn(int column) {
    if (column < 0 || column >= kInputColumnCount) return;
    QTreeWidgetItem* current = currentItem();
    const QList<QTreeWidgetItem*> selected = selectedItems();
    QList<QTreeWidgetItem*> rows = invisibleRootItem()->takeChildren();
    std::stable_sort(rows.begin(), rows.end(), [column](QTreeWidgetItem* a, QTreeWidgetItem* b) {
        return CompareCellTexts(a->text(column), b->text(column)) < 0;
    });
    addTopLevelItems(rows);
    if (current != nullptr) setCurrentItem(current, 0, QItemSelectionModel::NoUpdate);
    for (QTreeWidgetItem* item : selected) item->setSelected(true);
}

void InputFileList::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Delete) {
        RemoveSelectedRows();
        event->accept();
        return;
    }
    QTreeWidget::keyPressEvent(event);
}
