#pragma once

#include <QWidget>

class TGuiHost;

// The ECU connector pin-out.
class TFormPinOut : public QWidget {
    Q_OBJECT
public:
    explicit TFormPinOut(TGuiHost* host, QWidget* parent = nullptr);
    ~TFormPinOut() override;

    // Fills the captions from the resource strings; run at creation and after a language switch.
    void ApplyCaptions();

    // One step of the marker blink, run by the main window's TimerGUI while PinOutCountdown is 0.
    void BlinkStep();

private:
    TGuiHost* Host;
};

extern TFormPinOut* FormPinOut;
