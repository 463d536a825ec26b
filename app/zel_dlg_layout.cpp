// The controls of the main window and their arrangement: the input group (three buttons
// and the subfolder choice over the list), the output group (suffix, frequency, speed,
// beside them the container, bits and dither, then quality, metadata, where outputs go)
// and the button row.

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QRegularExpressionValidator>
#include <QSlider>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>
#include <span>

#include "app/dialog_units.h"
#include "app/elided_label.h"
#include "app/input_file_list.h"
#include "app/zel_dlg.h"

namespace {

// The frequencies offered by the combo box, in this order; others can be typed.
const char* const kFrequencyEntries[] = {"8000",  "11025", "16000", "22050", "24000", "32000",
                                         "38000", "44100", "48000", "88200", "96000"};
// Exact ratios people convert between: film and video frame rates, NTSC's 1000/1001.
const char* const kSpeedEntries[] = {"25/24", "24/25", "1001/1000", "1000/1001"};

// Measures of the arrangement, in dialog units.
constexpr int kButtonWidth = 54;
constexpr int kListHeight = 108;
// The smallest list: a few rows of the names, which scroll sideways to the other columns.
constexpr int kMinimumListWidth = 180;
constexpr int kMinimumListHeight = 36;
// Between two controls that share a row.
constexpr int kLabelGap = 12;
constexpr int kSettingFieldWidth = 48;
constexpr int kSliderWidth = 100;
constexpr int kLabelColumnWidth = 54;
constexpr int kFolderFieldWidth = 120;
constexpr int kBrowseButtonWidth = 16;
// The output group's columns: labels, fields, a gap, labels and fields beside, the rest.
constexpr int kGridColumns = 6;

// A combo box item: its enumerator's code and its caption before translation.
struct CodedItem {
    std::int32_t code;
    const char* caption;
};

template <typename Enum>
constexpr std::int32_t CodeOf(Enum value) {
    return static_cast<std::int32_t>(value);
}

// The containers' own names, the same in every language; "same as input" comes first.
constexpr CodedItem kFormatItems[] = {
    {CodeOf(zel::OutputContainer::kWav), "WAV"},
    {CodeOf(zel::OutputContainer::kFlac), "FLAC"},
    {CodeOf(zel::OutputContainer::kAiff), "AIFF"},
    {CodeOf(zel::OutputContainer::kW64), "W64"},
    {CodeOf(zel::OutputContainer::kCaf), "CAF"},
    {CodeOf(zel::OutputContainer::kOgg), "Ogg Vorbis"},
    {CodeOf(zel::OutputContainer::kOpus), "Opus"},
    {CodeOf(zel::OutputContainer::kMp3), "MP3"},
};
constexpr CodedItem kBitsItems[] = {
    {CodeOf(zel::OutputDepth::kSame), QT_TRANSLATE_NOOP("CZELDlg", "入力と同じ")},
    {CodeOf(zel::OutputDepth::kInt8), QT_TRANSLATE_NOOP("CZELDlg", "8ビット")},
    {CodeOf(zel::OutputDepth::kInt16), QT_TRANSLATE_NOOP("CZELDlg", "16ビット")},
    {CodeOf(zel::OutputDepth::kInt24), QT_TRANSLATE_NOOP("CZELDlg", "24ビット")},
    {CodeOf(zel::OutputDepth::kInt32), QT_TRANSLATE_NOOP("CZELDlg", "32ビット")},
    {CodeOf(zel::OutputDepth::kFloat32), QT_TRANSLATE_NOOP("CZELDlg", "32ビット浮動小数点")},
    {CodeOf(zel::OutputDepth::kFloat64), QT_TRANSLATE_NOOP("CZELDlg", "64ビット浮動小数点")},
};
constexpr CodedItem kDitherItems[] = {
    {CodeOf(zel::DitherChoice::kAuto), QT_TRANSLATE_NOOP("CZELDlg", "自動")},
    {CodeOf(zel::DitherChoice::kNone), QT_TRANSLATE_NOOP("CZELDlg", "なし")},
    {CodeOf(zel::DitherChoice::kTpdf), QT_TRANSLATE_NOOP("CZELDlg", "TPDF")},
    {CodeOf(zel::DitherChoice::kShaped), QT_TRANSLATE_NOOP("CZELDlg", "ノイズシェーピング")},
};

QComboBox* MakeCodedCombo(const QString& name, QWidget* parent) {
    auto* combo = new QComboBox(parent);
    combo->setObjectName(name);
    // Wide enough for its longest item in either language.
    combo->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    return combo;
}

void AddTranslatedItems(QComboBox* combo, std::span<const CodedItem> items) {
    for (const CodedItem& item : items)
        combo->addItem(QCoreApplication::translate("CZELDlg", item.caption), item.code);
}

QPushButton* MakeButton(const QString& caption, const QString& name, int minimumWidth,
                        QWidget* parent) {
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(name);
    // Never narrower than its caption, however little room a small window leaves.
    button->setMinimumWidth(std::max(minimumWidth, button->sizeHint().width()));
    return button;
}

}  // namespace

void CZELDlg::CreateControls() {
    setWindowTitle(QStringLiteral("ZEL"));
    setWindowIcon(m_icon);
    // A window of its own (own task-bar entry) that can be resized and maximised; a long
    // list of deep paths needs the room.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinMaxButtonsHint |
                   Qt::WindowCloseButtonHint);

    // The list takes any growth; the settings and buttons keep their natural size.
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(CreateInputGroup(), 1);
    layout->addWidget(CreateOutputGroup());
    layout->addLayout(CreateButtonRow());
    CreateMenu();
    SetTabOrder();
}

QGroupBox* CZELDlg::CreateInputGroup() {
    const DialogUnits units(font());
    auto* group = new QGroupBox(tr("入力ファイル"), this);
    m_addFilesButton = MakeButton(tr("ファイル追加(&A)..."), QStringLiteral("addFilesButton"),
                                  units.X(kButtonWidth), group);
    m_folderButton = MakeButton(tr("フォルダ指定(&F)..."), QStringLiteral("folderButton"),
                                units.X(kButtonWidth), group);
    m_deleteAllButton = MakeButton(tr("全て削除(&D)"), QStringLiteral("deleteAllButton"),
                                   units.X(kButtonWidth), group);
    connect(m_addFilesButton, &QPushButton::clicked, this, &CZELDlg::OnAddFiles);
    connect(m_folderButton, &QPushButton::clicked, this, &CZELDlg::OnChooseFolder);
    connect(m_deleteAllButton, &QPushButton::clicked, this, &CZELDlg::OnDeleteAll);
    m_subfoldersCheck = new QCheckBox(tr("サブフォルダも含める"), group);
    m_subfoldersCheck->setObjectName(QStringLiteral("subfoldersCheck"));

    m_inputList = new InputFileList(group);
    m_inputList->setObjectName(QStringLiteral("inputList"));
    m_inputList->SetNaturalSize({m_inputList->WidthForColumns(), units.Y(kListHeight)});
    m_inputList->setMinimumSize(units.X(kMinimumListWidth), units.Y(kMinimumListHeight));

    // The count and total length sit at the end of the button row, which has room for them.
    m_listSummaryLabel = new ElidedLabel(group);
    m_listSummaryLabel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_listSummaryLabel->setObjectName(QStringLiteral("listSummaryLabel"));

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_addFilesButton);
    buttons->addWidget(m_folderButton);
    buttons->addWidget(m_subfoldersCheck);
    buttons->addWidget(m_deleteAllButton);
    buttons->addWidget(m_listSummaryLabel, 1);
    auto* column = new QVBoxLayout(group);
    column->addLayout(buttons);
    column->addWidget(m_inputList, 1);
    return group;
}

QGroupBox* CZELDlg::CreateOutputGroup() {
    const DialogUnits units(font());
    auto* group = new QGroupBox(tr("出力ファイル"), this);

    m_suffixEdit = new QLineEdit(group);
    m_suffixEdit->setObjectName(QStringLiteral("suffixEdit"));
    m_suffixEdit->setFixedWidth(units.X(kSettingFieldWidth));

    m_frequencyCombo = new QComboBox(group);
    m_frequencyCombo->setObjectName(QStringLiteral("frequencyCombo"));
    m_frequencyCombo->setEditable(true);
    // Enter runs Execute; it must not add the typed text to the list.
    m_frequencyCombo->setInsertPolicy(QComboBox::NoInsert);
    for (const char* entry : kFrequencyEntries) m_frequencyCombo->addItem(QString::fromUtf8(entry));
    m_frequencyCombo->addItem(KeepRateText());
    m_frequencyCombo->setMinimumWidth(units.X(kSettingFieldWidth));

    m_speedSlider = new QSlider(Qt::Horizontal, group);
    m_speedSlider->setObjectName(QStringLiteral("speedSlider"));
    m_speedSlider->setFixedWidth(units.X(kSliderWidth));

    m_speedLabel = new QLabel(group);
    m_speedLabel->setObjectName(QStringLiteral("speedLabel"));

    m_speedCombo = new QComboBox(group);
    m_speedCombo->setObjectName(QStringLiteral("speedCombo"));
    m_speedCombo->setEditable(true);
    m_speedCombo->setInsertPolicy(QComboBox::NoInsert);
    for (const char* entry : kSpeedEntries) m_speedCombo->addItem(QString::fromUtf8(entry));
    // A factor of up to four decimals, or a ratio of whole numbers.
    m_speedCombo->setValidator(new QRegularExpressionValidator(
        QRegularExpression(QStringLiteral(R"(\d{0,3}(\.\d{0,4})?|\d{1,7}/\d{0,7})")),
        m_speedCombo));
    m_speedCombo->setToolTip(tr("再生速度の倍率（0.5〜2、小数 4 桁まで）か、25/24 のような整数比"));
    m_speedCombo->setFixedWidth(units.X(kSettingFieldWidth));

    m_keepPitchCheck = new QCheckBox(tr("ピッチを保つ"), group);
    m_keepPitchCheck->setObjectName(QStringLiteral("keepPitchCheck"));
    m_keepPitchCheck->setToolTip(tr("速度を変えても音の高さを変えません（テンポだけが変わります）"));

    // Standard first, so a new window converts as before.
    m_qualityCombo = new QComboBox(group);
    m_qualityCombo->setObjectName(QStringLiteral("qualityCombo"));
    // Each item's tooltip gives its filter's figures, all as shares of the lower Nyquist
    // frequency.
    m_qualityCombo->addItem(tr("標準"));
    m_qualityCombo->setItemData(
        0,
        tr("ハミング窓 sinc、出力 1 サンプルあたり 51 タップ、低い方のナイキスト周波数で -6 dB、"
           "阻止域の減衰は約 53 dB。最も速い"),
        Qt::ToolTipRole);
    m_qualityCombo->addItem(tr("高品質"));
    m_qualityCombo->setItemData(1,
                                tr("等リプル FIR、通過域は低い方のナイキスト周波数の 0.90 倍まで、"
                                   "阻止域は 1.00 倍から -150 dB、136 タップ"),
                                Qt::ToolTipRole);
    m_qualityCombo->addItem(tr("最高品質"));
    m_qualityCombo->setItemData(
        2,
        tr("倍精度のカイザー窓 sinc、通過域は低い方のナイキスト周波数の 0.98 倍まで (±0.01 dB)、"
           "阻止域は 1.00 倍から -175 dB、FFT による 2 倍レートの約 2400 タップと 24 タップの 2 段。"
           "高品質より時間がかかります"),
        Qt::ToolTipRole);
    // The closed box tells all three, so the choice can be made without opening the list;
    // as paragraphs, which the tip wraps to fit a small screen.
    QString qualityTip;
    for (int i = 0; i < m_qualityCombo->count(); ++i)
        qualityTip += QStringLiteral("<p>%1: %2</p>")
                          .arg(m_qualityCombo->itemText(i).toHtmlEscaped(),
                               m_qualityCombo->itemData(i, Qt::ToolTipRole).toString().toHtmlEscaped());
    m_qualityCombo->setToolTip(qualityTip);

    m_stripMetadataCheck = new QCheckBox(tr("メタデータを削除"), group);
    m_stripMetadataCheck->setObjectName(QStringLiteral("stripMetadataCheck"));
    CreateSampleChoices(group);

    auto* grid = new QGridLayout(group);
    grid->setColumnMinimumWidth(0, units.X(kLabelColumnWidth));
    grid->addWidget(new QLabel(tr("サフィックス"), group), 0, 0);
    grid->addWidget(m_suffixEdit, 0, 1, Qt::AlignLeft);
    grid->addWidget(new QLabel(tr("サンプリング周波数"), group), 1, 0);
    grid->addWidget(m_frequencyCombo, 1, 1, Qt::AlignLeft);
    grid->addWidget(new QLabel(tr("再生速度"), group), 2, 0);
    grid->addWidget(m_speedLabel, 2, 1, Qt::AlignLeft);
    auto* speedRow = new QHBoxLayout;
    speedRow->addWidget(m_speedSlider);
    speedRow->addWidget(m_speedCombo);
    speedRow->addSpacing(units.X(kLabelGap));
    speedRow->addWidget(m_keepPitchCheck);
    grid->addLayout(speedRow, 3, 1, 1, kGridColumns - 1, Qt::AlignLeft);
    // The metadata choice shares the quality row: every row saved keeps the window on a
    // small screen at a large scale factor.
    auto* qualityRow = new QHBoxLayout;
    qualityRow->addWidget(m_qualityCombo);
    qualityRow->addSpacing(units.X(kLabelGap));
    qualityRow->addWidget(m_stripMetadataCheck);
    // What the output is written as sits beside the first three rows, which leave that room
    // free; the window grows no taller for it.
    grid->setColumnMinimumWidth(2, units.X(kLabelGap));
    grid->addWidget(new QLabel(tr("出力形式"), group), 0, 3);
    grid->addWidget(m_formatCombo, 0, 4, Qt::AlignLeft);
    grid->addWidget(new QLabel(tr("量子化ビット数"), group), 1, 3);
    grid->addWidget(m_bitsCombo, 1, 4, Qt::AlignLeft);
    grid->addWidget(new QLabel(tr("ディザ"), group), 2, 3);
    grid->addWidget(m_ditherCombo, 2, 4, Qt::AlignLeft);
    grid->addWidget(new QLabel(tr("品質"), group), 4, 0);
    grid->addLayout(qualityRow, 4, 1, 1, kGridColumns - 1, Qt::AlignLeft);
    // The level takes a row of its own: beside the others it would widen the window past
    // what a small screen at a large scale factor holds.
    grid->addWidget(new QLabel(tr("音量"), group), 5, 0);
    grid->addLayout(CreateLevelChoices(group), 5, 1, 1, kGridColumns - 1, Qt::AlignLeft);
    grid->addWidget(new QLabel(tr("出力先"), group), 6, 0, Qt::AlignTop);
    grid->addLayout(CreateOutputFolderRows(group), 6, 1, 1, kGridColumns - 1);
    grid->setColumnStretch(kGridColumns - 1, 1);
    return group;
}

void CZELDlg::CreateSampleChoices(QGroupBox* group) {
    // "Same as input" first everywhere and automatic dither, so a new window converts as
    // before.
    m_formatCombo = MakeCodedCombo(QStringLiteral("formatCombo"), group);
    m_formatCombo->addItem(tr("入力と同じ"), CodeOf(zel::OutputContainer::kSame));
    for (const CodedItem& item : kFormatItems)
        m_formatCombo->addItem(QString::fromUtf8(item.caption), item.code);
    m_bitsCombo = MakeCodedCombo(QStringLiteral("bitsCombo"), group);
    AddTranslatedItems(m_bitsCombo, kBitsItems);
    m_bitsCombo->setToolTip(tr("Ogg Vorbis、Opus、MP3 は浮動小数点で書き込まれます"));
    m_ditherCombo = MakeCodedCombo(QStringLiteral("ditherCombo"), group);
    AddTranslatedItems(m_ditherCombo, kDitherItems);
    // One width for the column, that of the widest list.
    const QComboBox* const column[] = {m_formatCombo, m_bitsCombo, m_ditherCombo};
    int width = 0;
    for (const QComboBox* combo : column) width = std::max(width, combo->sizeHint().width());
    for (QComboBox* combo : {m_formatCombo, m_bitsCombo, m_ditherCombo})
        combo->setMinimumWidth(width);
}

QLayout* CZELDlg::CreateOutputFolderRows(QGroupBox* group) {
    const DialogUnits units(font());
    // Beside each input is how outputs were always written, so it stays the default.
    m_besideInputRadio = new QRadioButton(tr("入力ファイルと同じフォルダ"), group);
    m_besideInputRadio->setObjectName(QStringLiteral("besideInputRadio"));
    m_besideInputRadio->setChecked(true);
    m_outputFolderRadio = new QRadioButton(tr("指定フォルダ"), group);
    m_outputFolderRadio->setObjectName(QStringLiteral("outputFolderRadio"));

    // Chosen or typed; Execute checks it and makes it when it does not exist yet.
    m_outputFolderEdit = new QLineEdit(group);
    m_outputFolderEdit->setObjectName(QStringLiteral("outputFolderEdit"));
    const QString folderRule =
        tr("フォルダから追加したファイルは、そのフォルダからの相対パスを保って出力します。\n"
           "個別に追加したファイルは、このフォルダの直下に出力します。\n"
           "存在しないフォルダは実行時に作成します。");
    m_outputFolderEdit->setToolTip(folderRule);
    m_outputFolderRadio->setToolTip(folderRule);
    m_outputFolderEdit->setMinimumWidth(units.X(kFolderFieldWidth));
    m_outputFolderButton = MakeButton(QStringLiteral("..."), QStringLiteral("outputFolderButton"),
                                      units.X(kBrowseButtonWidth), group);
    m_outputFolderButton->setFixedWidth(units.X(kBrowseButtonWidth));
    m_outputFolderButton->setToolTip(tr("出力先フォルダの選択"));
    connect(m_outputFolderButton, &QPushButton::clicked, this, &CZELDlg::OnChooseOutputFolder);

    auto* folderRow = new QHBoxLayout;
    folderRow->addWidget(m_outputFolderRadio);
    folderRow->addWidget(m_outputFolderEdit, 1);
    folderRow->addWidget(m_outputFolderButton);
    auto* rows = new QVBoxLayout;
    rows->addWidget(m_besideInputRadio);
    rows->addLayout(folderRow);
    return rows;
}

QLayout* CZELDlg::CreateButtonRow() {
    const DialogUnits units(font());
    m_executeButton =
        MakeButton(tr("実行(&E)"), QStringLiteral("executeButton"), units.X(kButtonWidth), this);
    m_executeButton->setDefault(true);
    m_exitButton =
        MakeButton(tr("終了(&X)"), QStringLiteral("exitButton"), units.X(kButtonWidth), this);
    connect(m_executeButton, &QPushButton::clicked, this, &CZELDlg::OnOK);
    connect(m_exitButton, &QPushButton::clicked, this, &CZELDlg::reject);

    m_menuButton = new QToolButton(this);
    m_menuButton->setObjectName(QStringLiteral("menuButton"));
    m_menuButton->setIcon(m_icon);
    m_menuButton->setToolTip(tr("メニュー"));
    m_menuButton->setPopupMode(QToolButton::InstantPopup);

    // The Execute and Exit pair stays centred: the menu button's column on the left is
    // balanced by an empty column of the same stretch on the right.
    auto* row = new QGridLayout;
    row->addWidget(m_menuButton, 0, 0, Qt::AlignLeft | Qt::AlignVCenter);
    auto* pair = new QHBoxLayout;
    pair->setSpacing(units.X(12));
    pair->addWidget(m_executeButton);
    pair->addWidget(m_exitButton);
    row->addLayout(pair, 0, 1);
    row->setColumnStretch(0, 1);
    row->setColumnStretch(2, 1);
    return row;
}

void CZELDlg::CreateMenu() {
    // The window manager's menu cannot be extended here, so the two entries live in the
    // menu button and in the window's context menu.
    m_aboutAction = new QAction(tr("バージョン情報 ZEL(&A)..."), this);
    m_aboutAction->setObjectName(QStringLiteral("aboutAction"));
    m_cpuInfoAction = new QAction(tr("CPU情報(&P)..."), this);
    m_cpuInfoAction->setObjectName(QStringLiteral("cpuInfoAction"));
    connect(m_aboutAction, &QAction::triggered, this, &CZELDlg::OnAbout);
    connect(m_cpuInfoAction, &QAction::triggered, this, &CZELDlg::OnCpuInfo);

    auto* menu = new QMenu(m_menuButton);
    menu->addAction(m_aboutAction);
    menu->addAction(m_cpuInfoAction);
    m_menuButton->setMenu(menu);

    addAction(m_aboutAction);
    addAction(m_cpuInfoAction);
    setContextMenuPolicy(Qt::ActionsContextMenu);
}

// A loudness target (the broadcast, podcast and streaming norms), automatic headroom, and
// whether their gain is one per album (a folder's files); all off in a new window, so it
// converts as before. The album choice waits for one of the gains it applies to.
QLayout* CZELDlg::CreateLevelChoices(QGroupBox* group) {
    m_loudnessCheck = new QCheckBox(tr("音量を揃える"), group);
    m_loudnessCheck->setObjectName(QStringLiteral("loudnessCheck"));
    m_loudnessCheck->setToolTip(
        tr("ファイルを一度読んで変換後のラウドネス (EBU R128) を測り、目標に合わせます。"
           "トゥルーピークは -1 dBTP を超えません"));
    m_loudnessCombo = new QComboBox(group);
    m_loudnessCombo->setObjectName(QStringLiteral("loudnessCombo"));
    // Each target's use in its tooltip, so the row stays narrow.
    m_loudnessCombo->addItem(QStringLiteral("-23 LUFS"), -23);
    m_loudnessCombo->setItemData(0, tr("放送 (EBU R128)"), Qt::ToolTipRole);
    m_loudnessCombo->addItem(QStringLiteral("-16 LUFS"), -16);
    m_loudnessCombo->setItemData(1, tr("ポッドキャスト"), Qt::ToolTipRole);
    m_loudnessCombo->addItem(QStringLiteral("-14 LUFS"), -14);
    m_loudnessCombo->setItemData(2, tr("音楽配信"), Qt::ToolTipRole);
    m_loudnessCombo->setEnabled(false);
    connect(m_loudnessCheck, &QCheckBox::toggled, m_loudnessCombo, &QWidget::setEnabled);
    m_headroomCheck = new QCheckBox(tr("クリップ防止"), group);
    m_headroomCheck->setObjectName(QStringLiteral("headroomCheck"));
    m_headroomCheck->setToolTip(
        tr("ファイルを一度読んで変換後のピークを測り、どのサンプルもクリップしない分だけ"
           "音量を下げます"));
    m_albumCheck = new QCheckBox(tr("アルバム単位"), group);
    m_albumCheck->setObjectName(QStringLiteral("albumCheck"));
    m_albumCheck->setToolTip(
        tr("同じフォルダのファイルを一枚のアルバムとして、全体を測ってから同じゲインをかけます。"
           "曲どうしの音量の差はそのまま残ります"));
    m_albumCheck->setEnabled(false);
    const auto enableAlbum = [this] {
        m_albumCheck->setEnabled(m_loudnessCheck->isChecked() || m_headroomCheck->isChecked());
    };
    connect(m_loudnessCheck, &QCheckBox::toggled, this, enableAlbum);
    connect(m_headroomCheck, &QCheckBox::toggled, this, enableAlbum);
    auto* row = new QHBoxLayout;
    row->addWidget(m_loudnessCheck);
    row->addWidget(m_loudnessCombo);
    row->addWidget(m_albumCheck);
    row->addWidget(m_headroomCheck);
    return row;
}

void CZELDlg::SetTabOrder() {
    QWidget* const order[] = {m_executeButton,      m_exitButton,        m_addFilesButton,
                              m_folderButton,       m_subfoldersCheck,   m_deleteAllButton,
                              m_inputList,          m_suffixEdit,        m_frequencyCombo,
                              m_speedSlider,        m_speedCombo,        m_keepPitchCheck,
                              m_formatCombo,        m_bitsCombo,
                              m_ditherCombo,        m_qualityCombo,      m_stripMetadataCheck,
                              m_loudnessCheck,      m_loudnessCombo,     m_albumCheck,
                              m_headroomCheck,
                              m_besideInputRadio,   m_outputFolderRadio, m_outputFolderEdit,
                              m_outputFolderButton, m_menuButton};
    for (std::size_t i = 1; i < std::size(order); ++i) setTabOrder(order[i - 1], order[i]);
}
