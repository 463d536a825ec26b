// Execute from the main window: the checks before a batch (order and messages), the
// output folder, the question about existing outputs, the batch itself with every kind
// of file outcome, cancellation at a chosen file and at
// arbitrary moments, a second run over the same list, and lists beyond 256 files.

#include "app/execute_command.h"

#include <QComboBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QCheckBox>
#include <QRadioButton>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSettings>
#include <QSlider>
#include <QtTest>
#include <array>
#include <filesystem>
#include <map>
#include <optional>

#include "app/input_file_list.h"
#include "app/window_settings.h"
#include "app/zel_dlg.h"
#include "tests/support/batch_dialog_watcher.h"
#include "tests/support/fake_user_prompts.h"
#include "tests/support/temp_dir.h"
#include "tests/support/wav_files.h"
#include "tests/support/wav_fixture.h"
#include "tests/support/wav_reader.h"

using zel::test::BatchDialogWatcher;
using zel::test::FakeUserPrompts;
using zel::test::ShownMessage;
using zel::test::TempDir;
namespace fs = std::filesystem;

namespace {

const QString kNoFiles = QStringLiteral("入力ファイルが指定されていません");
const QString kNoSuffix = QStringLiteral("サフィックスが指定されていません");
const QString kBadRate = QStringLiteral("サンプリング周波数が不適切です（8000〜96000 Hz）");
const QString kBadSuffix = QStringLiteral("サフィックスに '/' または NUL 文字が含まれています");
const QString kSkipped = QStringLiteral("スキップ（既存の出力）");
const QString kCompleted = QStringLiteral("正常終了");
const QString kCancelled = QStringLiteral("ユーザーによる中断");
const QString kNotProcessed = QStringLiteral("未処理");

const zel::SignalFormat kStereo16{2, 16, 44100};

QString PathText(const fs::path& path) { return QString::fromStdString(path.string()); }

fs::path WriteToneFile(const TempDir& dir, const std::string& name, std::int64_t frames,
                       const zel::SignalFormat& format = kStereo16) {
    const fs::path path = dir / name;
    if (!zel::test::WriteTone(path, format, frames)) qFatal("cannot write %s", path.c_str());
    return path;
}

// The output name of `input` with the suffix: inserted before the last '.'.
fs::path OutputOf(const fs::path& input, const std::string& suffix = "_ZEL") {
    return input.parent_path() / (input.stem().string() + suffix + input.extension().string());
}

// The main window with Execute wired as the application wires it, with a given pause.
class MainWindow {
  public:
    explicit MainWindow(std::chrono::milliseconds pause = std::chrono::milliseconds(0))
        : dlg(prompts) {
        dlg.SetExecuteHandler([pause](CZELDlg& d) { RunExecuteCommand(d, pause); });
        dlg.show();
    }
    bool Add(const fs::path& path) { return dlg.AddInputFile(PathText(path)); }
    void Execute() { dlg.ExecuteButton()->click(); }

    FakeUserPrompts prompts;
    CZELDlg dlg;
};

struct Settings {
    QStringList paths;
    QString suffix;
    QString frequency;
    int speed;
    bool operator==(const Settings&) const = default;
};

// Presses Cancel after `turns` more turns of the event loop, if the dialog is still there.
void ClickCancelAfterTurns(QPointer<CProgressDlg> target, int turns) {
    if (!target) return;
    if (turns == 0) {
        target->CancelButton()->click();
        return;
    }
    QTimer::singleShot(0, target, [target, turns] { ClickCancelAfterTurns(target, turns - 1); });
}

Settings SettingsOf(const CZELDlg& dlg) {
    return {dlg.InputPaths(), dlg.SuffixText(), dlg.FrequencyText(), dlg.SpeedPosition()};
}

}  // namespace

class ExecuteCommandTest : public QObject {
    Q_OBJECT

  private slots:
    void checksComeInOrderAndOnlyAValidBatchRuns_data() {
        QTest::addColumn<bool>("withFile");
        QTest::addColumn<QString>("suffix");
        QTest::addColumn<QString>("frequency");
        QTest::addColumn<QString>("message");  // empty: the batch runs
        QTest::addColumn<int>("rate");
        QTest::newRow("empty list before everything") << false << ""
                                                      << "abc" << kNoFiles << 0;
        QTest::newRow("empty list alone") << false << "_ZEL"
                                          << "48000" << kNoFiles << 0;
        QTest::newRow("empty suffix before the rate") << true << ""
                                                      << "7999" << kNoSuffix << 0;
        QTest::newRow("suffix naming a folder, before the rate")
            << true << "/../x" << "7999" << kBadSuffix << 0;
        QTest::newRow("8000") << true << "_ZEL"
                              << "8000"
                              << "" << 8000;
        QTest::newRow("96000") << true << "_ZEL"
                               << "96000"
                               << "" << 96000;
        QTest::newRow("7999") << true << "_ZEL"
                              << "7999" << kBadRate << 0;
        QTest::newRow("96001") << true << "_ZEL"
                               << "96001" << kBadRate << 0;
        QTest::newRow("empty text") << true << "_ZEL"
                                    << "" << kBadRate << 0;
        QTest::newRow("no leading digits") << true << "_ZEL"
                                           << "Hz48000" << kBadRate << 0;
        QTest::newRow("negative") << true << "_ZEL"
                                  << "-48000" << kBadRate << 0;
        QTest::newRow("digits then letters") << true << "_ZEL"
                                             << "48000Hz"
                                             << "" << 48000;
        QTest::newRow("leading blanks") << true << "_ZEL"
                                        << "  22050"
                                        << "" << 22050;
        QTest::newRow("suffix of one space") << true << " "
                                             << "44100"
                                             << "" << 44100;
    }
    void checksComeInOrderAndOnlyAValidBatchRuns() {
        QFETCH(bool, withFile);
        QFETCH(QString, suffix);
        QFETCH(QString, frequency);
        QFETCH(QString, message);
        QFETCH(int, rate);
        TempDir dir;
        const fs::path input = WriteToneFile(dir, "tone.wav", 4410);
        MainWindow window;
        if (withFile) QVERIFY(window.Add(input));
        window.dlg.SuffixEdit()->setText(suffix);
        window.dlg.FrequencyCombo()->setEditText(frequency);
        const Settings before = SettingsOf(window.dlg);
        BatchDialogWatcher watcher;

        window.Execute();

        QVERIFY(SettingsOf(window.dlg) == before);
        const fs::path output = OutputOf(input, suffix.toStdString());
        if (!message.isEmpty()) {
            QCOMPARE(window.prompts.messages.size(), std::size_t{1});
            QCOMPARE(window.prompts.messages[0].kind, ShownMessage::Kind::kError);
            QCOMPARE(window.prompts.messages[0].text, message);
            QCOMPARE(window.prompts.messages[0].owner, &window.dlg);
            QCOMPARE(watcher.progressDialogs, 0);
            QCOMPARE(watcher.resultDialogs, 0);
            QCOMPARE(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()),
                     1);
            return;
        }
        QVERIFY(window.prompts.messages.empty());
        QCOMPARE(watcher.progressDialogs, 1);
        QCOMPARE(watcher.resultDialogs, 1);
        QCOMPARE(watcher.resultFiles, QStringList{PathText(input)});
        QCOMPARE(watcher.resultMessages, QStringList{kCompleted});
        const zel::test::StoredWav stored = zel::test::InspectWav(output);
        QVERIFY(stored.consistent);
        QCOMPARE(stored.sampleRate, std::uint32_t(rate));
    }

    // One second at half speed becomes two seconds at the rate typed.
    void theSettingsReachTheBatch() {
        TempDir dir;
        const fs::path input = WriteToneFile(dir, "voice.wav", 44100);
        MainWindow window;
        QVERIFY(window.Add(input));
        window.dlg.SuffixEdit()->setText("_slow");
        window.dlg.FrequencyCombo()->setEditText("22050");
        window.dlg.SpeedSlider()->setValue(50);
        BatchDialogWatcher watcher;
        window.Execute();
        QCOMPARE(watcher.resultMessages, QStringList{kCompleted});
        const zel::test::StoredWav stored = zel::test::InspectWav(dir / "voice_slow.wav");
        QVERIFY(stored.consistent);
        QCOMPARE(stored.sampleRate, 22050u);
        const double frames = double(stored.dataBytes) / stored.blockAlign;
        QVERIFY2(std::abs(frames - 44100) < 100, qPrintable(QString::number(frames)));
    }

    // 25/24 typed beside the slider, "ピッチを保つ" and "元の周波数": the output keeps the
    // input's rate and pitch and is 24/25 as long, to the frame.
    void exactSpeedKeptPitchAndInputRateReachTheBatch() {
        TempDir dir;
        const fs::path input = WriteToneFile(dir, "film.wav", 44100);
        MainWindow window;
        QVERIFY(window.Add(input));
        window.dlg.SuffixEdit()->setText("_25");
        window.dlg.FrequencyCombo()->setCurrentIndex(
            window.dlg.FrequencyCombo()->findText(CZELDlg::KeepRateText()));
        window.dlg.SpeedCombo()->setEditText("25/24");
        window.dlg.KeepPitchCheck()->setChecked(true);
        BatchDialogWatcher watcher;
        window.Execute();
        QCOMPARE(watcher.resultMessages, QStringList{kCompleted});
        const zel::test::StoredWav stored = zel::test::InspectWav(dir / "film_25.wav");
        QVERIFY(stored.consistent);
        QCOMPARE(stored.sampleRate, 44100u);
        QCOMPARE(stored.dataBytes / stored.blockAlign, 42336u);
        // Upward zero crossings of the left channel: as many per second as in the input.
        const auto crossingsPerFrame = [](const zel::test::LoadedWav& wav) {
            int crossings = 0;
            for (std::size_t i = wav.format.channels; i < wav.samples.size();
                 i += wav.format.channels)
                crossings += wav.samples[i - wav.format.channels] < 0 && wav.samples[i] >= 0;
            return double(crossings) / double(wav.Frames());
        };
        const double before = crossingsPerFrame(zel::test::LoadWav(input));
        const double after = crossingsPerFrame(zel::test::LoadWav(dir / "film_25.wav"));
        QVERIFY2(std::abs(after / before - 1) < 0.005, qPrintable(QString::number(after / before)));
    }

    // Rows: the three output choices by their positions in the combo boxes, what the batch
    // gets, and whether the bits can be chosen (lossy formats take float).
    void outputChoicesReachTheBatchAndAreRemembered_data() {
        using zel::DitherChoice;
        using zel::OutputContainer;
        using zel::OutputDepth;
        QTest::addColumn<int>("format");
        QTest::addColumn<int>("bits");
        QTest::addColumn<int>("dither");
        QTest::addColumn<OutputContainer>("container");
        QTest::addColumn<OutputDepth>("depth");
        QTest::addColumn<DitherChoice>("ditherChoice");
        QTest::addColumn<bool>("bitsEnabled");
        QTest::newRow("defaults") << 0 << 0 << 0 << OutputContainer::kSame << OutputDepth::kSame
                                  << DitherChoice::kAuto << true;
        QTest::newRow("WAV 8") << 1 << 1 << 2 << OutputContainer::kWav << OutputDepth::kInt8
                               << DitherChoice::kTpdf << true;
        QTest::newRow("FLAC 24 shaped") << 2 << 3 << 3 << OutputContainer::kFlac
                                        << OutputDepth::kInt24 << DitherChoice::kShaped << true;
        QTest::newRow("AIFF 16 none") << 3 << 2 << 1 << OutputContainer::kAiff
                                      << OutputDepth::kInt16 << DitherChoice::kNone << true;
        QTest::newRow("W64 32") << 4 << 4 << 0 << OutputContainer::kW64 << OutputDepth::kInt32
                                << DitherChoice::kAuto << true;
        QTest::newRow("CAF float") << 5 << 5 << 0 << OutputContainer::kCaf
                                   << OutputDepth::kFloat32 << DitherChoice::kAuto << true;
        QTest::newRow("same 64-bit float") << 0 << 6 << 1 << OutputContainer::kSame
                                           << OutputDepth::kFloat64 << DitherChoice::kNone << true;
        QTest::newRow("Ogg") << 6 << 3 << 0 << OutputContainer::kOgg << OutputDepth::kSame
                             << DitherChoice::kAuto << false;
        QTest::newRow("Opus") << 7 << 2 << 0 << OutputContainer::kOpus << OutputDepth::kSame
                              << DitherChoice::kAuto << false;
        QTest::newRow("MP3") << 8 << 5 << 3 << OutputContainer::kMp3 << OutputDepth::kSame
                             << DitherChoice::kShaped << false;
    }
    void outputChoicesReachTheBatchAndAreRemembered() {
        QFETCH(int, format);
        QFETCH(int, bits);
        QFETCH(int, dither);
        QFETCH(zel::OutputContainer, container);
        QFETCH(zel::OutputDepth, depth);
        QFETCH(zel::DitherChoice, ditherChoice);
        QFETCH(bool, bitsEnabled);
        QCoreApplication::setOrganizationName("ZEL");
        QSettings().clear();
        const auto combos = [](const CZELDlg& dlg) {
            return std::array{dlg.findChild<QComboBox*>("formatCombo"),
                              dlg.findChild<QComboBox*>("bitsCombo"),
                              dlg.findChild<QComboBox*>("ditherCombo")};
        };
        TempDir dir;
        MainWindow window;
        QVERIFY(window.Add(WriteToneFile(dir, "voice.wav", 4410)));
        const auto chosen = combos(window.dlg);
        for (QComboBox* combo : chosen) QVERIFY(combo != nullptr);
        // Chosen by hand, in the order a user would: the bits before the format.
        chosen[1]->setCurrentIndex(bits);
        chosen[0]->setCurrentIndex(format);
        chosen[2]->setCurrentIndex(dither);
        QCOMPARE(chosen[1]->isEnabled(), bitsEnabled);

        BatchDialogWatcher watcher;
        window.Execute();
        QTRY_COMPARE(watcher.resultDialogs, 1);
        const std::optional<zel::ConversionSettings>& reached = watcher.conversion;
        QVERIFY(reached.has_value());
        QCOMPARE(reached->container, container);
        QCOMPARE(reached->depth, depth);
        QCOMPARE(reached->dither, ditherChoice);

        SaveWindowSettings(window.dlg);
        FakeUserPrompts prompts;
        CZELDlg reopened(prompts);
        LoadWindowSettings(reopened, zel::ProcessorCpuid());
        const auto remembered = combos(reopened);
        QCOMPARE(remembered[0]->currentIndex(), format);
        QCOMPARE(remembered[1]->currentIndex(), bits);
        QCOMPARE(remembered[2]->currentIndex(), dither);
        QCOMPARE(remembered[1]->isEnabled(), bitsEnabled);
        QSettings().clear();
    }

    // "アルバム単位" beside a loudness target: the folder's two tracks, 20 dB apart, take one
    // gain, which each row of the result dialog names; the choice is remembered.
    void perAlbumReachesTheBatchAndIsRemembered() {
        QCoreApplication::setOrganizationName("ZEL");
        QSettings().clear();
        TempDir dir;
        const std::int64_t frames = 3 * 44100;
        for (const auto& [name, amplitude] : {std::pair{"loud.wav", 0.5}, std::pair{"quiet.wav", 0.05}})
            QVERIFY(zel::WriteFileBytes(
                dir / name, zel::MakeWavBytes(kStereo16, zel::SineSignal(kStereo16, frames, 997,
                                                                         amplitude))));
        MainWindow window;
        QVERIFY(window.Add(dir / "loud.wav"));
        QVERIFY(window.Add(dir / "quiet.wav"));
        QCheckBox* album = window.dlg.findChild<QCheckBox*>("albumCheck");
        QVERIFY(album != nullptr);
        QVERIFY(!album->isEnabled());
        window.dlg.LoudnessCheck()->setChecked(true);
        QVERIFY(album->isEnabled());
        album->setChecked(true);

        BatchDialogWatcher watcher;
        window.Execute();
        QTRY_COMPARE(watcher.resultDialogs, 1);
        const std::optional<zel::ConversionSettings>& reached = watcher.conversion;
        QVERIFY(reached.has_value() && reached->level.album);
        QCOMPARE(watcher.resultMessages.size(), 2);
        const QRegularExpression note("^正常終了（アルバムゲイン ([-+][0-9.]+) dB、");
        QStringList gains;
        for (const QString& message : watcher.resultMessages) {
            const QRegularExpressionMatch match = note.match(message);
            QVERIFY2(match.hasMatch(), qPrintable(message));
            gains << match.captured(1);
        }
        QCOMPARE(gains[0], gains[1]);

        SaveWindowSettings(window.dlg);
        FakeUserPrompts prompts;
        CZELDlg reopened(prompts);
        LoadWindowSettings(reopened, zel::ProcessorCpuid());
        QVERIFY(reopened.AlbumCheck()->isChecked());
        QVERIFY(reopened.AlbumCheck()->isEnabled());
        QSettings().clear();
    }

    // High and best quality count what they saturate, and the result row says so; standard
    // does not.
    void highAndBestQualityNoteClippedSamplesOnTheRow() {
        TempDir dir;
        const fs::path loud = dir / "loud.wav";
        // Full-scale edges overshoot once band-limited.
        zel::SampleValues square(2 * 44100);
        for (std::size_t i = 0; i < square.size(); ++i)
            square[i] = (i / 2 / 50) % 2 ? 32767 : -32768;
        QVERIFY(zel::test::WriteBytes(PathText(loud), zel::MakeWavBytes(kStereo16, square)));
        const QString qualities[] = {QString("高品質"), QString("最高品質")};
        for (int index : {1, 2}) {
            // Each window starts from the defaults, whatever the last one kept.
            QSettings().clear();
            fs::remove(dir / "loud_ZEL.wav");
            MainWindow window;
            QVERIFY(window.Add(loud));
            QCOMPARE(window.dlg.QualityCombo()->currentText(), QString("標準"));
            window.dlg.QualityCombo()->setCurrentIndex(index);
            QCOMPARE(window.dlg.QualityCombo()->currentText(), qualities[index - 1]);
            QCOMPARE(window.dlg.Quality(), index == 1 ? zel::ConversionQuality::kHigh
                                                      : zel::ConversionQuality::kBest);
            BatchDialogWatcher watcher;
            window.Execute();
            QCOMPARE(watcher.resultMessages.size(), 1);
            const QRegularExpression note("^正常終了（[1-9][0-9]* サンプルをクリップ）$");
            QVERIFY2(note.match(watcher.resultMessages[0]).hasMatch(),
                     qPrintable(watcher.resultMessages[0]));
        }
        QSettings().clear();
    }

    // Files that broke after they were listed: each gets its row and message, and the
    // batch goes on past them.
    void everyFileGetsItsRowAndMessage() {
        TempDir dir;
        const fs::path a = WriteToneFile(dir, "a.wav", 8000);
        const fs::path gone = WriteToneFile(dir, "gone.wav", 8000);
        const fs::path broken = WriteToneFile(dir, "broken.wav", 8000);
        const fs::path c = WriteToneFile(dir, "c.wav", 8000, {1, 8, 22050});
        const fs::path e = WriteToneFile(dir, "e.wav", 8000, {1, 16, 11025});
        MainWindow window;
        for (const fs::path& path : {a, gone, broken, c, e}) QVERIFY(window.Add(path));
        fs::remove(gone);
        QVERIFY(zel::test::WriteBytes(PathText(broken), zel::test::CompressedFormatBytes()));
        BatchDialogWatcher watcher;

        window.Execute();

        QCOMPARE(watcher.resultFiles, QStringList({PathText(a), PathText(gone), PathText(broken),
                                                   PathText(c), PathText(e)}));
        QCOMPARE(watcher.resultMessages,
                 QStringList(
                     {kCompleted, "入力ファイルオープンエラー（ファイルが見つかりません）",
                      "入力ファイルフォーマットエラー（圧縮形式（IMA ADPCM）には対応していません）",
                      kCompleted, kCompleted}));
        for (const fs::path& converted : {a, c, e})
            QVERIFY(zel::test::InspectWav(OutputOf(converted)).consistent);
        QVERIFY(!fs::exists(OutputOf(gone)));
        QVERIFY(!fs::exists(OutputOf(broken)));
        QVERIFY(window.prompts.messages.empty());
    }

    // A list in which one file is another's output (listed under another suffix, then the
    // suffix changed) is refused before anything is written, naming both.
    void aListHoldingAnotherFilesOutputIsRefusedWhole() {
        TempDir dir;
        const fs::path a = WriteToneFile(dir, "a.wav", 4000);
        const fs::path aOutput = WriteToneFile(dir, "a_X.wav", 4000);
        const fs::path b = WriteToneFile(dir, "b.wav", 4000);
        const std::vector<std::uint8_t> listedOutput = zel::ReadFileBytes(aOutput);
        MainWindow window;
        for (const fs::path& path : {b, a, aOutput}) QVERIFY(window.Add(path));
        window.dlg.SuffixEdit()->setText("_X");
        BatchDialogWatcher watcher;
        window.Execute();
        QCOMPARE(watcher.progressDialogs, 0);
        QCOMPARE(window.prompts.messages.size(), std::size_t{1});
        QCOMPARE(window.prompts.messages[0].kind, ShownMessage::Kind::kError);
        const QString& text = window.prompts.messages[0].text;
        QVERIFY2(text.contains(PathText(a)) && text.contains(PathText(aOutput)), qPrintable(text));
        QVERIFY(zel::ReadFileBytes(aOutput) == listedOutput);
        QVERIFY(!fs::exists(OutputOf(b, "_X")));
        QVERIFY(!fs::exists(dir / "a_X_X.wav"));
    }

    void cancelDuringAFileEndsTheBatchThere_data() {
        QTest::addColumn<int>("k");
        QTest::newRow("first file") << 0;
        QTest::newRow("third file") << 2;
    }
    void cancelDuringAFileEndsTheBatchThere() {
        QFETCH(int, k);
        TempDir dir;
        constexpr std::int64_t kLongFrames = 10 * 44100;
        std::vector<fs::path> inputs;
        MainWindow window(zel::kFilePause);
        for (int i = 0; i < 4; ++i) {
            inputs.push_back(WriteToneFile(dir, "long" + std::to_string(i) + ".wav", kLongFrames));
            QVERIFY(window.Add(inputs.back()));
        }
        BatchDialogWatcher watcher;
        int cancelledAt = -1;
        // Cancel on file k's first report, while it is part-way through.
        watcher.onProgressShown = [&](CProgressDlg& progress) {
            connect(progress.CurrentFileBar(), &QProgressBar::valueChanged, &progress,
                    [&, p = &progress](int percent) {
                        if (cancelledAt < 0 && p->FilesDone() == k && percent > 0 &&
                            percent < 100) {
                            cancelledAt = percent;
                            p->CancelButton()->click();
                        }
                    });
        };

        window.Execute();

        QVERIFY(cancelledAt > 0);
        // Every file has its row: the ones after the cancelled file as not processed.
        QCOMPARE(watcher.resultFiles.size(), 4);
        for (int i = 0; i < 4; ++i) {
            QCOMPARE(watcher.resultFiles[i], PathText(inputs[i]));
            QCOMPARE(watcher.resultMessages[i],
                     i < k ? kCompleted : i == k ? kCancelled : kNotProcessed);
        }
        const zel::test::StoredWav partial = zel::test::InspectWav(OutputOf(inputs[k]));
        QVERIFY(partial.consistent);
        QCOMPARE(partial.sampleRate, 48000u);
        const std::uint64_t fullBytes = zel::test::InspectWav(OutputOf(inputs[0])).dataBytes;
        QVERIFY(partial.dataBytes > 0);
        if (k > 0) QVERIFY(partial.dataBytes < fullBytes);
        for (std::size_t later = k + 1; later < inputs.size(); ++later)
            QVERIFY(!fs::exists(OutputOf(inputs[later])));
        QCOMPARE(window.dlg.InputPaths().size(), 4);
    }

    // The list and the settings survive a batch; the next Execute converts every file
    // again and replaces what the first one wrote.
    void aSecondExecuteConvertsEverythingAgain() {
        TempDir dir;
        MainWindow window;
        std::vector<fs::path> inputs;
        for (const char* name : {"one.wav", "two.wav", "three.wav"}) {
            inputs.push_back(WriteToneFile(dir, name, 6000));
            QVERIFY(window.Add(inputs.back()));
        }
        window.dlg.SuffixEdit()->setText("-x");
        window.dlg.FrequencyCombo()->setEditText("32000");
        window.dlg.SpeedSlider()->setValue(120);
        const Settings before = SettingsOf(window.dlg);
        BatchDialogWatcher watcher;

        window.Execute();
        QCOMPARE(watcher.resultMessages, QStringList(3, kCompleted));
        QVERIFY(SettingsOf(window.dlg) == before);
        for (const fs::path& input : inputs) {
            QVERIFY(zel::test::InspectWav(OutputOf(input, "-x")).consistent);
            QVERIFY(zel::WriteFileBytes(OutputOf(input, "-x"), {1, 2, 3}));
        }

        window.Execute();
        QCOMPARE(watcher.progressDialogs, 2);
        QCOMPARE(watcher.resultDialogs, 2);
        QCOMPARE(watcher.resultMessages, QStringList(3, kCompleted));
        QVERIFY(SettingsOf(window.dlg) == before);
        for (const fs::path& input : inputs) {
            const zel::test::StoredWav stored = zel::test::InspectWav(OutputOf(input, "-x"));
            QVERIFY(stored.consistent);
            QCOMPARE(stored.sampleRate, 32000u);
        }
    }

    // Outputs into a folder chosen with the browse button, created when missing; nothing
    // beside the inputs. Two inputs of one name would share an output there: refused whole.
    void outputsGoIntoTheChosenFolder() {
        TempDir dir;
        fs::create_directories(dir / "in" / "more");
        const fs::path a = WriteToneFile(dir, "in/a.wav", 4000);
        const fs::path b = WriteToneFile(dir, "in/more/b.wav", 4000);
        const fs::path outputs = dir / "out" / "new";
        MainWindow window;
        QVERIFY(window.Add(a) && window.Add(b));
        window.prompts.outputFolderToChoose = PathText(outputs);
        window.dlg.OutputFolderRadio()->click();
        window.dlg.OutputFolderButton()->click();
        QVERIFY(window.dlg.OutputFolderRadio()->isChecked());
        BatchDialogWatcher watcher;

        window.Execute();
        QCOMPARE(watcher.resultMessages, QStringList(2, kCompleted));
        QVERIFY(zel::test::InspectWav(outputs / "a_ZEL.wav").consistent);
        QVERIFY(zel::test::InspectWav(outputs / "b_ZEL.wav").consistent);
        QVERIFY(!fs::exists(OutputOf(a)) && !fs::exists(OutputOf(b)));

        const fs::path otherA = WriteToneFile(dir, "in/more/a.wav", 4000);
        QVERIFY(window.Add(otherA));
        window.Execute();
        QCOMPARE(watcher.progressDialogs, 1);
        QCOMPARE(window.prompts.messages.size(), std::size_t{1});
        QCOMPARE(window.prompts.messages[0].kind, ShownMessage::Kind::kError);
        QVERIFY2(window.prompts.messages[0].text.contains(PathText(otherA)),
                 qPrintable(window.prompts.messages[0].text));

        // Back to beside the inputs: the same list runs there.
        window.dlg.BesideInputRadio()->setChecked(true);
        window.Execute();
        QCOMPARE(watcher.resultMessages, QStringList(3, kCompleted));
        QVERIFY(zel::test::InspectWav(OutputOf(otherA)).consistent);
    }

    // Files added from a folder keep their path below it under the output folder, which is
    // typed and made when the batch starts; a file added by itself goes straight into it.
    // The result rows name each output.
    void aFolderAddedKeepsItsTreeUnderTheOutputFolder() {
        TempDir dir;
        fs::create_directories(dir / "in" / "a");
        fs::create_directories(dir / "in" / "b");
        WriteToneFile(dir, "in/a/x.wav", 4000);
        WriteToneFile(dir, "in/b/x.wav", 4000);
        const fs::path single = WriteToneFile(dir, "single.wav", 4000);
        const fs::path outputs = dir / "out" / "new";
        MainWindow window;
        window.dlg.SubfoldersCheck()->setChecked(true);
        window.prompts.folderToChoose = PathText(dir / "in");
        window.dlg.OnChooseFolder();
        QVERIFY(window.Add(single));
        QCOMPARE(window.dlg.InputList()->RowCount(), 3);
        window.dlg.OutputFolderRadio()->setChecked(true);
        QTest::keyClicks(window.dlg.OutputFolderEdit(), PathText(outputs));
        BatchDialogWatcher watcher;

        window.Execute();
        QCOMPARE(watcher.resultMessages, QStringList(3, kCompleted));
        const QStringList expected = {PathText(outputs / "a" / "x_ZEL.wav"),
                                      PathText(outputs / "b" / "x_ZEL.wav"),
                                      PathText(outputs / "single_ZEL.wav")};
        QCOMPARE(watcher.resultOutputs, expected);
        for (const QString& output : expected)
            QVERIFY(zel::test::InspectWav(fs::path(output.toStdString())).consistent);
    }

    // A typed output folder is checked before anything is written, with the reason.
    void aTypedOutputFolderIsCheckedAtExecute_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("message");
        QTest::newRow("relative") << "out" << "出力先フォルダは / で始まるフルパスで指定してください";
        QTest::newRow("a file") << "@/file.txt" << "出力先フォルダとして指定されたものはフォルダではありません";
        QTest::newRow("below a file") << "@/file.txt/sub" << "出力先フォルダを作成できません";
        QTest::newRow("empty") << "" << "出力先フォルダが指定されていません";
    }
    void aTypedOutputFolderIsCheckedAtExecute() {
        QFETCH(QString, typed);
        QFETCH(QString, message);
        TempDir dir;
        const fs::path a = WriteToneFile(dir, "a.wav", 4000);
        QVERIFY(zel::WriteFileBytes(dir / "file.txt", std::vector<std::uint8_t>(4, 1)));
        typed.replace("@", PathText(dir.path()));
        MainWindow window;
        QVERIFY(window.Add(a));
        window.dlg.OutputFolderRadio()->setChecked(true);
        window.dlg.OutputFolderEdit()->setText(typed);
        BatchDialogWatcher watcher;
        window.Execute();
        QCOMPARE(watcher.progressDialogs, 0);
        QCOMPARE(window.prompts.messages.size(), std::size_t{1});
        QCOMPARE(window.prompts.messages[0].kind, ShownMessage::Kind::kError);
        QVERIFY2(window.prompts.messages[0].text.startsWith(message),
                 qPrintable(window.prompts.messages[0].text));
        QVERIFY(!fs::exists(OutputOf(a)));
    }

    // A chosen container renames outputs, so inputs differing only in their extension meet
    // on one output (refused whole), and an output of that extension counts as existing.
    void aChosenFormatsExtensionIsCheckedBeforeTheBatch() {
        TempDir dir;
        const fs::path lower = WriteToneFile(dir, "a.wav", 4000);
        const fs::path upper = WriteToneFile(dir, "a.WAV", 4000);
        MainWindow window;
        QVERIFY(window.Add(lower) && window.Add(upper));
        auto* format = window.dlg.findChild<QComboBox*>("formatCombo");
        QVERIFY(format != nullptr);
        format->setCurrentIndex(1);  // WAV
        BatchDialogWatcher watcher;

        window.Execute();
        QCOMPARE(watcher.progressDialogs, 0);
        QCOMPARE(window.prompts.messages.size(), std::size_t{1});
        QCOMPARE(window.prompts.messages[0].kind, ShownMessage::Kind::kError);
        QVERIFY(!fs::exists(dir / "a_ZEL.wav"));

        MainWindow single;
        QVERIFY(single.Add(upper));
        single.dlg.findChild<QComboBox*>("formatCombo")->setCurrentIndex(1);
        const std::vector<std::uint8_t> kept(100, 1);
        QVERIFY(zel::WriteFileBytes(dir / "a_ZEL.wav", kept));
        single.prompts.existingOutputsAnswers = {ExistingOutputsAnswer::kCancel};
        single.Execute();
        QCOMPARE(watcher.progressDialogs, 0);
        QCOMPARE(single.prompts.messages.size(), std::size_t{1});
        QCOMPARE(single.prompts.messages[0].kind, ShownMessage::Kind::kExistingOutputs);
        QVERIFY(zel::ReadFileBytes(dir / "a_ZEL.wav") == kept);
    }

    // One question before outputs would be replaced, counting them. Replace converts every
    // file again, skip leaves a finished output alone (an unfinished one is converted
    // again), cancel starts nothing.
    void existingOutputsAreAskedAboutOnce_data() {
        QTest::addColumn<ExistingOutputsAnswer>("answer");
        QTest::addColumn<QStringList>("messages");  // empty: no batch
        QTest::newRow("replace all") << ExistingOutputsAnswer::kReplaceAll
                                     << QStringList{kCompleted, kCompleted, kCompleted};
        QTest::newRow("skip existing") << ExistingOutputsAnswer::kSkipExisting
                                       << QStringList{kSkipped, kCompleted, kCompleted};
        QTest::newRow("cancel") << ExistingOutputsAnswer::kCancel << QStringList{};
    }
    void existingOutputsAreAskedAboutOnce() {
        QFETCH(ExistingOutputsAnswer, answer);
        QFETCH(QStringList, messages);
        TempDir dir;
        MainWindow window;
        const fs::path finished = WriteToneFile(dir, "finished.wav", 6000);
        const fs::path cut = WriteToneFile(dir, "cut.wav", 6000);
        QVERIFY(window.Add(finished) && window.Add(cut));
        BatchDialogWatcher watcher;
        window.Execute();
        QCOMPARE(watcher.resultMessages, QStringList(2, kCompleted));
        QVERIFY(window.prompts.messages.empty());
        const std::vector<std::uint8_t> finishedBytes = zel::ReadFileBytes(OutputOf(finished));
        const std::vector<std::uint8_t> cutBytes(finishedBytes.begin(), finishedBytes.end() - 400);
        QVERIFY(zel::WriteFileBytes(OutputOf(cut), cutBytes));
        const fs::path fresh = WriteToneFile(dir, "fresh.wav", 6000);
        QVERIFY(window.Add(fresh));
        window.prompts.existingOutputsAnswers = {answer};

        window.Execute();

        QCOMPARE(window.prompts.messages.size(), std::size_t{1});
        const ShownMessage& question = window.prompts.messages[0];
        QCOMPARE(question.kind, ShownMessage::Kind::kExistingOutputs);
        QCOMPARE(question.owner, &window.dlg);
        QVERIFY2(question.text.contains(" 2 "), qPrintable(question.text));
        if (messages.isEmpty()) {
            QCOMPARE(watcher.progressDialogs, 1);
            QVERIFY(zel::ReadFileBytes(OutputOf(cut)) == cutBytes);
            QVERIFY(!fs::exists(OutputOf(fresh)));
            return;
        }
        QCOMPARE(watcher.resultMessages, messages);
        for (const fs::path& input : {finished, cut, fresh})
            QVERIFY(zel::test::InspectWav(OutputOf(input)).consistent);
        QVERIFY(zel::ReadFileBytes(OutputOf(cut)) == finishedBytes);
    }

    void aListBeyond256FilesRunsWhole() {
        TempDir dir;
        MainWindow window;
        constexpr int kFiles = 300;
        QStringList expected;
        for (int i = 0; i < kFiles; ++i) {
            const fs::path input =
                WriteToneFile(dir, "f" + std::to_string(1000 + i) + ".wav", 64, {1, 8, 8000});
            QVERIFY(window.Add(input));
            expected << PathText(input);
        }
        BatchDialogWatcher watcher;
        window.Execute();
        QCOMPARE(watcher.resultFiles, expected);
        QCOMPARE(watcher.resultMessages, QStringList(kFiles, kCompleted));
        QVERIFY(zel::test::InspectWav(dir / "f1299_ZEL.wav").consistent);
    }

    // Cancel at arbitrary moments of short batches: before the first file, inside a
    // file, between files, after the last report. Every run ends; the rows are the files
    // up to the cancelled one, each with a real outcome, and the outputs agree.
    void cancelAtAnyMomentNeverHangsNorLosesAResult() {
        TempDir dir;
        MainWindow window(std::chrono::milliseconds(2));
        // The reference build reports after smaller blocks, so there are more moments.
        window.dlg.m_simdLevel = 0;
        std::vector<fs::path> inputs;
        for (const char* name : {"s0.wav", "s1.wav", "s2.wav"}) {
            inputs.push_back(WriteToneFile(dir, name, 22050));
            QVERIFY(window.Add(inputs.back()));
        }
        BatchDialogWatcher watcher;
        QElapsedTimer clock;
        clock.start();
        window.Execute();
        QCOMPARE(watcher.resultMessages, QStringList(3, kCompleted));
        const int batchMilliseconds = std::max<int>(1, int(clock.elapsed()));

        QRandomGenerator random(20240611);
        constexpr int kRuns = 48;
        std::map<int, int> cancelledAtFile;
        for (int run = 0; run < kRuns; ++run) {
            for (const fs::path& input : inputs) fs::remove(OutputOf(input));
            const int delay = int(random.bounded(batchMilliseconds + 10));
            const int turns = int(random.bounded(40));
            watcher.onProgressShown = [delay, turns](CProgressDlg& progress) {
                QPointer<CProgressDlg> target(&progress);
                QTimer::singleShot(delay, &progress,
                                   [target, turns] { ClickCancelAfterTurns(target, turns); });
            };

            window.Execute();

            const QStringList& messages = watcher.resultMessages;
            QCOMPARE(messages.size(), 3);
            const int last = messages.contains(kCancelled) ? int(messages.indexOf(kCancelled)) : 2;
            for (int i = 0; i < last; ++i) QCOMPARE(messages[i], kCompleted);
            for (int i = last + 1; i < 3; ++i) QCOMPARE(messages[i], kNotProcessed);
            if (messages[last] == kCancelled) {
                ++cancelledAtFile[last];
            } else {
                QCOMPARE(messages[last], kCompleted);
            }
            // A file cancelled between files was never opened and has no output.
            for (int i = 0; i <= last; ++i)
                QVERIFY2((i == last && !fs::exists(OutputOf(inputs[i]))) ||
                             zel::test::InspectWav(OutputOf(inputs[i])).consistent,
                         qPrintable(QString("run %1 file %2").arg(run).arg(i)));
            for (int i = last + 1; i < 3; ++i) QVERIFY(!fs::exists(OutputOf(inputs[i])));
        }
        QCOMPARE(watcher.progressDialogs, kRuns + 1);
        int cancelledRuns = 0;
        for (const auto& [file, count] : cancelledAtFile) cancelledRuns += count;
        qInfo("%d of %d runs cancelled (file 0: %d, 1: %d, 2: %d); batch %d ms", cancelledRuns,
              kRuns, cancelledAtFile[0], cancelledAtFile[1], cancelledAtFile[2], batchMilliseconds);
        QVERIFY(cancelledRuns > 0);
    }
};

QTEST_MAIN(ExecuteCommandTest)
#include "execute_command_test.moc"
