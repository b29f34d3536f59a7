#pragma once

#include "link/Frames.h"
#include "link/LinkClients.h"
#include "link/PacketDetector.h"
#include "link/ReplyDispatch.h"

#include <QObject>
#include <QSerialPort>
#include <QStringList>
#include <QTimer>
#include <cstdint>
#include <functional>
#include <memory>


// The serial link to the ECU: the port, the packet detector, the 10 ms master timer with its
// countdowns, the connection watchdog and port scan, the connection state and the reset into the
// boot monitor. It creates the transmit queue (TXQueue) and the reply dispatch, and consumes the
// replies to its own requests. The Log window shows what it reports through its signals.
class TSerialLink : public QObject, public TLinkPort, public TLinkObserver, public TConsumerInterface {
    Q_OBJECT
public:
    enum TReadRoute { RouteFrames, RouteEcho, RouteHold };

    static constexpr int FrameBaudRate = 9600;
    static constexpr int MonitorBaudRate = 38400;
    static constexpr int PortBufferSize = 4096;

    explicit TSerialLink(QObject* parent = nullptr);
    ~TSerialLink() override;

    // Lists the ports, reads the port settings, opens the port and starts the master timer. Run
    // once the window has connected to the signals, so that the first messages are seen.
    void Start();
    // Stops the timer and the periodic duties, disables and flushes the queue, purges the port,
    // detaches the packet detector and stops the reply hand-over. The queue stays until deletion.
    void Dismantle();

    void SetClients(TLinkClients* clients);
    TLinkClients& Clients() { return *FClients; }

    // The system's serial port names. Tests replace the enumeration to list only their own ports.
    using TPortEnumerator = std::function<QStringList()>;
    static void SetPortEnumerator(TPortEnumerator enumerator);
    // The enumeration plus the port of the settings file (or the current one) when it is an
    // existing device path the enumeration does not list, sorted as text.
    QStringList ReadPorts();
    // The port a COMPORT value names: a bare number n is "COMn" (0 is none), a device path or a
    // name is itself, and anything that cannot be a device name is none.
    static QString PortNameFromSetting(const QString& value);

    void StartPeriodic();
    void StopPeriodic();
    void LoadPortSettings();
    void SavePortSettings();
    void FallBackToFirstPort() override;
    void ResetLink();
    void ResetECU();
    void RequestIdentity();
    void SendConnectProbe();
    void QueryMode();

    void MasterTimerTimer();
    void Watchdog();

    // The COM menu: a port entry was chosen, or "Auto-scan" toggled.
    void ChoosePort(const QString& name);
    void SetScanCOM(bool on);
    bool ScanCOM() const { return FScanCOM; }

    // Changes the port; an open port is closed and the new one opened. False when opening fails.
    bool SetPortName(const QString& name);
    int BaudRate() const { return ComPortAsync.baudRate(); }
    bool BootMonitorMode() const { return FMonitorMode; }

    // The port modes the flasher also uses: 38400 baud, 2 stop bits, packet detector detached,
    // received bytes either announced by MonitorBytesReceived (echo) or left in the port's input
    // buffer (hold); and back to frames at 9600 baud, 1 stop bit.
    void SwitchToMonitorMode(TReadRoute route);
    void SwitchToFrameMode();
    QSerialPort& Port() { return ComPortAsync; }

    TReplyDispatcher& Dispatcher() { return *FDispatcher; }

    // TLinkPort and TLinkObserver
    bool PortIsOpen() override { return ComPortAsync.isOpen(); }
    bool PortIsSelected() override { return !FPortName.isEmpty(); }
    QString PortName() override { return FPortName; }
    // The identification text the ECU gave on connection; "" until it answers.
    QString Identity() const { return FIdentity; }
    bool OpenPort() override;
    bool DetectorArmed() override { return DataPacketAsync.Armed(); }
    void ArmDetector() override { DataPacketAsync.Arm(); }
    void DisarmDetector() override { DataPacketAsync.Disarm(); }
    bool WritePort(const QByteArray& wire) override;
    bool PurgePort() override;
    void ProcessPendingMessages() override;
    void SetReplyCountdown(int ticks) override { ReplyCountdown = ticks; }
    void LogFrame(const QByteArray& logical, bool sent) override { emit FrameLogged(logical, sent); }
    void ShowQueuedCount(int count) override { emit QueuedCountChanged(count); }
    void AddComError(const QString& message) override;
    void ShowLinkStatus(std::function<QString()> compose, bool clearSecond) override;
    // The link's status text built again in the language now loaded, when `shown` (what the
    // status bar shows) is still the link's last text; otherwise `shown` itself.
    QString RecomposedStatus(const QString& shown);
    bool ECUisConnected() override { return FECUisConnected; }
    void SetECUisConnected(bool connected) override;
    bool PeriodicDutiesOn() override { return PeriodicOn; }
    void SwitchStatusPollingOn() override;
    TConsumerInterface* LinkConsumer() override { return this; }

    // TConsumerInterface: the replies to the link's own requests.
    void FrameReceived(const TFrame& Reply) override;
    void FrameDiscarded() override {}
    void FrameFailed() override;

    // The next live-data poll runs after ticks master-timer ticks (the live-data manager reloads
    // it after each poll).
    void SchedulePoll(int ticks) { PollCountdown = ticks; }
    // Ticks left of the boot monitor's echo after a reset, -1 when none runs.
    int EchoTicksLeft() const { return EchoCountdown; }
    // The ports the scan goes through, as listed at the start or after a failed probe.
    const QStringList& KnownPorts() const { return Ports; }
    void SetKnownPorts(const QStringList& ports) { Ports = ports; }
    // The 10 ms master timer: tests and benchmarks run its ticks themselves or watch it.
    void StopMasterTimer() { MasterTimer.stop(); }
    void StartMasterTimer() { MasterTimer.start(); }
    bool MasterTimerRunning() const { return MasterTimer.isActive(); }
    const QTimer& MasterClock() const { return MasterTimer; }

signals:
    // Status bar of the main window: panel 0 the link state, panel 1 the engine state.
    void StatusText(int panel, const QString& text);
    // The COM menu should show the ports, the port in use and ScanCOM again.
    void ComMenuChanged();
    // The port name or its baud rate changed.
    void PortChanged();
    void FrameLogged(const QByteArray& logical, bool sent);
    void QueuedCountChanged(int count);
    void LogCleared();
    // Boot-monitor text received after a reset, for the log.
    void BootTextReceived(const QByteArray& bytes);
    // Every byte received while the port is in monitor mode with the echo route.
    void MonitorBytesReceived(const QByteArray& bytes);
    // Port activity, for the TX and RX lights.
    void Activity(bool transmit);

private:
    void ComPortReadyRead();
    void ComPortError(QSerialPort::SerialPortError error);
    void PortLost(uint32_t generation);
    void ComPortEcho(const QByteArray& bytes);
    void EnterBootMonitorMode();
    void LeaveBootMonitorMode();
    void ShowOpenFailure();
    void ApplyPortSettings();

    // Countdowns in master-timer ticks, -1 when idle.
    int32_t ReplyCountdown = -1;
    int32_t EchoCountdown = -1;
    int32_t PollCountdown = -1;
    int32_t RefreshCountdown = 0;
    int32_t WatchdogCountdown = 0;
    bool PeriodicOn = false;

    QStringList Ports;
    int ScanIndex = 0;
    int LastQueueCount = 0;

    QSerialPort ComPortAsync;
    TPacketDetector DataPacketAsync;
    QTimer MasterTimer;

    std::unique_ptr<TTXQueue> Queue;
    std::unique_ptr<TReplyDispatcher> FDispatcher;
    TLinkClients* FClients;
    QString FPortName;
    QString FIdentity;
    std::function<QString()> StatusComposer;
    QString LastStatus;
    bool FECUisConnected = false;
    bool FScanCOM = false;
    bool FMonitorMode = false;
    bool FDismantled = false;
    bool LossPending = false;
    uint32_t PortGeneration = 0; // counts the port's openings
    QString OutageReportedFor;   // the port whose unavailability the COM page already has
    bool EchoingReset = false; // the boot monitor's text after a reset goes to the log
    TReadRoute Route = RouteFrames;
    QSerialPort::SerialPortError LastOpenError = QSerialPort::NoError;
    QByteArray BootText; // what the boot monitor said since the reset, line feeds left out
};

// The one serial link of the program, created with the communication window.
extern TSerialLink* SerialLink;
