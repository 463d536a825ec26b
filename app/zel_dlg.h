#pragma once
// The main window: the input file list, the output settings (suffix, target frequency,
// playback speed, quality, container, sample depth, dither, where outputs go) and the Execute and Exit buttons, plus a menu with the
// About box and the CPU information dialog. The controls are the model: Execute reads the
// rows and settings from them when it runs; between runs the settings are kept by
// window_settings.h.

#include <QDialog>
#include <QIcon>
#include <QStringList>
#include <filesystem>
#include <functional>

#include "engine/resample/speed_ratio.h"
#include "cpu/cpu_features.h"
#include "engine/resample/conversion_settings.h"
#include "engine/resample/builds/conversion_builds.h"
#include "engine/convert/input_probe.h"

class AddReport;
class ElidedLabel;
class InputFileList;
class QAction;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSlider;
class QToolButton;
class UserPrompts;

class CZELDlg : public QDialog {
    Q_OBJECT

  public:
    // Runs a batch from the dialog's current state; the dialog stays open.
    using ExecuteHandler = std::function<void(CZELDlg&)>;

    // `commandLinePaths` are added to the list when the window first appears; `cpuid`
    // answers the processor questions (the start-up level and the CPU dialog).
    explicit CZELDlg(UserPrompts& prompts, const QStringList& commandLinePaths = {},
                     const zel::CpuidSource& cpuid = zel::ProcessorCpuid(),
                     QWidget* parent = nullptr);

    // The build of the conversion routine the next batch runs.
    zel::SimdLevel m_simdLevel = 0;

    // The one way a file enters the list, probed as the conversion reads it (ZEL's reader
    // for WAV, libsndfile for the other containers). Left out when it is named like an
    // output of the suffix, refused when it would not be converted, skipped when the same
    // file is listed already (under any name: device and inode), all noted in `report`;
    // skipped silently when it cannot be opened.
    // `relative`: its path below the folder it was found in; empty when added by itself.
    // True when a row was added.
    bool AddInputFile(const QString& path, AddReport& report, const QString& relative = {});
    // One file as one add, anything left out reported at once.
    bool AddInputFile(const QString& path);

    // What Execute reads.
    QStringList InputPaths() const;
    QString SuffixText() const;
    QString FrequencyText() const;
    // The frequency list's "元の周波数": every output at its input's rate.
    bool KeepsInputRate() const;
    static QString KeepRateText();
    int SpeedPosition() const;
    // The speed as the field beside the slider holds it, exactly; {0, 1} when the text is
    // no speed (refused at Execute).
    zel::SpeedRatio Speed() const;
    QString SpeedText() const;
    bool KeepsPitch() const;
    // The mode the quality choice names: index 0 standard, 1 high quality.
    zel::ConversionQuality Quality() const;
    bool StripsMetadata() const;
    // The level the check boxes ask for: a loudness target, automatic headroom, or neither,
    // and whether their gain is one per album.
    zel::LevelSettings Level() const;
    // The output's container, depth and dither as the three combo boxes name them. The depth
    // is kSame for a lossy container, which takes float whatever the disabled box shows.
    zel::OutputContainer Container() const;
    zel::OutputDepth Depth() const;
    zel::DitherChoice Dither() const;
    // Whether a chosen or dropped folder is scanned with its subfolders.
    bool IncludesSubfolders() const;
    // Outputs go into the folder OutputFolderText() names instead of beside each input.
    bool WritesIntoFolder() const;
    QString OutputFolderText() const;
    UserPrompts& Prompts() const { return m_prompts; }
    void SetExecuteHandler(ExecuteHandler handler) { m_executeHandler = std::move(handler); }

    // The controls.
    InputFileList* InputList() const { return m_inputList; }
    QLineEdit* SuffixEdit() const { return m_suffixEdit; }
    QComboBox* FrequencyCombo() const { return m_frequencyCombo; }
    QSlider* SpeedSlider() const { return m_speedSlider; }
    // The factor typed or picked beside the slider ("1.25", "25/24").
    QComboBox* SpeedCombo() const { return m_speedCombo; }
    QCheckBox* KeepPitchCheck() const { return m_keepPitchCheck; }
    QCheckBox* StripMetadataCheck() const { return m_stripMetadataCheck; }
    QCheckBox* SubfoldersCheck() const { return m_subfoldersCheck; }
    QCheckBox* LoudnessCheck() const { return m_loudnessCheck; }
    // Each item holds its target in LUFS as its data.
    QComboBox* LoudnessCombo() const { return m_loudnessCombo; }
    QCheckBox* HeadroomCheck() const { return m_headroomCheck; }
    QCheckBox* AlbumCheck() const { return m_albumCheck; }
    QLabel* SpeedLabel() const { return m_speedLabel; }
    // "3 個のファイル、合計 0:12:34": the list's count and total length.
    ElidedLabel* ListSummaryLabel() const { return m_listSummaryLabel; }
    QComboBox* QualityCombo() const { return m_qualityCombo; }
    // Each item holds its enumerator's code as its data.
    QComboBox* FormatCombo() const { return m_formatCombo; }
    QComboBox* BitsCombo() const { return m_bitsCombo; }
    QComboBox* DitherCombo() const { return m_ditherCombo; }
    QRadioButton* BesideInputRadio() const { return m_besideInputRadio; }
    QRadioButton* OutputFolderRadio() const { return m_outputFolderRadio; }
    QLineEdit* OutputFolderEdit() const { return m_outputFolderEdit; }
    QPushButton* OutputFolderButton() const { return m_outputFolderButton; }
    QPushButton* ExecuteButton() const { return m_executeButton; }
    QPushButton* ExitButton() const { return m_exitButton; }
    QAction* AboutAction() const { return m_aboutAction; }
    QAction* CpuInfoAction() const { return m_cpuInfoAction; }

  public slots:
    // Commands.
    void OnAddFiles();
    void OnChooseFolder();
    void OnDeleteAll();
    void OnAbout();
    void OnCpuInfo();
    void OnChooseOutputFolder();
    void OnOK();

  public:
    // The default button and Enter run Execute instead of closing.
    void accept() override;

  protected:
    void showEvent(QShowEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

  private:
    void CreateControls();
    QGroupBox* CreateInputGroup();
    QGroupBox* CreateOutputGroup();
    QLayout* CreateOutputFolderRows(QGroupBox* group);
    void CreateSampleChoices(QGroupBox* group);
    QLayout* CreateLevelChoices(QGroupBox* group);
    // Lossy containers take float: the bits box is disabled while one is chosen.
    void UpdateBitsChoice();
    // The folder field and its "..." only while outputs go into a folder.
    void UpdateOutputFolderRow();
    void UpdateListSummary();
    QLayout* CreateButtonRow();
    void CreateMenu();
    void SetTabOrder();
    void SetUpSpeedSlider();
    void SetDefaults();
    void UpdateSpeedLabel(int position);
    // The slider moved: the field shows its factor.
    void ShowSliderSpeed(int position);
    // The field was typed into or picked from: the slider follows to the nearest percent.
    void FollowTypedSpeed(const QString& text);
    // Where the output of a listed file will go with the settings as they are now.
    QString OutputTipText(const QString& path, const QString& relative) const;
    // One add each: every file, then one message for all that were left out. Folders
    // (dropped or named on the command line) are scanned like a chosen one.
    void AddInputFiles(const QStringList& paths);
    void AddFilesAndFolders(const QStringList& paths);
    void AddFolder(const QString& folder, AddReport& report);
    void ShowReport(const AddReport& report);
    // Why a probed file is not listed, in the window's language.
    static QString RefusalText(const zel::InputProbe& probe);

    UserPrompts& m_prompts;
    const zel::CpuidSource& m_cpuid;
    // The application icon, loaded once with the window: title bar, task bar, minimised
    // window and the menu button. Dialogs opened from the window inherit it.
    const QIcon m_icon;
    QStringList m_commandLinePaths;
    ExecuteHandler m_executeHandler;
    bool m_shownBefore = false;

    QPushButton* m_executeButton = nullptr;
    QPushButton* m_exitButton = nullptr;
    QPushButton* m_addFilesButton = nullptr;
    QPushButton* m_folderButton = nullptr;
    QPushButton* m_deleteAllButton = nullptr;
    QCheckBox* m_subfoldersCheck = nullptr;
    InputFileList* m_inputList = nullptr;
    QLineEdit* m_suffixEdit = nullptr;
    QComboBox* m_frequencyCombo = nullptr;
    QSlider* m_speedSlider = nullptr;
    QLabel* m_speedLabel = nullptr;
    // Cut rather than widen the window on a small screen at a large scale factor.
    ElidedLabel* m_listSummaryLabel = nullptr;
    QComboBox* m_speedCombo = nullptr;
    QCheckBox* m_keepPitchCheck = nullptr;
    QComboBox* m_qualityCombo = nullptr;
    QCheckBox* m_stripMetadataCheck = nullptr;
    QCheckBox* m_loudnessCheck = nullptr;
    QComboBox* m_loudnessCombo = nullptr;
    QCheckBox* m_headroomCheck = nullptr;
    QCheckBox* m_albumCheck = nullptr;
    QComboBox* m_formatCombo = nullptr;
    QComboBox* m_bitsCombo = nullptr;
    QComboBox* m_ditherCombo = nullptr;
    QRadioButton* m_besideInputRadio = nullptr;
    QRadioButton* m_outputFolderRadio = nullptr;
    QLineEdit* m_outputFolderEdit = nullptr;
    QPushButton* m_outputFolderButton = nullptr;
    QToolButton* m_menuButton = nullptr;
    QAction* m_aboutAction = nullptr;
    QAction* m_cpuInfoAction = nullptr;
};
