#pragma once
// The dialog layouts are measured in dialog units: a quarter of the font's average
// character width horizontally, an eighth of its height vertically. Converting them with
// the dialog's actual font keeps the proportions of the arrangement in any font.

#include <QFont>

class DialogUnits {
public:
    explicit DialogUnits(const QFont& font);

    int X(int units) const;
    int Y(int units) const;

private:
    double m_pixelsPerUnitX;
    double m_pixelsPerUnitY;
};
