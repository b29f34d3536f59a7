#pragma once

#include "windows/FadingWindow.h"

class QLabel;

// The transient message: a short text in large letters over the bottom of the main window that
// fades out by itself after a given time ("ECU resetted", "Autotuning successful", ...).
class TFormDialog : public TFadingWindow {
    Q_OBJECT
public:
    explicit TFormDialog(TGuiHost* host, QWidget* parent = nullptr);
    ~TFormDialog() override;

    // Shows text for about durationMs, then fades it out. While a message is visible a new one
    // is dropped.
    void Show(const QString& text, int durationMs);
    // One fade step, run by TimerGUI when DialogCountdown reaches 0.
    void ManageFade();

    // The ticks of TimerGUI a message of durationMs stays opaque: halves round to the even
    // neighbour, so 500 ms gives 12 and 1500 ms gives 38.
    static int HoldTicks(int durationMs);

    int Duration = 0;
    QLabel* Etichetta = nullptr;

protected:
    void paintEvent(QPaintEvent* event) override;

};

extern TFormDialog* FormDialog;
