#pragma once
// The CPU information dialog: the processor's brand text and a choice among the builds of
// the conversion routine that the processor can run. The caller hands in the current
// level in m_simdLevel and reads the chosen one back from it after the dialog has closed;
// every way of closing keeps the selection.

#include <QDialog>
#include <array>

#include "cpu/cpu_features.h"

class QAbstractButton;
class QButtonGroup;
class QLabel;
class QPushButton;

class CCPUInfoDlg : public QDialog {
    Q_OBJECT

public:
    // The selectable builds: "使用しない", "SSE", "SSE2", "SSE3", "SSE4.1".
    static constexpr int kLevelCount = 5;

    explicit CCPUInfoDlg(QWidget* parent = nullptr,
                         const zel::CpuidSource& cpuid = zel::ProcessorCpuid());

    // In: the level shown as selected. Out: the level chosen (-1 if none is checked).
    zel::SimdLevel m_simdLevel = 0;
    // The index of the checked button, which is the level it stands for.
    std::int32_t m_selection = 0;

    QAbstractButton* LevelButton(int level) const { return m_levelButtons[level]; }
    QLabel* BrandLabel() const { return m_brandLabel; }
    QPushButton* CloseButton() const { return m_closeButton; }

    // Every way of closing (button, Esc, Enter, the close box) ends here.
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void CreateControls();
    void OnInitDialog();
    void EnableSupportedLevels(zel::CpuFeatureLevel features);
    // Towards the controls when `save` is false, from them when it is true.
    void DoDataExchange(bool save);

    const zel::CpuidSource& m_cpuid;
    bool m_initialised = false;
    QLabel* m_brandLabel = nullptr;
    QButtonGroup* m_levelGroup = nullptr;
    std::array<QAbstractButton*, kLevelCount> m_levelButtons{};
    QPushButton* m_closeButton = nullptr;
};
