#pragma once

#include <QMainWindow>
#include <array>

class QAction;
class QLabel;
class QMenu;

// The main window. For now: the status bar and the ECU menu's port entries, which the serial
// link writes to; the pages, tool bar and the rest of its life come with the main window's work.
class TFormMain : public QMainWindow {
    Q_OBJECT
public:
    explicit TFormMain(QWidget* parent = nullptr);
    ~TFormMain() override;

    // StatusBar1's two panels: 0 the link state, 1 the engine state.
    void SetStatusText(int panel, const QString& text);
    QString StatusText(int panel) const;

    // Gives the COM entries the detected port names (Part of the ECU menu).
    void RefreshComMenu();

    std::array<QAction*, 6> ComActions{};
    QAction* ECUScanCOM = nullptr;
    QMenu* MenuECU = nullptr;

private:
    std::array<QLabel*, 2> StatusPanels{};
};

extern TFormMain* FormMain;
