#include "windows/FadingWindow.h"

TFadingWindow::TFadingWindow(TGuiHost* host, TGuiCountdown countdown, QWidget* parent, Qt::WindowFlags flags)
    : QWidget(parent, flags), Host(host), Countdown(countdown) {
    setAttribute(Qt::WA_ShowWithoutActivating);
}

void TFadingWindow::SetOpacity(int opacity) {
    Opacity = opacity;
    setWindowOpacity(Blending ? opacity / 255.0 : 1.0);
}

void TFadingWindow::StartFade(int holdTicks) {
    SetOpacity(255);
    if (Host) Host->SetCountdown(Countdown, holdTicks);
}

bool TFadingWindow::FadeStep(int step, int last) {
    if (Opacity <= last) {
        StopFade();
        return true;
    }
    SetOpacity(Opacity - step);
    if (Host) Host->SetCountdown(Countdown, 1);
    return false;
}

void TFadingWindow::StopFade() {
    if (Host) Host->SetCountdown(Countdown, -1);
}
