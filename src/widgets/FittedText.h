#pragma once

#include <QFont>
#include <QFontInfo>
#include <QFontMetricsF>
#include <QString>

// Texts painted on the meters come in every language and the meters cannot always grow: a text
// that does not fit is drawn smaller, down to a size still readable, and only then cut short
// with an ellipsis.
inline QFont FittedFont(QFont font, const QString& text, double width, int smallestPixels = 8) {
    int pixels = font.pixelSize() > 0 ? font.pixelSize() : QFontInfo(font).pixelSize();
    while (pixels > smallestPixels && QFontMetricsF(font).horizontalAdvance(text) > width)
        font.setPixelSize(--pixels);
    return font;
}

inline QString FittedText(const QFont& font, const QString& text, double width) {
    return QFontMetricsF(font).elidedText(text, Qt::ElideRight, width);
}
