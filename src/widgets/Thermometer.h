#pragma once

#include <QString>
#include <QWidget>
#include <algorithm>

// A vertical thermometer: a scale with numbers, a glass tube whose red column rises with the
// value, the name above and the value in figures below.
class TThermometer : public QWidget {
    Q_OBJECT
public:
    explicit TThermometer(QWidget* parent = nullptr);

    void SetRange(double minimum, double maximum);
    double Minimum() const { return Min; }
    double Maximum() const { return Max; }
    void SetName(const QString& name);
    QString Name() const { return NameText; }
    void SetValue(double value);
    double Value() const { return CurrentValue; }

    // As wide as the name needs at the largest size it is drawn in: a long name widens the
    // thermometer instead of being cut.
    QSize sizeHint() const override { return {std::max(70, NameWidth()), 150}; }
    QSize minimumSizeHint() const override { return {std::max(40, NameWidth()), 80}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int NameWidth() const;

    double Min = -20, Max = 100;
    QString NameText;
    double CurrentValue = 0;
};
