#pragma once

#include <QColor>
#include <QString>
#include <QWidget>

// A bar gauge, horizontal or vertical: a sunken track filled in proportion to the value, a scale
// with numbers, the name and the value in figures.
class TBarMeter : public QWidget {
    Q_OBJECT
public:
    explicit TBarMeter(Qt::Orientation orientation = Qt::Horizontal, QWidget* parent = nullptr);

    void SetRange(double minimum, double maximum);
    double Minimum() const { return Min; }
    double Maximum() const { return Max; }
    void SetName(const QString& name);
    QString Name() const { return NameText; }
    void SetUnit(const QString& unit);
    void SetBarColour(const QColor& colour);
    void SetDecimals(int decimals);
    void SetValue(double value);
    double Value() const { return CurrentValue; }
    Qt::Orientation Orientation() const { return Direction; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    // The width the name (and, lying, the value beside it) needs at the largest size drawn.
    int TextWidth() const;

    Qt::Orientation Direction;
    double Min = 0, Max = 100;
    QString NameText, UnitText;
    QColor BarColour{0x20, 0xa0, 0x40};
    int Decimals = 1;
    double CurrentValue = 0;
};
