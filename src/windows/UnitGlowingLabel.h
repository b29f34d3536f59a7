#pragma once

#include "windows/FadingWindow.h"

class QLabel;

// A big word over the main window's lambda chart on a transparent background, announcing the
// fuel the engine has just switched to; it fades out by itself.
class TFormGlowingLabel : public TFadingWindow {
    Q_OBJECT
public:
    explicit TFormGlowingLabel(TGuiHost* host, QWidget* parent = nullptr);
    ~TFormGlowingLabel() override;

    // Shows text over the lambda chart, unless a transient message is visible.
    void Show(const QString& text);
    // One fade step, run by TimerGUI when GlowCountdown reaches 0.
    void ManageFade();

    QLabel* Label1 = nullptr;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void UpdateMask();
};

extern TFormGlowingLabel* FormGlowingLabel;
