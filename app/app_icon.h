#pragma once
// The application's icon: title bar, task bar, About box and the menu button.

#include <QIcon>

// The sizes drawn for the icon theme, compiled into the program as resources.
inline constexpr int kApplicationIconSizes[] = {16, 24, 32, 48, 64, 128, 256};

// The resource path of the icon drawn at `size` pixels square.
QString ApplicationIconPath(int size);

QIcon ApplicationIcon();
