#include "widgets/RoundMeter.h"

#include "widgets/FittedText.h"

#include <QFontMetricsF>
#include <QLocale>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <algorithm>
#include <cmath>

namespace {

constexpr double Pi = 3.14159265358979323846;

QPointF Polar(QPointF centre, double radius, double degrees) {
    const double a = degrees * Pi / 180.0;
    return {centre.x() + radius * std::cos(a), centre.y() - radius * std::sin(a)};
}

struct TTextPiece {
    QString Text;
    QFont Font;
};

// Pieces of text in a row, the row centred on x, their tops at top; a row wider than width is
// drawn smaller, and the piece numbered cut shortened if that is not enough (a name, a unit;
// never a value).
void DrawRow(QPainter& p, double x, double top, std::vector<TTextPiece> pieces, double width, size_t cut = 0) {
    auto widthOf = [&pieces] {
        double sum = 0;
        for (const TTextPiece& piece : pieces)
            sum += QFontMetricsF(piece.Font).horizontalAdvance(piece.Text);
        return sum;
    };
    for (int step = 0; step < 8 && widthOf() > width; ++step)
        for (TTextPiece& piece : pieces) {
            const int pixels = piece.Font.pixelSize();
            if (pixels > 7) piece.Font.setPixelSize(pixels - 1);
        }
    if (const double over = widthOf() - width; over > 0 && cut < pieces.size()) {
        TTextPiece& piece = pieces[cut];
        const double own = QFontMetricsF(piece.Font).horizontalAdvance(piece.Text);
        piece.Text = FittedText(piece.Font, piece.Text, std::max(0.0, own - over));
    }
    double ascent = 0;
    for (const TTextPiece& piece : pieces)
        ascent = std::max(ascent, QFontMetricsF(piece.Font).ascent());
    double left = x - widthOf() / 2;
    for (const TTextPiece& piece : pieces) {
        p.setFont(piece.Font);
        p.drawText(QPointF(std::round(left), std::round(top + ascent)), piece.Text);
        left += QFontMetricsF(piece.Font).horizontalAdvance(piece.Text);
    }
}

} // namespace

TRoundMeter::TRoundMeter(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent, false);
}

void TRoundMeter::SetRange(double minimum, double maximum) {
    if (minimum == Min && maximum == Max) return;
    Min = minimum;
    Max = maximum > minimum ? maximum : minimum + 1;
    Invalidate();
}

void TRoundMeter::SetSweep(int degrees) {
    SweepDegrees = std::clamp(degrees, 60, 300);
    Invalidate();
}

void TRoundMeter::SetTicks(int majorIntervals, int minorTicks) {
    MajorIntervals = std::max(1, majorIntervals);
    MinorTicks = std::max(1, minorTicks);
    Invalidate();
}

void TRoundMeter::SetLabelDecimals(int decimals) {
    LabelDecimals = decimals;
    Invalidate();
}

void TRoundMeter::SetName(const QString& name) {
    if (name == NameText) return;
    NameText = name;
    Invalidate();
}

void TRoundMeter::SetUnit(const QString& unit) {
    if (unit == UnitText) return;
    UnitText = unit;
    Invalidate();
}

void TRoundMeter::SetValueDecimals(int decimals) {
    ValueDecimals = decimals;
    update();
}

void TRoundMeter::SetSectors(std::vector<TMeterSector> sectors) {
    SectorList = std::move(sectors);
    Invalidate();
}

void TRoundMeter::SetFaceColour(const QColor& colour) {
    FaceTint = colour;
    Invalidate();
}

void TRoundMeter::SetFaceGradientVisible(bool visible) {
    if (visible == GradientShown) return;
    GradientShown = visible;
    Invalidate();
}

void TRoundMeter::SetShowValueText(bool show) {
    if (show == ValueTextShown) return;
    ValueTextShown = show;
    Invalidate(); // the unit moves beside the value
}

void TRoundMeter::SetValue(double value) {
    if (!std::isfinite(value)) return;
    if (!MarksSet) {
        LowMark = HighMark = value;
        MarksSet = true;
    } else {
        LowMark = std::min(LowMark, value);
        HighMark = std::max(HighMark, value);
    }
    if (value == CurrentValue) return;
    CurrentValue = value;
    update();
}

void TRoundMeter::ResetMarks() {
    MarksSet = true;
    LowMark = HighMark = CurrentValue;
    update();
}

void TRoundMeter::Invalidate() {
    FaceCache = QPixmap();
    update();
}

void TRoundMeter::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    FaceCache = QPixmap();
}

double TRoundMeter::AngleOf(double value) const {
    const double f = std::clamp((value - Min) / (Max - Min), 0.0, 1.0);
    return 90.0 + SweepDegrees / 2.0 - f * SweepDegrees;
}

// A meter of 180 degrees or less is a fan: its centre sits low so the arc fills the widget.
QPointF TRoundMeter::CentreOfDial() const {
    const double w = width(), h = height();
    if (SweepDegrees > 180) return {w / 2.0, h / 2.0};
    return {w / 2.0, 4.0 + RadiusOfDial()};
}

double TRoundMeter::RadiusOfDial() const {
    const double w = width(), h = height();
    if (SweepDegrees > 180) return std::max(10.0, std::min(w, h) / 2.0 - 3.0);
    // Room under the centre for the value.
    return std::max(10.0, std::min(w / 2.0 - 3.0, (h - 8.0) * 0.78));
}

void TRoundMeter::PaintFace() {
    const qreal ratio = devicePixelRatioF();
    FaceCache = QPixmap(size() * ratio);
    FaceCache.setDevicePixelRatio(ratio);
    FaceCache.fill(Qt::transparent);
    QPainter p(&FaceCache);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);

    const QPointF c = CentreOfDial();
    const double r = RadiusOfDial();
    const double start = 90.0 + SweepDegrees / 2.0;

    // Bezel and face: a full disc for a wide sweep, a fan with a flat base for a narrow one.
    QPainterPath outline;
    if (SweepDegrees > 180) {
        outline.addEllipse(c, r, r);
    } else {
        const double spread = std::max(SweepDegrees / 2.0 + 8.0, 90.0);
        const double from = 90.0 - spread, to = 90.0 + spread;
        const double base = r * 0.16;
        outline.moveTo(Polar(c, r, to));
        outline.arcTo(QRectF(c.x() - r, c.y() - r, 2 * r, 2 * r), to, -(to - from));
        outline.lineTo(c.x() + r * std::cos(from * Pi / 180), c.y() + base);
        outline.lineTo(c.x() - r * std::cos(from * Pi / 180), c.y() + base);
        outline.closeSubpath();
    }
    QLinearGradient bezel(0, c.y() - r, 0, c.y() + r);
    bezel.setColorAt(0, QColor(0x70, 0x74, 0x7a));
    bezel.setColorAt(1, QColor(0x20, 0x22, 0x26));
    p.setPen(Qt::NoPen);
    p.setBrush(bezel);
    p.drawPath(outline);

    QRadialGradient face(c, r, QPointF(c.x() - r * 0.3, c.y() - r * 0.4));
    if (GradientShown) {
        face.setColorAt(0, Qt::white);
        face.setColorAt(1, FaceTint);
    } else {
        face.setColorAt(0, QColor(0xfa, 0xfa, 0xf6));
        face.setColorAt(1, QColor(0xdc, 0xdc, 0xd6));
    }
    p.setBrush(face);
    const double inset = std::max(2.0, r * 0.05);
    QTransform shrink;
    shrink.translate(c.x(), c.y());
    shrink.scale((r - inset) / r, (r - inset) / r);
    shrink.translate(-c.x(), -c.y());
    p.drawPath(shrink.map(outline));

    const double scaleR = r - inset - std::max(2.0, r * 0.04);
    const QRectF arcRect(c.x() - scaleR, c.y() - scaleR, 2 * scaleR, 2 * scaleR);
    // Sectors as a band inside the scale.
    const double band = std::max(3.0, r * 0.09);
    for (const TMeterSector& s : SectorList) {
        const double a0 = AngleOf(s.From), a1 = AngleOf(s.To);
        if (a0 == a1) continue;
        QPen pen(s.Colour, band, Qt::SolidLine, Qt::FlatCap);
        p.setPen(pen);
        p.setBrush(Qt::NoBrush);
        const QRectF bandRect = arcRect.adjusted(band / 2, band / 2, -band / 2, -band / 2);
        p.drawArc(bandRect, int(a0 * 16), int((a1 - a0) * 16));
    }

    // Scale line and ticks on the face; the numbers on a layer above the needle, ringed in the
    // face's colour, so that the needle resting on a number never hides it.
    QPen scalePen(QColor(0x20, 0x20, 0x20), std::max(1.0, r * 0.015));
    p.setPen(scalePen);
    p.drawArc(arcRect, int(start * 16), int(-SweepDegrees * 16));
    QFont numbers = font();
    numbers.setPixelSize(std::max(7, int(r * 0.15)));
    numbers.setBold(true);
    NumberPath = QPainterPath();
    NumberHalo = QPen(GradientShown ? FaceTint.lighter(110) : QColor(0xec, 0xec, 0xe8),
                      std::max(2.0, numbers.pixelSize() * 0.22), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    const QLocale locale;
    const int steps = MajorIntervals * MinorTicks;
    for (int i = 0; i <= steps; ++i) {
        const double v = Min + (Max - Min) * i / steps;
        const double a = AngleOf(v);
        const bool major = i % MinorTicks == 0;
        const double len = major ? r * 0.14 : r * 0.07;
        p.setPen(QPen(QColor(0x20, 0x20, 0x20), major ? std::max(1.2, r * 0.025) : 1.0));
        p.drawLine(Polar(c, scaleR, a), Polar(c, scaleR - len, a));
        if (major) {
            const QString text = locale.toString(v, 'f', LabelDecimals);
            const QPointF at = Polar(c, scaleR - len - numbers.pixelSize() * 0.95, a);
            const QFontMetricsF m(numbers);
            NumberPath.addText(at.x() - m.horizontalAdvance(text) / 2, at.y() + (m.ascent() - m.descent()) / 2,
                               numbers, text);
        }
    }

    // Name and unit go under the hub, where no needle position reaches (the unit beside the
    // value when the value is written on the face).
    p.setPen(QColor(0x30, 0x30, 0x40));
    const QString name = NameText.trimmed();
    const QFont small = SmallFont();
    const double depth = ValueDepth();
    if (SweepDegrees > 180) {
        if (!ValueTextShown) DrawRow(p, c.x(), c.y() + r * depth, {{UnitText, small}}, RowWidth(depth));
        DrawRow(p, c.x(), c.y() + r * 0.62, {{name, small}}, RowWidth(0.62));
    } else if (!ValueTextShown) {
        // A small meter's name (a cylinder) must still read at a glance.
        QFont nameFont = small;
        if (name.size() <= 2) {
            nameFont.setBold(true);
            nameFont.setPixelSize(std::max(10, int(r * 0.16)));
        }
        if (name.isEmpty()) {
            DrawRow(p, c.x(), c.y() + r * depth, {{UnitText, small}}, RowWidth(depth));
        } else if (UnitText.isEmpty()) {
            DrawRow(p, c.x(), c.y() + r * depth, {{name, nameFont}}, RowWidth(depth));
        } else {
            DrawRow(p, c.x(), c.y() + r * depth,
                    {{name, nameFont}, {QStringLiteral(" [") + UnitText + QLatin1Char(']'), small}}, RowWidth(depth));
        }
    }
}

// The width a row of text may take at depth (in radii) under the centre: inside the dial of a
// round meter, the widget's width under a fan.
double TRoundMeter::RowWidth(double depth) const {
    if (SweepDegrees <= 180) return width() - 4.0;
    // Inside the scale's band, which ends at about 0.83 radii.
    return 2.0 * RadiusOfDial() * std::sqrt(std::max(0.0, 0.83 * 0.83 - depth * depth));
}

QFont TRoundMeter::SmallFont() const {
    QFont small = font();
    small.setPixelSize(std::max(7, int(RadiusOfDial() * 0.12)));
    return small;
}

void TRoundMeter::paintEvent(QPaintEvent*) {
    if (FaceCache.isNull() || FaceCache.deviceIndependentSize().toSize() != size()) PaintFace();
    QPainter p(this);
    p.drawPixmap(0, 0, FaceCache);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);

    const QPointF c = CentreOfDial();
    const double r = RadiusOfDial();

    // Lowest and highest marks: small triangles outside the scale.
    if (MarksSet && HighMark != LowMark) {
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0x20, 0x60, 0xd0));
        for (double mark : {LowMark, HighMark}) {
            const double a = AngleOf(mark);
            QPolygonF tri;
            tri << Polar(c, r * 0.86, a) << Polar(c, r * 0.95, a + 3) << Polar(c, r * 0.95, a - 3);
            p.drawPolygon(tri);
            p.setBrush(QColor(0xd0, 0x30, 0x20));
        }
    }

    // Needle with a hub.
    const double a = AngleOf(CurrentValue);
    const double len = r * 0.8;
    const double half = std::max(1.5, r * 0.035);
    QPolygonF needle;
    needle << Polar(c, len, a) << Polar(c, half, a + 90) << Polar(c, r * 0.12, a + 180) << Polar(c, half, a - 90);
    p.setPen(QPen(QColor(0x80, 0x00, 0x00), 0.8));
    p.setBrush(QColor(0xe0, 0x20, 0x10));
    p.drawPolygon(needle);
    QRadialGradient hub(c, r * 0.08, c - QPointF(r * 0.02, r * 0.02));
    hub.setColorAt(0, QColor(0x90, 0x90, 0x90));
    hub.setColorAt(1, QColor(0x20, 0x20, 0x20));
    p.setPen(Qt::NoPen);
    p.setBrush(hub);
    p.drawEllipse(c, r * 0.07, r * 0.07);

    p.strokePath(NumberPath, NumberHalo);
    p.fillPath(NumberPath, QColor(0x20, 0x20, 0x20));

    // Value in figures, with its unit, under the hub.
    if (ValueTextShown) {
        QFont valueFont = font();
        valueFont.setPixelSize(std::max(8, int(r * (SweepDegrees > 180 ? 0.17 : 0.2))));
        valueFont.setBold(true);
        p.setPen(QColor(0x10, 0x10, 0x10));
        const QString text = QLocale().toString(CurrentValue, 'f', ValueDecimals);
        std::vector<TTextPiece> row{{text, valueFont}};
        if (!UnitText.isEmpty()) row.push_back({QLatin1Char(' ') + UnitText, SmallFont()});
        DrawRow(p, c.x(), c.y() + r * ValueDepth(), row, RowWidth(ValueDepth()), row.size() > 1 ? 1 : row.size());
    }
}
