#include "app/about_dlg.h"

#include <QGridLayout>
#include <QLabel>
#include <QPushButton>

#include "app/app_icon.h"
#include "app/app_version.h"
#include "app/dialog_units.h"

namespace {

constexpr int kIconUnits = 20;
constexpr int kOkWidthUnits = 50;

QLabel* TextLine(const QString& text, const QString& name, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    label->setTextFormat(Qt::PlainText);
    return label;
}

}  // namespace

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent) {
    setWindowTitle(tr("バージョン情報 ZEL"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    const DialogUnits units(font());

    auto* icon = new QLabel(this);
    const int iconSide = std::max(units.Y(kIconUnits), 32);
    icon->setPixmap(ApplicationIcon().pixmap(iconSide, iconSide));
    icon->setAlignment(Qt::AlignTop | Qt::AlignHCenter);

    auto* ok = new QPushButton(tr("OK"), this);
    ok->setObjectName(QStringLiteral("okButton"));
    ok->setDefault(true);
    ok->setMinimumWidth(units.X(kOkWidthUnits));
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    auto* grid = new QGridLayout(this);
    grid->addWidget(icon, 0, 0, 3, 1);
    // The same version as `--version` prints, so a report names one build.
    grid->addWidget(TextLine(tr("ZEL バージョン %1").arg(QString::fromUtf8(kZelVersion)),
                             QStringLiteral("versionLabel"), this),
                    0, 1);
    grid->addWidget(TextLine(tr("音声ファイルのサンプリング周波数一括変換ツール"),
                             QStringLiteral("descriptionLabel"), this),
                    1, 1);
    grid->addWidget(TextLine(tr("Copyright © 2026 ZEL 開発者"),
                             QStringLiteral("copyrightLabel"), this),
                    2, 1);
    grid->addWidget(ok, 3, 1, Qt::AlignRight);
    grid->setHorizontalSpacing(units.X(8));
    grid->setSizeConstraint(QLayout::SetFixedSize);
}
