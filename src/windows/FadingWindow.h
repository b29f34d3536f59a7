#pragma once

#include "windows/GuiHost.h"

#include <QWidget>

// A small window that shows without taking the focus and fades out in steps of the main
// window's interface timer: the splash, the transient message and the glowing label.
class TFadingWindow : public QWidget {
    Q_OBJECT
public:
    int Opacity = 255;
    // Off, the window shows opaque whatever its Opacity (the About box).
    bool Blending = true;

protected:
    TFadingWindow(TGuiHost* host, TGuiCountdown countdown, QWidget* parent, Qt::WindowFlags flags);

    void SetOpacity(int opacity);
    // Shows the window opaque and starts its countdown: holdTicks until the first fade step.
    void StartFade(int holdTicks);
    // One fade step, run when the countdown reaches 0: Opacity drops by step and the next step
    // follows on the next tick. True once Opacity is at or below last: the window is to go, and
    // the countdown has stopped.
    bool FadeStep(int step, int last);
    void StopFade();

    TGuiHost* Host;

private:
    TGuiCountdown Countdown;
};
