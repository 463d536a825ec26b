#pragma once
// Watches the dialogs of Execute as they appear: each new progress dialog is handed to a
// callback when it is shown (before its worker starts), and each result dialog has its
// rows read and is closed from inside its own modal loop. No test waits on a modal box.

#include <QApplication>
#include <QEvent>
#include <QPointer>
#include <QStringList>
#include <QTimer>
#include <QTreeWidget>
#include <functional>
#include <optional>

#include "app/progress_dlg.h"
#include "app/result_dlg.h"

namespace zel::test {

class BatchDialogWatcher : public QObject {
  public:
    BatchDialogWatcher() { qApp->installEventFilter(this); }
    ~BatchDialogWatcher() override { qApp->removeEventFilter(this); }

    // Called once per progress dialog, when it is first shown.
    std::function<void(CProgressDlg&)> onProgressShown;

    int progressDialogs = 0;
    // The conversion settings the last progress dialog's batch was given.
    std::optional<zel::ConversionSettings> conversion;
    int resultDialogs = 0;
    // The rows of the last result dialog.
    QStringList resultFiles;
    QStringList resultMessages;
    // Full paths.
    QStringList resultOutputs;

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::Show) return false;
        if (auto* progress = qobject_cast<CProgressDlg*>(watched)) {
            // A dialog shown again after a hide is the same dialog.
            if (m_lastProgress == progress) return false;
            m_lastProgress = progress;
            ++progressDialogs;
            conversion = progress->Job().Conversion();
            if (onProgressShown) onProgressShown(*progress);
        } else if (auto* result = qobject_cast<CResultDlg*>(watched)) {
            ++resultDialogs;
            // Its rows are filled as it appears, after this filter has run.
            QTimer::singleShot(0, result, [this, result] { ReadAndClose(*result); });
        }
        return false;
    }

  private:
    void ReadAndClose(CResultDlg& result) {
        resultFiles.clear();
        resultMessages.clear();
        resultOutputs.clear();
        for (int row = 0; row < result.List()->topLevelItemCount(); ++row) {
            resultFiles << result.List()->topLevelItem(row)->text(0);
            resultMessages << result.List()->topLevelItem(row)->text(CResultDlg::kMessageColumn);
            resultOutputs << result.m_outputPaths.value(row);
        }
        result.reject();
    }

    QPointer<CProgressDlg> m_lastProgress;
};

}  // namespace zel::test
