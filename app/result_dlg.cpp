#include "app/result_dlg.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QScrollBar>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "app/elided_text_tip_delegate.h"
#include "app/ui_translations.h"
#include "texts/message_catalogue.h"

namespace {

// Rows the list shows before it scrolls.
constexpr int kVisibleRows = 12;

}  // namespace

CResultDlg::CResultDlg(QWidget* parent) : QDialog(parent) {
    setWindowTitle(tr("実行結果"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    CreateControls();
}

void CResultDlg::CreateControls() {
    m_closeButton = new QPushButton(tr("閉じる(&X)"), this);
    m_closeButton->setObjectName(QStringLiteral("closeButton"));
    connect(m_closeButton, &QPushButton::clicked, this, &CResultDlg::reject);

    m_list = new QTreeWidget(this);
    m_list->setObjectName(QStringLiteral("resultList"));
    m_list->setColumnCount(2);
    m_list->setHeaderLabels({tr("ファイル名"), tr("メッセージ")});
    m_list->setColumnWidth(0, kFileNameColumnWidth);
    m_list->setColumnWidth(1, kMessageColumnWidth);
    m_list->setRootIsDecorated(false);
    m_list->setUniformRowHeights(true);
    m_list->setSortingEnabled(false);
    m_list->header()->setSectionsClickable(false);
    m_list->header()->setStretchLastSection(false);
    m_list->setTextElideMode(Qt::ElideRight);
    m_list->setItemDelegate(new ElidedTextTipDelegate(m_list));
    // Both columns in view at once.
    const int width = 2 * m_list->frameWidth() + kFileNameColumnWidth + kMessageColumnWidth +
                      m_list->verticalScrollBar()->sizeHint().width();
    const int height = m_list->header()->sizeHint().height() + 2 * m_list->frameWidth() +
                       kVisibleRows * (m_list->fontMetrics().height() + 4);
    m_list->setMinimumSize(width, height);

    auto* buttonRow = new QHBoxLayout;
    buttonRow->addStretch();
    buttonRow->addWidget(m_closeButton);
    buttonRow->addStretch();

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_list);
    layout->addLayout(buttonRow);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    setTabOrder(m_closeButton, m_list);
    m_closeButton->setFocus();
}

void CResultDlg::AddRow(const QString& fileName, const zel::ConversionOutcome& outcome) {
    // Owned by the list from the start.
    auto* item = new QTreeWidgetItem(m_list, QStringList{fileName, MessageFor(outcome)});
    item->setData(0, Qt::UserRole, QVariant::fromValue(m_fileCount));
    m_fileNames << fileName;
    m_results.push_back(outcome.code);
    m_details.push_back(outcome.detail);
    ++m_fileCount;
}

QString CResultDlg::MessageFor(const zel::ConversionOutcome& outcome) {
    return QString::fromStdString(zel::texts::OutcomeText(outcome, InstalledUiLanguage()));
}
