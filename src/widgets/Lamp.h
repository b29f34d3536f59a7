#pragma once

#include <QColor>
#include <QString>
#include <QTimer>
#include <QWidget>

// A round indicator lamp, optionally with a letter on it: lit in its colour, grey when off, dimmed
// when disabled. A lit lamp can flash at 2 Hz.
class TLamp : public QWidget {
    Q_OBJECT
public:
    explicit TLamp(QWidget* parent = nullptr);

    void SetColour(const QColor& colour);
    QColor Colour() const { return LitColour; }
    void SetText(const QString& text);
    QString Text() const { return Letter; }
    void SetLit(bool lit);
    bool Lit() const { return IsLit; }
    void SetFlashing(bool flashing);
    bool Flashing() const { return Blinker.isActive(); }
    // What the eye sees now: lit and, while flashing, in the bright half of the period.
    bool ShowsLight() const { return IsLit && (!Blinker.isActive() || BrightPhase); }

    QSize sizeHint() const override { return {22, 22}; }
    QSize minimumSizeHint() const override { return {12, 12}; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    QColor LitColour{0xff, 0xe0, 0x00};
    QString Letter;
    bool IsLit = false;
    bool BrightPhase = true;
    QTimer Blinker;
};
