#pragma once

#include "flasher/BootLog.h"

#include <QByteArrayList>
#include <QObject>
#include <QTimer>
#include <functional>

class QEventLoop;
class TSerialLink;

// How a wait for the boot monitor's answer ended.
enum class TWaitResult {
    Matched,    // the expected text came, with at most three stray bytes before each byte of it
    Mismatched, // four stray bytes in a row
    TimedOut,   // the line stayed silent
    Refused,    // the monitor answered with its refusal byte
    Aborted,    // the dialogue was told to stop
};

enum class TFlashResult { Flashed, EraseFailed, WriteFailed };

// The text dialogue with the ECU's boot monitor over the serial link: switching the port between
// frames and the monitor, catching the monitor's answers, erasing the flash sectors and
// downloading the firmware lines. It holds no widget; the flasher window shows its boot log and
// progress.
//
// Every wait lets pending messages run (the window stays responsive and its timers fire) and
// sleeps until the port has bytes or the line has been silent for SilenceTimeoutMs.
class TBootDialogue : public QObject {
    Q_OBJECT
public:
    static constexpr int DefaultSilenceTimeoutMs = 5000;
    static constexpr int ClosePauseMs = 500;
    static constexpr int MaxStrayBytes = 3;
    static constexpr int EraseTries = 4;
    // After a failed erase: how long the line must stay quiet before the command is tried again.
    static constexpr int SettleQuietMs = 250;
    static constexpr char Esc = 0x1B, Ack = 0x06, Nak = 0x15;

    TBootDialogue(TSerialLink& Link, TBootLog& Log, QObject* Parent = nullptr);
    ~TBootDialogue() override;

    // The firmware file's lines, sent exactly as they are, each followed by CR.
    QByteArrayList Lines;
    // A silent line fails a wait after this long without a byte; it must outlast a sector erase.
    int SilenceTimeoutMs = DefaultSilenceTimeoutMs;

    // Boot-monitor port mode with the monitor's text echoed into the boot log.
    void EnterMonitorMode();
    // Frame mode again, transmit queue enabled.
    void LeaveMonitorMode();
    // Ends the monitor (ESC "RST" CR) so that the ECU starts its application, and returns to
    // frame mode.
    void CloseMonitor();
    // Where in the boot log the text since the last EnterMonitorMode begins.
    qsizetype MonitorTextStart() const { return FMonitorTextStart; }
    bool EchoOn() const { return FEcho; }

    // Bytes for the monitor: ESC, or a key the user typed into the boot log.
    void SendToMonitor(const QByteArray& Bytes);
    // Whether keys typed into the boot log go to the monitor: in monitor mode, outside the flash.
    bool KeysToMonitor() const { return FKeysToMonitor; }

    // Reads the port byte by byte and walks through Expected; Refusal (when not 0) ends the wait
    // at once.
    TWaitResult WaitFor(const QByteArray& Expected, char Refusal = 0);
    // Command is "ES 00", "ES 01", "ES 02" or "ES 04"; up to EraseTries tries.
    bool EraseSector(const QByteArray& Command);
    // Downloads Lines; false when a line was not acknowledged.
    bool WriteLines();
    // The erase and the download of the firmware.
    TFlashResult RunFlashProcedure();
    bool Flashing() const { return FFlashing; }
    // Whether the last failed erase or download failed because the line went silent.
    bool LastFailureTimedOut() const { return FTimedOut; }

    // Ends a wait under way and fails every later one.
    void Abort();

signals:
    void ProgressChanged(int percent);
    // Lines acknowledged so far, of all lines.
    void LinesWritten(int written, int lines);
    // The erase has succeeded; the download begins.
    void FlashingStarted();
    void KeysToMonitorChanged(bool on);
    // The flash procedure begins or ends.
    void FlashingChanged(bool on);

private:
    void Send(const QByteArray& Bytes);
    void SetKeysToMonitor(bool on);
    // Runs the message loop for up to ms, or until the port has bytes when wakeOnInput.
    void RunMessages(int ms, bool wakeOnInput);
    // Reads and drops the rest of a failed answer, until the line has been quiet a while.
    void Settle();
    void ReportTimeOut();
    void SetFlashing(bool on);

    TSerialLink& Link;
    TBootLog& Log;
    bool FEcho = false;
    bool FKeysToMonitor = false;
    bool FFlashing = false;
    bool FTimedOut = false;
    bool FAborted = false;
    qsizetype FMonitorTextStart = 0;
    QEventLoop* ActiveLoop = nullptr;
    bool WakeOnInput = false;
    QTimer WakeTimer;
};

// Hands the flash procedure to the user-interface thread: created running, it queues the
// procedure there, and once it has run, the refresh of the flasher window.
class TFlashThread : public QObject {
    Q_OBJECT
public:
    TFlashThread(std::function<void()> Procedure, std::function<void()> Refresh, QObject* Parent = nullptr);
    bool Finished() const { return FFinished; }

private:
    void Execute();

    std::function<void()> FProcedure, FRefresh;
    bool FFinished = false;
};
