#pragma once

#include "link/SerialLink.h"
#include "windows/GuiHost.h"

#include <QPointer>
#include <QWidget>

class QGroupBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QTimer;
class TGuiHost;

// A small lamp that lights up for a moment on each port activity.
class TActivityLight : public QWidget {
    Q_OBJECT
public:
    explicit TActivityLight(QWidget* parent = nullptr);
    void Flash();
    bool Lit() const { return FLit; }
    QSize sizeHint() const override { return {14, 14}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QTimer* OffTimer;
    bool FLit = false;
};

// The "Log" window: every frame sent and received as a hex dump, the boot monitor's text after
// a reset, the number of queued frames, the port and its rate, and the TX/RX lights. It creates
// the serial link, writes the link's state to the main window's status bar and runs the COM
// entries and "Auto-scan" of its ECU menu.
class TFormCommunications : public QWidget {
    Q_OBJECT
public:
    static constexpr int MaxLogLines = 1000;

    // Creates the link and starts it; with start false the caller starts it (tests that set the
    // port enumeration or the settings first).
    explicit TFormCommunications(TGuiHost* host, QWidget* parent = nullptr, bool start = true);
    ~TFormCommunications() override;

    TSerialLink Link;

    bool Paused = false;

    // Appends one frame to the log, unless paused; a log past MaxLogLines lines is cleared first.
    void LogData(const QByteArray& Data, bool Sent);
    // Boot-monitor text: a carriage return starts a new line, a line feed is ignored. Written
    // even while paused.
    void ComPortEcho(const QByteArray& bytes);
    void ClearLog();
    QString LogText() const;
    int LogLineCount() const;

    void ApplyCaptions();
    void PauseButtonClick(bool down);
    void ClearButtonClick();

    // The main window's COM entries: the first six ports, the one in use checked, the others
    // hidden; "Auto-scan" mirrors the scan. Then the port and rate labels. Also run each time
    // the ECU menu opens.
    void RefreshComMenu();
    // Connects the COM entries and "Auto-scan" of the host's ECU menu to the link; with false
    // it lets them go.
    void AttachComMenu(bool attach);

    QPlainTextEdit* LogBox = nullptr;
    QPushButton* PauseButton = nullptr;
    QPushButton* ClearButton = nullptr;
    QLabel* EnqdFrmNumLabel = nullptr;
    QLabel* PortLabel = nullptr;
    QLabel* BaudRateLabel = nullptr;
    TActivityLight* LightTX = nullptr;
    TActivityLight* LightRX = nullptr;

private:
    void ShowStatus(int panel, const QString& text);
    void ShowPort();

    QGroupBox* FramesBox = nullptr;
    QGroupBox* ComBox = nullptr;
    QLabel* QueuedCaption = nullptr;
    QLabel* PortCaption = nullptr;
    QLabel* RateCaption = nullptr;
    QLabel* TXCaption = nullptr;
    QLabel* RXCaption = nullptr;
    TGuiHost* Host;
    TComMenuActions ComMenu;
};

// The communication window of the program, created at start-up after the main window.
extern TFormCommunications* FormCommunications;
