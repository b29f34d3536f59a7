#include "widgets/Thermometer.h"

#include "widgets/FittedText.h"

#include <QLocale>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>

TThermometer::TThermometer(QWidget* parent) : QWidget(parent) {}

void TThermometer::SetRange(double minimum, double maximum) {
    Min = minimum;
    Max = maximum > minimum ? maximum : minimum + 1;
    update();
}

void TThermometer::SetName(const QString& name) {
    NameText = name;
    updateGeometry();
    update();
}

int TThermometer::NameWidth() const {
    QFont text = font();
    text.setPixelSize(13);
    text.setBold(true);
    return QFontMetrics(text).horizontalAdvance(NameText.trimmed()) + 8;
}

void TThermometer::SetValue(double value) {
    if (!std::isfinite(value) || value == CurrentValue) return;
    CurrentValue = value;
    update();
}

void TThermometer::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    const double w = width(), h = height();
    QFont text = font();
    text.setPixelSize(std::clamp(int(h / 13), 9, 13));
    const double line = text.pixelSize() * 1.35;

    QLinearGradient back(0, 0, w, 0);
    back.setColorAt(0, QColor(0xe6, 0xe8, 0xec));
    back.setColorAt(1, QColor(0xc4, 0xc8, 0xcf));
    p.setPen(QPen(QColor(0x70, 0x74, 0x7a), 1));
    p.setBrush(back);
    p.drawRoundedRect(QRectF(0.5, 0.5, w - 1, h - 1), 5, 5);

    text.setBold(true);
    p.setFont(text);
    p.setPen(QColor(0x20, 0x20, 0x30));
    const QString value = QLocale().toString(CurrentValue, 'f', 1);
    p.drawText(QRectF(2, h - line - 2, w - 4, line), Qt::AlignCenter, value);
    const QFont nameFont = FittedFont(text, NameText.trimmed(), w - 6);
    p.setFont(nameFont);
    p.drawText(QRectF(2, 2, w - 4, line), Qt::AlignCenter, FittedText(nameFont, NameText.trimmed(), w - 6));
    p.setFont(text);

    const double bulbR = std::max(5.0, std::min(w * 0.12, h * 0.07));
    const double tubeW = bulbR * 0.95;
    const double tubeX = w * 0.38;
    const double top = line + 8;
    const double bulbY = h - line - 6 - bulbR;
    const double scaleTop = top + tubeW / 2 + 2;
    const double scaleBottom = bulbY - bulbR - 2;
    auto yOf = [&](double v) {
        const double f = std::clamp((v - Min) / (Max - Min), 0.0, 1.0);
        return scaleBottom - f * (scaleBottom - scaleTop);
    };

    // Glass.
    QPainterPath glass;
    glass.addRoundedRect(QRectF(tubeX - tubeW / 2 - 2, top - 2, tubeW + 4, bulbY - top + 2), tubeW / 2 + 2,
                         tubeW / 2 + 2);
    glass.addEllipse(QPointF(tubeX, bulbY), bulbR + 2, bulbR + 2);
    glass.setFillRule(Qt::WindingFill);
    p.setPen(QPen(QColor(0x60, 0x60, 0x68), 1));
    p.setBrush(QColor(0xfa, 0xfa, 0xfa));
    p.drawPath(glass.simplified());

    // Mercury.
    QLinearGradient red(tubeX - tubeW / 2, 0, tubeX + tubeW / 2, 0);
    red.setColorAt(0, QColor(0xff, 0x60, 0x50));
    red.setColorAt(0.5, QColor(0xd0, 0x10, 0x10));
    red.setColorAt(1, QColor(0x90, 0x00, 0x00));
    p.setPen(Qt::NoPen);
    p.setBrush(red);
    const double columnTop = yOf(CurrentValue);
    p.drawRect(QRectF(tubeX - tubeW / 2 + 1, columnTop, tubeW - 2, bulbY - columnTop));
    QRadialGradient bulb(QPointF(tubeX - bulbR * 0.3, bulbY - bulbR * 0.3), bulbR);
    bulb.setColorAt(0, QColor(0xff, 0x80, 0x70));
    bulb.setColorAt(1, QColor(0xb0, 0x00, 0x00));
    p.setBrush(bulb);
    p.drawEllipse(QPointF(tubeX, bulbY), bulbR, bulbR);

    // Scale on the right of the tube: a number every 20 units and a tick every 5.
    QFont numbers = font();
    numbers.setPixelSize(std::clamp(int(h / 15), 8, 11));
    p.setFont(numbers);
    const double span = Max - Min;
    const double major = span > 150 ? 50 : (span > 40 ? 20 : 10);
    const double minor = major / 4;
    const QLocale locale;
    for (double v = std::ceil(Min / minor) * minor; v <= Max + 1e-9; v += minor) {
        const double y = yOf(v);
        const bool isMajor = std::fmod(std::abs(v), major) < 1e-9;
        const double x0 = tubeX + tubeW / 2 + 4;
        p.setPen(QPen(QColor(0x20, 0x20, 0x20), isMajor ? 1.4 : 0.8));
        p.drawLine(QPointF(x0, y), QPointF(x0 + (isMajor ? 7 : 4), y));
        if (isMajor)
            p.drawText(QRectF(x0 + 9, y - 8, w - x0 - 10, 16), Qt::AlignLeft | Qt::AlignVCenter,
                       locale.toString(v, 'f', 0));
    }
}
