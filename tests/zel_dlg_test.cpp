// The main window: defaults at start, tab order, the output settings, how the window
// runs Execute and closes, its menu with the About box and CPU dialog, and the settings it
// remembers between runs.

#include "app/zel_dlg.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QGuiApplication>
#include <QScreen>
#include <QSettings>
#include <QSlider>
#include <QTextDocument>
#include <QToolButton>
#include <QtTest>

#include "app/app_icon.h"
#include "app/cpu_info_dlg.h"
#include "app/input_file_list.h"
#include "app/window_settings.h"
#include "tests/support/fake_cpuid.h"
#include "tests/support/fake_user_prompts.h"
#include "tests/support/modal_answer.h"

using zel::test::AnswerNextModal;
using zel::test::FakeCpuid;
using zel::test::FakeUserPrompts;

namespace {

// The name of the control that holds the focus (a combo box's edit field counts as the
// combo box).
QString FocusedControl() {
    for (QWidget* w = QApplication::focusWidget(); w != nullptr; w = w->parentWidget())
        if (!w->objectName().isEmpty() && !w->objectName().startsWith("qt_"))
            return w->objectName();
    return QString();
}

// True when `icon` holds the drawn application icon: every size of the theme, and at each
// of them the very pixels of the drawing compiled into the program.
bool IsTheApplicationIcon(const QIcon& icon) {
    for (int size : kApplicationIconSizes) {
        const QImage drawn(ApplicationIconPath(size));
        if (drawn.isNull() || drawn.size() != QSize(size, size)) return false;
        // Compared premultiplied, the form a pixmap keeps: the colour of a nearly
        // transparent pixel is not kept exactly in it.
        const QImage shown = icon.pixmap(QSize(size, size), 1.0).toImage();
        if (shown.convertToFormat(QImage::Format_ARGB32_Premultiplied) !=
            drawn.convertToFormat(QImage::Format_ARGB32_Premultiplied))
            return false;
    }
    return true;
}

}  // namespace

class MainDialogTest : public QObject {
    Q_OBJECT

  private slots:
    void defaultsAtStart() {
        FakeUserPrompts prompts;
        CZELDlg dlg(prompts);
        QCOMPARE(dlg.windowTitle(), QString("ZEL"));
        QCOMPARE(dlg.SuffixText(), QString("_ZEL"));
        QCOMPARE(dlg.FrequencyText(), QString("48000"));
        QCOMPARE(dlg.FrequencyCombo()->currentIndex(), -1);
        QCOMPARE(dlg.SpeedPosition(), 100);
        QCOMPARE(dlg.SpeedLabel()->text(), QString("1.00倍"));
        QCOMPARE(dlg.InputList()->RowCount(), 0);
        QVERIFY(dlg.ExecuteButton()->isDefault());
        QCOMPARE(dlg.m_simdLevel, zel::MaxSimdLevel(zel::DetectCpuFeatures(nullptr)));
    }

    void tabOrderFollowsTheControlOrder() {
        FakeUserPrompts prompts;
        CZELDlg dlg(prompts);
        dlg.show();
        QVERIFY(QTest::qWaitForWindowActive(&dlg));
        QCOMPARE(FocusedControl(), QString("executeButton"));
        const QStringList expected = {
            "exitButton",         "addFilesButton",   "folderButton",     "subfoldersCheck",
            "deleteAllButton",    "inputList",        "suffixEdit",       "frequencyCombo",
            "speedSlider",        "speedCombo",       "keepPitchCheck",
            "formatCombo",        "bitsCombo",        "ditherCombo",
            "qualityCombo",       "stripMetadataCheck", "loudnessCheck",  "headroomCheck",
            // The folder field and "..." are disabled while outputs go beside the inputs.
            "besideInputRadio",   "menuButton",       "executeButton"};
        for (const QString& next : expected) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QCOMPARE(FocusedControl(), next);
        }
    }

    // The list takes the growth; the settings and buttons keep their size. The smallest
    // window fits a 1280x1024 screen at scale factor 2 with room for a title bar, and the
    // window opens wholly on its screen.
    void resizingGivesTheListTheGrowth() {
        FakeUserPrompts prompts;
        CZELDlg dlg(prompts);
        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        QVERIFY(dlg.screen()->availableGeometry().contains(dlg.geometry()));
        QVERIFY(dlg.windowFlags().testFlag(Qt::WindowMaximizeButtonHint));

        const QSize list = dlg.InputList()->size();
        const QSize suffix = dlg.SuffixEdit()->size();
        const QSize execute = dlg.ExecuteButton()->size();
        const QSize growth(120, 90);
        dlg.resize(dlg.size() + growth);
        QTRY_COMPARE(dlg.InputList()->size(), list + growth);
        QCOMPARE(dlg.SuffixEdit()->size(), suffix);
        QCOMPARE(dlg.ExecuteButton()->size(), execute);

        const QSize smallest = dlg.minimumSizeHint();
        QVERIFY2(smallest.width() <= 1280 / 2 && smallest.height() <= 1024 / 2 - 40,
                 qPrintable(QString("%1x%2").arg(smallest.width()).arg(smallest.height())));
        dlg.resize(smallest);
        QTRY_COMPARE(dlg.size(), smallest);
    }

    void speedLabelFollowsTheSlider_data() {
        QTest::addColumn<int>("position");
        QTest::addColumn<QString>("label");
        QTest::newRow("50") << 50 << "0.50倍";
        QTest::newRow("57") << 57 << "0.57倍";
        QTest::newRow("105") << 105 << "1.05倍";
        QTest::newRow("200") << 200 << "2.00倍";
        QTest::newRow("below the range") << 10 << "0.50倍";
        QTest::newRow("above the range") << 250 << "2.00倍";
    }
    void speedLabelFollowsTheSlider() {
        QFETCH(int, position);
        QFETCH(QString, label);
        FakeUserPrompts prompts;
        CZELDlg dlg(prompts);
        dlg.SpeedSlider()->setValue(position);
        QCOMPARE(dlg.SpeedLabel()->text(), label);
    }

    // Arrow keys move the slider by 1 %, Page Up and Down by 10 %.
    void keysMoveTheSliderByOneOrTenPercent() {
        FakeUserPrompts prompts;
        CZELDlg dlg(prompts);
        QTest::keyClick(dlg.SpeedSlider(), Qt::Key_Right);
        QCOMPARE(dlg.SpeedPosition(), 101);
        QCOMPARE(dlg.SpeedLabel()->text(), QString("1.01倍"));
        QTest::keyClick(dlg.SpeedSlider(), Qt::Key_PageDown);
        QTest::keyClick(dlg.SpeedSlider(), Qt::Key_PageDown);
        QCOMPARE(dlg.SpeedPosition(), 81);
        QCOMPARE(dlg.SpeedLabel()->text(), QString("0.81倍"));
        QTest::keyClick(dlg.SpeedSlider(), Qt::Key_Home);
        QCOMPARE(dlg.SpeedLabel()->text(), QString("0.50倍"));
    }

    // The field beside the slider: the slider's factor shows there, a typed or picked ratio
    // moves the slider to its nearest percent and stays exact.
    void speedFieldAndSliderFollowEachOther() {
        FakeUserPrompts prompts;
        CZELDlg dlg(prompts);
        QCOMPARE(dlg.SpeedText(), QString("1"));
        dlg.SpeedSlider()->setValue(80);
        QCOMPARE(dlg.SpeedText(), QString("0.8"));
        QCOMPARE(dlg.Speed(), zel::SpeedRatio(4, 5));
        dlg.SpeedCombo()->setCurrentIndex(dlg.SpeedCombo()->findText("25/24"));
        QCOMPARE(dlg.SpeedPosition(), 104);
        QCOMPARE(dlg.SpeedLabel()->text(), QString("1.04倍"));
        QCOMPARE(dlg.Speed(), zel::SpeedRatio(25, 24));
        dlg.SpeedCombo()->setFocus();
        dlg.SpeedCombo()->lineEdit()->clear();
        QTest::keyClicks(dlg.SpeedCombo()->lineEdit(), "0.95904");
        // Four decimals at most: the fifth is not taken.
        QCOMPARE(dlg.SpeedText(), QString("0.9590"));
        QCOMPARE(dlg.SpeedPosition(), 96);
        QCOMPARE(dlg.Speed(), zel::SpeedRatio(959, 1000));
        QTest::keyClick(dlg.SpeedSlider(), Qt::Key_PageUp);
        QCOMPARE(dlg.SpeedText(), QString("1.06"));
        QVERIFY(!dlg.KeepsPitch());
    }

    void frequencyEntriesAndTypedText() {
        FakeUserPrompts prompts;
        CZELDlg dlg(prompts);
        QStringList entries;
        for (int i = 0; i < dlg.FrequencyCombo()->count(); ++i)
            entries << dlg.FrequencyCombo()->itemText(i);
        QCOMPARE(entries, QStringList({"8000", "11025", "16000", "22050", "24000", "32000", "38000",
                                       "44100", "48000", "88200", "96000", "元の周波数"}));
        dlg.FrequencyCombo()->setCurrentIndex(6);
        QCOMPARE(dlg.FrequencyText(), QString("38000"));
        QVERIFY(!dlg.KeepsInputRate());
        dlg.FrequencyCombo()->setCurrentIndex(11);
        QVERIFY(dlg.KeepsInputRate());
        dlg.FrequencyCombo()->setEditText("32000");
        QCOMPARE(dlg.FrequencyText(), QString("32000"));
        dlg.SuffixEdit()->setText(" ");
        QCOMPARE(dlg.SuffixText(), QString(" "));
    }

    void enterRunsExecuteAndTheWindowStaysOpen() {
        FakeUserPrompts prompts;
        CZELDlg dlg(prompts);
        int runs = 0;
        dlg.SetExecuteHandler([&runs](CZELDlg&) { ++runs; });
        dlg.show();
        QVERIFY(QTest::qWaitForWindowActive(&dlg));

        dlg.ExecuteButton()->click();
        QCOMPARE(runs, 1);

        dlg.SuffixEdit()->setFocus();
        QTest::keyClick(dlg.SuffixEdit(), Qt::Key_Return);
        QCOMPARE(runs, 2);

        // Enter in the frequency field runs Execute and does not add the text as an entry.
        dlg.FrequencyCombo()->setFocus();
        dlg.FrequencyCombo()->setEditText("12345");
        QTest::keyClick(dlg.FrequencyCombo()->lineEdit(), Qt::Key_Enter);
        QCOMPARE(runs, 3);
        QCOMPARE(dlg.FrequencyCombo()->count(), 12);
        QCOMPARE(dlg.FrequencyText(), QString("12345"));

        QVERIFY(dlg.isVisible());
        QCOMPARE(dlg.result(), int(QDialog::Rejected));
    }

    void escapeExitAndCloseBoxEndTheDialog_data() {
        QTest::addColumn<int>("way");
        QTest::newRow("Esc") << 0;
        QTest::newRow("exit button") << 1;
        QTest::newRow("close box") << 2;
    }
    void escapeExitAndCloseBoxEndTheDialog() {
        QFETCH(int, way);
        FakeUserPrompts prompts;
        CZELDlg dlg(prompts);
        int runs = 0;
        dlg.SetExecuteHandler([&runs](CZELDlg&) { ++runs; });
        dlg.show();
        QVERIFY(QTest::qWaitForWindowActive(&dlg));
        if (way == 0) QTest::keyClick(&dlg, Qt::Key_Escape);
        if (way == 1) dlg.ExitButton()->click();
        if (way == 2) QVERIFY(dlg.close());
        QVERIFY(!dlg.isVisible());
        QCOMPARE(dlg.result(), int(QDialog::Rejected));
        QCOMPARE(runs, 0);
        QVERIFY(prompts.messages.empty());
    }

    // Both entries in the menu button and in the window's context menu.
    void menuOffersAboutAndCpuInformation() {
        FakeUserPrompts prompts;
        CZELDlg dlg(prompts);
        auto* button = dlg.findChild<QToolButton*>("menuButton");
        QVERIFY(button && button->menu());
        QCOMPARE(button->menu()->actions(),
                 QList<QAction*>({dlg.AboutAction(), dlg.CpuInfoAction()}));
        QCOMPARE(dlg.contextMenuPolicy(), Qt::ActionsContextMenu);
        QCOMPARE(dlg.actions(), QList<QAction*>({dlg.AboutAction(), dlg.CpuInfoAction()}));
    }

    void aboutBoxShowsNameAndVersion() {
        FakeUserPrompts prompts;
        CZELDlg dlg(prompts);
        dlg.show();
        QString title, version;
        bool answered = false, okIsDefault = false;
        AnswerNextModal([&](QWidget* modal) {
            answered = true;
            title = modal->windowTitle();
            if (auto* label = modal->findChild<QLabel*>("versionLabel")) version = label->text();
            auto* ok = modal->findChild<QPushButton*>("okButton");
            okIsDefault = ok != nullptr && ok->isDefault();
            QTest::keyClick(modal, Qt::Key_Return);
        });
        dlg.AboutAction()->trigger();
        QVERIFY(answered);
        QVERIFY(okIsDefault);
        QCOMPARE(title, QString("バージョン情報 ZEL"));
        // The version `--version` prints, patch level included.
        QCOMPARE(version, QString("ZEL バージョン 1.1.0"));
    }

    void everyWindowShowsTheApplicationIcon() {
        FakeUserPrompts prompts;
        CZELDlg dlg(prompts);
        QVERIFY(IsTheApplicationIcon(dlg.windowIcon()));
        QVERIFY(IsTheApplicationIcon(dlg.findChild<QToolButton*>("menuButton")->icon()));
        dlg.show();

        bool aboutIcon = false, aboutPicture = false;
        AnswerNextModal([&](QWidget* modal) {
            aboutIcon = IsTheApplicationIcon(modal->windowIcon());
            // The picture beside the name is the icon itself, not an empty label.
            for (auto* label : modal->findChildren<QLabel*>())
                aboutPicture = aboutPicture || !label->pixmap().isNull();
            modal->close();
        });
        dlg.AboutAction()->trigger();
        QVERIFY(aboutIcon);
        QVERIFY(aboutPicture);

        bool cpuIcon = false;
        AnswerNextModal([&](QWidget* modal) {
            cpuIcon = IsTheApplicationIcon(modal->windowIcon());
            modal->close();
        });
        dlg.CpuInfoAction()->trigger();
        QVERIFY(cpuIcon);
    }

    void cpuDialogExchangesTheLevel() {
        FakeUserPrompts prompts;
        FakeCpuid cpuid(4);  // SSE3: levels 0 to 3
        CZELDlg dlg(prompts, {}, cpuid);
        dlg.show();
        QCOMPARE(dlg.m_simdLevel, 3);

        bool checkedAtOpening = false;
        AnswerNextModal([&](QWidget* modal) {
            if (auto* cpu = qobject_cast<CCPUInfoDlg*>(modal)) {
                checkedAtOpening = cpu->LevelButton(3)->isChecked();
                cpu->LevelButton(0)->click();
            }
            QTest::keyClick(modal, Qt::Key_Escape);
        });
        dlg.CpuInfoAction()->trigger();
        QVERIFY(checkedAtOpening);
        QCOMPARE(dlg.m_simdLevel, 0);

        // Opened and closed by the close box without a change: the level stays.
        checkedAtOpening = false;
        AnswerNextModal([&](QWidget* modal) {
            if (auto* cpu = qobject_cast<CCPUInfoDlg*>(modal))
                checkedAtOpening = cpu->LevelButton(0)->isChecked();
            modal->close();
        });
        dlg.CpuInfoAction()->trigger();
        QVERIFY(checkedAtOpening);
        QCOMPARE(dlg.m_simdLevel, 0);
    }

    // Every setting comes back in the next run; a build the processor of that run cannot
    // run gives way to the highest one it can.
    // The folder field and its "..." only take input while outputs go into a folder.
    void outputFolderRowFollowsTheChoice() {
        FakeUserPrompts prompts;
        CZELDlg dlg(prompts);
        const auto rowState = [&dlg] {
            return std::pair{dlg.OutputFolderEdit()->isEnabled(),
                             dlg.OutputFolderButton()->isEnabled()};
        };
        QVERIFY(dlg.BesideInputRadio()->isChecked());
        QCOMPARE(rowState(), std::pair(false, false));
        dlg.OutputFolderRadio()->click();
        QCOMPARE(rowState(), std::pair(true, true));
        dlg.BesideInputRadio()->click();
        QCOMPARE(rowState(), std::pair(false, false));
    }

    // The closed quality box says what each choice does, with its filter's figures.
    void qualityTipDescribesEveryChoice() {
        FakeUserPrompts prompts;
        CZELDlg dlg(prompts);
        QTextDocument tip;
        tip.setHtml(dlg.QualityCombo()->toolTip());
        const QStringList lines = tip.toPlainText().split(QChar::ParagraphSeparator).join('\n')
                                      .split('\n', Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), dlg.QualityCombo()->count());
        for (int i = 0; i < dlg.QualityCombo()->count(); ++i) {
            QVERIFY2(lines[i].startsWith(dlg.QualityCombo()->itemText(i) + ": "),
                     qPrintable(lines[i]));
            QVERIFY2(lines[i].contains(" dB"), qPrintable(lines[i]));
        }
    }

    // A size saved on a screen of another area (another screen, or this one at another
    // scale factor) never opens the window below its natural size; saved on a screen of
    // this area, it is kept, smaller or not.
    void sizeFromAnotherScreenNeverShrinksTheWindow() {
        QCoreApplication::setOrganizationName("ZEL");
        QSettings().clear();
        FakeUserPrompts prompts;
        FakeCpuid cpuid(4);
        const auto opened = [&] {
            CZELDlg dlg(prompts, {}, cpuid);
            RememberWindowSettings(dlg, cpuid);
            return std::pair{dlg.size(), dlg.sizeHint()};
        };
        const QSize natural = opened().second;
        const QSize screen = QGuiApplication::primaryScreen()->availableGeometry().size();
        const QSize minimum = CZELDlg(prompts, {}, cpuid).minimumSizeHint();
        const QSize small((minimum.width() + natural.width()) / 2,
                          (minimum.height() + natural.height()) / 2);
        QVERIFY(small.width() < natural.width() || small.height() < natural.height());

        // As a session at scale factor 2 saves it: the window fitted to half the area.
        QSettings().setValue("window/size", small);
        QSettings().setValue("window/sizeScreen", screen / 2);
        QCOMPARE(opened().first, natural);
        // Saved before the screen was recorded: the same.
        QSettings().remove("window/sizeScreen");
        QCOMPARE(opened().first, natural);
        // Saved on a screen of this area: as the user left it.
        QSettings().setValue("window/sizeScreen", screen);
        QCOMPARE(opened().first, small);

        // A window closed records the area of its screen with its size.
        {
            CZELDlg dlg(prompts, {}, cpuid);
            RememberWindowSettings(dlg, cpuid);
            dlg.show();
            QVERIFY(QTest::qWaitForWindowExposed(&dlg));
            QVERIFY(dlg.close());
        }
        QCOMPARE(QSettings().value("window/sizeScreen").toSize(), screen);
        QSettings().clear();
    }

    void settingsSurviveACloseAndReopen() {
        QCoreApplication::setOrganizationName("ZEL");
        QSettings().clear();
        FakeUserPrompts prompts;
        prompts.outputFolderToChoose = "/tmp/zel outputs";
        FakeCpuid sse3(4);  // levels 0 to 3
        QSize grownSize;
        {
            CZELDlg dlg(prompts, {}, sse3);
            RememberWindowSettings(dlg, sse3);
            QCOMPARE(dlg.m_simdLevel, 3);
            dlg.SuffixEdit()->setText("_44k");
            dlg.FrequencyCombo()->setEditText("44100");
            dlg.SpeedSlider()->setValue(125);
            dlg.SpeedCombo()->setEditText("1001/1000");
            dlg.KeepPitchCheck()->setChecked(true);
            dlg.QualityCombo()->setCurrentIndex(1);
            dlg.StripMetadataCheck()->setChecked(true);
            dlg.SubfoldersCheck()->setChecked(true);
            dlg.OutputFolderRadio()->click();
            dlg.OutputFolderButton()->click();
            dlg.m_simdLevel = 2;
            dlg.show();
            QVERIFY(QTest::qWaitForWindowExposed(&dlg));
            grownSize = dlg.size() + QSize(40, 30);
            dlg.resize(grownSize);
            QTRY_COMPARE(dlg.size(), grownSize);
            QVERIFY(dlg.close());
        }
        const auto reopened = [&](const zel::CpuidSource& cpuid, auto check) {
            CZELDlg dlg(prompts, {}, cpuid);
            RememberWindowSettings(dlg, cpuid);
            check(dlg);
        };
        reopened(sse3, [&](CZELDlg& dlg) {
            QCOMPARE(dlg.SuffixText(), QString("_44k"));
            QCOMPARE(dlg.FrequencyText(), QString("44100"));
            QCOMPARE(dlg.SpeedPosition(), 100);
            QCOMPARE(dlg.SpeedLabel()->text(), QString("1.00倍"));
            QCOMPARE(dlg.Speed(), zel::SpeedRatio(1001, 1000));
            QVERIFY(dlg.KeepsPitch());
            QCOMPARE(dlg.Quality(), zel::ConversionQuality::kHigh);
            QVERIFY(dlg.StripsMetadata());
            QVERIFY(dlg.IncludesSubfolders());
            QCOMPARE(dlg.size(), grownSize);
            QVERIFY(dlg.WritesIntoFolder());
            QCOMPARE(dlg.OutputFolderText(), QString("/tmp/zel outputs"));
            QCOMPARE(dlg.m_simdLevel, 2);
        });
        FakeCpuid sseOnly(2);  // levels 0 and 1
        reopened(sseOnly, [](CZELDlg& dlg) { QCOMPARE(dlg.m_simdLevel, 1); });
        QSettings().clear();
    }
};

QTEST_MAIN(MainDialogTest)
#include "zel_dlg_test.moc"
