#pragma once
// The application's icon: title bar, task bar, About box and the menu button.

#include <QIcon>

QIcon ApplicationIcon();
