// The input file list of the main window: admission, refusal and duplicates, the ways
// files arrive (chooser, folder, drop, command line) with one report per add, deletion
// and sorting.

#include <sys/stat.h>
#include <unistd.h>

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QToolTip>
#include <QTemporaryDir>
#include <QUrl>
#include <QtTest>
#include <cerrno>
#include <memory>
#include <system_error>

#include "app/elided_label.h"
#include "app/input_file_list.h"
#include "app/input_row_text.h"
#include "app/zel_dlg.h"
#include "tests/support/fake_user_prompts.h"
#include "tests/support/wav_fixture.h"

#ifdef ZEL_HAVE_SNDFILE
#include <sndfile.h>
#endif

using zel::test::FakeUserPrompts;
using zel::test::ShownMessage;

namespace {

// The heading of an add's report, with its totals.
QString SkippedHeading(int added, int notAdded) {
    return QStringLiteral(
               "追加しなかったファイルがあります（追加したファイル: %1、追加しなかったファイル: %2）")
        .arg(added)
        .arg(notAdded);
}
const QString kNotSupported = QStringLiteral(" — 対応していないファイルです: ");
// Ten channels in a header whose block align (4) fits two of 16 bits.
const QString kTenChannelReason =
    QStringLiteral("ブロックサイズ 4 がチャンネル数とビット数に合いません");

QString AlreadyListedLine(int count) {
    return QStringLiteral("既にリストに登録されているため追加しなかったファイル: %1").arg(count);
}

QString NamedLikeOutputLine(int count) {
    return QStringLiteral(
               "名前がサフィックス「_ZEL」で終わるため追加しなかったファイル（以前の出力）: %1")
        .arg(count);
}

// The effective user switched to an ordinary one while it lives, when the test runs as
// root, whom no permission stops; the saved user id lets it switch back.
class OrdinaryUser {
  public:
    OrdinaryUser() : m_switched(::geteuid() == 0 && ::seteuid(kOrdinaryUser) == 0) {}
    ~OrdinaryUser() {
        if (m_switched && ::seteuid(0) != 0) qFatal("cannot return to the user root");
    }
    OrdinaryUser(const OrdinaryUser&) = delete;
    OrdinaryUser& operator=(const OrdinaryUser&) = delete;
    bool IsOrdinary() const { return ::geteuid() != 0; }

  private:
    static constexpr uid_t kOrdinaryUser = 65534;
    bool m_switched;
};

zel::InputProbe ProbeWithChannels(std::uint16_t channels) {
    zel::InputProbe probe;
    probe.status = zel::WavProbe::Status::kAccepted;
    zel::WavSampleFormat& format = probe.format;
    format.channels = channels;
    format.sampleRate = 44100;
    format.blockAlign = static_cast<std::uint16_t>(channels * 2);
    format.containerBits = format.validBits = 16;
    return probe;
}

#ifdef ZEL_HAVE_SNDFILE
// Silence of `frames` frames in a container libsndfile writes.
bool WriteSoundFile(const QString& path, int format, int channels, int rate, sf_count_t frames) {
    SF_INFO info{};
    info.format = format;
    info.channels = channels;
    info.samplerate = rate;
    SNDFILE* file = sf_open(QFile::encodeName(path).constData(), SFM_WRITE, &info);
    if (file == nullptr) return false;
    const std::vector<float> block(static_cast<std::size_t>(channels) * 4096, 0.0f);
    bool written = true;
    for (sf_count_t done = 0; written && done < frames; done += 4096) {
        const sf_count_t count = std::min<sf_count_t>(4096, frames - done);
        written = sf_writef_float(file, block.data(), count) == count;
    }
    return sf_close(file) == 0 && written;
}
#endif

}  // namespace

class InputListTest : public QObject {
    Q_OBJECT

  private:
    QTemporaryDir m_dir;

    QString PathOf(const QString& name) const { return m_dir.filePath(name); }

    QString MakeWav(const QString& name, const zel::SignalFormat& format = {}) {
        const QString path = PathOf(name);
        if (!zel::test::WriteWav(path, format)) qFatal("cannot write %s", qPrintable(path));
        return path;
    }

    static QStringList Column(const CZELDlg& dlg, int column) {
        QStringList texts;
        for (int row = 0; row < dlg.InputList()->RowCount(); ++row)
            texts << dlg.InputList()->CellText(row, column);
        return texts;
    }

  private slots:
    void initTestCase() { QVERIFY(m_dir.isValid()); }

    void admitsACanonicalWavWithItsColumns() {
        FakeUserPrompts prompts;
        CZELDlg dlg(prompts);
        const QString stereo = MakeWav("stereo16.wav", {2, 16, 44100});
        const QString mono = MakeWav("mono8.wav", {1, 8, 8000});
        QVERIFY(dlg.AddInputFile(stereo));
        QVERIFY(dlg.AddInputFile(mono));
        QVERIFY(prompts.skippedFiles.empty());
        InputFileList* list = dlg.InputList();
        QCOMPARE(list->RowCount(), 2);
        QCOMPARE(list->CellText(0, kFileNameColumn), QString("stereo16.wav"));
        QCOMPARE(list->CellText(0, kFolderColumn), m_dir.path());
        QCOMPARE(list->CellText(0, kDurationColumn), QString(" 0:00:00.0"));
        QCOMPARE(list->CellText(0, kChannelsColumn), QString("2"));
        QCOMPARE(list->CellText(0, kFrequencyColumn), QString("44100 Hz"));
        QCOMPARE(list->CellText(0, kBitsColumn), QString("16 bit"));
        QCOMPARE(list->CellText(1, kChannelsColumn), QString("1"));
        QCOMPARE(list->CellText(1, kFrequencyColumn), QString("8000 Hz"));
        QCOMPARE(list->CellText(1, kBitsColumn), QString("8 bit"));
        // A float file names its encoding beside its bits.
        const QString floating = PathOf("float32.wav");
        QVERIFY(zel::test::WriteBytes(floating, zel::test::FloatWavBytes()));
        QVERIFY(dlg.AddInputFile(floating));
        QCOMPARE(list->CellText(2, kBitsColumn), QString("32 bit float"));
        QCOMPARE(list->CellText(0, kFormatColumn), QString("WAV"));
        QVERIFY(prompts.skippedFiles.empty());
        QCOMPARE(dlg.InputPaths(), QStringList({stereo, mono, floating}));
    }

    void refusesWhatTheEngineWouldRefuse_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("content");
        auto raw = [](const std::vector<std::uint8_t>& bytes) {
            return QByteArray(reinterpret_cast<const char*>(bytes.data()), bytes.size());
        };
        QTest::addColumn<QString>("reason");
        QTest::newRow("text file") << "notes.wav" << QByteArray("just some text, not a header")
                                   << "WAVファイルではありません";
        QTest::newRow("no chunk") << "short.wav" << QByteArray("RIFF\0\0\0\0WAVE", 12)
                                  << "fmt チャンクがありません";
        QTest::newRow("IMA ADPCM") << "adpcm.wav" << raw(zel::test::CompressedFormatBytes())
                                   << "圧縮形式（IMA ADPCM）には対応していません";
        QTest::newRow("ten channels")
            << "ten.wav" << raw(zel::test::TenChannelBytes()) << kTenChannelReason;
        QTest::newRow("empty") << "empty.wav" << QByteArray() << "WAVファイルではありません";
    }
    void refusesWhatTheEngineWouldRefuse() {
        QFETCH(QString, name);
        QFETCH(QByteArray, content);
        QFETCH(QString, reason);
        const QString path = PathOf(name);
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(content);
        file.close();
        FakeUserPrompts prompts;
        CZELDlg dlg(prompts);
        QVERIFY(!dlg.AddInputFile(path));
        QCOMPARE(dlg.InputList()->RowCount(), 0);
        QCOMPARE(prompts.skippedFiles.size(), std::size_t(1));
        QCOMPARE(prompts.skippedFiles[0].heading, SkippedHeading(0, 1));
        QCOMPARE(prompts.skippedFiles[0].lines, QStringList(path + kNotSupported + reason));
        QCOMPARE(prompts.skippedFiles[0].owner, &dlg);
    }

    // Other containers are listed with their format as libsndfile reads it; a file that
    // only carries such a name is refused with the reason.
    void admitsOtherContainersWithTheirColumns_data() {
#ifdef ZEL_HAVE_SNDFILE
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("format");  // 0: not a sound file
        QTest::addColumn<int>("channels");
        QTest::addColumn<int>("rate");
        // duration, channels, frequency, bits, format
        QTest::addColumn<QStringList>("columns");
        QTest::newRow("FLAC 16") << "a.flac" << (SF_FORMAT_FLAC | SF_FORMAT_PCM_16) << 1 << 8000
                                 << QStringList{" 0:01:01", "1", "8000 Hz", "16 bit", "FLAC"};
        QTest::newRow("AIFF 24") << "b.aiff" << (SF_FORMAT_AIFF | SF_FORMAT_PCM_24) << 2 << 48000
                                 << QStringList{" 0:01:01", "2", "48000 Hz", "24 bit", "AIFF"};
        QTest::newRow("CAF float") << "c.caf" << (SF_FORMAT_CAF | SF_FORMAT_FLOAT) << 2 << 96000
                                   << QStringList{" 0:01:01", "2", "96000 Hz", "32 bit float", "CAF"};
        QTest::newRow("W64 double") << "d.W64" << (SF_FORMAT_W64 | SF_FORMAT_DOUBLE) << 1 << 8000
                                    << QStringList{" 0:01:01", "1", "8000 Hz", "64 bit float", "W64"};
        QTest::newRow("Ogg Vorbis") << "e.ogg" << (SF_FORMAT_OGG | SF_FORMAT_VORBIS) << 2 << 44100
                                    << QStringList{" 0:01:01", "2", "44100 Hz", "Vorbis", "Ogg"};
        QTest::newRow("text named .flac") << "notes.flac" << 0 << 0 << 0 << QStringList{};
#endif
    }
    void admitsOtherContainersWithTheirColumns() {
#ifndef ZEL_HAVE_SNDFILE
        QSKIP("this build reads WAV only (no libsndfile)");
#else
        QFETCH(QString, name);
        QFETCH(int, format);
        QFETCH(int, channels);
        QFETCH(int, rate);
        QFETCH(QStringList, columns);
        const QString path = PathOf(name);
        if (format != 0)
            QVERIFY(WriteSoundFile(path, format, channels, rate, sf_count_t{rate} * 61));
        else
            QVERIFY(zel::test::WriteBytes(path, {'t', 'e', 'x', 't'}));
        FakeUserPrompts prompts;
        CZELDlg dlg(prompts);
        QCOMPARE(dlg.AddInputFile(path), format != 0);
        if (format == 0) {
            QCOMPARE(prompts.skippedFiles.size(), std::size_t(1));
            QCOMPARE(prompts.skippedFiles[0].lines,
                     QStringList(path + kNotSupported + "ファイルが壊れています"));
            return;
        }
        QVERIFY(prompts.skippedFiles.empty());
        const QStringList shown = {
            dlg.InputList()->CellText(0, kDurationColumn), dlg.InputList()->CellText(0, kChannelsColumn),
            dlg.InputList()->CellText(0, kFrequencyColumn), dlg.InputList()->CellText(0, kBitsColumn),
            dlg.InputList()->CellText(0, kFormatColumn)};
        QCOMPARE(shown, columns);
        QCOMPARE(dlg.InputPaths(), QStringList(path));
#endif
    }

    void skipsWhatCannotBeOpenedSilently() {
        FakeUserPrompts prompts;
        CZELDlg dlg(prompts);
        QVERIFY(QDir(m_dir.path()).mkpath("folder.wav"));
        // A FIFO would block whoever opens it for reading; it is refused without waiting.
        QCOMPARE(::mkfifo(QFile::encodeName(PathOf("pipe.wav")).constData(), 0600), 0);
        QVERIFY(!dlg.AddInputFile(PathOf("missing.wav")));
        QVERIFY(!dlg.AddInputFile(PathOf("folder.wav")));
        QVERIFY(!dlg.AddInputFile(PathOf("pipe.wav")));
        QVERIFY(!dlg.AddInputFile(QString()));
        QCOMPARE(dlg.InputList()->RowCount(), 0);
        QVERIFY(prompts.skippedFiles.empty());
    }

    // Any name of a listed file is the same file: relative, doubled separator, symbolic
    // and hard links. One add of them all lists the file once and reports the count.
    void theSameFileUnderAnyNameIsListedOnce() {
        const QString path = MakeWav("dup.wav");
        QVERIFY(QFile::link(path, PathOf("dup_symlink.wav")));
        QCOMPARE(::link(QFile::encodeName(path).constData(),
                        QFile::encodeName(PathOf("dup_hardlink.wav")).constData()),
                 0);
        QDir::setCurrent(m_dir.path());
        FakeUserPrompts prompts;
        prompts.filesToChoose = {"dup.wav", "./dup.wav", path, m_dir.path() + "//dup.wav",
                                 PathOf("dup_symlink.wav"), PathOf("dup_hardlink.wav")};
        CZELDlg dlg(prompts);
        dlg.findChild<QPushButton*>("addFilesButton")->click();
        QCOMPARE(dlg.InputPaths(), QStringList("dup.wav"));
        QCOMPARE(prompts.skippedFiles.size(), std::size_t(1));
        QCOMPARE(prompts.skippedFiles[0].lines, QStringList(AlreadyListedLine(5)));

        // Once the row is gone, the file can be listed again under another name.
        dlg.InputList()->selectAll();
        QTest::keyClick(dlg.InputList(), Qt::Key_Delete);
        QVERIFY(dlg.AddInputFile(PathOf("dup_symlink.wav")));
        QCOMPARE(prompts.skippedFiles.size(), std::size_t(1));
    }

    // The name first, readable however deep the folder; the whole path in the tip.
    void aDeepPathShowsItsFileName() {
        FakeUserPrompts prompts;
        CZELDlg dlg(prompts);
        const QString segment(100, QChar('d'));
        const QString folder = m_dir.path() + "/" + segment + "/" + segment + "/" + segment;
        QVERIFY(QDir().mkpath(folder));
        const QString name = "take 1.wav";
        const QString path = folder + "/" + name;
        QVERIFY(path.size() > 300);
        QVERIFY(zel::test::WriteWav(path));
        QVERIFY(dlg.AddInputFile(path));
        InputFileList* list = dlg.InputList();
        QCOMPARE(list->CellText(0, kFileNameColumn), name);
        QCOMPARE(list->CellText(0, kFolderColumn), folder);
        QCOMPARE(list->topLevelItem(0)->toolTip(kFileNameColumn), path);
        QCOMPARE(dlg.InputPaths(), QStringList(path));
        // The name's column leads and is wide enough for it.
        QCOMPARE(list->header()->visualIndex(kFileNameColumn), 0);
        QVERIFY(list->columnWidth(kFileNameColumn) > list->fontMetrics().horizontalAdvance(name));
    }

    // Before a run, a row's tip tells where its output will go with the settings as they
    // are: beside the input, or in the output folder with the path below the folder the
    // file was added from.
    void aRowsTipTellsWhereItsOutputWillGo() {
        FakeUserPrompts prompts;
        CZELDlg dlg(prompts);
        QTemporaryDir folder;
        QVERIFY(QDir().mkpath(folder.path() + "/sub"));
        const QString nested = folder.path() + "/sub/n.wav";
        QVERIFY(zel::test::WriteWav(nested));
        const QString single = MakeWav("tip_single.wav");
        QVERIFY(dlg.AddInputFile(single));
        dlg.SubfoldersCheck()->setChecked(true);
        prompts.folderToChoose = folder.path();
        dlg.OnChooseFolder();
        InputFileList* list = dlg.InputList();
        QCOMPARE(list->RowCount(), 2);
        QCOMPARE(list->TipOf(0, kFileNameColumn),
                 single + "\n出力先: " + PathOf("tip_single_ZEL.wav"));
        dlg.SuffixEdit()->setText("_48k");
        QCOMPARE(list->TipOf(1, kFileNameColumn),
                 nested + "\n出力先: " + folder.path() + "/sub/n_48k.wav");
        dlg.OutputFolderRadio()->setChecked(true);
        dlg.OutputFolderEdit()->setText("/out");
        QCOMPARE(list->TipOf(0, kFileNameColumn), single + "\n出力先: /out/tip_single_48k.wav");
        QCOMPARE(list->TipOf(1, kFileNameColumn), nested + "\n出力先: /out/sub/n_48k.wav");
        // What the hover shows is that text.
        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        const QPoint pos = list->visualRect(list->model()->index(1, kFileNameColumn)).center();
        QHelpEvent event(QEvent::ToolTip, pos, list->viewport()->mapToGlobal(pos));
        QApplication::sendEvent(list->viewport(), &event);
        QTRY_VERIFY(QToolTip::isVisible());
        QCOMPARE(QToolTip::text(), list->TipOf(1, kFileNameColumn));
    }

    void fileChooserAddsEachChosenFileInOrder() {
        FakeUserPrompts prompts;
        CZELDlg dlg(prompts);
        const QString b = MakeWav("choose_b.wav");
        const QString a = MakeWav("choose_a.wav");
        auto* button = dlg.findChild<QPushButton*>("addFilesButton");
        QVERIFY(button);
        QCOMPARE(button->text(), QString("ファイル追加(&A)..."));

        button->click();  // cancelled
        QCOMPARE(prompts.fileChooserOpenings, 1);
        QCOMPARE(dlg.InputList()->RowCount(), 0);

        prompts.filesToChoose = {b, PathOf("gone.wav"), a};
        button->click();
        QCOMPARE(dlg.InputPaths(), QStringList({b, a}));
        QVERIFY(prompts.skippedFiles.empty());
    }

    void folderScanTakesTheWavFilesOfThatFolder() {
        QTemporaryDir folder;
        QVERIFY(folder.isValid());
        const QString root = folder.path();
        QVERIFY(zel::test::WriteWav(root + "/c.Wav"));
        QVERIFY(zel::test::WriteWav(root + "/a.wav"));
        QVERIFY(zel::test::WriteWav(root + "/B.WAV"));
        QVERIFY(zel::test::WriteWav(root + "/.hidden.wav"));
        QVERIFY(zel::test::WriteWav(root + "/riff.data"));
        QVERIFY(zel::test::WriteBytes(root + "/notes.txt", {'t', 'e', 'x', 't'}));
        QVERIFY(QDir(root).mkpath("sub.wav"));
        QVERIFY(zel::test::WriteWav(root + "/sub.wav/deep.wav"));
        QCOMPARE(::mkfifo(QFile::encodeName(root + "/pipe.wav").constData(), 0600), 0);

        FakeUserPrompts prompts;
        CZELDlg dlg(prompts);
        auto* button = dlg.findChild<QPushButton*>("folderButton");
        QVERIFY(button);
        QCOMPARE(button->text(), QString("フォルダ指定(&F)..."));
        QCOMPARE(dlg.SubfoldersCheck()->objectName(), QString("subfoldersCheck"));
        QCOMPARE(dlg.SubfoldersCheck()->text(), QString("サブフォルダも含める"));
        QVERIFY(!dlg.IncludesSubfolders());

        button->click();  // cancelled
        QCOMPARE(prompts.folderChooserOpenings, 1);
        QCOMPARE(dlg.InputList()->RowCount(), 0);

        // A trailing separator does not double the one put before each name. Files with a
        // RIFF/WAVE header count whatever their names; hidden files do not.
        prompts.folderToChoose = root + "/";
        button->click();
        QCOMPARE(dlg.InputPaths(), QStringList({root + "/B.WAV", root + "/a.wav",
                                                root + "/c.Wav", root + "/riff.data"}));
        QVERIFY(prompts.skippedFiles.empty());

        QTemporaryDir empty;
        prompts.folderToChoose = empty.path();
        button->click();
        QCOMPARE(dlg.InputList()->RowCount(), 4);
        QVERIFY(prompts.skippedFiles.empty());
    }

    // Refused, already listed and output-named files of one scan: one message for them all.
    void oneAddReportsEverythingItLeftOutInOneMessage() {
        QTemporaryDir folder;
        QVERIFY(folder.isValid());
        const QString root = folder.path();
        QVERIFY(zel::test::WriteWav(root + "/listed.wav"));
        QVERIFY(zel::test::WriteWav(root + "/new.wav"));
        QVERIFY(zel::test::WriteWav(root + "/new_ZEL.wav"));
        QVERIFY(zel::test::WriteWav(root + "/old_ZEL.WAV"));
        QVERIFY(zel::test::WriteBytes(root + "/adpcm.wav", zel::test::CompressedFormatBytes()));
        QVERIFY(zel::test::WriteBytes(root + "/ten.wav", zel::test::TenChannelBytes()));
        FakeUserPrompts prompts;
        CZELDlg dlg(prompts);
        QVERIFY(dlg.AddInputFile(root + "/listed.wav"));

        prompts.folderToChoose = root;
        dlg.findChild<QPushButton*>("folderButton")->click();
        QCOMPARE(dlg.InputPaths(), QStringList({root + "/listed.wav", root + "/new.wav"}));
        QCOMPARE(prompts.skippedFiles.size(), std::size_t(1));
        // The totals: new.wav listed; one listed already, two outputs, two refused left out.
        QCOMPARE(prompts.skippedFiles[0].heading, SkippedHeading(1, 5));
        QCOMPARE(prompts.skippedFiles[0].lines,
                 QStringList({AlreadyListedLine(1), NamedLikeOutputLine(2),
                              root + "/adpcm.wav" + kNotSupported +
                                  "圧縮形式（IMA ADPCM）には対応していません",
                              root + "/ten.wav" + kNotSupported + kTenChannelReason}));
        QCOMPARE(prompts.skippedFiles[0].owner, &dlg);
        QVERIFY(prompts.messages.empty());
    }

    // With the choice, the folder button and a dropped folder walk the subfolders too.
    void subfoldersAreScannedWhenChosen() {
        QTemporaryDir folder;
        QVERIFY(folder.isValid());
        const QString root = folder.path();
        QVERIFY(QDir(root).mkpath("x/y"));
        QVERIFY(zel::test::WriteWav(root + "/top.wav"));
        QVERIFY(zel::test::WriteWav(root + "/x/mid.wav"));
        QVERIFY(zel::test::WriteWav(root + "/x/y/deep.wav"));
        QVERIFY(zel::test::WriteWav(root + "/x/y/deep_ZEL.wav"));
        FakeUserPrompts prompts;
        CZELDlg dlg(prompts);
        dlg.SubfoldersCheck()->click();
        QVERIFY(dlg.IncludesSubfolders());
        prompts.folderToChoose = root;
        dlg.findChild<QPushButton*>("folderButton")->click();
        QCOMPARE(dlg.InputPaths(),
                 QStringList({root + "/top.wav", root + "/x/mid.wav", root + "/x/y/deep.wav"}));
        QCOMPARE(prompts.skippedFiles.size(), std::size_t(1));
        QCOMPARE(prompts.skippedFiles[0].lines, QStringList(NamedLikeOutputLine(1)));
    }

    // A scan never leaves the folder chosen: a folder link leading out of it is named and
    // left out, one leading back in adds nothing. A folder it cannot read is named with the
    // reason.
    void folderScanStaysInsideAndNamesTheFoldersItLeftOut() {
        QTemporaryDir folder;
        QTemporaryDir outside;
        QVERIFY(folder.isValid() && outside.isValid());
        const QString root = folder.path();
        QVERIFY(QDir(root).mkpath("sub"));
        QVERIFY(QDir(root).mkpath("locked"));
        QVERIFY(zel::test::WriteWav(root + "/sub/in.wav"));
        QVERIFY(zel::test::WriteWav(root + "/locked/unseen.wav"));
        QVERIFY(zel::test::WriteWav(outside.path() + "/out.wav"));
        QVERIFY(QFile::link(outside.path(), root + "/away"));
        QVERIFY(QFile::link(root + "/sub", root + "/back"));
        for (const QString& reachable : {root, outside.path()})
            QCOMPARE(::chmod(QFile::encodeName(reachable).constData(), 0755), 0);
        const QByteArray locked = QFile::encodeName(root + "/locked");
        QCOMPARE(::chmod(locked.constData(), 0), 0);
        FakeUserPrompts prompts;
        CZELDlg dlg(prompts);
        dlg.SubfoldersCheck()->click();
        prompts.folderToChoose = root;
        {
            const OrdinaryUser user;
            QVERIFY(user.IsOrdinary());
            dlg.findChild<QPushButton*>("folderButton")->click();
        }
        QCOMPARE(::chmod(locked.constData(), 0755), 0);

        QCOMPARE(dlg.InputPaths(), QStringList({root + "/sub/in.wav"}));
        QCOMPARE(prompts.skippedFiles.size(), std::size_t(1));
        const QString denied =
            QString::fromLocal8Bit(std::generic_category().message(EACCES).c_str());
        QCOMPARE(prompts.skippedFiles[0].lines,
                 QStringList({root + "/away — フォルダの外を指すリンクのため読みませんでした",
                              root + "/locked — フォルダを読めませんでした: " + denied}));
    }

    void dropAddsFilesAndScansFolders() {
        FakeUserPrompts prompts;
        CZELDlg dlg(prompts);
        const QString a = MakeWav("drop_a.wav");
        const QString b = MakeWav("drop_b.wav");
        QVERIFY(QDir(m_dir.path()).mkpath("dropped_folder/inner"));
        QVERIFY(zel::test::WriteWav(m_dir.filePath("dropped_folder/x.wav")));
        QVERIFY(zel::test::WriteWav(m_dir.filePath("dropped_folder/inner/y.wav")));
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(a), QUrl::fromLocalFile(PathOf("dropped_folder")),
                      QUrl::fromLocalFile(b)});
        dlg.show();
        const QPoint where(dlg.width() / 2, dlg.height() / 2);
        auto dropOnTheWindow = [&] {
            QDragEnterEvent enter(where, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(&dlg, &enter);
            QVERIFY(enter.isAccepted());
            QDragMoveEvent move(where, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(&dlg, &move);
            QVERIFY(move.isAccepted());
            QDropEvent drop(QPointF(where), Qt::CopyAction, &data, Qt::LeftButton,
                            Qt::NoModifier);
            QApplication::sendEvent(&dlg, &drop);
            QVERIFY(drop.isAccepted());
        };

        dropOnTheWindow();
        QTRY_COMPARE(dlg.InputList()->RowCount(), 3);
        QCOMPARE(dlg.InputPaths(), QStringList({a, PathOf("dropped_folder/x.wav"), b}));
        QVERIFY(prompts.skippedFiles.empty());

        // Again with the subfolders: only the deeper file is new; one message for the rest.
        dlg.SubfoldersCheck()->setChecked(true);
        dropOnTheWindow();
        QTRY_COMPARE(dlg.InputList()->RowCount(), 4);
        QCOMPARE(dlg.InputPaths().last(), PathOf("dropped_folder/inner/y.wav"));
        QCOMPARE(prompts.skippedFiles.size(), std::size_t(1));
        QCOMPARE(prompts.skippedFiles[0].lines, QStringList(AlreadyListedLine(3)));
        // Files dropped over the list reach the window too: the list takes no drops itself.
        QVERIFY(!dlg.InputList()->acceptDrops());
        QVERIFY(!dlg.InputList()->viewport()->acceptDrops());
    }

    // However a file comes (the command line, the file chooser, a drop, one by one), one
    // named like an output of the suffix is left out and counted, as a folder scan does.
    void everyWayOfAddingLeavesOutEarlierOutputs_data() {
        QTest::addColumn<QString>("way");
        QTest::newRow("command line") << "command line";
        QTest::newRow("file chooser") << "chooser";
        QTest::newRow("drop") << "drop";
        QTest::newRow("one file") << "one";
    }
    void everyWayOfAddingLeavesOutEarlierOutputs() {
        QFETCH(QString, way);
        const QString original = MakeWav("earlier.wav");
        const QString output = MakeWav("earlier_ZEL.wav");
        const QString flacOutput = MakeWav("earlier_ZEL.flac");
        const QStringList paths = {original, output, flacOutput};
        FakeUserPrompts prompts;
        CZELDlg dlg(prompts, way == "command line" ? paths : QStringList());
        dlg.show();
        if (way == "chooser") {
            prompts.filesToChoose = paths;
            dlg.OnAddFiles();
        } else if (way == "drop") {
            QMimeData data;
            data.setUrls({QUrl::fromLocalFile(original), QUrl::fromLocalFile(output),
                          QUrl::fromLocalFile(flacOutput)});
            const QPoint where(dlg.width() / 2, dlg.height() / 2);
            QDragEnterEvent enter(where, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(&dlg, &enter);
            QDropEvent drop(QPointF(where), Qt::CopyAction, &data, Qt::LeftButton,
                            Qt::NoModifier);
            QApplication::sendEvent(&dlg, &drop);
            QVERIFY(drop.isAccepted());
        } else if (way == "one") {
            QVERIFY(dlg.AddInputFile(original));
            QVERIFY(!dlg.AddInputFile(output));
            QVERIFY(!dlg.AddInputFile(flacOutput));
        }
        QTRY_COMPARE(dlg.InputList()->RowCount(), 1);
        QCOMPARE(dlg.InputPaths(), QStringList{original});
        QTRY_VERIFY(!prompts.skippedFiles.empty());
        const int reports = way == "one" ? 2 : 1;
        QCOMPARE(int(prompts.skippedFiles.size()), reports);
        QCOMPARE(prompts.skippedFiles.back().lines,
                 QStringList(NamedLikeOutputLine(reports == 1 ? 2 : 1)));
    }

    void dragWithoutFilesIsNotAccepted() {
        FakeUserPrompts prompts;
        CZELDlg dlg(prompts);
        QMimeData data;
        data.setText(MakeWav("as_text.wav"));
        data.setUrls({QUrl("https://example.invalid/x.wav")});
        QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        enter.setAccepted(false);
        QApplication::sendEvent(&dlg, &enter);
        QVERIFY(!enter.isAccepted());
    }

    void commandLinePathsAreAddedWhenTheWindowAppears() {
        const QString a = MakeWav("cli_a.wav");
        const QString b = MakeWav("cli b with blanks.wav");
        const QString refused = PathOf("cli_refused.wav");
        QVERIFY(zel::test::WriteBytes(refused, zel::test::TenChannelBytes()));
        // A folder is scanned as a chosen one.
        QVERIFY(QDir(m_dir.path()).mkpath("cli_folder"));
        const QString inFolder = MakeWav("cli_folder/inside.wav");
        // A relative path stays as it was given.
        QDir::setCurrent(m_dir.path());
        FakeUserPrompts prompts;
        CZELDlg dlg(prompts, {"cli_a.wav", "cli_missing.wav", refused, b, a, a,
                              m_dir.filePath("cli_folder")});
        QCOMPARE(dlg.InputList()->RowCount(), 0);
        dlg.show();
        QTRY_COMPARE(dlg.InputList()->RowCount(), 3);
        QCOMPARE(dlg.InputPaths(), QStringList({"cli_a.wav", b, inFolder}));
        QCOMPARE(prompts.skippedFiles.size(), std::size_t(1));
        QCOMPARE(prompts.skippedFiles[0].lines,
                 QStringList({AlreadyListedLine(2), refused + kNotSupported + kTenChannelReason}));
        // Showing the window again adds nothing more.
        dlg.hide();
        dlg.show();
        // Anything the second showing queued has run by now.
        QCoreApplication::processEvents();
        QCOMPARE(dlg.InputList()->RowCount(), 3);
    }

    void deleteKeyRemovesEverySelectedRow() {
        FakeUserPrompts prompts;
        CZELDlg dlg(prompts);
        QStringList paths;
        for (int i = 0; i < 5; ++i) paths << MakeWav(QString("del_%1.wav").arg(i));
        for (const QString& path : paths) QVERIFY(dlg.AddInputFile(path));
        InputFileList* list = dlg.InputList();

        QTest::keyClick(list, Qt::Key_Delete);  // nothing selected
        QCOMPARE(list->RowCount(), 5);

        list->topLevelItem(0)->setSelected(true);
        list->topLevelItem(2)->setSelected(true);
        list->topLevelItem(3)->setSelected(true);
        QTest::keyClick(list, Qt::Key_Backspace);  // other keys do nothing
        QCOMPARE(list->RowCount(), 5);
        QTest::keyClick(list, Qt::Key_Delete);
        QCOMPARE(dlg.InputPaths(), QStringList({paths[1], paths[4]}));
        QVERIFY(prompts.messages.empty());

        list->selectAll();
        QTest::keyClick(list, Qt::Key_Delete, Qt::KeypadModifier);
        QCOMPARE(list->RowCount(), 0);
    }

    void deleteAllAsksFirst() {
        FakeUserPrompts prompts;
        CZELDlg dlg(prompts);
        QVERIFY(dlg.AddInputFile(MakeWav("all_1.wav")));
        QVERIFY(dlg.AddInputFile(MakeWav("all_2.wav")));
        auto* button = dlg.findChild<QPushButton*>("deleteAllButton");
        QVERIFY(button);
        QCOMPARE(button->text(), QString("全て削除(&D)"));

        prompts.confirmations = {false};
        button->click();
        QCOMPARE(dlg.InputList()->RowCount(), 2);
        QCOMPARE(prompts.messages.size(), std::size_t(1));
        QCOMPARE(prompts.messages[0].kind, ShownMessage::Kind::kConfirmation);
        QCOMPARE(prompts.messages[0].text, QString("リストから全てのファイルを削除します"));
        QCOMPARE(prompts.messages[0].owner, &dlg);

        prompts.confirmations = {true};
        button->click();
        QCOMPARE(dlg.InputList()->RowCount(), 0);
        QCOMPARE(prompts.messages.size(), std::size_t(2));

        // An empty list is asked about all the same.
        prompts.confirmations = {true};
        button->click();
        QCOMPARE(prompts.messages.size(), std::size_t(3));
        QCOMPARE(dlg.InputList()->RowCount(), 0);
    }

    void headerClickSortsAndAgainReverses() {
        FakeUserPrompts prompts;
        CZELDlg dlg(prompts);
        const QString root = m_dir.path() + "/sort/";
        QVERIFY(QDir().mkpath(root));
        QVERIFY(zel::test::WriteWav(root + "aab.wav", {2, 16, 8000}));
        QVERIFY(zel::test::WriteWav(root + "A_B.wav", {1, 8, 44100}));
        QVERIFY(zel::test::WriteWav(root + "Zed.wav", {1, 16, 11025}));
        QVERIFY(zel::test::WriteWav(root + "b.wav", {2, 8, 96000}));
        for (const char* name : {"b.wav", "A_B.wav", "Zed.wav", "aab.wav"})
            QVERIFY(dlg.AddInputFile(root + name));
        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        QHeaderView* header = dlg.InputList()->header();
        auto clickHeader = [header](int column) {
            const int x = header->sectionViewportPosition(column) + header->sectionSize(column) / 2;
            QTest::mouseClick(header->viewport(), Qt::LeftButton, Qt::NoModifier,
                              QPoint(x, header->height() / 2));
        };

        QVERIFY(header->isSortIndicatorShown());
        QCOMPARE(header->sortIndicatorSection(), -1);  // not sorted yet: no mark
        clickHeader(kFileNameColumn);
        // Upper-cased: "AAB" < "A_B" because '_' follows the letters.
        const QStringList byName = {"aab.wav", "A_B.wav", "b.wav", "Zed.wav"};
        QCOMPARE(Column(dlg, kFileNameColumn), byName);
        QCOMPARE(header->sortIndicatorSection(), int(kFileNameColumn));
        QCOMPARE(header->sortIndicatorOrder(), Qt::AscendingOrder);
        clickHeader(kFileNameColumn);  // again: descending
        QCOMPARE(Column(dlg, kFileNameColumn),
                 QStringList({"Zed.wav", "b.wav", "A_B.wav", "aab.wav"}));
        QCOMPARE(header->sortIndicatorOrder(), Qt::DescendingOrder);
        clickHeader(kFileNameColumn);  // and back
        QCOMPARE(Column(dlg, kFileNameColumn), byName);
        QCOMPARE(header->sortIndicatorOrder(), Qt::AscendingOrder);

        clickHeader(kFrequencyColumn);  // by value, though not padded
        QCOMPARE(Column(dlg, kFrequencyColumn),
                 QStringList({"8000 Hz", "11025 Hz", "44100 Hz", "96000 Hz"}));
        QCOMPARE(header->sortIndicatorSection(), int(kFrequencyColumn));
        QCOMPARE(header->sortIndicatorOrder(), Qt::AscendingOrder);

        // Equal texts keep their order; the selection stays with its file.
        dlg.InputList()->topLevelItem(3)->setSelected(true);  // b.wav, 96000Hz
        clickHeader(kBitsColumn);
        QCOMPARE(Column(dlg, kBitsColumn), QStringList({"8 bit", "8 bit", "16 bit", "16 bit"}));
        QCOMPARE(dlg.InputPaths(), QStringList({root + "A_B.wav", root + "b.wav", root + "aab.wav",
                                                root + "Zed.wav"}));
        const QList<QTreeWidgetItem*> selected = dlg.InputList()->selectedItems();
        QCOMPARE(selected.size(), 1);
        QCOMPARE(selected[0]->text(kFileNameColumn), QString("b.wav"));

        // After a deletion the remaining rows still sort.
        QTest::keyClick(dlg.InputList(), Qt::Key_Delete);
        clickHeader(kChannelsColumn);
        QCOMPARE(Column(dlg, kChannelsColumn), QStringList({"1", "1", "2"}));

        // A row added later goes to the end, and the order mark goes with the order.
        QVERIFY(zel::test::WriteWav(root + "added.wav", {2, 16, 8000}));
        QVERIFY(dlg.AddInputFile(root + "added.wav"));
        QCOMPARE(dlg.InputPaths().last(), root + "added.wav");
        QCOMPARE(header->sortIndicatorSection(), -1);
    }

    void channelCountsSortByValue() {
        // The engine refuses ten channels, so such rows are made directly.
        InputFileList list;
        list.AppendRow("/two.wav", ProbeWithChannels(2), {1, 2});
        list.AppendRow("/ten.wav", ProbeWithChannels(10), {1, 10});
        list.AppendRow("/one.wav", ProbeWithChannels(1), {1, 1});
        list.SortByColumn(kChannelsColumn);
        QCOMPARE(list.Paths(), QStringList({"/one.wav", "/two.wav", "/ten.wav"}));
    }

    // The count and total length of the list, and the drop hint while it is empty.
    void summaryAndDropHintFollowTheRows() {
        FakeUserPrompts prompts;
        CZELDlg dlg(prompts);
        ElidedLabel* summary = dlg.ListSummaryLabel();
        QLabel* hint = dlg.InputList()->DropHint();
        QCOMPARE(summary->FullText(), QString("0 個のファイル、合計 0:00:00"));
        QVERIFY(!hint->isHidden());
        const zel::SignalFormat mono8k{1, 8, 8000};
        QVERIFY(zel::test::WriteWav(PathOf("forty.wav"), mono8k, 40 * 8000));
        QVERIFY(zel::test::WriteWav(PathOf("half.wav"), mono8k, 4000));
        QVERIFY(zel::test::WriteWav(PathOf("twentyfive.wav"), mono8k, 25 * 8000 - 1000));
        for (const char* name : {"forty.wav", "half.wav", "twentyfive.wav"})
            QVERIFY(dlg.AddInputFile(PathOf(name)));
        // 40 + 0.5 + 24.875 seconds: the parts add up before the total is cut to seconds.
        QCOMPARE(summary->FullText(), QString("3 個のファイル、合計 0:01:05"));
        QVERIFY(hint->isHidden());
        dlg.InputList()->topLevelItem(0)->setSelected(true);
        QTest::keyClick(dlg.InputList(), Qt::Key_Delete);
        QCOMPARE(summary->FullText(), QString("2 個のファイル、合計 0:00:25"));
        prompts.confirmations = {true};
        dlg.OnDeleteAll();
        QCOMPARE(summary->FullText(), QString("0 個のファイル、合計 0:00:00"));
        QVERIFY(!hint->isHidden());
    }

    // A right click on a row: remove it, open its folder, play it; nothing to open over
    // no row, and a message when no program opens it.
    void rowMenuRemovesOpensAndPlays() {
        FakeUserPrompts prompts;
        CZELDlg dlg(prompts);
        const QString first = MakeWav("menu-first.wav");
        const QString second = MakeWav("menu-second.wav");
        QVERIFY(dlg.AddInputFile(first) && dlg.AddInputFile(second));
        InputFileList* list = dlg.InputList();
        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        QList<QUrl> opened;
        bool opens = true;
        list->SetUrlOpener([&](const QUrl& url) {
            opened << url;
            return opens;
        });
        const auto menuAtRow = [list](int row) {
            return std::unique_ptr<QMenu>(
                list->RowMenuAt(list->visualItemRect(list->topLevelItem(row)).center()));
        };
        const auto trigger = [](const std::unique_ptr<QMenu>& menu, const char* name) {
            auto* action = menu->findChild<QAction*>(name);
            QVERIFY2(action != nullptr && action->isEnabled(), name);
            action->trigger();
        };
        trigger(menuAtRow(1), "playAction");
        trigger(menuAtRow(1), "openFolderAction");
        QCOMPARE(opened, QList<QUrl>({QUrl::fromLocalFile(second),
                                      QUrl::fromLocalFile(QFileInfo(second).absolutePath())}));
        QVERIFY(prompts.messages.empty());

        opens = false;
        trigger(menuAtRow(0), "playAction");
        QCOMPARE(prompts.messages.size(), std::size_t{1});
        QVERIFY2(prompts.messages[0].text.contains(first), qPrintable(prompts.messages[0].text));

        // Below the rows: nothing to open or play.
        const std::unique_ptr<QMenu> below(list->RowMenuAt({5, list->viewport()->height() - 2}));
        QVERIFY(!below->findChild<QAction*>("playAction")->isEnabled());
        QVERIFY(!below->findChild<QAction*>("openFolderAction")->isEnabled());

        // A click outside the selection removes the clicked row, not what was selected.
        list->clearSelection();
        list->topLevelItem(1)->setSelected(true);
        trigger(menuAtRow(0), "removeRowsAction");
        QCOMPARE(dlg.InputPaths(), QStringList({second}));
    }
};

QTEST_MAIN(InputListTest)
#include "input_list_test.moc"
