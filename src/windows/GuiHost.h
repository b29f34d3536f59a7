#pragma once

#include <QAction>
#include <QMenu>
#include <QPointer>
#include <QRect>
#include <QString>
#include <vector>

// The countdowns of the main window's 40 ms interface timer that other windows start and stop.
enum class TGuiCountdown { Splash, Dialog, Glow, PinOut, RangeHint };

// The ECU menu's port entries and "Auto-scan", which the communication window runs. Guarded:
// the main window and its menu go first at the program's end.
struct TComMenuActions {
    QPointer<QMenu> Menu;
    std::vector<QPointer<QAction>> Ports;
    QPointer<QAction> Scan;
};

// What the other windows need of the main window, given to each at its creation: the scale of
// the screen, a countdown of the interface timer, where notices go, the status bar, the focus
// back after a notice shows, and the COM entries of the ECU menu.
class TGuiHost {
public:
    virtual ~TGuiHost() = default;

    virtual int ScreenScale() const = 0; // percent, as ScalePercentForWidth gives it
    // ticks: the number of timer ticks until the window's step runs; -1 stops the countdown.
    virtual void SetCountdown(TGuiCountdown countdown, int ticks) = 0;
    // The main window's frame above its status bar, in screen coordinates.
    virtual QRect NoticeArea() const = 0;
    // Where the lambda chart is on the screen.
    virtual QRect LambdaChartScreenRect() const = 0;
    virtual void ReturnFocus() = 0;
    virtual void SetStatusText(int panel, const QString& text) = 0;
    virtual TComMenuActions ComMenu() = 0;
};
