// The CPU information dialog: which builds can be chosen on each processor, the brand
// text, and that every way of closing hands the selection back.

#include "app/cpu_info_dlg.h"

#include <QAbstractButton>
#include <QLabel>
#include <QPushButton>
#include <QtTest>

#include "tests/support/fake_cpuid.h"

using zel::test::FakeCpuid;

namespace {

enum class CloseWay { kButton, kEscape, kEnter, kCloseBox };

void CloseBy(CCPUInfoDlg& dlg, CloseWay way) {
    switch (way) {
        case CloseWay::kButton:
            dlg.CloseButton()->click();
            break;
        case CloseWay::kEscape:
            QTest::keyClick(&dlg, Qt::Key_Escape);
            break;
        case CloseWay::kEnter:
            QTest::keyClick(&dlg, Qt::Key_Return);
            break;
        case CloseWay::kCloseBox:
            dlg.close();
            break;
    }
}

}  // namespace

Q_DECLARE_METATYPE(CloseWay)

class CpuInfoDialogTest : public QObject {
    Q_OBJECT

  private slots:
    void enablesTheBuildsTheProcessorRuns_data() {
        QTest::addColumn<int>("features");
        QTest::addColumn<int>("highest");
        QTest::newRow("none") << 0 << 0;
        QTest::newRow("MMX") << 1 << 0;
        QTest::newRow("SSE") << 2 << 1;
        QTest::newRow("SSE2") << 3 << 2;
        QTest::newRow("SSE3") << 4 << 3;
        QTest::newRow("SSE4.1") << 5 << 4;
        QTest::newRow("SSE4.2") << 6 << 4;
        QTest::newRow("AVX2") << 7 << 5;
        QTest::newRow("AVX-512") << 8 << 6;
    }
    void enablesTheBuildsTheProcessorRuns() {
        QFETCH(int, features);
        QFETCH(int, highest);
        FakeCpuid cpuid(features, "  Example CPU 9000  ");
        CCPUInfoDlg dlg(highest, cpuid);
        dlg.show();
        for (int level = 0; level < CCPUInfoDlg::kLevelCount; ++level) {
            QCOMPARE(dlg.LevelButton(level)->isEnabled(), level <= highest);
            QCOMPARE(dlg.LevelButton(level)->isChecked(), level == highest);
        }
        // The brand text exactly as the processor gives it, blanks included.
        QCOMPARE(dlg.BrandLabel()->text(), QString("  Example CPU 9000  "));
        QVERIFY(QTest::qWaitForWindowActive(&dlg));
        QCOMPARE(QApplication::focusWidget(), dlg.CloseButton());
    }

    void everyWayOfClosingKeepsTheSelection_data() {
        QTest::addColumn<CloseWay>("way");
        QTest::newRow("close button") << CloseWay::kButton;
        QTest::newRow("Esc") << CloseWay::kEscape;
        QTest::newRow("Enter") << CloseWay::kEnter;
        QTest::newRow("close box") << CloseWay::kCloseBox;
    }
    void everyWayOfClosingKeepsTheSelection() {
        QFETCH(CloseWay, way);
        FakeCpuid cpuid(6);
        CCPUInfoDlg dlg(4, cpuid);
        dlg.show();
        QVERIFY(dlg.LevelButton(4)->isChecked());
        QTest::mouseClick(dlg.LevelButton(1), Qt::LeftButton);
        QVERIFY(dlg.LevelButton(1)->isChecked());
        CloseBy(dlg, way);
        QVERIFY(!dlg.isVisible());
        QCOMPARE(dlg.result(), int(QDialog::Rejected));
        QCOMPARE(dlg.m_simdLevel, 1);
    }

    void closingUntouchedKeepsTheLevel() {
        FakeCpuid cpuid(3);
        CCPUInfoDlg dlg(2, cpuid);
        dlg.show();
        CloseBy(dlg, CloseWay::kEscape);
        QCOMPARE(dlg.m_simdLevel, 2);
    }

    void aGreyedBuildCannotBeChosen() {
        FakeCpuid cpuid(2);  // SSE only
        CCPUInfoDlg dlg(1, cpuid);
        dlg.show();
        QTest::mouseClick(dlg.LevelButton(4), Qt::LeftButton);
        QTest::mouseClick(dlg.LevelButton(2), Qt::LeftButton);
        CloseBy(dlg, CloseWay::kButton);
        QCOMPARE(dlg.m_simdLevel, 1);
    }

    void aLevelWithoutAButtonLeavesNoneChecked() {
        FakeCpuid cpuid(6);
        CCPUInfoDlg dlg(7, cpuid);
        dlg.show();
        for (int level = 0; level < CCPUInfoDlg::kLevelCount; ++level)
            QVERIFY(!dlg.LevelButton(level)->isChecked());
        CloseBy(dlg, CloseWay::kEscape);
        QCOMPARE(dlg.m_simdLevel, -1);
    }
};

QTEST_MAIN(CpuInfoDialogTest)
#include "cpu_info_dlg_test.moc"
