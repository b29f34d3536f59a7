#include "diagnostics/ConnectorPicture.h"

#include <QPainter>
#include <QPainterPath>
#include <cmath>

namespace {

// Colours of a grey nylon housing with dark cavities and gold-plated contacts.
const QColor Housing(0xDC, 0xDC, 0xD6);
const QColor HousingEdge(0x4A, 0x4A, 0x48);
const QColor Block(0xC9, 0xC9, 0xC2);
const QColor BlockEdge(0x86, 0x86, 0x80);
const QColor Cavity(0x2E, 0x2E, 0x2E);
const QColor Contact(0xD8, 0xA8, 0x2A);
const QColor Lettering(0x22, 0x22, 0x22);

constexpr double CavityRadius = 4.5;
constexpr double ContactRadius = 2.3;

// The rectangle around the pins of one block, with a margin.
QRectF BlockAround(int firstPin, int lastPin, int margin) {
    QRectF r;
    for (int pin = firstPin; pin <= lastPin; ++pin) {
        const QPoint c = PinCentre(pin);
        r = r.united(QRectF(c.x() - CavityRadius, c.y() - CavityRadius, 2 * CavityRadius, 2 * CavityRadius));
    }
    return r.adjusted(-margin, -margin, margin, margin);
}

} // namespace

TConnectorPicture::TConnectorPicture(QWidget* parent) : QWidget(parent) {
    setFixedSize(ConnectorPictureSize);
}

void TConnectorPicture::SetModel(TEcuModel model) {
    FModel = model;
    update();
}

QPoint TConnectorPicture::ToWidget(QPoint point) const {
    return {int(std::lround(point.x() * double(width()) / ConnectorPictureSize.width())),
            int(std::lround(point.y() * double(height()) / ConnectorPictureSize.height()))};
}

int TConnectorPicture::ToWidget(int length) const {
    return int(std::lround(length * double(width()) / ConnectorPictureSize.width()));
}

void TConnectorPicture::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.scale(double(width()) / ConnectorPictureSize.width(),
                  double(height()) / ConnectorPictureSize.height());
    Paint(painter, FModel);
}

void TConnectorPicture::Paint(QPainter& painter, TEcuModel model) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);

    // The housing, with the guide ribs on its long sides.
    const QRectF body(9.5, 4.5, 110, 544);
    painter.setPen(QPen(HousingEdge, 1.2));
    painter.setBrush(Housing.darker(108));
    for (double y : {60.0, 470.0}) {
        painter.drawRect(QRectF(5.5, y, 5, 24));
        painter.drawRect(QRectF(118.5, y, 5, 24));
    }
    painter.setBrush(Housing);
    painter.drawRoundedRect(body, 9, 9);

    // The two blocks of cavities.
    const QRectF upper = BlockAround(1, 14, 0).united(BlockAround(29, 42, 0)).adjusted(-6, -7, 6, 7);
    const QRectF lower = BlockAround(15, 28, 0).united(BlockAround(43, 56, 0)).adjusted(-6, -7, 6, 7);
    painter.setPen(QPen(BlockEdge, 1));
    painter.setBrush(Block);
    painter.drawRoundedRect(upper, 4, 4);
    painter.drawRoundedRect(lower, 4, 4);

    // The locking lever between the blocks, with its grip and the model it belongs to.
    const QRectF lever(upper.left() - 4, upper.bottom() + 14, upper.width() + 8,
                       lower.top() - upper.bottom() - 28);
    painter.setPen(QPen(HousingEdge, 1));
    painter.setBrush(Housing.darker(115));
    painter.drawRoundedRect(lever, 5, 5);
    painter.setPen(QPen(HousingEdge.lighter(160), 1));
    for (int i = 0; i < 4; ++i) {
        const double y = lever.top() + 8 + i * 3.5;
        painter.drawLine(QPointF(lever.left() + 8, y), QPointF(lever.right() - 8, y));
    }
    QFont label = painter.font();
    label.setPixelSize(9);
    label.setBold(true);
    painter.setFont(label);
    painter.setPen(Lettering);
    painter.drawText(lever.adjusted(0, 20, 0, -2), Qt::AlignCenter,
                     model == TEcuModel::ORB04 ? QStringLiteral("ORB-04") : QStringLiteral("KELD-04"));

    // A triangle points at pin 1.
    const QPoint first = PinCentre(1);
    QPainterPath arrow;
    arrow.moveTo(first.x() - 4, upper.top() - 9);
    arrow.lineTo(first.x() + 4, upper.top() - 9);
    arrow.lineTo(first.x(), upper.top() - 3);
    arrow.closeSubpath();
    painter.fillPath(arrow, Lettering);

    // The pins and their numbers: outside the left row on the left, outside the right row on
    // the right.
    QFont numbers = painter.font();
    numbers.setPixelSize(9);
    numbers.setBold(false);
    painter.setFont(numbers);
    for (int pin = 1; pin <= PinCount; ++pin) {
        const QPointF c = PinCentre(pin);
        painter.setPen(Qt::NoPen);
        painter.setBrush(Cavity);
        painter.drawEllipse(c, CavityRadius, CavityRadius);
        painter.setBrush(Contact);
        painter.drawEllipse(c, ContactRadius, ContactRadius);

        const bool leftRow = pin <= 28;
        const QRectF text = leftRow
                                ? QRectF(body.left() + 2, c.y() - 7, upper.left() - body.left() - 6, 14)
                                : QRectF(upper.right() + 4, c.y() - 7, body.right() - upper.right() - 6, 14);
        painter.setPen(Lettering);
        painter.drawText(text, (leftRow ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter,
                         QString::number(pin));
    }
    painter.restore();
}

// ---- TPinMarker -----------------------------------------------------------------------------

TPinMarker::TPinMarker(TConnectorPicture* picture) : QWidget(picture), Picture(picture) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
    resize(Picture->ToWidget(MarkerSize), Picture->ToWidget(MarkerSize));
    hide();
}

void TPinMarker::SetPenMode(TPenMode mode) {
    FMode = mode;
    update();
}

void TPinMarker::MoveTo(QPoint point) {
    FPosition = point;
    resize(Picture->ToWidget(MarkerSize), Picture->ToWidget(MarkerSize));
    move(Picture->ToWidget(point));
}

void TPinMarker::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    // Raster operations work pixel by pixel: no antialiasing.
    painter.setCompositionMode(FMode == Mask ? QPainter::RasterOp_SourceAndDestination
                                             : QPainter::RasterOp_SourceXorDestination);
    const int pen = Picture->ToWidget(4);
    painter.setPen(QPen(QColor(0, 255, 0), pen));
    painter.setBrush(Qt::NoBrush);
    painter.drawEllipse(QRectF(rect()).adjusted(pen / 2.0, pen / 2.0, -pen / 2.0, -pen / 2.0));
}
