#pragma once
// Window and dialog sizes remembered between runs, each with the available area of the
// screen it was saved on. Qt measures both in device-independent pixels, which a scale
// factor divides: a window that filled a 1280x1024 screen at QT_SCALE_FACTOR=2 is saved as
// 638x486, and restored as such on the same screen at scale 1 it would show three rows.
// So a size is restored as saved only on a screen of the same area; elsewhere it is never
// smaller than the window's natural size, and the screen fit (screen_fit.h) bounds it.

#include <QSize>
#include <QString>

class QSettings;
class QWidget;

struct SavedSize {
    QSize size;
    // The available area of the screen it was saved on; invalid when the setting predates
    // this record.
    QSize screen;
};

// What a window whose natural size is `natural` opens with on a screen of available area
// `screenNow`: the saved size where it was saved, else at least the natural size.
QSize SizeToRestore(const SavedSize& saved, const QSize& natural, const QSize& screenNow);

// The available area of the screen `window` is on (the primary one before it is shown).
QSize AvailableScreenArea(const QWidget& window);

// `key` holds the size; `key` + "Screen" the screen's area.
void StoreWindowSize(QSettings& settings, const QString& key, const QWidget& window);
// Resizes `window` to what SizeToRestore gives, `natural` being its size hint; nothing
// when no size was saved.
void RestoreWindowSize(const QSettings& settings, const QString& key, QWidget& window);
