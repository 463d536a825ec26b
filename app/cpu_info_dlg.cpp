#include "app/cpu_info_dlg.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace {

// Translated when the buttons are made; the instruction-set names are the same in every
// language.
const char* const kLevelCaptions[CCPUInfoDlg::kLevelCount] = {
    QT_TRANSLATE_NOOP("CCPUInfoDlg", "使用しない"), "SSE", "SSE2", "SSE3", "SSE4.1", "AVX2",
    "AVX-512"};
// Where each button sits in the group: three columns, filled row by row.
constexpr int kLevelRow[CCPUInfoDlg::kLevelCount] = {0, 0, 0, 1, 1, 1, 2};
constexpr int kLevelColumn[CCPUInfoDlg::kLevelCount] = {0, 1, 2, 0, 1, 2, 0};

}  // namespace

CCPUInfoDlg::CCPUInfoDlg(zel::SimdLevel simdLevel, const zel::CpuidSource& cpuid, QWidget* parent)
    : QDialog(parent), m_simdLevel(simdLevel) {
    setWindowTitle(tr("CPU情報"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    CreateControls();
    ShowBrand(cpuid);
    EnableSupportedLevels(zel::DetectCpuFeatures(cpuid, nullptr));
    CheckLevel(m_simdLevel);
    m_closeButton->setFocus();
}

void CCPUInfoDlg::CreateControls() {
    // Made in tab order: close button, brand text, radio group.
    m_closeButton = new QPushButton(tr("閉じる(&X)"), this);
    m_closeButton->setObjectName(QStringLiteral("closeButton"));
    m_closeButton->setDefault(true);
    connect(m_closeButton, &QPushButton::clicked, this, &CCPUInfoDlg::reject);

    m_brandLabel = new QLabel(this);
    m_brandLabel->setObjectName(QStringLiteral("brandLabel"));
    m_brandLabel->setTextFormat(Qt::PlainText);

    auto* group = new QGroupBox(tr("命令セット"), this);
    auto* grid = new QGridLayout(group);
    m_levelGroup = new QButtonGroup(this);
    for (int level = 0; level < kLevelCount; ++level) {
        auto* button = new QRadioButton(tr(kLevelCaptions[level]), group);
        button->setObjectName(QStringLiteral("level%1").arg(level));
        m_levelGroup->addButton(button, level);
        m_levelButtons[level] = button;
        grid->addWidget(button, kLevelRow[level], kLevelColumn[level]);
    }
    grid->setColumnStretch(3, 1);

    auto* buttonRow = new QHBoxLayout;
    buttonRow->addStretch();
    buttonRow->addWidget(m_closeButton);
    buttonRow->addStretch();

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_brandLabel);
    layout->addWidget(group);
    layout->addLayout(buttonRow);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    setTabOrder(m_closeButton, m_levelButtons[0]);
    for (int level = 1; level < kLevelCount; ++level)
        setTabOrder(m_levelButtons[level - 1], m_levelButtons[level]);
}

void CCPUInfoDlg::ShowBrand(const zel::CpuidSource& cpuid) {
    const QString brand = QString::fromLocal8Bit(zel::ProcessorBrandText(cpuid));
    m_brandLabel->setText(brand.isEmpty() ? tr("不明なプロセッサ") : brand);
}

void CCPUInfoDlg::EnableSupportedLevels(zel::CpuFeatureLevel features) {
    const zel::SimdLevel highest = zel::MaxSimdLevel(features);
    for (int level = 0; level < kLevelCount; ++level)
        m_levelButtons[level]->setEnabled(level <= highest);
}

void CCPUInfoDlg::CheckLevel(zel::SimdLevel level) {
    // An exclusive group cannot be emptied, so the check is cleared with exclusivity off.
    m_levelGroup->setExclusive(false);
    for (int button = 0; button < kLevelCount; ++button)
        m_levelButtons[button]->setChecked(button == level);
    m_levelGroup->setExclusive(true);
}

void CCPUInfoDlg::reject() {
    m_simdLevel = m_levelGroup->checkedId();
    QDialog::reject();
}
