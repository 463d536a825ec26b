#pragma once
// The input file list: one row per file, its name first, then the file's duration, channel
// count, sampling frequency and sample size, and its folder last; the whole path is in the
// tip. Each row keeps the path exactly as it was added and the identity of the file (device
// and inode), so the same file is never listed twice under another name, and its path below
// the folder it was added from (its name alone when added by itself), which its output keeps
// below an output folder. The rows are the only record of the batch's inputs; Execute takes
// their paths in row order.

#include <QSize>
#include <QStringList>
#include <QTreeWidget>
#include <QUrl>
#include <cstdint>
#include <functional>
#include <optional>
#include <set>

#include "app/input_row_text.h"
#include "engine/convert/input_probe.h"
#include "platform/file_identity.h"

class QLabel;
class QMenu;

class InputFileList : public QTreeWidget {
    Q_OBJECT

public:
    explicit InputFileList(QWidget* parent = nullptr);
    // The model empties itself while the widgets are taken down; nothing here may hear it.
    ~InputFileList() override;

    int RowCount() const { return topLevelItemCount(); }
    QString CellText(int row, int column) const;
    // The paths as they were added, in row order.
    QStringList Paths() const;
    // Entry i: row i's path below the folder it was added from ("a/x.wav", "x.wav").
    QStringList RelativePaths() const;
    // Names where the output of a row (its path as added and its path below the folder it
    // was added from) will go, for the tips; none: the tips name only the input.
    using OutputNamer = std::function<QString(const QString& path, const QString& relative)>;
    void SetOutputNamer(OutputNamer namer) { m_outputNamer = std::move(namer); }
    // The tip a cell shows: its own, and under it where the row's output will go, so the
    // user sees before a run where each file goes with the settings as they are now.
    QString TipOf(int row, int column) const;

    // The rows' durations added up, in seconds (frames over rate, row by row).
    double TotalSeconds() const;

    // The right-click menu of the row at `viewportPos` (selected first when it was not):
    // remove the selected rows, open the row's folder, play the row's file with the
    // desktop's default programs. Over no row only removal is offered. The caller owns it.
    QMenu* RowMenuAt(const QPoint& viewportPos);
    // How a folder or file is opened (QDesktopServices by default); false when nothing could.
    using UrlOpener = std::function<bool(const QUrl& url)>;
    void SetUrlOpener(UrlOpener opener) { m_urlOpener = std::move(opener); }
    // The hint an empty list shows: files and folders can be dropped on it.
    QLabel* DropHint() const { return m_dropHint; }

    // True when some row lists the file `identity` names.
    bool ContainsFile(const zel::platform::FileIdentity& identity) const;
    // `relative` empty: the file's name.
    void AppendRow(const QString& path, const zel::InputProbe& probe,
                   const zel::platform::FileIdentity& identity, const QString& relative = {});

    // The Delete key: every selected row goes, without asking.
    void RemoveSelectedRows();
    // A header click: by the column's texts (CompareCellTexts), ascending, or descending
    // when the list is sorted ascending by that column already; the header shows the
    // order. Rows with equal texts keep their order, and the selection stays on the same
    // files. Rows added later go to the end, and the header's order mark goes.
    void SortByColumn(int column);

    // The size the window gives the list when it opens; the list can shrink below it.
    void SetNaturalSize(const QSize& size) { m_naturalSize = size; }
    QSize sizeHint() const override;
    // Wide enough for every column at its initial width.
    int WidthForColumns() const;

signals:
    // Rows were added or removed.
    void rowsChanged();
    // Nothing could open `path` (a folder or a file): no desktop program for it.
    void openFailed(const QString& path);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    bool viewportEvent(QEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void SetUpColumns();
    void SetUpDropHint();
    void OnRowsChanged();
    void AppendTexts(const QString& path, const QString& relative, RowTexts texts,
                     double seconds,
                     const std::optional<zel::platform::FileIdentity>& identity);
    void ForgetSortOrder();
    void Open(const QString& path);

    OutputNamer m_outputNamer;
    UrlOpener m_urlOpener;
    QLabel* m_dropHint = nullptr;
    QSize m_naturalSize;
    int m_sortColumn = -1;
    Qt::SortOrder m_sortOrder = Qt::AscendingOrder;
    // The rows' identities, gathered again after rows were removed.
    mutable std::optional<std::set<zel::platform::FileIdentity>> m_identities;
};
