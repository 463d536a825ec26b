// The result dialog: both columns in view, one row per processed file in the order given
// with the message for its code, no sorting, the whole text of a cut-off cell in a tip,
// and the three ways it closes.

#include "app/result_dlg.h"

#include <QHeaderView>
#include <QPushButton>
#include <QScrollBar>
#include <QToolTip>
#include <QTreeWidget>
#include <QtTest>

#include "tests/support/modal_answer.h"

using zel::test::AnswerNextModal;

namespace {

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

}  // namespace

class ResultDialogTest : public QObject {
    Q_OBJECT

  private slots:
    void bothColumnsShowWithoutScrollingSideways() {
        CResultDlg dlg;
        dlg.AddRow("/w/a.wav", {zel::kCompleted});
        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        QVERIFY(dlg.List()->viewport()->width() >=
                CResultDlg::kFileNameColumnWidth + CResultDlg::kMessageColumnWidth);
        QVERIFY(!dlg.List()->horizontalScrollBar()->isVisible());
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
        QTest::newRow("-2") << -2 << none << "入力ファイルフォーマットエラー";
        QTest::newRow("-3") << -3 << none << "出力ファイルオープンエラー";
        QTest::newRow("-3 on input")
            << -3 << int(ResultDetail::kOutputOnInput)
            << "出力ファイルオープンエラー（出力先が入力ファイルと重なります）";
        QTest::newRow("-4") << -4 << none << "出力ファイル書き込みエラー";
        QTest::newRow("-5") << -5 << none << "入力ファイル読み込みエラー";
        QTest::newRow("-6") << -6 << none << "メモリ不足エラー";
        QTest::newRow("-7 unknown") << -7 << none << "不明なエラー (code -7)";
        QTest::newRow("2 unknown") << 2 << none << "不明なエラー (code 2)";
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
            Column(dlg, 1),
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
        HoverOver(dlg.List(), 1, 1);
        QTRY_VERIFY(!QToolTip::isVisible());
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
};

QTEST_MAIN(ResultDialogTest)
#include "result_dlg_test.moc"
