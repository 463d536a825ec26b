#pragma once
// The input file list: one row per file, the path in column 0 exactly as it was added and
// the file's duration, channel count, sampling frequency and sample size beside it. The
// rows are the only record of the batch's inputs; Execute takes column 0 in row order.

#include <QStringList>
#include <QTreeWidget>

#include "app/input_row_text.h"
#include "engine/wav_header.h"
#include "engine/wav_probe.h"

class InputFileList : public QTreeWidget {
    Q_OBJECT

public:
    explicit InputFileList(QWidget* parent = nullptr);

    int RowCount() const { return topLevelItemCount(); }
    QString CellText(int row, int column) const;
    QStringList Paths() const;

    // True when column 0 of some row equals `path` exactly (case-sensitive).
    bool Contains(const QString& path) const;
    void AppendRow(const QString& path, const zel::WavFormat& format);
    void AppendRow(const QString& path, const zel::WavProbe& probe);

    // The Delete key: every selected row goes, without asking.
    void RemoveSelectedRows();
    // Ascending by the column's texts (CompareCellTexts); rows with equal texts keep their
    // order, and the selection stays on the same files.
    void SortByColumn(int column);

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void SetUpColumns();
    void AppendTexts(const QString& path, RowTexts texts);
};
