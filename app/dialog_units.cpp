#include "app/dialog_units.h"

#include <QFontMetricsF>
#include <cmath>

namespace {

// The average character width is taken over the Latin letters.
const QString kAverageSample =
    QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
constexpr double kUnitsPerCharWidth = 4.0;
constexpr double kUnitsPerCharHeight = 8.0;

}  // namespace

DialogUnits::DialogUnits(const QFont& font) {
    const QFontMetricsF metrics(font);
    const double averageWidth = metrics.horizontalAdvance(kAverageSample) / kAverageSample.size();
    m_pixelsPerUnitX = averageWidth / kUnitsPerCharWidth;
    m_pixelsPerUnitY = metrics.height() / kUnitsPerCharHeight;
}

int DialogUnits::X(int units) const {
    return static_cast<int>(std::lround(units * m_pixelsPerUnitX));
}

int DialogUnits::Y(int units) const {
    return static_cast<int>(std::lround(units * m_pixelsPerUnitY));
}
