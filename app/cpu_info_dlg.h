#pragma once
// The CPU information dialog: the processor's brand text and a choice among the builds of
// the conversion routine that the processor can run. The caller hands in the current
// level and reads the chosen one back from m_simdLevel after the dialog has closed; every
// way of closing keeps the selection.

#include <QDialog>
#include <array>

#include "cpu/cpu_features.h"
#include "engine/resample/builds/conversion_builds.h"

class QAbstractButton;
class QButtonGroup;
class QLabel;
class QPushButton;

class CCPUInfoDlg : public QDialog {
    Q_OBJECT

  public:
    // The selectable builds: "使用しない", "SSE", "SSE2", "SSE3", "SSE4.1".
    static constexpr int kLevelCount = 7;

    // `simdLevel` is shown selected; the processor is asked afresh at each opening.
    explicit CCPUInfoDlg(zel::SimdLevel simdLevel,
                         const zel::CpuidSource& cpuid = zel::ProcessorCpuid(),
                         QWidget* parent = nullptr);

    // The level chosen, once closed (-1 if none is checked); until then the one handed in.
    zel::SimdLevel m_simdLevel;

    QAbstractButton* LevelButton(int level) const { return m_levelButtons[level]; }
    QLabel* BrandLabel() const { return m_brandLabel; }
    QPushButton* CloseButton() const { return m_closeButton; }

    // Every way of closing (button, Esc, Enter, the close box) ends here.
    void reject() override;

  private:
    void CreateControls();
    void ShowBrand(const zel::CpuidSource& cpuid);
    void EnableSupportedLevels(zel::CpuFeatureLevel features);
    // Checks the button of `level`; a level without a button leaves none checked.
    void CheckLevel(zel::SimdLevel level);

    QLabel* m_brandLabel = nullptr;
    QButtonGroup* m_levelGroup = nullptr;
    std::array<QAbstractButton*, kLevelCount> m_levelButtons{};
    QPushButton* m_closeButton = nullptr;
};
