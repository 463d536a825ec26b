#pragma once
// The result dialog of a batch: one row per processed file, in batch order, with the file
// as the input list holds it and the message for its result code. It shows nothing else
// and sorts nothing.

#include <QDialog>
#include <QStringList>
#include <cstdint>
#include <vector>

#include "engine/conversion_outcome.h"

class QPushButton;
class QTreeWidget;

class CResultDlg : public QDialog {
    Q_OBJECT

  public:
    // Column widths in pixels: the file name, the message.
    static constexpr int kFileNameColumnWidth = 210;
    static constexpr int kMessageColumnWidth = 180;

    explicit CResultDlg(QWidget* parent = nullptr);

    // The rows so far, in the order they were added.
    QStringList m_fileNames;
    std::vector<zel::ConversionResult> m_results;
    // Entry i: the detail that follows the message of m_results[i].
    std::vector<zel::ResultDetail> m_details;
    std::int32_t m_fileCount = 0;

    // Appends a row to the list.
    void AddRow(const QString& fileName, const zel::ConversionOutcome& outcome);

    // The message for an outcome in the user's language, its detail included; a code
    // without a message of its own reads as an unknown error.
    static QString MessageFor(const zel::ConversionOutcome& outcome);

    QTreeWidget* List() const { return m_list; }
    QPushButton* CloseButton() const { return m_closeButton; }

  private:
    void CreateControls();

    QTreeWidget* m_list = nullptr;
    QPushButton* m_closeButton = nullptr;
};
