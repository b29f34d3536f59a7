#include "widgets/Lamp.h"

#include <QEvent>
#include <QPainter>
#include <QRadialGradient>
#include <algorithm>

TLamp::TLamp(QWidget* parent) : QWidget(parent) {
    // 2 Hz: bright for a quarter of a second, dark for the next.
    Blinker.setInterval(250);
    connect(&Blinker, &QTimer::timeout, this, [this] {
        BrightPhase = !BrightPhase;
        update();
    });
}

void TLamp::SetColour(const QColor& colour) {
    LitColour = colour;
    update();
}

void TLamp::SetText(const QString& text) {
    Letter = text;
    update();
}

void TLamp::SetLit(bool lit) {
    if (lit == IsLit) return;
    IsLit = lit;
    update();
}

void TLamp::SetFlashing(bool flashing) {
    if (flashing == Blinker.isActive()) return;
    BrightPhase = true;
    if (flashing)
        Blinker.start();
    else
        Blinker.stop();
    update();
}

void TLamp::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::EnabledChange) update();
}

void TLamp::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    const double d = std::min(width(), height()) - 2.0;
    const QRectF rim((width() - d) / 2, (height() - d) / 2, d, d);
    const QPointF c = rim.center();

    QLinearGradient bezel(rim.topLeft(), rim.bottomLeft());
    bezel.setColorAt(0, QColor(0x50, 0x50, 0x50));
    bezel.setColorAt(1, QColor(0xd0, 0xd0, 0xd0));
    p.setPen(Qt::NoPen);
    p.setBrush(bezel);
    p.drawEllipse(rim);

    const bool light = ShowsLight() && isEnabled();
    QColor base = light ? LitColour : QColor(0x80, 0x80, 0x80);
    if (!isEnabled()) base = QColor(0x48, 0x48, 0x48);
    const QRectF glass = rim.adjusted(d * 0.1, d * 0.1, -d * 0.1, -d * 0.1);
    QRadialGradient g(c, glass.width() / 2, c - QPointF(glass.width() * 0.18, glass.height() * 0.2));
    g.setColorAt(0, light ? base.lighter(170) : base.lighter(130));
    g.setColorAt(1, light ? base : base.darker(160));
    p.setBrush(g);
    p.drawEllipse(glass);

    if (!Letter.isEmpty()) {
        QFont f = font();
        f.setBold(true);
        f.setPixelSize(std::max(7, int(glass.height() * 0.62)));
        p.setFont(f);
        p.setPen(light ? QColor(0x30, 0x30, 0x00) : QColor(0x30, 0x30, 0x30));
        p.drawText(glass, Qt::AlignCenter, Letter);
    }
}
