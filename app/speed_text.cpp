#include "app/speed_text.h"

#include <QCoreApplication>

namespace {
constexpr double kPercent = 0.01;
}

QString SpeedLabelText(int position) {
    // The factor is formatted in the C locale, so the decimal mark is always a point.
    return QCoreApplication::translate("SpeedText", "%1倍")
        .arg(QString::asprintf("%3.2f", position * kPercent));
}
