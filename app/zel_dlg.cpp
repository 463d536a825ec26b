#include "app/zel_dlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QTimer>
#include <QUrl>
#include <cmath>
#include <optional>
#include <utility>

#include "app/about_dlg.h"
#include "app/add_report.h"
#include "app/app_icon.h"
#include "app/cpu_info_dlg.h"
#include "app/elided_label.h"
#include "app/input_file_list.h"
#include "app/input_row_text.h"
#include "app/output_place.h"
#include "app/qt_path.h"
#include "app/screen_fit.h"
#include "app/speed_text.h"
#include "app/ui_translations.h"
#include "app/user_prompts.h"
#include "app/wav_folder_scan.h"
#include "batch/batch_settings.h"
#include "batch/folder_walk.h"
#include "batch/speed_text.h"
#include "engine/sndfile/sound_file_formats.h"
#include "engine/wav/wav_probe.h"
#include "platform/file_identity.h"
#include "texts/message_catalogue.h"

namespace {

// Local paths named by a drag's data; other kinds of data are not offered to the list.
QStringList LocalPathsOf(const QMimeData* data) {
    QStringList paths;
    if (data == nullptr || !data->hasUrls()) return paths;
    for (const QUrl& url : data->urls())
        if (url.isLocalFile()) paths << url.toLocalFile();
    return paths;
}

}  // namespace

CZELDlg::CZELDlg(UserPrompts& prompts, const QStringList& commandLinePaths,
                 const zel::CpuidSource& cpuid, QWidget* parent)
    : QDialog(parent),
      m_prompts(prompts),
      m_cpuid(cpuid),
      m_icon(ApplicationIcon()),
      m_commandLinePaths(commandLinePaths) {
    CreateControls();
    SetUpSpeedSlider();
    setAcceptDrops(true);
    SetDefaults();
    connect(m_formatCombo, &QComboBox::currentIndexChanged, this, &CZELDlg::UpdateBitsChoice);
    connect(m_outputFolderRadio, &QRadioButton::toggled, this, &CZELDlg::UpdateOutputFolderRow);
    UpdateOutputFolderRow();
    connect(m_inputList, &InputFileList::rowsChanged, this, &CZELDlg::UpdateListSummary);
    UpdateListSummary();
    connect(m_inputList, &InputFileList::openFailed, this, [this](const QString& path) {
        m_prompts.ShowError(this, tr("開くプログラムが見つかりませんでした: %1").arg(path));
    });
    m_inputList->SetOutputNamer([this](const QString& path, const QString& relative) {
        return OutputTipText(path, relative);
    });
    // The batch runs, by default, the highest build the processor supports.
    m_simdLevel = zel::MaxSimdLevel(zel::DetectCpuFeatures(m_cpuid, nullptr));
    m_executeButton->setFocus();
    // The natural size, every column in view; without it the first showing would hold the
    // window to two thirds of the screen.
    resize(sizeHint());
}

void CZELDlg::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    // As far as the screen has room; the title bar must stay in reach at any scale factor.
    // Later showings keep the size and place the user gave the window.
    if (!std::exchange(m_shownBefore, true)) FitOnScreen(*this);
    // Taken once, when the window first appears; queued, so that a refusal's message box
    // appears over the visible window.
    if (!m_commandLinePaths.isEmpty())
        QTimer::singleShot(0, this, [paths = std::exchange(m_commandLinePaths, {}), this] {
            AddFilesAndFolders(paths);
        });
}

void CZELDlg::SetDefaults() {
    m_frequencyCombo->setCurrentIndex(-1);
    m_frequencyCombo->setEditText(QString::number(zel::kDefaultTargetRate));
    m_suffixEdit->setText(QString::fromUtf8(zel::kDefaultSuffix));
    UpdateSpeedLabel(zel::kDefaultSpeedPercent);
}

void CZELDlg::SetUpSpeedSlider() {
    m_speedSlider->setRange(zel::kMinSpeedPercent, zel::kMaxSpeedPercent);
    m_speedSlider->setPageStep(kSpeedPageStep);
    m_speedSlider->setSingleStep(kSpeedStep);
    m_speedSlider->setTickInterval(kSpeedTickInterval);
    m_speedSlider->setTickPosition(QSlider::TicksBelow);
    m_speedSlider->setValue(zel::kDefaultSpeedPercent);
    connect(m_speedSlider, &QSlider::valueChanged, this, &CZELDlg::UpdateSpeedLabel);
    connect(m_speedSlider, &QSlider::valueChanged, this, &CZELDlg::ShowSliderSpeed);
    connect(m_speedCombo, &QComboBox::currentTextChanged, this, &CZELDlg::FollowTypedSpeed);
    ShowSliderSpeed(m_speedSlider->value());
}

void CZELDlg::ShowSliderSpeed(int position) {
    // The field already holds a speed that rounds to this position: keep its exact text.
    const zel::SpeedRatio typed = Speed();
    if (zel::SpeedIsAllowed(typed) &&
        std::lround(typed.Factor() * zel::kNormalSpeedPercent) == position)
        return;
    const QSignalBlocker blocker(m_speedCombo);
    m_speedCombo->setEditText(
        QString::fromStdString(zel::SpeedFactorText(zel::SpeedFromPercent(position))));
}

void CZELDlg::FollowTypedSpeed(const QString& text) {
    const std::optional<zel::SpeedRatio> speed =
        zel::ParseSpeedText(text.toStdString(), zel::SpeedUnit::kFactor);
    if (!speed || !zel::SpeedIsAllowed(*speed)) return;
    const QSignalBlocker blocker(m_speedSlider);
    m_speedSlider->setValue(static_cast<int>(std::lround(speed->Factor() * zel::kNormalSpeedPercent)));
    UpdateSpeedLabel(m_speedSlider->value());
}

QString CZELDlg::OutputTipText(const QString& path, const QString& relative) const {
    if (WritesIntoFolder() && OutputFolderText().isEmpty())
        return tr("（出力先フォルダが指定されていません）");
    const OutputPlace place =
        MakeOutputPlace(SuffixText(), Container(), WritesIntoFolder(), OutputFolderText());
    return FromFilesystemPath(OutputPathFor(place, path, relative));
}

void CZELDlg::UpdateSpeedLabel(int position) { m_speedLabel->setText(SpeedLabelText(position)); }

void CZELDlg::UpdateOutputFolderRow() {
    // The folder means nothing while outputs go beside their inputs.
    const bool intoFolder = WritesIntoFolder();
    m_outputFolderEdit->setEnabled(intoFolder);
    m_outputFolderButton->setEnabled(intoFolder);
}

void CZELDlg::UpdateListSummary() {
    const int files = m_inputList->RowCount();
    const auto seconds = static_cast<std::uint64_t>(m_inputList->TotalSeconds());
    m_listSummaryLabel->SetFullText(tr("%1 個のファイル、合計 %2")
                                        .arg(QString::number(files), DurationText(seconds).trimmed()));
}

void CZELDlg::UpdateBitsChoice() { m_bitsCombo->setEnabled(!zel::IsLossyContainer(Container())); }

bool CZELDlg::AddInputFile(const QString& path, AddReport& report, const QString& relative) {
    const std::filesystem::path file = ToFilesystemPath(path);
    // An earlier output would be converted again, and a rerun would write outputs of
    // outputs: left out however the file came, as a folder scan leaves it out.
    if (zel::IsNamedLikeOutput(file.filename(), ToFilesystemPath(SuffixText()).native())) {
        report.AddNamedLikeOutputs(1);
        return false;
    }
    const zel::InputProbe probe = zel::ProbeInputFile(file);
    if (probe.status == zel::WavProbe::Status::kCannotOpen) return false;
    if (probe.status == zel::WavProbe::Status::kRefused) {
        report.AddRefusal(path, RefusalText(probe));
        return false;
    }
    // Gone since the probe: as if it could not be opened.
    const std::optional<zel::platform::FileIdentity> identity = zel::platform::IdentifyFile(file);
    if (!identity) return false;
    if (m_inputList->ContainsFile(*identity)) {
        report.AddDuplicate();
        return false;
    }
    m_inputList->AppendRow(path, probe, *identity, relative);
    report.AddAdded();
    return true;
}

QString CZELDlg::RefusalText(const zel::InputProbe& probe) {
    // The reason comes from the catalogue both programs share: libsndfile's for a file that
    // is no WAV file at all, ZEL's reader's for the others.
    if (probe.detail != zel::ResultDetail::kNone)
        return QString::fromStdString(
            std::string(zel::texts::ResultDetailText(probe.detail, InstalledUiLanguage())));
    return QString::fromStdString(
        zel::texts::WavRefusalText(probe.refusal, InstalledUiLanguage()));
}

bool CZELDlg::AddInputFile(const QString& path) {
    AddReport report;
    const bool added = AddInputFile(path, report);
    ShowReport(report);
    return added;
}

void CZELDlg::AddInputFiles(const QStringList& paths) {
    AddReport report;
    for (const QString& path : paths) AddInputFile(path, report);
    ShowReport(report);
}

void CZELDlg::AddFilesAndFolders(const QStringList& paths) {
    AddReport report;
    for (const QString& path : paths) {
        if (QFileInfo(path).isDir())
            AddFolder(path, report);
        else
            AddInputFile(path, report);
    }
    ShowReport(report);
}

void CZELDlg::AddFolder(const QString& folder, AddReport& report) {
    const WavFolderScan scan = ScanWavFolder(folder, IncludesSubfolders(), SuffixText());
    report.AddNamedLikeOutputs(scan.namedLikeOutputs);
    for (const QString& link : scan.linksLeadingOutside) report.AddLinkLeadingOutside(link);
    for (const UnreadFolder& unread : scan.unreadFolders)
        report.AddUnreadFolder(unread.path, unread.reason);
    for (qsizetype i = 0; i < scan.paths.size(); ++i)
        AddInputFile(scan.paths[i], report, scan.relatives[i]);
}

void CZELDlg::ShowReport(const AddReport& report) {
    if (!report.IsEmpty())
        m_prompts.ShowSkippedFiles(this, report.Heading(), report.Lines(SuffixText()));
}

void CZELDlg::OnAddFiles() { AddInputFiles(m_prompts.ChooseInputFiles(this)); }

void CZELDlg::OnChooseFolder() {
    const QString folder = m_prompts.ChooseFolder(this);
    if (folder.isEmpty()) return;
    AddReport report;
    AddFolder(folder, report);
    ShowReport(report);
}

void CZELDlg::OnDeleteAll() {
    if (m_prompts.ConfirmWarning(this, tr("リストから全てのファイルを削除します")))
        m_inputList->clear();
}

void CZELDlg::OnAbout() {
    CAboutDlg about(this);
    about.exec();
}

void CZELDlg::OnCpuInfo() {
    CCPUInfoDlg cpuInfo(m_simdLevel, m_cpuid, this);
    cpuInfo.exec();
    // Whatever way it was closed, the dialog's level is the one chosen.
    m_simdLevel = cpuInfo.m_simdLevel;
}

void CZELDlg::OnChooseOutputFolder() {
    const QString folder = m_prompts.ChooseOutputFolder(this, m_outputFolderEdit->text());
    if (folder.isEmpty()) return;
    m_outputFolderEdit->setText(folder);
    // Choosing a folder means writing into it.
    m_outputFolderRadio->setChecked(true);
}

void CZELDlg::OnOK() {
    if (m_executeHandler) m_executeHandler(*this);
}

void CZELDlg::accept() { OnOK(); }

QStringList CZELDlg::InputPaths() const { return m_inputList->Paths(); }

QString CZELDlg::SuffixText() const { return m_suffixEdit->text(); }

bool CZELDlg::StripsMetadata() const { return m_stripMetadataCheck->isChecked(); }

zel::LevelSettings CZELDlg::Level() const {
    zel::LevelSettings level;
    level.headroomAuto = m_headroomCheck->isChecked();
    if (m_loudnessCheck->isChecked()) level.loudnessTarget = m_loudnessCombo->currentData().toInt();
    level.album = m_albumCheck->isChecked();
    return level;
}

bool CZELDlg::IncludesSubfolders() const { return m_subfoldersCheck->isChecked(); }

bool CZELDlg::WritesIntoFolder() const { return m_outputFolderRadio->isChecked(); }

QString CZELDlg::OutputFolderText() const { return m_outputFolderEdit->text(); }

QString CZELDlg::FrequencyText() const { return m_frequencyCombo->currentText(); }

int CZELDlg::SpeedPosition() const { return m_speedSlider->value(); }

QString CZELDlg::SpeedText() const { return m_speedCombo->currentText(); }

zel::SpeedRatio CZELDlg::Speed() const {
    return zel::ParseSpeedText(SpeedText().toStdString(), zel::SpeedUnit::kFactor)
        .value_or(zel::SpeedRatio{0, 1});
}

bool CZELDlg::KeepsPitch() const { return m_keepPitchCheck->isChecked(); }

QString CZELDlg::KeepRateText() { return tr("元の周波数"); }

bool CZELDlg::KeepsInputRate() const { return FrequencyText() == KeepRateText(); }

zel::ConversionQuality CZELDlg::Quality() const {
    switch (m_qualityCombo->currentIndex()) {
        case 1:
            return zel::ConversionQuality::kHigh;
        case 2:
            return zel::ConversionQuality::kBest;
        default:
            return zel::ConversionQuality::kStandard;
    }
}

zel::OutputContainer CZELDlg::Container() const {
    return static_cast<zel::OutputContainer>(m_formatCombo->currentData().toInt());
}

zel::OutputDepth CZELDlg::Depth() const {
    if (zel::IsLossyContainer(Container())) return zel::OutputDepth::kSame;
    return static_cast<zel::OutputDepth>(m_bitsCombo->currentData().toInt());
}

zel::DitherChoice CZELDlg::Dither() const {
    return static_cast<zel::DitherChoice>(m_ditherCombo->currentData().toInt());
}

void CZELDlg::dragEnterEvent(QDragEnterEvent* event) {
    if (!LocalPathsOf(event->mimeData()).isEmpty()) event->acceptProposedAction();
}

void CZELDlg::dragMoveEvent(QDragMoveEvent* event) {
    if (!LocalPathsOf(event->mimeData()).isEmpty()) event->acceptProposedAction();
}

void CZELDlg::dropEvent(QDropEvent* event) {
    const QStringList paths = LocalPathsOf(event->mimeData());
    if (paths.isEmpty()) return;
    event->acceptProposedAction();
    // Handled after the drop has completed, so that the program the files came from is not
    // held up by a message box or a long folder scan.
    QTimer::singleShot(0, this, [this, paths] { AddFilesAndFolders(paths); });
}
