// The result dialog: every column in view, one row per processed file in the order given
// with its output and the message for its code, no sorting, the whole text of a cut-off
// cell in a tip, names that widen with the dialog, the summary line, marked failures and
// clipped outputs, the output folder shown (or its path handed over when nothing can show
// it), copying the rows, and the three ways it closes.

#include "app/result_dlg.h"

#include <QClipboard>
#include <QDialogButtonBox>
#include <QDir>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QSettings>
#include <QToolTip>
#include <QTreeWidget>
#include <QtTest>

#include "batch/existing_output.h"
#include "tests/support/fake_user_prompts.h"
#include "tests/support/modal_answer.h"
#include "tests/support/temp_dir.h"

using zel::test::AnswerNextModal;
using zel::test::FakeUserPrompts;
using zel::test::TempDir;

namespace {

constexpr int kName = CResultDlg::kFileNameColumn;
constexpr int kOutput = CResultDlg::kOutputColumn;
constexpr int kMessage = CResultDlg::kMessageColumn;

QStringList Column(const CResultDlg& dlg, int column) {
    QStringList texts;
    for (int row = 0; row < dlg.List()->topLevelItemCount(); ++row)
        texts << dlg.List()->topLevelItem(row)->text(column);
    return texts;
}

// Asks the list for the tip of a cell, as hovering over it does.
void HoverOver(QTreeWidget* list, int row, int column) {
    const QRect cell = list->visualRect(list->model()->index(row, column));
    const QPoint pos = cell.center();
    QHelpEvent event(QEvent::ToolTip, pos, list->viewport()->mapToGlobal(pos));
    QApplication::sendEvent(list->viewport(), &event);
}

zel::ConversionOutcome CompressedInput() {
    zel::ConversionOutcome outcome{zel::kInputFormatError};
    outcome.refusal = {zel::WavRefusal::kCompressed, 0x0011};
    return outcome;
}

}  // namespace

class ResultDialogTest : public QObject {
    Q_OBJECT

  private slots:
    void everyColumnShowsWithoutScrollingSideways() {
        QSettings().clear();
        CResultDlg dlg;
        dlg.AddRow("/w/a.wav", {zel::kCompleted}, "/w/a_ZEL.wav");
        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        QVERIFY(dlg.List()->viewport()->width() >= CResultDlg::kFileNameColumnWidth +
                                                       CResultDlg::kOutputColumnWidth +
                                                       CResultDlg::kMessageColumnWidth);
        QVERIFY(!dlg.List()->horizontalScrollBar()->isVisible());
    }

    // The output's name in its column, the full path in its tip.
    void eachRowNamesItsOutput() {
        CResultDlg dlg;
        dlg.AddRow("/w/in/a.wav", {zel::kCompleted}, "/w/out/sub/a_ZEL.wav");
        dlg.AddNotProcessedRow("/w/in/b.wav", "/w/out/b_ZEL.wav");
        QCOMPARE(Column(dlg, kOutput), QStringList({"a_ZEL.wav", "b_ZEL.wav"}));
        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        QToolTip::hideText();
        HoverOver(dlg.List(), 0, kOutput);
        QTRY_VERIFY(QToolTip::isVisible());
        QCOMPARE(QToolTip::text(), QString("/w/out/sub/a_ZEL.wav"));
    }

    // At the size it opens with, no message of a long cause is cut; a wider dialog widens
    // the names, not the messages.
    void messagesFitAndTheNamesTakeTheWidth() {
        QSettings().clear();
        CResultDlg dlg;
        const zel::ConversionOutcome damaged{zel::kInputFormatError, zel::ResultDetail::kTruncatedAudio};
        dlg.AddRow("/w/a.wav", damaged, "/w/a_ZEL.wav");
        dlg.AddRow("/w/b.wav", {zel::kCompleted}, "/w/b_ZEL.wav");
        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        // As the list draws it, the icon and margins included: not cut.
        const QModelIndex index = dlg.List()->model()->index(0, kMessage);
        QVERIFY(!dlg.List()->topLevelItem(0)->icon(kMessage).isNull());
        QVERIFY2(dlg.List()->visualRect(index).width() >= dlg.List()->sizeHintForIndex(index).width(),
                 qPrintable(QString("%1 < %2")
                                .arg(dlg.List()->visualRect(index).width())
                                .arg(dlg.List()->sizeHintForIndex(index).width())));
        QVERIFY(!dlg.List()->horizontalScrollBar()->isVisible());
        const int nameWidth = dlg.List()->columnWidth(kName);
        const int outputWidth = dlg.List()->columnWidth(kOutput);
        const int messageWidth = dlg.List()->columnWidth(kMessage);
        dlg.resize(dlg.width() + 300, dlg.height());
        QTRY_VERIFY(dlg.List()->columnWidth(kName) > nameWidth);
        QVERIFY(dlg.List()->columnWidth(kOutput) > outputWidth);
        QCOMPARE(dlg.List()->columnWidth(kMessage), messageWidth);
        QSettings().clear();
    }

    void everyCodeHasItsMessage_data() {
        QTest::addColumn<int>("code");
        QTest::addColumn<int>("detail");
        QTest::addColumn<QString>("message");
        using zel::ResultDetail;
        const int none = int(ResultDetail::kNone);
        QTest::newRow("0") << 0 << none << "正常終了";
        QTest::newRow("1") << 1 << none << "ユーザーによる中断";
        QTest::newRow("1 kept") << 1 << int(ResultDetail::kEarlierOutputKept)
                                << "ユーザーによる中断（既存の出力ファイルは変更していません）";
        QTest::newRow("-1") << -1 << none << "入力ファイルオープンエラー";
        QTest::newRow("-1 not found") << -1 << int(ResultDetail::kInputNotFound)
                                      << "入力ファイルオープンエラー（ファイルが見つかりません）";
        QTest::newRow("-1 permission") << -1 << int(ResultDetail::kInputAccessDenied)
                                       << "入力ファイルオープンエラー（ファイルを読む権限がありません）";
        QTest::newRow("-1 folder") << -1 << int(ResultDetail::kInputIsFolder)
                                   << "入力ファイルオープンエラー（フォルダです）";
        QTest::newRow("-2") << -2 << none << "入力ファイルフォーマットエラー";
        QTest::newRow("-3") << -3 << none << "出力ファイルオープンエラー";
        QTest::newRow("-3 on input")
            << -3 << int(ResultDetail::kOutputOnInput)
            << "出力ファイルオープンエラー（出力先が入力ファイルと重なります）";
        QTest::newRow("-4") << -4 << none << "出力ファイル書き込みエラー";
        QTest::newRow("-5") << -5 << none << "入力ファイル読み込みエラー";
        QTest::newRow("-6") << -6 << none << "メモリ不足エラー";
        QTest::newRow("-7 unknown") << -7 << none << "不明なエラー (code -7)";
        QTest::newRow("2 skipped") << 2 << none << "スキップ（既存の出力）";
        QTest::newRow("3 unknown") << 3 << none << "不明なエラー (code 3)";
    }
    void everyCodeHasItsMessage() {
        QFETCH(int, code);
        QFETCH(int, detail);
        QFETCH(QString, message);
        QCOMPARE(CResultDlg::MessageFor({code, static_cast<zel::ResultDetail>(detail)}), message);
    }

    void rowsKeepTheBatchOrderAndAreNotSorted() {
        CResultDlg dlg;
        const QStringList names = {"/w/z.wav", "/w/a.wav", "/w/m.wav", "/w/b.wav",
                                   "/w/y.wav", "/w/c.wav", "/w/x.wav", "/w/d.wav"};
        const std::vector<zel::ConversionResult> codes = {0, -1, -2, -3, -4, -5, -6, 1};
        for (std::size_t i = 0; i < codes.size(); ++i) dlg.AddRow(names[int(i)], {codes[i]});
        QCOMPARE(dlg.m_fileCount, 8);
        dlg.show();
        QCOMPARE(Column(dlg, 0), names);
        QCOMPARE(
            Column(dlg, kMessage),
            QStringList({"正常終了", "入力ファイルオープンエラー", "入力ファイルフォーマットエラー",
                         "出力ファイルオープンエラー", "出力ファイル書き込みエラー",
                         "入力ファイル読み込みエラー", "メモリ不足エラー", "ユーザーによる中断"}));
        for (int row = 0; row < 8; ++row)
            QCOMPARE(dlg.List()->topLevelItem(row)->data(0, Qt::UserRole).toInt(), row);
        // A click on a column header changes nothing.
        QVERIFY(!dlg.List()->isSortingEnabled());
        QVERIFY(!dlg.List()->header()->sectionsClickable());
        QTest::mouseClick(dlg.List()->header()->viewport(), Qt::LeftButton, {},
                          QPoint(dlg.List()->header()->sectionViewportPosition(0) + 20,
                                 dlg.List()->header()->height() / 2));
        QCOMPARE(Column(dlg, 0), names);
        // Showing it again adds nothing.
        dlg.hide();
        dlg.show();
        QCOMPARE(dlg.List()->topLevelItemCount(), 8);
    }

    void aCutOffCellShowsItsWholeTextInATip() {
        CResultDlg dlg;
        const QString longPath =
            "/home/user/" + QString("とても長いフォルダ名/").repeated(12) + "音声ファイル.wav";
        dlg.AddRow(longPath, {zel::kCompleted});
        dlg.AddRow("/w/a.wav", {zel::kCompleted});
        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        QToolTip::hideText();
        HoverOver(dlg.List(), 0, 0);
        QTRY_VERIFY(QToolTip::isVisible());
        QCOMPARE(QToolTip::text(), longPath);
        HoverOver(dlg.List(), 1, 0);
        QTRY_VERIFY(!QToolTip::isVisible());
        HoverOver(dlg.List(), 1, kMessage);
        QTRY_VERIFY(!QToolTip::isVisible());
    }

    void theSummaryCountsEachOutcome() {
        CResultDlg dlg;
        dlg.AddRow("/w/a.wav", {zel::kCompleted});
        QCOMPARE(dlg.SummaryLabel()->text(), QString("変換 1 件"));
        dlg.AddRow("/w/b.wav", {zel::kSkippedExisting});
        dlg.AddRow("/w/c.wav", CompressedInput());
        dlg.AddRow("/w/d.wav", {zel::kOutputWriteError});
        dlg.AddRow("/w/e.wav", {zel::kCompleted});
        dlg.AddRow("/w/f.wav", {zel::kCancelled});
        dlg.AddNotProcessedRow("/w/g.wav");
        dlg.AddNotProcessedRow("/w/h.wav");
        dlg.show();
        QCOMPARE(dlg.SummaryLabel()->text(),
                 QString("変換 2 件、中断 1 件、失敗 2 件、スキップ 1 件、未処理 2 件"));
        QCOMPARE(dlg.m_fileCount, 8);
        QCOMPARE(Column(dlg, kMessage).mid(5),
                 QStringList({"ユーザーによる中断", "未処理", "未処理"}));
    }

    // An output with clipped samples is marked like a problem and counted apart.
    void aClippedOutputIsMarkedAndCounted() {
        CResultDlg dlg;
        zel::ConversionOutcome clipped{zel::kCompleted};
        clipped.clippedSamples = 12;
        dlg.AddRow("/w/a.wav", {zel::kCompleted});
        dlg.AddRow("/w/b.wav", clipped);
        QVERIFY(dlg.List()->topLevelItem(0)->icon(kMessage).isNull());
        QVERIFY(!dlg.List()->topLevelItem(1)->icon(kMessage).isNull());
        QCOMPARE(dlg.SummaryLabel()->text(), QString("変換 2 件、クリップあり 1 件"));
    }

    // "閉じる" sits in one button box with the other buttons.
    void theButtonsShareOneRow() {
        CResultDlg dlg;
        for (QPushButton* button : {dlg.OpenFolderButton(), dlg.CopyButton(), dlg.CloseButton()})
            QVERIFY(dlg.Buttons()->buttons().contains(button));
        QCOMPARE(dlg.Buttons()->buttonRole(dlg.CloseButton()), QDialogButtonBox::RejectRole);
    }

    // Failed rows carry an icon (not a colour alone), and their whole reason can be read
    // even when the dialog is made as narrow as it goes.
    void aFailedRowIsMarkedAndItsWholeReasonCanBeRead() {
        CResultDlg dlg;
        dlg.AddRow("/w/a.wav", {zel::kCompleted});
        dlg.AddRow("/w/b.wav", CompressedInput());
        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        QVERIFY(dlg.List()->topLevelItem(0)->icon(kMessage).isNull());
        QVERIFY(!dlg.List()->topLevelItem(1)->icon(kMessage).isNull());
        const QString reason =
            "入力ファイルフォーマットエラー（圧縮形式（IMA ADPCM）には対応していません）";
        QCOMPARE(dlg.List()->topLevelItem(1)->text(kMessage), reason);
        dlg.List()->setColumnWidth(kMessage, CResultDlg::kMessageColumnWidth / 2);
        QTRY_VERIFY(dlg.List()->visualRect(dlg.List()->model()->index(1, kMessage)).width() <
                    dlg.List()->fontMetrics().horizontalAdvance(reason));
        QToolTip::hideText();
        HoverOver(dlg.List(), 1, kMessage);
        QTRY_VERIFY(QToolTip::isVisible());
        QCOMPARE(QToolTip::text(), reason);
    }

    // The selected row's output folder, or else the first converted file's; a folder
    // that is not there cannot be opened.
    void openFolderAsksForTheRightFolder() {
        TempDir dir;
        const QString first = QString::fromStdString((dir / "first").string());
        const QString second = QString::fromStdString((dir / "second").string());
        QVERIFY(QDir().mkpath(first) && QDir().mkpath(second));
        CResultDlg dlg;
        QStringList opened;
        dlg.SetFolderOpener([&](const QString& folder) {
            opened << folder;
            return true;
        });
        dlg.AddRow(second + "/failed.wav", {zel::kInputOpenError});
        dlg.AddRow(first + "/a.wav", {zel::kCompleted});
        dlg.AddRow("/w/b.wav", {zel::kCompleted}, second + "/b_ZEL.wav");
        dlg.AddRow("/w/c.wav", {zel::kOutputOpenError},
                   QString::fromStdString((dir / "missing" / "c_ZEL.wav").string()));
        dlg.show();
        QVERIFY(dlg.OpenFolderButton()->isEnabled());
        QTest::mouseClick(dlg.OpenFolderButton(), Qt::LeftButton);
        dlg.List()->setCurrentItem(dlg.List()->topLevelItem(2));
        QTest::mouseClick(dlg.OpenFolderButton(), Qt::LeftButton);
        QCOMPARE(opened, QStringList({first, second}));
        dlg.List()->setCurrentItem(dlg.List()->topLevelItem(3));
        QVERIFY(!dlg.OpenFolderButton()->isEnabled());
    }

    // Every file skipped (its output was there): the folder can still be shown. When
    // nothing can show it, its path is handed over on the clipboard, and the box says so.
    void aBatchOfSkippedFilesOpensItsFolderOrHandsOverThePath() {
        TempDir dir;
        const QString folder = QString::fromStdString(dir.path().string());
        CResultDlg dlg;
        FakeUserPrompts prompts;
        dlg.SetPrompts(&prompts);
        QStringList asked;
        dlg.SetFolderOpener([&](const QString& f) {
            asked << f;
            return false;
        });
        dlg.AddRow("/w/a.wav", {zel::kSkippedExisting}, folder + "/a_ZEL.wav");
        dlg.show();
        QVERIFY(dlg.OpenFolderButton()->isEnabled());
        QApplication::clipboard()->clear();
        QTest::mouseClick(dlg.OpenFolderButton(), Qt::LeftButton);
        QCOMPARE(asked, QStringList{folder});
        QCOMPARE(QApplication::clipboard()->text(), folder);
        QCOMPARE(prompts.messages.size(), std::size_t{1});
        QVERIFY(prompts.messages[0].text.contains(folder));
    }

    // Tab-separated lines under the column titles: the selected rows in list order, or
    // every row when none is selected; by the button or Ctrl+C.
    void copyGivesTheRowsAsText() {
        CResultDlg dlg;
        dlg.AddRow("/w/a.wav", {zel::kCompleted}, "/o/a_ZEL.wav");
        dlg.AddRow("/w/b.wav", {zel::kInputOpenError}, "/o/b_ZEL.wav");
        dlg.AddNotProcessedRow("/w/c.wav", "/o/c_ZEL.wav");
        // A tab or a line break in a name must not split the row.
        dlg.AddRow("/w/d\te\nf.wav", {zel::kCompleted}, "/o/d\te\nf_ZEL.wav");
        dlg.show();
        QVERIFY(QTest::qWaitForWindowActive(&dlg));
        QApplication::clipboard()->clear();
        QTest::mouseClick(dlg.CopyButton(), Qt::LeftButton);
        QCOMPARE(QApplication::clipboard()->text(),
                 QString("ファイル名\t出力ファイル\tメッセージ\n/w/a.wav\t/o/a_ZEL.wav\t正常終了\n"
                         "/w/b.wav\t/o/b_ZEL.wav\t入力ファイルオープンエラー\n"
                         "/w/c.wav\t/o/c_ZEL.wav\t未処理\n"
                         "/w/d\\te\\nf.wav\t/o/d\\te\\nf_ZEL.wav\t正常終了\n"));
        dlg.List()->topLevelItem(2)->setSelected(true);
        dlg.List()->topLevelItem(0)->setSelected(true);
        dlg.List()->setFocus();
        QApplication::clipboard()->clear();
        QTest::keySequence(dlg.List(), QKeySequence::Copy);
        QCOMPARE(QApplication::clipboard()->text(),
                 QString("ファイル名\t出力ファイル\tメッセージ\n/w/a.wav\t/o/a_ZEL.wav\t正常終了\n"
                         "/w/c.wav\t/o/c_ZEL.wav\t未処理\n"));
    }

    void buttonEscAndCloseBoxClose_data() {
        QTest::addColumn<QString>("how");
        QTest::newRow("button") << "button";
        QTest::newRow("Esc") << "escape";
        QTest::newRow("close box") << "close";
    }
    void buttonEscAndCloseBoxClose() {
        QFETCH(QString, how);
        CResultDlg dlg;
        dlg.AddRow("/w/a.wav", {zel::kCompleted});
        bool answered = false;
        AnswerNextModal([&](QWidget* modal) {
            answered = modal == &dlg;
            if (how == "button") {
                QTest::mouseClick(dlg.CloseButton(), Qt::LeftButton);
            } else if (how == "escape") {
                QTest::keyClick(&dlg, Qt::Key_Escape);
            } else {
                dlg.close();
            }
        });
        dlg.exec();
        QVERIFY(answered);
        QVERIFY(!dlg.isVisible());
        QCOMPARE(dlg.result(), int(QDialog::Rejected));
    }

    // The window opens at the size the user last gave it.
    void theSizeGivenComesBackNextTime() {
        QSettings().clear();
        QSize given;
        {
            CResultDlg dlg;
            dlg.show();
            QVERIFY(QTest::qWaitForWindowExposed(&dlg));
            given = dlg.size() + QSize(60, 40);
            dlg.resize(given);
            QTRY_COMPARE(dlg.size(), given);
            dlg.reject();
        }
        const CResultDlg again;
        QCOMPARE(again.size(), given);
        QSettings().clear();
    }
};

QTEST_MAIN(ResultDialogTest)
#include "result_dlg_test.moc"
