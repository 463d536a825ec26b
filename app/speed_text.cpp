#include "app/speed_text.h"

namespace {
constexpr double kPercent = 0.01;
}

QString SpeedLabelText(int position) {
    // Formatted in the C locale, so the decimal mark is always a point.
    return QString::asprintf("%3.2f", position * kPercent) + QStringLiteral("倍");
}
