#include "app/remembered_size.h"

#include <QGuiApplication>
#include <QScreen>
#include <QSettings>
#include <QWidget>

namespace {

const QString kScreenKeySuffix = QStringLiteral("Screen");

}  // namespace

QSize SizeToRestore(const SavedSize& saved, const QSize& natural, const QSize& screenNow) {
    if (!saved.size.isValid()) return natural;
    if (saved.screen.isValid() && saved.screen == screenNow) return saved.size;
    return saved.size.expandedTo(natural);
}

QSize AvailableScreenArea(const QWidget& window) {
    const QScreen* screen = window.screen();
    if (screen == nullptr) screen = QGuiApplication::primaryScreen();
    return screen != nullptr ? screen->availableGeometry().size() : QSize();
}

void StoreWindowSize(QSettings& settings, const QString& key, const QWidget& window) {
    settings.setValue(key, window.size());
    settings.setValue(key + kScreenKeySuffix, AvailableScreenArea(window));
}

void RestoreWindowSize(const QSettings& settings, const QString& key, QWidget& window) {
    const SavedSize saved{settings.value(key).toSize(),
                          settings.value(key + kScreenKeySuffix).toSize()};
    if (!saved.size.isValid()) return;
    window.resize(SizeToRestore(saved, window.sizeHint(), AvailableScreenArea(window)));
}
