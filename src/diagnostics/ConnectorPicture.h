#pragma once

#include "diagnostics/PinTables.h"

#include <QWidget>

class QPainter;

// The 56-pin ECU connector, drawn by the program: two rows of pins in an upper and a lower block,
// each pin numbered, in units of ConnectorPictureSize. Every pin sits where PinCentre puts it, so
// the markers of the pin-out window fall on the pins.
class TConnectorPicture : public QWidget {
    Q_OBJECT
public:
    explicit TConnectorPicture(QWidget* parent = nullptr);

    void SetModel(TEcuModel model);
    TEcuModel Model() const { return FModel; }

    // A point or a length of the picture's units in this widget's pixels (the window may have
    // been scaled for a small screen).
    QPoint ToWidget(QPoint point) const;
    int ToWidget(int length) const;

    // Draws the picture in its own units.
    static void Paint(QPainter& painter, TEcuModel model);

    QSize sizeHint() const override { return ConnectorPictureSize; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    TEcuModel FModel = TEcuModel::KELD04;
};

// A circle around a pin of the picture, lime, four units wide. It alternates between two ways of
// drawing over the picture: ANDed with it (mask) and XORed with it, so that it blinks in two
// colours whatever lies below.
class TPinMarker : public QWidget {
    Q_OBJECT
public:
    enum TPenMode { Mask, Xor };

    explicit TPinMarker(TConnectorPicture* picture);

    void SetPenMode(TPenMode mode);
    TPenMode PenMode() const { return FMode; }
    // Puts the marker's top left corner at a point of the picture's units.
    void MoveTo(QPoint point);
    // The marker's top left corner in the picture's units.
    QPoint Position() const { return FPosition; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    TConnectorPicture* Picture;
    TPenMode FMode = Mask;
    QPoint FPosition;
};
