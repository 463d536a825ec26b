#include "app/app_icon.h"

// The resources live in a static library, whose registration the linker would otherwise
// drop; registering on first use keeps them in every program that shows the icon. Outside
// any namespace, as the registration function's declaration requires.
static void RegisterIconResources() {
    static const bool registered = [] {
        Q_INIT_RESOURCE(zel_icons);
        return true;
    }();
    (void)registered;
}

QString ApplicationIconPath(int size) { return QStringLiteral(":/icons/zel-%1.png").arg(size); }

QIcon ApplicationIcon() {
    RegisterIconResources();
    QIcon icon;
    for (int size : kApplicationIconSizes)
        icon.addFile(ApplicationIconPath(size), QSize(size, size));
    return icon;
}
