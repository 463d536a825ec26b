#include "app/app_icon.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <cmath>
#include <numbers>

namespace {

constexpr int kIconSizes[] = {16, 24, 32, 48, 64, 128};
const QColor kBackground(0x1f, 0x5f, 0xa8);
const QColor kWave(0xff, 0xff, 0xff);
const QColor kResampledWave(0xff, 0xc8, 0x3c);

// A sine over one and a half periods across the square, sampled `points` times.
QPainterPath WavePath(double size, double phase, int points) {
    QPainterPath path;
    const double margin = size * 0.15;
    const double width = size - 2 * margin;
    const double amplitude = size * 0.22;
    for (int i = 0; i <= points; ++i) {
        const double t = static_cast<double>(i) / points;
        const QPointF point(margin + t * width,
                            size / 2 - amplitude * std::sin(3 * std::numbers::pi * t + phase));
        if (i == 0)
            path.moveTo(point);
        else
            path.lineTo(point);
    }
    return path;
}

QPixmap DrawIcon(int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(kBackground);
    painter.drawRoundedRect(QRectF(0, 0, size, size), size * 0.18, size * 0.18);
    painter.setBrush(Qt::NoBrush);
    // A smooth wave and, over it, the same wave at a coarser rate.
    painter.setPen(QPen(kWave, std::max(1.0, size / 16.0)));
    painter.drawPath(WavePath(size, 0.0, 48));
    painter.setPen(QPen(kResampledWave, std::max(1.0, size / 20.0)));
    painter.drawPath(WavePath(size, 0.0, 9));
    return pixmap;
}

}  // namespace

QIcon ApplicationIcon() {
    QIcon icon;
    for (int size : kIconSizes) icon.addPixmap(DrawIcon(size));
    return icon;
}
