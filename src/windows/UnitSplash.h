#pragma once

#include "windows/FadingWindow.h"

class QLabel;
class QPushButton;

// The start-up splash, and the About box. The splash shows for one second at full opacity once
// the main window's TimerGUI runs, then fades out in steps; the About box is the same window with
// a border, at full opacity, until the user closes it.
class TFormSplash : public TFadingWindow {
    Q_OBJECT
public:
    explicit TFormSplash(TGuiHost* host, QWidget* parent = nullptr);
    ~TFormSplash() override;

    // Stops any fade and shows the window, bordered and opaque, until the user closes it.
    void ShowAbout();
    // Fills the texts from the resource strings; run at creation and after a language switch.
    void ApplyCaptions();
    // One fade step, run by TimerGUI when SplashCountdown reaches 0.
    void ManageFade();

    // "Version 1.01.233 keld".
    static QString VersionLine();

    QLabel* PictureArea = nullptr;
    QLabel* LabelAppName = nullptr;
    QLabel* LabelVersion = nullptr;
    QPushButton* ButtonClose = nullptr;

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void CentreOnScreen();
};

// The program's picture: a gauge and a gas flame, drawn by the program.
QPixmap DrawSplashPicture(QSize size);

extern TFormSplash* FormSplash;
