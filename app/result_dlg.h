#pragma once
// The result dialog of a batch: one row per file of the batch, in batch order, with the
// file as the input list holds it, the name of its output (the full path in the tip) and
// the message for its result code; after a cancel, the files the batch did not reach
// follow as not processed. A line above the list counts the outcomes, failed rows and rows
// with clipped samples carry an icon, and the rows can be copied as text. The names widen
// with the dialog; the message column is as wide as the longest message allows.
// "出力フォルダを開く" shows the output folder of the selected row (or of the first
// converted or skipped file) in the desktop's file manager. The rows are never sorted.

#include <QDialog>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <vector>

#include "engine/convert/conversion_outcome.h"

class QDialogButtonBox;
class QLabel;
class QPushButton;
class QTreeWidget;
class UserPrompts;

class CResultDlg : public QDialog {
    Q_OBJECT

  public:
    static constexpr int kFileNameColumn = 0;
    static constexpr int kOutputColumn = 1;
    static constexpr int kMessageColumn = 2;
    // Column widths in pixels at the least when the dialog opens: the file name, the
    // output name, the message; the message column grows to its longest message up to
    // kMaxMessageColumnWidth.
    static constexpr int kFileNameColumnWidth = 210;
    static constexpr int kOutputColumnWidth = 160;
    static constexpr int kMessageColumnWidth = 180;
    static constexpr int kMaxMessageColumnWidth = 720;

    // Shows a folder in the desktop's file manager; false when that failed.
    using FolderOpener = std::function<bool(const QString& folder)>;

    explicit CResultDlg(QWidget* parent = nullptr);

    // Every row so far, in the order added: the processed files first, then the ones
    // not processed.
    QStringList m_fileNames;
    // Entry i: the output of row i, full path; empty when it was not named.
    QStringList m_outputPaths;
    // Entry i: the folder the output of row i goes to.
    QStringList m_outputFolders;
    // Entry i: the code of processed row i.
    std::vector<zel::ConversionResult> m_results;
    // Entry i: the detail that follows the message of m_results[i].
    std::vector<zel::ResultDetail> m_details;
    // Entry i: the samples of file i's output that were saturated; a note when not 0.
    std::vector<std::int64_t> m_clipped;
    // All rows, the ones not processed included.
    std::int32_t m_fileCount = 0;

    // Appends a processed file. `outputPath` empty: not named, in the input's own folder.
    void AddRow(const QString& fileName, const zel::ConversionOutcome& outcome,
                const QString& outputPath = {});
    // Appends a file that the batch did not reach.
    void AddNotProcessedRow(const QString& fileName, const QString& outputPath = {});

    // The message for an outcome in the user's language, its detail included; a code
    // without a message of its own reads as an unknown error.
    static QString MessageFor(const zel::ConversionOutcome& outcome);

    // The folder "出力フォルダを開く" shows: the selected row's, or else the first
    // converted (or else skipped) file's; empty when there is none.
    QString FolderToOpen() const;
    // The selected rows (every row when none is selected) as tab-separated lines under a
    // line of the column titles; the output by its full path.
    QString RowsAsText() const;
    // Replaces how a folder is shown (QDesktopServices by default).
    void SetFolderOpener(FolderOpener opener) { m_folderOpener = std::move(opener); }
    // Where a folder that cannot be shown is reported; null: nowhere.
    void SetPrompts(UserPrompts* prompts) { m_prompts = prompts; }

    QTreeWidget* List() const { return m_list; }
    QLabel* SummaryLabel() const { return m_summaryLabel; }
    QDialogButtonBox* Buttons() const { return m_buttons; }
    QPushButton* OpenFolderButton() const { return m_openFolderButton; }
    QPushButton* CopyButton() const { return m_copyButton; }
    QPushButton* CloseButton() const { return m_closeButton; }

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    // What a row counts as in the summary.
    enum class Outcome { kConverted, kCancelled, kFailed, kSkipped, kNotProcessed };
    static Outcome OutcomeOf(zel::ConversionResult code);

    void CreateControls();
    QDialogButtonBox* CreateButtons();
    void AppendRow(const QString& fileName, const QString& message, Outcome outcome,
                   const QString& outputPath, bool clipped);
    // Widens the message column for row `row`'s message, up to kMaxMessageColumnWidth.
    void FitMessageColumn(int row);
    // Wide enough at first for the names at their least and the message column.
    void WidenForColumns();
    void ShowSummary();
    void UpdateOpenFolderButton();
    void OpenFolder();
    void CopyRows();

    QTreeWidget* m_list = nullptr;
    QLabel* m_summaryLabel = nullptr;
    QDialogButtonBox* m_buttons = nullptr;
    QPushButton* m_openFolderButton = nullptr;
    QPushButton* m_copyButton = nullptr;
    QPushButton* m_closeButton = nullptr;
    // Entry i: what row i counts as.
    std::vector<Outcome> m_outcomes;
    // Rows whose output had samples clipped.
    int m_clippedRows = 0;
    FolderOpener m_folderOpener;
    UserPrompts* m_prompts = nullptr;
    bool m_shownBefore = false;
};
