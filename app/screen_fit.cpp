#include "app/screen_fit.h"

#include <QGuiApplication>
#include <QRect>
#include <QScreen>
#include <QStyle>
#include <QWidget>
#include <algorithm>

namespace {

// The frame is not known before the window manager has decorated the window; this much
// room is kept for a title bar and borders.
QSize FrameAllowance(const QWidget& window) {
    const int title = window.style()->pixelMetric(QStyle::PM_TitleBarHeight);
    const int border = window.style()->pixelMetric(QStyle::PM_DefaultFrameWidth);
    return {2 * border, title + 2 * border};
}

// Where the client area sits within that room: below the title bar, inside the border.
QPoint ClientOffset(const QWidget& window) {
    const int title = window.style()->pixelMetric(QStyle::PM_TitleBarHeight);
    const int border = window.style()->pixelMetric(QStyle::PM_DefaultFrameWidth);
    return {border, title + border};
}

}  // namespace

void FitOnScreen(QWidget& window) {
    const QScreen* screen = window.screen();
    if (screen == nullptr) screen = QGuiApplication::primaryScreen();
    if (screen == nullptr) return;
    const QRect area = screen->availableGeometry();
    const QSize room = area.size() - FrameAllowance(window);
    const QSize wanted =
        window.isVisible() ? window.size() : window.sizeHint().expandedTo(window.size());
    const QSize fitted = wanted.boundedTo(room).expandedTo(window.minimumSize());
    if (fitted != window.size()) window.resize(fitted);

    const QSize frame = fitted + FrameAllowance(window);
    // Until the window manager has framed the window, its position places the client area
    // and the frame grows around it, up and to the left: the title bar would land above
    // the screen's top edge.
    const bool framed = window.frameGeometry() != window.geometry();
    const QPoint offset = framed ? QPoint() : ClientOffset(window);
    QPoint topLeft = window.pos() - offset;
    topLeft.setX(std::clamp(topLeft.x(), area.left(),
                            std::max(area.left(), area.right() + 1 - frame.width())));
    topLeft.setY(std::clamp(topLeft.y(), area.top(),
                            std::max(area.top(), area.bottom() + 1 - frame.height())));
    window.move(topLeft + offset);
}
