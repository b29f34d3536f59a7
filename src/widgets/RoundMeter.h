#pragma once

#include <QColor>
#include <QPainterPath>
#include <QPen>
#include <QPixmap>
#include <QString>
#include <QWidget>
#include <vector>

// A coloured arc on a round meter's scale, in scale units.
struct TMeterSector {
    double From;
    double To;
    QColor Colour;
};

// A round dashboard meter: a face over a sweep of 120 to 270 degrees, ticks and numbers, coloured
// sectors, a needle, the value in figures and the lowest and highest values seen since the marks
// were reset. The face, scale and sectors are drawn once into a cached picture; a new value
// repaints this widget only, drawing the picture and the needle.
class TRoundMeter : public QWidget {
    Q_OBJECT
public:
    explicit TRoundMeter(QWidget* parent = nullptr);

    void SetRange(double minimum, double maximum);
    double Minimum() const { return Min; }
    double Maximum() const { return Max; }
    void SetSweep(int degrees);
    int Sweep() const { return SweepDegrees; }
    // Major ticks with numbers; each major interval has minorTicks minor ones.
    void SetTicks(int majorIntervals, int minorTicks);
    void SetLabelDecimals(int decimals);
    void SetName(const QString& name);
    QString Name() const { return NameText; }
    void SetUnit(const QString& unit);
    QString Unit() const { return UnitText; }
    void SetValueDecimals(int decimals);
    void SetSectors(std::vector<TMeterSector> sectors);
    const std::vector<TMeterSector>& Sectors() const { return SectorList; }
    // The face's colour gradient, shown only while FaceGradientVisible.
    void SetFaceColour(const QColor& colour);
    QColor FaceColour() const { return FaceTint; }
    void SetFaceGradientVisible(bool visible);
    bool FaceGradientVisible() const { return GradientShown; }
    // Whether the value is also written in figures on the face.
    void SetShowValueText(bool show);

    void SetValue(double value);
    double Value() const { return CurrentValue; }
    void ResetMarks();
    double LowestMark() const { return LowMark; }
    double HighestMark() const { return HighMark; }

    QSize sizeHint() const override { return {150, 150}; }
    QSize minimumSizeHint() const override { return {60, 60}; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void Invalidate();
    void PaintFace();
    double AngleOf(double value) const; // degrees, counter-clockwise from 3 o'clock
    QPointF CentreOfDial() const;
    double RadiusOfDial() const;
    QFont SmallFont() const; // name and unit
    double RowWidth(double depth) const;

    // How far under the centre, in radii, the text row under the hub begins: clear of the hub
    // and of the needle's tail (a fan has little room below it).
    double ValueDepth() const { return SweepDegrees > 180 ? 0.26 : 0.14; }

    double Min = 0, Max = 100;
    int SweepDegrees = 270;
    int MajorIntervals = 8, MinorTicks = 5;
    int LabelDecimals = 0, ValueDecimals = 2;
    QString NameText, UnitText;
    std::vector<TMeterSector> SectorList;
    QColor FaceTint{0xC8, 0xFF, 0xC8};
    bool GradientShown = false;
    bool ValueTextShown = true;
    double CurrentValue = 0;
    double LowMark = 0, HighMark = 0;
    bool MarksSet = false;
    QPixmap FaceCache;
    // The scale numbers, drawn over the needle.
    QPainterPath NumberPath;
    QPen NumberHalo;
};
