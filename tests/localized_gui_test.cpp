// The user interface in the language of the user's locale, started the way `zel` starts:
// the application object reads LC_ALL, LC_MESSAGES and LANG. ctest runs this suite under
// several locales and names the language it must see in ZEL_EXPECTED_UI_LANGUAGE ("ja" or
// "en"). In English no Japanese character may remain in any window.

#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTemporaryDir>
#include <QToolButton>
#include <QTreeWidget>
#include <QtTest>
#include <cstdio>

#include "app/cpu_info_dlg.h"
#include "app/elided_label.h"
#include "app/input_file_list.h"
#include "app/qt_user_prompts.h"
#include "app/ui_translations.h"
#include "app/zel_app.h"
#include "app/zel_dlg.h"
#include "app/result_dlg.h"
#include "tests/support/fake_cpuid.h"
#include "tests/support/fake_user_prompts.h"
#include "tests/support/modal_answer.h"
#include "tests/support/wav_fixture.h"
#include "texts/message_catalogue.h"

using zel::test::AnswerNextModal;
using zel::test::FakeCpuid;
using zel::test::FakeUserPrompts;

namespace {

bool g_english = false;

// A text in both languages; the suite compares with the one of its locale.
struct Text {
    const char* ja;
    const char* en;
};

QString Expected(const Text& text) { return QString::fromUtf8(g_english ? text.en : text.ja); }

QStringList Expected(std::initializer_list<Text> texts) {
    QStringList list;
    for (const Text& text : texts) list << Expected(text);
    return list;
}

bool HasNonAscii(const QString& text) {
    for (QChar c : text)
        if (c.unicode() >= 0x80) return true;
    return false;
}

void AddActionTexts(const QList<QAction*>& actions, QStringList& texts) {
    for (QAction* action : actions) {
        texts << action->text() << action->toolTip();
        if (action->menu() != nullptr) AddActionTexts(action->menu()->actions(), texts);
    }
}

// Every text a window shows: title, labels, buttons, group titles, tips, list headers and
// the entries of its menus and combo boxes.
QStringList ShownTexts(QWidget* window) {
    QStringList texts{window->windowTitle()};
    AddActionTexts(window->actions(), texts);
    for (QWidget* w : window->findChildren<QWidget*>()) {
        texts << w->toolTip();
        // An elided label's whole text: the cut one holds an ellipsis in any language.
        if (auto* elided = qobject_cast<ElidedLabel*>(w))
            texts << elided->FullText();
        else if (auto* label = qobject_cast<QLabel*>(w))
            texts << label->text();
        if (auto* button = qobject_cast<QAbstractButton*>(w)) texts << button->text();
        if (auto* group = qobject_cast<QGroupBox*>(w)) texts << group->title();
        if (auto* combo = qobject_cast<QComboBox*>(w))
            for (int i = 0; i < combo->count(); ++i) texts << combo->itemText(i);
        if (auto* tool = qobject_cast<QToolButton*>(w); tool && tool->menu())
            AddActionTexts(tool->menu()->actions(), texts);
        if (auto* tree = qobject_cast<QTreeWidget*>(w))
            for (int c = 0; c < tree->columnCount(); ++c) texts << tree->headerItem()->text(c);
    }
    texts.removeAll(QString());
    return texts;
}

// In English, the texts that still hold a Japanese character; in Japanese, none.
QStringList Untranslated(QWidget* window) {
    QStringList left;
    if (!g_english) return left;
    for (const QString& text : ShownTexts(window))
        if (HasNonAscii(text)) left << text;
    return left;
}

QString LabelText(QWidget* parent, const QString& name) {
    auto* label = parent->findChild<QLabel*>(name);
    return label != nullptr ? label->text() : QString();
}

QString ButtonText(QWidget* parent, const QString& name) {
    auto* button = parent->findChild<QAbstractButton*>(name);
    return button != nullptr ? button->text() : QString();
}

}  // namespace

class LocalizedGuiTest : public QObject {
    Q_OBJECT

  private slots:
    void mainWindowCaptions() {
        FakeUserPrompts prompts;
        CZELDlg dlg(prompts);
        QCOMPARE(dlg.windowTitle(), QString("ZEL"));
        QStringList groups;
        for (QGroupBox* group : dlg.findChildren<QGroupBox*>()) groups << group->title();
        QCOMPARE(groups,
                 Expected({{"入力ファイル", "Input Files"}, {"出力ファイル", "Output Files"}}));
        QCOMPARE(ButtonText(&dlg, "addFilesButton"),
                 Expected({"ファイル追加(&A)...", "&Add Files..."}));
        QCOMPARE(ButtonText(&dlg, "folderButton"),
                 Expected({"フォルダ指定(&F)...", "Add &Folder..."}));
        QCOMPARE(ButtonText(&dlg, "deleteAllButton"), Expected({"全て削除(&D)", "&Delete All"}));
        QCOMPARE(ButtonText(&dlg, "subfoldersCheck"),
                 Expected({"サブフォルダも含める", "Include subfolders"}));
        QCOMPARE(dlg.ExecuteButton()->text(), Expected({"実行(&E)", "&Execute"}));
        QCOMPARE(dlg.ExitButton()->text(), Expected({"終了(&X)", "E&xit"}));
        QStringList labels;
        for (QLabel* label : dlg.findChildren<QGroupBox*>()[1]->findChildren<QLabel*>())
            if (label != dlg.SpeedLabel()) labels << label->text();
        QCOMPARE(labels, Expected({{"サフィックス", "Suffix"},
                                   {"サンプリング周波数", "Sampling frequency"},
                                   {"再生速度", "Playback speed"},
                                   {"出力形式", "Output format"},
                                   {"量子化ビット数", "Bits per sample"},
                                   {"ディザ", "Dither"},
                                   {"品質", "Quality"},
                                   {"音量", "Level"},
                                   {"出力先", "Output to"}}));
        QCOMPARE(ButtonText(&dlg, "besideInputRadio"),
                 Expected({"入力ファイルと同じフォルダ", "Beside each input file"}));
        QCOMPARE(ButtonText(&dlg, "outputFolderRadio"),
                 Expected({"指定フォルダ", "Into the folder"}));
        QStringList qualities;
        for (int i = 0; i < dlg.QualityCombo()->count(); ++i)
            qualities << dlg.QualityCombo()->itemText(i);
        QCOMPARE(qualities, Expected({{"標準", "Standard"},
                                      {"高品質", "High quality"},
                                      {"最高品質", "Best quality"}}));
        // The best mode's tooltip gives its figures in the window's language.
        QVERIFY(dlg.QualityCombo()->itemData(2, Qt::ToolTipRole).toString().contains(
            Expected({"0.98 倍", "0.98 of the lower"})));
        QCOMPARE(dlg.SpeedLabel()->text(), Expected({"1.00倍", "1.00x"}));
        dlg.SpeedSlider()->setValue(55);
        QCOMPARE(dlg.SpeedLabel()->text(), Expected({"0.55倍", "0.55x"}));
        QStringList headers;
        for (int c = 0; c < dlg.InputList()->columnCount(); ++c)
            headers << dlg.InputList()->headerItem()->text(c);
        QCOMPARE(headers, Expected({{"ファイル名", "File name"},
                                    {"記録時間", "Duration"},
                                    {"チャンネル数", "Channels"},
                                    {"サンプリング周波数", "Sampling frequency"},
                                    {"量子化ビット数", "Bits per sample"},
                                    {"形式", "Format"},
                                    {"フォルダ", "Folder"}}));
        QCOMPARE(dlg.AboutAction()->text(),
                 Expected({"バージョン情報 ZEL(&A)...", "&About ZEL..."}));
        QCOMPARE(dlg.CpuInfoAction()->text(), Expected({"CPU情報(&P)...", "CPU &Information..."}));
        QCOMPARE(dlg.findChild<QToolButton*>("menuButton")->toolTip(),
                 Expected({"メニュー", "Menu"}));
        const QStringList left = Untranslated(&dlg);
        QVERIFY2(left.isEmpty(), qPrintable(left.join(u'\n')));
    }

    // A caption wider than its column in this language widens the column: every header can
    // be read in full.
    void everyColumnHeaderFitsItsColumn() {
        FakeUserPrompts prompts;
        CZELDlg dlg(prompts);
        const InputFileList& list = *dlg.InputList();
        const QFontMetrics metrics(list.header()->font());
        for (int c = 0; c < list.columnCount(); ++c)
            QVERIFY2(metrics.horizontalAdvance(list.headerItem()->text(c)) < list.columnWidth(c),
                     qPrintable(list.headerItem()->text(c)));
    }

    void cpuDialogCaptions() {
        FakeCpuid cpuid(5, "");
        CCPUInfoDlg dlg(0, cpuid);
        dlg.show();
        QCOMPARE(dlg.windowTitle(), Expected({"CPU情報", "CPU Information"}));
        QCOMPARE(dlg.CloseButton()->text(), Expected({"閉じる(&X)", "&Close"}));
        QCOMPARE(dlg.findChild<QGroupBox*>()->title(),
                 Expected({"命令セット", "Instruction Set"}));
        QCOMPARE(dlg.LevelButton(0)->text(), Expected({"使用しない", "None"}));
        QCOMPARE(dlg.LevelButton(4)->text(), QString("SSE4.1"));
        QCOMPARE(dlg.LevelButton(5)->text(), QString("AVX2"));
        QCOMPARE(dlg.BrandLabel()->text(), Expected({"不明なプロセッサ", "Unknown processor"}));
        const QStringList left = Untranslated(&dlg);
        QVERIFY2(left.isEmpty(), qPrintable(left.join(u'\n')));
    }

    void aboutBoxCaptions() {
        FakeUserPrompts prompts;
        CZELDlg dlg(prompts);
        dlg.show();
        QString title, version, description, copyright;
        QStringList left;
        AnswerNextModal([&](QWidget* modal) {
            title = modal->windowTitle();
            version = LabelText(modal, "versionLabel");
            description = LabelText(modal, "descriptionLabel");
            copyright = LabelText(modal, "copyrightLabel");
            left = Untranslated(modal);
            modal->close();
        });
        dlg.AboutAction()->trigger();
        QCOMPARE(title, Expected({"バージョン情報 ZEL", "About ZEL"}));
        QCOMPARE(version, Expected({"ZEL バージョン 1.1.0", "ZEL, Version 1.1.0"}));
        QCOMPARE(copyright, Expected({"Copyright © 2026 ZEL 開発者",
                                      "Copyright (C) 2026 The ZEL developers"}));
        QCOMPARE(description, Expected({"音声ファイルのサンプリング周波数一括変換ツール",
                                        "Batch sampling-frequency converter for sound files"}));
        QVERIFY2(left.isEmpty(), qPrintable(left.join(u'\n')));
    }

    void messagesNameTheFile() {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString good = dir.filePath("良い.wav");
        const QString bad = dir.filePath("bad.wav");
        QVERIFY(zel::test::WriteWav(good));
        QVERIFY(zel::test::WriteBytes(bad, zel::test::CompressedFormatBytes()));
        QVERIFY(zel::test::WriteWav(dir.filePath("good_ZEL.wav")));
        FakeUserPrompts prompts;
        prompts.folderToChoose = dir.path();
        CZELDlg dlg(prompts);
        QVERIFY(dlg.AddInputFile(good));
        dlg.OnChooseFolder();
        prompts.confirmations = {false};
        dlg.OnDeleteAll();
        QCOMPARE(prompts.skippedFiles.size(), std::size_t{1});
        QCOMPARE(prompts.skippedFiles[0].heading,
                 Expected({"追加しなかったファイルがあります（追加したファイル: 0、追加しなかった"
                           "ファイル: 3）",
                           "Some files were not added (files added: 0, not added: 3)."}));
        QCOMPARE(prompts.skippedFiles[0].lines,
                 QStringList(
                     {Expected({"既にリストに登録されているため追加しなかったファイル: 1",
                                "Not added, already in the list: 1"}),
                      Expected({"名前がサフィックス「_ZEL」で終わるため追加しなかったファイル"
                                "（以前の出力）: 1",
                                "Not added, names ending in the suffix \"_ZEL\" (outputs of an "
                                "earlier run): 1"}),
                      bad + Expected({" — 対応していないファイルです: 圧縮形式（IMA ADPCM）には"
                                      "対応していません",
                                      " — not supported: Compressed format (IMA ADPCM) is not "
                                      "supported"})}));
        QCOMPARE(prompts.messages.size(), std::size_t{1});
        QCOMPARE(prompts.messages[0].text, Expected({"リストから全てのファイルを削除します",
                                                     "All files will be removed from the list."}));
    }

    void choosersTitlesAndFilters() {
        QtUserPrompts prompts;
        QString folderTitle;
        AnswerNextModal([&](QWidget* modal) {
            folderTitle = modal->windowTitle();
            modal->close();
        });
        prompts.ChooseFolder(nullptr);
        QCOMPARE(folderTitle, Expected({"フォルダの選択", "Select Folder"}));

        QStringList filters, qtOwnButtons;
        AnswerNextModal([&](QWidget* modal) {
            if (auto* dialog = qobject_cast<QFileDialog*>(modal)) filters = dialog->nameFilters();
            // Qt's own words come from its catalogue (qtbase_ja), not from ours.
            if (auto* buttons = modal->findChild<QDialogButtonBox*>())
                for (QAbstractButton* button : buttons->buttons()) qtOwnButtons << button->text();
            modal->close();
        });
        prompts.ChooseInputFiles(nullptr);
        QCOMPARE(filters.size(), 3);
        QVERIFY2(filters[0].startsWith(Expected({"音声ファイル (*.wav ", "Sound files (*.wav "})),
                 qPrintable(filters[0]));
        QCOMPARE(filters.mid(1),
                 Expected({{"WAVファイル (*.wav *.wave *.rf64 *.bwf)",
                            "WAV files (*.wav *.wave *.rf64 *.bwf)"},
                           {"すべてのファイル (*)", "All files (*)"}}));
        QVERIFY2(qtOwnButtons.contains(Expected({"キャンセル", "Cancel"})),
                 qPrintable(qtOwnButtons.join(u'|')));
    }

    void engineAndBatchMessages() {
        using zel::SettingsProblem;
        const std::pair<zel::ConversionResult, Text> results[] = {
            {0, {"正常終了", "Completed"}},
            {1, {"ユーザーによる中断", "Cancelled by the user"}},
            {-1, {"入力ファイルオープンエラー", "Cannot open the input file"}},
            {-2, {"入力ファイルフォーマットエラー", "Input file format not supported"}},
            {-3, {"出力ファイルオープンエラー", "Cannot create the output file"}},
            {-4, {"出力ファイル書き込みエラー", "Cannot write the output file"}},
            {-5, {"入力ファイル読み込みエラー", "Cannot read the input file"}},
            {-6, {"メモリ不足エラー", "Not enough memory"}},
            {-9, {"不明なエラー (code -9)", "Unknown error (code -9)"}},
        };
        for (const auto& [code, text] : results)
            QCOMPARE(CResultDlg::MessageFor({code}), Expected(text));
        const std::pair<SettingsProblem, Text> problems[] = {
            {SettingsProblem::kNoInputFiles,
             {"入力ファイルが指定されていません", "No input file has been specified."}},
            {SettingsProblem::kNoSuffix,
             {"サフィックスが指定されていません", "No suffix has been specified."}},
            {SettingsProblem::kBadTargetRate,
             {"サンプリング周波数が不適切です（8000〜96000 Hz）",
              "The sampling frequency is not valid (8000-96000 Hz)."}},
            {SettingsProblem::kBadSpeed,
             {"再生速度が不適切です（50〜200 %）", "The playback speed is not valid (50-200 %)."}},
            {SettingsProblem::kUnusableSuffix,
             {"サフィックスに '/' または NUL 文字が含まれています",
              "The suffix contains '/' or a NUL character."}},
            {SettingsProblem::kSpeedTermsTooLarge,
             {"再生速度の比の項が大きすぎます（既約分数で分子・分母とも 1000000 以下）",
              "The playback speed's ratio has terms too large (at most 1000000 each in "
              "lowest terms)."}},
        };
        for (const auto& [problem, text] : problems)
            QCOMPARE(
                QString::fromUtf8(zel::texts::SettingsProblemText(problem, InstalledUiLanguage())),
                Expected(text));
    }
};

int main(int argc, char** argv) {
    const QByteArray expected = qgetenv("ZEL_EXPECTED_UI_LANGUAGE");
    if (expected != "en" && expected != "ja") {
        std::fprintf(stderr, "ZEL_EXPECTED_UI_LANGUAGE must be en or ja\n");
        return 2;
    }
    g_english = expected == "en";
    // The application object the program itself uses: it chooses the language.
    CZELApp app(argc, argv);
    LocalizedGuiTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "localized_gui_test.moc"
