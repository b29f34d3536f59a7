#include "app/ToolBarIcons.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QRadialGradient>

namespace {

// Every icon is drawn on a 32 x 32 grid and scaled to the pixmap.
constexpr double Grid = 32.0;

QColor Shade(const QColor& c, int factor) {
    return factor > 100 ? c.lighter(factor) : c.darker(200 - factor);
}

QLinearGradient VerticalGradient(double top, double bottom, const QColor& c) {
    QLinearGradient g(0, top, 0, bottom);
    g.setColorAt(0, c.lighter(135));
    g.setColorAt(1, c.darker(120));
    return g;
}

void DrawArrow(QPainter& p, QPointF from, QPointF to, const QColor& colour, double width) {
    const QLineF shaft(from, to);
    const QLineF unit = shaft.unitVector();
    const QPointF dir(unit.dx(), unit.dy());
    const QPointF normal(-dir.y(), dir.x());
    const double head = width * 2.1;
    const QPointF base = to - dir * head;
    QPainterPath arrow;
    arrow.moveTo(from + normal * (width / 2));
    arrow.lineTo(base + normal * (width / 2));
    arrow.lineTo(base + normal * (head * 0.75));
    arrow.lineTo(to);
    arrow.lineTo(base - normal * (head * 0.75));
    arrow.lineTo(base - normal * (width / 2));
    arrow.lineTo(from - normal * (width / 2));
    arrow.closeSubpath();
    p.setPen(QPen(colour.darker(160), 1.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    QLinearGradient g(from, to);
    g.setColorAt(0, colour.lighter(130));
    g.setColorAt(1, colour);
    p.setBrush(g);
    p.drawPath(arrow);
}

// The ECU: a dark control unit with its connector pins, as seen on the workshop bench.
void DrawEcu(QPainter& p, const QRectF& box) {
    p.setPen(QPen(QColor(0x30, 0x30, 0x38), 1.0));
    for (int i = 0; i < 5; ++i) {
        const double x = box.left() + 3 + i * (box.width() - 6) / 4.0;
        p.drawLine(QPointF(x, box.bottom()), QPointF(x, box.bottom() + 3));
        p.drawLine(QPointF(x, box.top()), QPointF(x, box.top() - 3));
    }
    QLinearGradient body(box.topLeft(), box.bottomLeft());
    body.setColorAt(0, QColor(0x6a, 0x70, 0x7c));
    body.setColorAt(1, QColor(0x2c, 0x30, 0x38));
    p.setBrush(body);
    p.setPen(QPen(QColor(0x20, 0x22, 0x28), 1.0));
    p.drawRoundedRect(box, 2, 2);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x40, 0xd0, 0x40));
    p.drawEllipse(QPointF(box.right() - 4, box.top() + 4), 1.6, 1.6);
    p.setBrush(QColor(0xa0, 0xa8, 0xb4));
    p.drawRect(QRectF(box.left() + 3, box.center().y() - 1, box.width() - 10, 2));
}

void DrawLoad(QPainter& p) {
    const QColor folder(0xe8, 0xb0, 0x30);
    QPainterPath back;
    back.moveTo(3, 8);
    back.lineTo(12, 8);
    back.lineTo(14, 10.5);
    back.lineTo(27, 10.5);
    back.lineTo(27, 27);
    back.lineTo(3, 27);
    back.closeSubpath();
    p.setPen(QPen(Shade(folder, 40), 1.0));
    p.setBrush(VerticalGradient(8, 27, Shade(folder, 85)));
    p.drawPath(back);
    // A sheet of paper sticking out of the folder.
    p.setBrush(QColor(0xfb, 0xfb, 0xf6));
    p.setPen(QPen(QColor(0x90, 0x90, 0x90), 0.8));
    p.drawRect(QRectF(7, 5, 16, 15));
    p.setPen(QPen(QColor(0x70, 0x90, 0xc0), 1.0));
    for (int i = 0; i < 4; ++i)
        p.drawLine(QPointF(9.5, 8.5 + i * 2.8), QPointF(20.5, 8.5 + i * 2.8));
    QPainterPath front;
    front.moveTo(5.5, 14);
    front.lineTo(30, 14);
    front.lineTo(27, 27);
    front.lineTo(2.5, 27);
    front.closeSubpath();
    p.setPen(QPen(Shade(folder, 40), 1.0));
    p.setBrush(VerticalGradient(14, 27, folder));
    p.drawPath(front);
}

void DrawSave(QPainter& p) {
    const QColor disk(0x2f, 0x5f, 0xb0);
    QPainterPath body;
    body.moveTo(4, 4);
    body.lineTo(24.5, 4);
    body.lineTo(28, 7.5);
    body.lineTo(28, 28);
    body.lineTo(4, 28);
    body.closeSubpath();
    p.setPen(QPen(disk.darker(170), 1.0));
    p.setBrush(VerticalGradient(4, 28, disk));
    p.drawPath(body);
    // Metal shutter with its slot.
    QLinearGradient metal(0, 4, 0, 13);
    metal.setColorAt(0, QColor(0xe8, 0xea, 0xee));
    metal.setColorAt(1, QColor(0xa8, 0xac, 0xb4));
    p.setBrush(metal);
    p.setPen(QPen(QColor(0x70, 0x74, 0x7c), 0.8));
    p.drawRect(QRectF(9, 4, 13, 9));
    p.setBrush(disk.darker(140));
    p.setPen(Qt::NoPen);
    p.drawRect(QRectF(17, 5.5, 3, 6));
    // Label.
    p.setBrush(QColor(0xfb, 0xfb, 0xf8));
    p.setPen(QPen(QColor(0x90, 0x90, 0x90), 0.6));
    p.drawRoundedRect(QRectF(7.5, 16, 17, 10), 1, 1);
    p.setPen(QPen(QColor(0xd0, 0x40, 0x30), 1.0));
    p.drawLine(QPointF(9.5, 19), QPointF(22.5, 19));
    p.setPen(QPen(QColor(0x90, 0x98, 0xa8), 0.9));
    p.drawLine(QPointF(9.5, 22), QPointF(22.5, 22));
}

void DrawUndo(QPainter& p) {
    const QColor colour(0x1e, 0x8a, 0x5a);
    QPainterPath arc;
    arc.moveTo(9, 13);
    arc.cubicTo(14, 6, 27, 7, 27, 17);
    arc.cubicTo(27, 24, 20, 28, 13, 26);
    QPainterPathStroker stroker;
    stroker.setWidth(4.5);
    stroker.setCapStyle(Qt::FlatCap);
    stroker.setJoinStyle(Qt::RoundJoin);
    const QPainterPath band = stroker.createStroke(arc);
    p.setPen(QPen(colour.darker(170), 1.0));
    p.setBrush(VerticalGradient(6, 28, colour));
    p.drawPath(band);
    QPainterPath head;
    head.moveTo(3, 8);
    head.lineTo(14, 18.5);
    head.lineTo(3.5, 21);
    head.closeSubpath();
    p.drawPath(head);
}

void DrawDisplay(QPainter& p) {
    // Monitor with a trace, the way the meters window draws its signals.
    p.setPen(QPen(QColor(0x30, 0x34, 0x3c), 1.0));
    QLinearGradient frame(0, 3, 0, 24);
    frame.setColorAt(0, QColor(0xb8, 0xbc, 0xc4));
    frame.setColorAt(1, QColor(0x70, 0x74, 0x7c));
    p.setBrush(frame);
    p.drawRoundedRect(QRectF(2, 3, 28, 21), 2, 2);
    p.setBrush(QColor(0x08, 0x28, 0x10));
    p.drawRect(QRectF(4.5, 5.5, 23, 16));
    p.setPen(QPen(QColor(0x20, 0x60, 0x28), 0.6));
    for (int i = 1; i < 4; ++i)
        p.drawLine(QPointF(4.5 + i * 23 / 4.0, 5.5), QPointF(4.5 + i * 23 / 4.0, 21.5));
    p.drawLine(QPointF(4.5, 13.5), QPointF(27.5, 13.5));
    QPainterPath trace;
    trace.moveTo(5, 16);
    trace.cubicTo(8, 6, 11, 6, 13, 13);
    trace.cubicTo(15, 20, 18, 20, 20, 12);
    trace.cubicTo(22, 6, 25, 8, 27, 11);
    p.setPen(QPen(QColor(0x40, 0xff, 0x40), 1.6, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    p.drawPath(trace);
    QPainterPath trace2;
    trace2.moveTo(5, 19);
    trace2.lineTo(12, 18);
    trace2.lineTo(19, 15.5);
    trace2.lineTo(27, 16.5);
    p.setPen(QPen(QColor(0xff, 0xe0, 0x40), 1.1, Qt::SolidLine, Qt::RoundCap));
    p.drawPath(trace2);
    // Stand.
    p.setPen(QPen(QColor(0x40, 0x44, 0x4c), 1.0));
    p.setBrush(QColor(0x80, 0x84, 0x8c));
    p.drawRect(QRectF(13, 24, 6, 3));
    p.drawRoundedRect(QRectF(8, 27, 16, 2.5), 1, 1);
}

void DrawUpload(QPainter& p) {
    DrawEcu(p, QRectF(4, 19, 24, 9));
    DrawArrow(p, QPointF(16, 19), QPointF(16, 2), QColor(0x20, 0xa0, 0x30), 5.0);
}

void DrawDownload(QPainter& p) {
    DrawEcu(p, QRectF(4, 19, 24, 9));
    DrawArrow(p, QPointF(16, 1.5), QPointF(16, 18.5), QColor(0xe0, 0x60, 0x10), 5.0);
}

void DrawBank(QPainter& p) {
    // Two injector banks side by side, numbered.
    const QColor colours[2] = {QColor(0x30, 0x70, 0xc8), QColor(0x30, 0xa0, 0xa0)};
    for (int i = 0; i < 2; ++i) {
        const QRectF r(3 + i * 14, 5, 12, 22);
        p.setPen(QPen(colours[i].darker(170), 1.0));
        QLinearGradient g(r.topLeft(), r.topRight());
        g.setColorAt(0, colours[i].lighter(140));
        g.setColorAt(1, colours[i].darker(115));
        p.setBrush(g);
        p.drawRoundedRect(r, 2.5, 2.5);
        QFont f;
        f.setPixelSize(12);
        f.setBold(true);
        p.setFont(f);
        p.setPen(Qt::white);
        p.drawText(r, Qt::AlignCenter, QString::number(i + 1));
    }
}

} // namespace

QPixmap DrawToolBarIcon(TToolBarIcon icon, int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    p.scale(size / Grid, size / Grid);
    switch (icon) {
    case TToolBarIcon::Load:
        DrawLoad(p);
        break;
    case TToolBarIcon::Save:
        DrawSave(p);
        break;
    case TToolBarIcon::Undo:
        DrawUndo(p);
        break;
    case TToolBarIcon::Display:
        DrawDisplay(p);
        break;
    case TToolBarIcon::Upload:
        DrawUpload(p);
        break;
    case TToolBarIcon::Download:
        DrawDownload(p);
        break;
    case TToolBarIcon::Bank:
        DrawBank(p);
        break;
    }
    return pixmap;
}

QIcon ToolBarIcon(TToolBarIcon icon) {
    QIcon result;
    for (int size : {32, 64})
        result.addPixmap(DrawToolBarIcon(icon, size));
    return result;
}
