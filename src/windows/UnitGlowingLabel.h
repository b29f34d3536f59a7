#pragma once

#include <QWidget>

class QLabel;

class TGuiHost;

// A big word over the main window's lambda chart on a transparent background, announcing the
// fuel the engine has just switched to; it fades out by itself.
class TFormGlowingLabel : public QWidget {
    Q_OBJECT
public:
    explicit TFormGlowingLabel(TGuiHost* host, QWidget* parent = nullptr);
    ~TFormGlowingLabel() override;

    // Shows text over the lambda chart, unless a transient message is visible.
    void Show(const QString& text);
    // One fade step, run by TimerGUI when GlowCountdown reaches 0.
    void ManageFade();

    int Opacity = 255;
    QLabel* Label1 = nullptr;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void SetOpacity(int opacity);
    void UpdateMask();
    TGuiHost* Host;
};

extern TFormGlowingLabel* FormGlowingLabel;
