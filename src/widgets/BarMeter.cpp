#include "widgets/BarMeter.h"

#include "widgets/FittedText.h"

#include <QLocale>
#include <QPainter>
#include <algorithm>
#include <cmath>

TBarMeter::TBarMeter(Qt::Orientation orientation, QWidget* parent) : QWidget(parent), Direction(orientation) {}

// A long name widens the meter instead of being cut or running into the value.
QSize TBarMeter::sizeHint() const {
    return Direction == Qt::Horizontal ? QSize(std::max(180, TextWidth()), 60) : QSize(std::max(70, TextWidth()), 150);
}

QSize TBarMeter::minimumSizeHint() const {
    return Direction == Qt::Horizontal ? QSize(std::max(90, TextWidth()), 44) : QSize(std::max(44, TextWidth()), 80);
}

int TBarMeter::TextWidth() const {
    QFont text = font();
    text.setPixelSize(13);
    text.setBold(true);
    const QFontMetrics metrics(text);
    const int name = metrics.horizontalAdvance(NameText.trimmed());
    if (Direction != Qt::Horizontal) return name + 8;
    const QString widest = QLocale().toString(-888.8, 'f', Decimals) + QStringLiteral(" ") + UnitText;
    return name + metrics.horizontalAdvance(widest) + 24;
}

void TBarMeter::SetRange(double minimum, double maximum) {
    Min = minimum;
    Max = maximum > minimum ? maximum : minimum + 1;
    update();
}

void TBarMeter::SetName(const QString& name) {
    NameText = name;
    updateGeometry();
    update();
}

void TBarMeter::SetUnit(const QString& unit) {
    UnitText = unit;
    updateGeometry();
    update();
}

void TBarMeter::SetBarColour(const QColor& colour) {
    BarColour = colour;
    update();
}

void TBarMeter::SetDecimals(int decimals) {
    Decimals = decimals;
    update();
}

void TBarMeter::SetValue(double value) {
    if (!std::isfinite(value) || value == CurrentValue) return;
    CurrentValue = value;
    update();
}

void TBarMeter::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    const double w = width(), h = height();
    const bool horizontal = Direction == Qt::Horizontal;

    QLinearGradient back(0, 0, horizontal ? 0 : w, horizontal ? h : 0);
    back.setColorAt(0, QColor(0xe6, 0xe8, 0xec));
    back.setColorAt(1, QColor(0xc4, 0xc8, 0xcf));
    p.setPen(QPen(QColor(0x70, 0x74, 0x7a), 1));
    p.setBrush(back);
    p.drawRoundedRect(QRectF(0.5, 0.5, w - 1, h - 1), 5, 5);

    QFont text = font();
    text.setPixelSize(std::clamp(int(std::min(w, h) / 5), 9, 13));
    text.setBold(true);
    const double line = text.pixelSize() * 1.35;
    const QString value = QLocale().toString(CurrentValue, 'f', Decimals) +
                          (UnitText.isEmpty() ? QString() : QStringLiteral(" ") + UnitText);
    QFont numbers = font();
    numbers.setPixelSize(std::clamp(int(std::min(w, h) / 6), 8, 11));
    const double f = std::clamp((CurrentValue - Min) / (Max - Min), 0.0, 1.0);
    const QLocale locale;
    const int intervals = 5;

    QRectF track;
    if (horizontal) {
        p.setFont(text);
        p.setPen(QColor(0x20, 0x20, 0x30));
        p.drawText(QRectF(6, 2, w - 12, line), Qt::AlignRight | Qt::AlignVCenter, value);
        // The name takes what the value leaves.
        const double room = w - 12 - QFontMetricsF(text).horizontalAdvance(value) - 8;
        const QFont nameFont = FittedFont(text, NameText.trimmed(), room);
        p.setFont(nameFont);
        p.drawText(QRectF(6, 2, room, line), Qt::AlignLeft | Qt::AlignVCenter,
                   FittedText(nameFont, NameText.trimmed(), room));
        track = QRectF(10, line + 4, w - 20, std::max(8.0, h - line - 4 - numbers.pixelSize() - 10));
    } else {
        p.setFont(text);
        p.setPen(QColor(0x20, 0x20, 0x30));
        p.drawText(QRectF(2, h - line - 2, w - 4, line), Qt::AlignCenter, value);
        const QFont nameFont = FittedFont(text, NameText.trimmed(), w - 6);
        p.setFont(nameFont);
        p.drawText(QRectF(2, 2, w - 4, line), Qt::AlignCenter, FittedText(nameFont, NameText.trimmed(), w - 6));
        const double tw = std::min(22.0, w * 0.3);
        track = QRectF(w * 0.3 - tw / 2, line + 8, tw, h - 2 * line - 16);
    }

    p.setPen(QPen(QColor(0x50, 0x50, 0x58), 1));
    p.setBrush(QColor(0x30, 0x32, 0x38));
    p.drawRoundedRect(track, 3, 3);
    QRectF fill = track.adjusted(2, 2, -2, -2);
    if (horizontal)
        fill.setWidth(fill.width() * f);
    else
        fill.setTop(fill.bottom() - fill.height() * f);
    QLinearGradient bar(fill.topLeft(), horizontal ? fill.bottomLeft() : fill.topRight());
    bar.setColorAt(0, BarColour.lighter(150));
    bar.setColorAt(0.5, BarColour);
    bar.setColorAt(1, BarColour.darker(140));
    p.setPen(Qt::NoPen);
    p.setBrush(bar);
    if (f > 0) p.drawRoundedRect(fill, 2, 2);

    p.setFont(numbers);
    p.setPen(QColor(0x20, 0x20, 0x20));
    for (int i = 0; i <= intervals; ++i) {
        const double v = Min + (Max - Min) * i / intervals;
        const QString label = locale.toString(v, 'f', 0);
        if (horizontal) {
            const double x = track.left() + track.width() * i / intervals;
            p.drawLine(QPointF(x, track.bottom() + 1), QPointF(x, track.bottom() + 4));
            p.drawText(QRectF(x - 20, track.bottom() + 3, 40, numbers.pixelSize() + 4), Qt::AlignCenter, label);
        } else {
            const double y = track.bottom() - track.height() * i / intervals;
            p.drawLine(QPointF(track.right() + 1, y), QPointF(track.right() + 4, y));
            p.drawText(QRectF(track.right() + 6, y - 8, w - track.right() - 7, 16), Qt::AlignLeft | Qt::AlignVCenter,
                       label);
        }
    }
}
