#include "app/window_settings.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QSettings>
#include <QSlider>

#include "app/remembered_size.h"
#include "app/zel_dlg.h"

namespace {

const QString kSuffixKey = QStringLiteral("output/suffix");
const QString kFrequencyKey = QStringLiteral("output/frequency");
const QString kSpeedKey = QStringLiteral("output/speed");
// The factor field's text: an exact ratio the slider's percent cannot hold.
const QString kSpeedTextKey = QStringLiteral("output/speedText");
// Stored for "元の周波数", so that it is found again in either language.
const QString kKeepRateWord = QStringLiteral("keep");
const QString kQualityKey = QStringLiteral("output/quality");
const QString kIntoFolderKey = QStringLiteral("output/intoFolder");
const QString kOutputFolderKey = QStringLiteral("output/folder");
const QString kSimdLevelKey = QStringLiteral("conversion/simdLevel");
const QString kWindowSizeKey = QStringLiteral("window/size");

// The window's check boxes, each under its key; a new check box takes one more line.
struct CheckBoxKey {
    const char* key;
    QCheckBox* (CZELDlg::*control)() const;
};
constexpr CheckBoxKey kCheckBoxKeys[] = {
    {"output/stripMetadata", &CZELDlg::StripMetadataCheck},
    {"output/keepPitch", &CZELDlg::KeepPitchCheck},
    {"input/subfolders", &CZELDlg::SubfoldersCheck},
    {"output/loudness", &CZELDlg::LoudnessCheck},
    {"output/headroomAuto", &CZELDlg::HeadroomCheck},
    {"output/album", &CZELDlg::AlbumCheck},
};

// The combo boxes whose items carry a code, each under its key; the code is stored, not
// the position, so a list that gains items still finds the remembered one.
struct CodedComboKey {
    const char* key;
    QComboBox* (CZELDlg::*control)() const;
};
constexpr CodedComboKey kCodedComboKeys[] = {
    {"output/container", &CZELDlg::FormatCombo},
    {"output/depth", &CZELDlg::BitsCombo},
    {"output/dither", &CZELDlg::DitherCombo},
    {"output/loudnessTarget", &CZELDlg::LoudnessCombo},
};

// An integer setting, or `fallback` when it is missing or no integer.
int StoredInt(const QSettings& settings, const QString& key, int fallback) {
    bool ok = false;
    const int value = settings.value(key).toInt(&ok);
    return ok ? value : fallback;
}

zel::SimdLevel RunnableLevel(int stored, const zel::CpuidSource& cpuid) {
    const zel::SimdLevel highest = zel::MaxSimdLevel(zel::DetectCpuFeatures(cpuid, nullptr));
    return stored >= 0 && stored <= highest ? stored : highest;
}

void LoadOutputSettings(const QSettings& settings, CZELDlg& dlg) {
    if (settings.contains(kSuffixKey))
        dlg.SuffixEdit()->setText(settings.value(kSuffixKey).toString());
    if (settings.contains(kFrequencyKey)) {
        const QString frequency = settings.value(kFrequencyKey).toString();
        dlg.FrequencyCombo()->setEditText(frequency == kKeepRateWord ? CZELDlg::KeepRateText()
                                                                      : frequency);
    }
    // The slider keeps a stored speed within its range; the field then its exact text.
    dlg.SpeedSlider()->setValue(StoredInt(settings, kSpeedKey, dlg.SpeedSlider()->value()));
    if (settings.contains(kSpeedTextKey))
        dlg.SpeedCombo()->setEditText(settings.value(kSpeedTextKey).toString());
    const int quality = StoredInt(settings, kQualityKey, dlg.QualityCombo()->currentIndex());
    if (quality >= 0 && quality < dlg.QualityCombo()->count())
        dlg.QualityCombo()->setCurrentIndex(quality);
    for (const CheckBoxKey& entry : kCheckBoxKeys) {
        QCheckBox* check = (dlg.*entry.control)();
        check->setChecked(settings.value(QLatin1String(entry.key), check->isChecked()).toBool());
    }
    for (const CodedComboKey& entry : kCodedComboKeys) {
        QComboBox* combo = (dlg.*entry.control)();
        const int index = combo->findData(
            StoredInt(settings, QLatin1String(entry.key), combo->currentData().toInt()));
        if (index >= 0) combo->setCurrentIndex(index);
    }
    dlg.OutputFolderEdit()->setText(settings.value(kOutputFolderKey).toString());
    if (settings.value(kIntoFolderKey, false).toBool()) dlg.OutputFolderRadio()->setChecked(true);
}

}  // namespace

void RememberWindowSettings(CZELDlg& dlg, const zel::CpuidSource& cpuid) {
    LoadWindowSettings(dlg, cpuid);
    QObject::connect(&dlg, &QDialog::finished, &dlg, [&dlg] { SaveWindowSettings(dlg); });
}

void LoadWindowSettings(CZELDlg& dlg, const zel::CpuidSource& cpuid) {
    const QSettings settings;
    LoadOutputSettings(settings, dlg);
    dlg.m_simdLevel = RunnableLevel(StoredInt(settings, kSimdLevelKey, -1), cpuid);
    RestoreWindowSize(settings, kWindowSizeKey, dlg);
}

void SaveWindowSettings(const CZELDlg& dlg) {
    QSettings settings;
    settings.setValue(kSuffixKey, dlg.SuffixText());
    settings.setValue(kFrequencyKey, dlg.KeepsInputRate() ? kKeepRateWord : dlg.FrequencyText());
    settings.setValue(kSpeedKey, dlg.SpeedPosition());
    settings.setValue(kSpeedTextKey, dlg.SpeedText());
    settings.setValue(kQualityKey, dlg.QualityCombo()->currentIndex());
    for (const CheckBoxKey& entry : kCheckBoxKeys)
        settings.setValue(QLatin1String(entry.key), (dlg.*entry.control)()->isChecked());
    for (const CodedComboKey& entry : kCodedComboKeys)
        settings.setValue(QLatin1String(entry.key), (dlg.*entry.control)()->currentData());
    settings.setValue(kIntoFolderKey, dlg.WritesIntoFolder());
    settings.setValue(kOutputFolderKey, dlg.OutputFolderText());
    settings.setValue(kSimdLevelKey, dlg.m_simdLevel);
    StoreWindowSize(settings, kWindowSizeKey, dlg);
}
