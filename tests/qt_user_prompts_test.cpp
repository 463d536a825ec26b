// The real message boxes and choosers: title, icon, buttons and answers, each answered by
// the test while it is open.

#include "app/qt_user_prompts.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QLineEdit>
#include <QMessageBox>
#include <QtTest>

#include "engine/sndfile/sound_file_formats.h"

#include "tests/support/modal_answer.h"

using zel::test::AnswerNextModal;

namespace {

struct SeenBox {
    bool seen = false;
    QString title;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons buttons;
};

// Records the next message box and presses `press` in it.
void AnswerNextBox(SeenBox& seen, QMessageBox::StandardButton press) {
    AnswerNextModal([&seen, press](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        if (box == nullptr) {
            modal->close();
            return;
        }
        seen = {true, box->windowTitle(), box->text(), box->icon(), box->standardButtons()};
        box->button(press)->click();
    });
}

}  // namespace

class QtUserPromptsTest : public QObject {
    Q_OBJECT

  private slots:
    void errorBox() {
        QtUserPrompts prompts;
        QWidget owner;
        owner.show();
        SeenBox seen;
        AnswerNextBox(seen, QMessageBox::Ok);
        prompts.ShowError(&owner, "/a/b.wav\n対応していないファイルです");
        QVERIFY(seen.seen);
        QCOMPARE(seen.title, QString("ZEL"));
        QCOMPARE(seen.text, QString("/a/b.wav\n対応していないファイルです"));
        QCOMPARE(seen.icon, QMessageBox::Critical);
        QCOMPARE(seen.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    }

    void warningBox() {
        QtUserPrompts prompts;
        SeenBox seen;
        AnswerNextBox(seen, QMessageBox::Ok);
        prompts.ShowWarning(nullptr, "<b>not markup</b>");
        QVERIFY(seen.seen);
        QCOMPARE(seen.title, QString("ZEL"));
        QCOMPARE(seen.icon, QMessageBox::Warning);
        QCOMPARE(seen.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    }

    void confirmationAnswersOkOrCancel() {
        QtUserPrompts prompts;
        SeenBox seen;
        AnswerNextBox(seen, QMessageBox::Ok);
        QVERIFY(prompts.ConfirmWarning(nullptr, "リストから全てのファイルを削除します"));
        QCOMPARE(seen.icon, QMessageBox::Warning);
        QCOMPARE(seen.title, QString("ZEL"));
        QCOMPARE(seen.buttons, QMessageBox::Ok | QMessageBox::Cancel);

        AnswerNextBox(seen, QMessageBox::Cancel);
        QVERIFY(!prompts.ConfirmWarning(nullptr, "リストから全てのファイルを削除します"));
    }

    // A short list is read in the box; a long one stays a box of a few lines, with the
    // whole list in the scrolling details.
    void skippedFilesBoxKeepsALongListUsable() {
        QtUserPrompts prompts;
        const QStringList few = {"Not added, already in the list: 2", "/a/<b>.wav — bad"};
        QString text, details;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        auto answer = [&] {
            AnswerNextModal([&](QWidget* modal) {
                auto* box = qobject_cast<QMessageBox*>(modal);
                if (box == nullptr) return modal->close(), void();
                text = box->text();
                details = box->detailedText();
                icon = box->icon();
                box->button(QMessageBox::Ok)->click();
            });
        };
        answer();
        prompts.ShowSkippedFiles(nullptr, "Some files were not added.", few);
        QCOMPARE(text, "Some files were not added.\n\n" + few.join('\n'));
        QVERIFY(details.isEmpty());
        QCOMPARE(icon, QMessageBox::Warning);

        QStringList many;
        for (int i = 0; i < 2000; ++i) many << QString("/deep/folder/take%1.wav — bad").arg(i);
        answer();
        prompts.ShowSkippedFiles(nullptr, "Some files were not added.", many);
        QVERIFY(text.startsWith("Some files were not added.\n\n" + many[0] + '\n'));
        QVERIFY(text.count('\n') < 20);
        QCOMPARE(details, many.join('\n'));
    }

    void fileChooserOffersWavAndAllFiles() {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        for (const char* name : {"one.wav", "TWO.WAV", "noext", "three.txt"}) {
            QFile file(dir.filePath(name));
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
        QtUserPrompts prompts;
        QStringList filters, modelFilters;
        QString selectedFilter;
        QFileDialog::FileMode mode = QFileDialog::AnyFile;
        AnswerNextModal([&](QWidget* modal) {
            auto* dialog = qobject_cast<QFileDialog*>(modal);
            if (dialog == nullptr) return modal->close(), void();
            filters = dialog->nameFilters();
            selectedFilter = dialog->selectedNameFilter();
            mode = dialog->fileMode();
            // Picking "All Files" the way the filter box does lets every name through.
            for (QComboBox* box : dialog->findChildren<QComboBox*>()) {
                const int all = box->findText(kAllFilesFilter);
                if (all < 0) continue;
                box->setCurrentIndex(all);
                emit box->activated(all);
                emit box->textActivated(box->itemText(all));
            }
            if (auto* model = dialog->findChild<QFileSystemModel*>())
                modelFilters = model->nameFilters();
            dialog->setDirectory(dir.path());
            // Typed, as the user would: selectFile() leaves a focused name field alone,
            // and whether it has the focus yet depends on the window's activation.
            auto* name = dialog->findChild<QLineEdit*>("fileNameEdit");
            QVERIFY(name != nullptr);
            name->setText("\"one.wav\" \"noext\"");
            QMetaObject::invokeMethod(dialog, "accept", Qt::DirectConnection);
        });
        const QStringList chosen = prompts.ChooseInputFiles(nullptr);
        // Every extension ZEL reads, in any letter case, then the WAV family, then everything.
        QCOMPARE(filters.size(), 3);
        QCOMPARE(selectedFilter, filters[0]);
        const auto patternsOf = [](const QString& filter) {
            const qsizetype open = filter.indexOf('(');
            return filter.mid(open + 1, filter.indexOf(')') - open - 1).split(' ');
        };
        const QStringList patterns = patternsOf(filters[0]);
        QVERIFY(QDir::match(patterns, "x.wav") && QDir::match(patterns, "X.WAV"));
        QVERIFY(!QDir::match(patterns, "three.txt"));
        QCOMPARE(QDir::match(patterns, "x.flac"), zel::HasReadableExtension("x.flac"));
        QCOMPARE(QDir::match(patterns, "x.Mp3"), zel::HasReadableExtension("x.mp3"));
        const QStringList wavPatterns = patternsOf(filters[1]);
        for (const char* name : {"x.wav", "x.WAVE", "x.rf64", "x.bwf"})
            QVERIFY2(QDir::match(wavPatterns, name), name);
        QVERIFY(!QDir::match(wavPatterns, "x.flac"));
        QCOMPARE(filters[2], QString(kAllFilesFilter));
        QCOMPARE(mode, QFileDialog::ExistingFiles);
        QVERIFY2(modelFilters.isEmpty() || QDir::match(modelFilters, "noext"),
                 qPrintable(modelFilters.join(' ')));
        QCOMPARE(chosen, QStringList({dir.filePath("one.wav"), dir.filePath("noext")}));

        // The next opening, even by another prompts object, starts where this one ended.
        QString openedIn;
        AnswerNextModal([&](QWidget* modal) {
            if (auto* dialog = qobject_cast<QFileDialog*>(modal))
                openedIn = dialog->directory().absolutePath();
            modal->close();
        });
        QVERIFY(QtUserPrompts().ChooseInputFiles(nullptr).isEmpty());
        QCOMPARE(openedIn, QDir(dir.path()).absolutePath());
    }

    void existingOutputsQuestionOffersThreeAnswers_data() {
        QTest::addColumn<QString>("button");  // empty: Esc
        QTest::addColumn<ExistingOutputsAnswer>("answer");
        QTest::newRow("replace all") << "replaceAllButton" << ExistingOutputsAnswer::kReplaceAll;
        QTest::newRow("skip existing")
            << "skipExistingButton" << ExistingOutputsAnswer::kSkipExisting;
        QTest::newRow("cancel") << "cancelButton" << ExistingOutputsAnswer::kCancel;
        QTest::newRow("Esc") << "" << ExistingOutputsAnswer::kCancel;
    }
    void existingOutputsQuestionOffersThreeAnswers() {
        QFETCH(QString, button);
        QFETCH(ExistingOutputsAnswer, answer);
        QtUserPrompts prompts;
        QStringList captions;
        QString text;
        AnswerNextModal([&](QWidget* modal) {
            auto* box = qobject_cast<QMessageBox*>(modal);
            if (box == nullptr) return modal->close(), void();
            text = box->text();
            for (const char* name : {"replaceAllButton", "skipExistingButton", "cancelButton"})
                if (auto* b = box->findChild<QAbstractButton*>(name)) captions << b->text();
            if (button.isEmpty())
                QTest::keyClick(box, Qt::Key_Escape);
            else
                box->findChild<QAbstractButton*>(button)->click();
        });
        QCOMPARE(prompts.AskAboutExistingOutputs(nullptr, "2 exist"), answer);
        QCOMPARE(text, QString("2 exist"));
        QCOMPARE(captions, QStringList({"全て置き換える", "既存をスキップ", "キャンセル"}));
    }

    void folderChooserHasItsTitleAndCancels() {
        QtUserPrompts prompts;
        QString title;
        AnswerNextModal([&](QWidget* modal) {
            title = modal->windowTitle();
            modal->close();
        });
        QVERIFY(prompts.ChooseFolder(nullptr).isEmpty());
        QCOMPARE(title, QString("フォルダの選択"));
    }
};

QTEST_MAIN(QtUserPromptsTest)
#include "qt_user_prompts_test.moc"
