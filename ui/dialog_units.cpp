#include "ui/dialog_units.h"

#include <QFontMetrics>
#include <QGuiApplication>

namespace {

// value × numerator / denominator, rounded half away from zero.
int ScaleRounded(int value, int numerator, int denominator) {
    long long product = static_cast<long long>(value) * numerator;
    long long half = denominator / 2;
    return static_cast<int>(product >= 0 ? (product + half) / denominator
                                         : (product - half) / denominator);
}

}  // namespace

DialogUnits::DialogUnits() : DialogUnits(QGuiApplication::font()) {}

DialogUnits::DialogUnits(const QFont& font) {
    QFontMetrics metrics(font);
    int letters = metrics.horizontalAdvance(
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    // Rounds letters / 52 to the nearest whole pixel.
    m_baseWidth = (letters / 26 + 1) / 2;
    m_baseHeight = metrics.height();
}

int DialogUnits::X(int units) const { return ScaleRounded(units, m_baseWidth, 4); }

int DialogUnits::Y(int units) const { return ScaleRounded(units, m_baseHeight, 8); }

QSize DialogUnits::Size(int width, int height) const { return QSize(X(width), Y(height)); }

QRect DialogUnits::Rect(int x, int y, int width, int height) const {
    return QRect(X(x), Y(y), X(width), Y(height));
}
