#pragma once
// Dialog units: the font-relative measure the windows' layouts are designed in. One horizontal
// unit is a quarter of the font's average character width, one vertical unit an eighth of its
// character height, so a layout grows with the font.

#include <QFont>
#include <QRect>
#include <QSize>

class DialogUnits {
public:
    // Takes the measures of `font`; by default the application font.
    DialogUnits();
    explicit DialogUnits(const QFont& font);

    // Average character width: the width of the 52 letters A-Z and a-z over 52, rounded.
    int BaseWidth() const { return m_baseWidth; }
    // Character height: the font's ascent plus descent.
    int BaseHeight() const { return m_baseHeight; }

    // Dialog units to pixels, rounded to the nearest pixel (halves away from zero).
    int X(int units) const;
    int Y(int units) const;
    QSize Size(int width, int height) const;
    QRect Rect(int x, int y, int width, int height) const;

private:
    int m_baseWidth;
    int m_baseHeight;
};
