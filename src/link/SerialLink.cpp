#include "link/SerialLink.h"

#include "StringIds.h"
#include "resources/Strings.h"
#include "link/Codec.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSerialPortInfo>

TSerialLink* SerialLink = nullptr;

namespace {

const QByteArray RestartText = QByteArrayLiteral("Start Application");

TLinkClients* NoClients() {
    static TLinkClients none;
    return &none;
}

TSerialLink::TPortEnumerator& Enumerator() {
    static TSerialLink::TPortEnumerator enumerator;
    return enumerator;
}

QStringList SystemPortNames() {
    QStringList names;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts())
        names << info.portName();
    return names;
}

bool IsDevicePath(const QString& name) {
    return name.startsWith(QLatin1Char('/')) || name.startsWith(QLatin1String("\\\\.\\"));
}

} // namespace

TSerialLink::TSerialLink(QObject* parent) : QObject(parent), FClients(NoClients()) {
    SerialLink = this;
    Queue = std::make_unique<TTXQueue>(this, this);
    TXQueue = Queue.get();
    FDispatcher = std::make_unique<TReplyDispatcher>(Queue.get(), this, this);

    connect(&DataPacketAsync, &TPacketDetector::PacketReceived, this,
            [this](const QByteArray& packet) { FDispatcher->HandlePacket(packet); });
    connect(&DataPacketAsync, &TPacketDetector::PacketTimeout, this,
            [this] { FDispatcher->HandlePacketTimeout(); });
    connect(&ComPortAsync, &QSerialPort::readyRead, this, &TSerialLink::ComPortReadyRead);
    connect(&ComPortAsync, &QSerialPort::errorOccurred, this, &TSerialLink::ComPortError);

    MasterTimer.setTimerType(Qt::PreciseTimer);
    MasterTimer.setInterval(10);
    connect(&MasterTimer, &QTimer::timeout, this, &TSerialLink::MasterTimerTimer);

    ComPortAsync.setReadBufferSize(PortBufferSize);
    ApplyPortSettings();
}

TSerialLink::~TSerialLink() {
    Dismantle();
    ComPortAsync.close();
    FDispatcher.reset();
    if (TXQueue == Queue.get()) TXQueue = nullptr;
    Queue.reset();
    if (SerialLink == this) SerialLink = nullptr;
}

void TSerialLink::SetClients(TLinkClients* clients) {
    FClients = clients ? clients : NoClients();
}

void TSerialLink::SetPortEnumerator(TPortEnumerator enumerator) {
    Enumerator() = std::move(enumerator);
}

QStringList TSerialLink::ReadPorts() {
    QStringList names = Enumerator() ? Enumerator()() : SystemPortNames();
    const QString extra = IsDevicePath(FPortName) ? FPortName : PortNameFromSetting(FClients->StoredPort().Port);
    if (IsDevicePath(extra) && !names.contains(extra) && QFileInfo::exists(extra)) {
        // "/dev/ttyUSB0" names the same port as the listed "ttyUSB0".
        const QString listedAs = extra.startsWith(QLatin1String("/dev/")) ? extra.mid(5) : QString();
        if (listedAs.isEmpty() || !names.contains(listedAs)) names << extra;
    }
    names.removeDuplicates();
    names.sort(Qt::CaseSensitive);
    return names;
}

QString TSerialLink::PortNameFromSetting(const QString& value) {
    static const QRegularExpression number(QStringLiteral("^[0-9]+$"));
    static const QRegularExpression deviceName(QStringLiteral("^[A-Za-z0-9_.:/\\\\-]+$"));
    const QString v = value.trimmed();
    if (number.match(v).hasMatch()) {
        const int n = v.toInt();
        return n > 0 ? QStringLiteral("COM%1").arg(n) : QString();
    }
    if (IsDevicePath(v)) {
        // A path may hold spaces; it names no device only if it holds control characters.
        for (const QChar c : v)
            if (c.category() == QChar::Other_Control) return QString();
        return v;
    }
    return deviceName.match(v).hasMatch() ? v : QString();
}

// ---- Start and end --------------------------------------------------------------------------

void TSerialLink::Start() {
    FECUisConnected = false;
    LastQueueCount = 0;
    Ports = ReadPorts();
    ScanIndex = 0;
    if (Ports.isEmpty()) {
        FPortName.clear();
        ShowLinkStatus([] { return ResStr(SMsgNoComPort); }, false);
    } else {
        LoadPortSettings();
        if (!FPortName.isEmpty() && !OpenPort()) FallBackToFirstPort();
    }
    emit ComMenuChanged();
    emit PortChanged();
    emit LogCleared();
    EchoCountdown = -1;
    StartPeriodic();
    MasterTimer.start();
}

void TSerialLink::Dismantle() {
    if (FDismantled) return;
    FDismantled = true;
    StopPeriodic();
    ReplyCountdown = -1;
    MasterTimer.stop();
    Queue->SetEnabled(false);
    Queue->Flush();
    if (ComPortAsync.isOpen() && ComPortAsync.clear(QSerialPort::Input))
        ComPortAsync.clear(QSerialPort::Output);
    DataPacketAsync.Disarm();
    Route = RouteHold;
    FDispatcher->SynchThread().Terminate();
}

// ---- Port settings --------------------------------------------------------------------------

void TSerialLink::LoadPortSettings() {
    const TStoredPort stored = FClients->StoredPort();
    const QString& value = stored.Port;
    if (!value.isEmpty()) {
        FPortName = PortNameFromSetting(value);
        if (!FPortName.isEmpty()) ShowLinkStatus([port = FPortName] { return ResStr(SMsgTryingOn) + port; }, false);
    } else if (Ports.isEmpty()) {
        FPortName.clear();
        ShowLinkStatus([] { return ResStr(SMsgNoComPort); }, false);
    } else {
        FPortName = Ports.first();
        ShowLinkStatus([port = FPortName] { return ResStr(SMsgTryingOn) + port; }, false);
    }
    FScanCOM = stored.Scan;
    emit ComMenuChanged();
}

void TSerialLink::SavePortSettings() {
    // No port stays no port on the next start, not "the first one listed".
    FClients->StorePort({FPortName.isEmpty() ? QStringLiteral("0") : FPortName, FScanCOM});
}

void TSerialLink::ApplyPortSettings() {
    ComPortAsync.setBaudRate(FMonitorMode ? MonitorBaudRate : FrameBaudRate);
    ComPortAsync.setDataBits(QSerialPort::Data8);
    ComPortAsync.setParity(QSerialPort::NoParity);
    ComPortAsync.setStopBits(FMonitorMode ? QSerialPort::TwoStop : QSerialPort::OneStop);
    ComPortAsync.setFlowControl(QSerialPort::NoFlowControl);
}

bool TSerialLink::OpenPort() {
    if (FPortName.isEmpty()) return false;
    if (ComPortAsync.isOpen()) return true;
    LossPending = false;
    ComPortAsync.setPortName(FPortName);
    ApplyPortSettings();
    if (!ComPortAsync.open(QIODevice::ReadWrite)) {
        LastOpenError = ComPortAsync.error();
        ShowOpenFailure();
        return false;
    }
    LastOpenError = QSerialPort::NoError;
    OutageReportedFor.clear();
    ++PortGeneration;
    // Lines a pseudo-terminal does not have; failing to set them is harmless.
    ComPortAsync.setDataTerminalReady(false);
    ComPortAsync.setRequestToSend(false);
    ComPortAsync.clearError();
    emit PortChanged();
    return true;
}

void TSerialLink::ShowOpenFailure() {
    if (LastOpenError == QSerialPort::PermissionError) {
        const auto text = [port = FPortName] {
            return ResStr(SMsgPermissionDenied) + port + ResStr(SMsgPermissionHint);
        };
        ShowLinkStatus(text, false);
        AddComError(text());
        return;
    }
    AddComError(ResStr(SMsgCannotOpen) + FPortName + QStringLiteral(": ") + ComPortAsync.errorString());
}

bool TSerialLink::SetPortName(const QString& name) {
    const bool wasOpen = ComPortAsync.isOpen();
    if (name == FPortName && wasOpen) return true;
    if (wasOpen) {
        ComPortAsync.close();
        DataPacketAsync.Disarm();
    }
    FPortName = name;
    emit PortChanged();
    return wasOpen ? OpenPort() : true;
}

void TSerialLink::FallBackToFirstPort() {
    ComPortAsync.close();
    DataPacketAsync.Disarm();
    if (Ports.isEmpty()) {
        FPortName.clear();
        ShowLinkStatus([] { return ResStr(SMsgNoComPort); }, false);
    } else {
        const bool permissionRefused = LastOpenError == QSerialPort::PermissionError;
        FPortName = Ports.first();
        OpenPort();
        // A port refused for lack of permission keeps its message: it tells the user what to fix.
        if (!permissionRefused && LastOpenError != QSerialPort::PermissionError)
            ShowLinkStatus([port = FPortName] { return ResStr(SMsgTryingOn) + port; }, false);
    }
    emit ComMenuChanged();
    emit PortChanged();
}

void TSerialLink::ChoosePort(const QString& name) {
    ResetLink();
    Queue->SetEnabled(false);
    ComPortAsync.close();
    DataPacketAsync.Disarm();
    FPortName = name;
    if (OpenPort()) {
        FScanCOM = false;
        SavePortSettings();
        ShowLinkStatus([port = FPortName] { return ResStr(SMsgTryingOn) + port; }, false);
    } else {
        FallBackToFirstPort();
    }
    emit ComMenuChanged();
    emit PortChanged();
    Queue->SetEnabled(true);
    SetECUisConnected(false);
}

void TSerialLink::SetScanCOM(bool on) {
    FScanCOM = on;
    SavePortSettings();
    emit ComMenuChanged();
}

// ---- Periodic duties ------------------------------------------------------------------------

void TSerialLink::StartPeriodic() {
    RefreshCountdown = 200;
    WatchdogCountdown = 202;
    PollCountdown = 14;
    PeriodicOn = true;
}

// The reply time-out is not a periodic duty: a request on the wire keeps it, or a lost reply
// would never be resent nor failed, and every later request would wait behind it for ever.
void TSerialLink::StopPeriodic() {
    PeriodicOn = false;
}

void TSerialLink::MasterTimerTimer() {
    if (ReplyCountdown > 0)
        --ReplyCountdown;
    else if (ReplyCountdown != -1)
        FDispatcher->HandleTimeout();

    if (EchoCountdown > 0) {
        --EchoCountdown;
        if (BootText.contains(RestartText)) {
            EchoCountdown = -1;
            LeaveBootMonitorMode();
            Queue->SetEnabled(true);
            SwitchStatusPollingOn();
            FClients->SetEnableMapRefresh(true);
            FClients->ShowTransientMessage(ResStr(SMsgEcuResetted), 500);
        }
    } else if (EchoCountdown != -1) {
        EchoCountdown = -1;
        LeaveBootMonitorMode();
        Queue->SetEnabled(true);
    }

    if (!PeriodicOn) return;

    if (PollCountdown > 0)
        --PollCountdown;
    else if (PollCountdown != -1)
        FClients->PollLiveData();

    if (RefreshCountdown >= 1) {
        --RefreshCountdown;
    } else {
        RefreshCountdown = 200;
        if (FClients->EnableMapRefresh() && !Queue->Contains(cmdReadBlock)) FClients->RefreshActiveMap();
    }

    if (WatchdogCountdown >= 1) {
        --WatchdogCountdown;
    } else {
        WatchdogCountdown = 202;
        Watchdog();
    }
}

void TSerialLink::Watchdog() {
    if (!FECUisConnected) {
        if (Queue->Count() == LastQueueCount) ResetLink();
        if (FScanCOM) {
            if (Ports.isEmpty()) {
                FallBackToFirstPort();
            } else {
                ScanIndex = ScanIndex < Ports.size() - 1 ? ScanIndex + 1 : 0;
                ResetLink();
                if (SetPortName(Ports[ScanIndex])) {
                    ShowLinkStatus([port = FPortName] { return ResStr(SMsgScanning) + port; }, false);
                } else {
                    FallBackToFirstPort();
                }
            }
        }
        SendConnectProbe();
    }
    LastQueueCount = Queue->Count();
}

void TSerialLink::ResetLink() {
    const bool standard = FClients->Standard();
    const bool statusUpdate = FClients->StatusUpdate();
    FClients->SetStandard(false);
    FClients->SetStatusUpdate(false);
    FClients->SetSaving(false);
    FClients->SetEnableMapRefresh(false);

    ReplyCountdown = -1;
    Queue->SetEnabled(false);
    Queue->Flush();
    if (!PurgePort()) FallBackToFirstPort();

    Queue->SetEnabled(true);
    FClients->SetStandard(standard);
    FClients->SetStatusUpdate(statusUpdate);
    FClients->SetEnableMapRefresh(statusUpdate);
    emit QueuedCountChanged(Queue->Count());
}

// ---- The link's own requests and replies ----------------------------------------------------

void TSerialLink::RequestIdentity() {
    SendCommand(CommandBody(cmdIdentify), this, false);
}

void TSerialLink::SendConnectProbe() {
    QueueFrame(CommandBody(cmdConnect), this, false);
}

void TSerialLink::QueryMode() {
    SendCommand(CommandBody(cmdMode) + char(3), this, true);
}

void TSerialLink::ResetECU() {
    FClients->SetStandard(false);
    FClients->SetStatusUpdate(false);
    FClients->SetSaving(false);
    FClients->SetEnableMapRefresh(false);
    ProcessPendingMessages();
    QueueFrame(CommandBody(cmdReset) + char(1), this, true);
}

void TSerialLink::SetECUisConnected(bool connected) {
    const bool was = FECUisConnected;
    FECUisConnected = connected;
    if (was || !connected) return;
    Queue->Flush();
    RequestIdentity();
    QueryMode();
    FClients->UploadAll(false);
    SavePortSettings();
}

void TSerialLink::SwitchStatusPollingOn() {
    if (!FClients->StatusUpdate()) FClients->SetStatusUpdate(true);
}

void TSerialLink::FrameReceived(const TFrame& Reply) {
    const uint16_t code = FrameCommand(Reply.Data);
    if (code == ReplyCode(cmdConnect)) {
        SwitchStatusPollingOn();
        if (FClients->MetersVisible() && !FClients->Standard()) {
            FClients->SetStandard(true);
            FClients->SetSuperFast(false);
        }
        FClients->SetEnableMapRefresh(true);
        emit ComMenuChanged();
    } else if (code == ReplyCode(cmdIdentify)) {
        QByteArray text = FramePayload(Reply.Data);
        const qsizetype end = text.indexOf('\0');
        if (end >= 0) text.truncate(end);
        FIdentity = QString::fromLatin1(text);
        ShowLinkStatus([identity = FIdentity, port = FPortName] { return identity + ResStr(SMsgConnectedOn) + port; },
                       false);
    } else if (code == ReplyCode(cmdReset)) {
        EnterBootMonitorMode();
    } else if (code == ReplyCode(cmdMode)) {
        const QByteArray payload = FramePayload(Reply.Data);
        const int reported = payload.isEmpty() ? 0 : static_cast<uint8_t>(payload[0]);
        if (reported == 1) FClients->SetOperatingMode(0);
        if (reported == 2) FClients->SetOperatingMode(1);
        FClients->ShowTransientMessage(
            ResStr(FClients->OperatingMode() == 1 ? SMsgModeCompensated : SMsgModeSlave), 1000);
        FClients->ApplyOperatingMode();
    }
}

void TSerialLink::FrameFailed() {
    const TFrame* head = Queue->HeadFrame();
    const uint16_t code = head ? FrameCommand(head->Data) : 0;
    if (code == cmdConnect) {
        if (Queue->IsUnsupported(cmdConnect)) {
            ShowLinkStatus({}, false);
            return;
        }
        ShowLinkStatus(
            [port = FPortName] { return port.isEmpty() ? ResStr(SMsgNoComPort) : ResStr(SMsgNotConnectedOn) + port; },
            true);
        SetECUisConnected(false);
        // A port plugged in meanwhile joins the list; the scan goes on from the current port.
        Ports = ReadPorts();
        const int index = int(Ports.indexOf(FPortName));
        if (index >= 0) ScanIndex = index;
    } else if (code == cmdReset) {
        FClients->ReportFailure(ResStr(SMsgResetFailed));
    }
}

// ---- Port events ----------------------------------------------------------------------------

bool TSerialLink::WritePort(const QByteArray& wire) {
    if (!ComPortAsync.isOpen()) return false;
    if (ComPortAsync.write(wire) != wire.size()) return false;
    emit Activity(true);
    return true;
}

bool TSerialLink::PurgePort() {
    if (!ComPortAsync.isOpen()) return true; // nothing buffered in a closed port
    if (ComPortAsync.clear(QSerialPort::AllDirections)) return true;
    if (LossPending || ComPortAsync.error() == QSerialPort::ResourceError) {
        // The device is gone: this is a lost port, not a reason to move to another one.
        PortLost(PortGeneration);
        return true;
    }
    return false;
}

void TSerialLink::ProcessPendingMessages() {
    QCoreApplication::processEvents();
}

void TSerialLink::AddComError(const QString& message) {
    // While the port cannot be used every request fails the same way: one report for the
    // outage, another once the port has been open again.
    if (!ComPortAsync.isOpen() && !FPortName.isEmpty()) {
        if (OutageReportedFor == FPortName) return;
        OutageReportedFor = FPortName;
    }
    FClients->AddComError(message);
}

void TSerialLink::ShowLinkStatus(std::function<QString()> compose, bool clearSecond) {
    StatusComposer = std::move(compose);
    LastStatus = StatusComposer ? StatusComposer() : QString();
    emit StatusText(0, LastStatus);
    if (clearSecond) emit StatusText(1, QString());
}

QString TSerialLink::RecomposedStatus(const QString& shown) {
    // Panel 0 may since show a text of the program's own; that one is left as it is.
    if (shown != LastStatus || !StatusComposer) return shown;
    LastStatus = StatusComposer();
    return LastStatus;
}

void TSerialLink::ComPortReadyRead() {
    // Bytes that arrive while a packet is handled raise no second readyRead; take them here.
    while (ComPortAsync.isOpen() && Route != RouteHold && ComPortAsync.bytesAvailable() > 0) {
        const QByteArray bytes = ComPortAsync.readAll();
        emit Activity(false);
        if (Route == RouteFrames) {
            DataPacketAsync.Feed(bytes);
        } else {
            if (EchoingReset) ComPortEcho(bytes);
            emit MonitorBytesReceived(bytes);
        }
    }
}

void TSerialLink::ComPortError(QSerialPort::SerialPortError error) {
    if (!ComPortAsync.isOpen()) return;
    if (error != QSerialPort::ResourceError && error != QSerialPort::ReadError &&
        error != QSerialPort::WriteError)
        return;
    // The port keeps reporting until it is closed; close it once, outside the port's own handler.
    if (LossPending) return;
    LossPending = true;
    // The port may be closed and opened again before this runs; the loss is of this opening only.
    QMetaObject::invokeMethod(
        this, [this, generation = PortGeneration] { PortLost(generation); }, Qt::QueuedConnection);
}

void TSerialLink::PortLost(uint32_t generation) {
    if (generation != PortGeneration) return;
    LossPending = false;
    if (!ComPortAsync.isOpen()) return;
    ComPortAsync.close();
    DataPacketAsync.Disarm();
    FECUisConnected = false;
    const auto text = [port = FPortName] { return ResStr(SMsgPortLost) + port; };
    ShowLinkStatus(text, true);
    AddComError(text());
    emit PortChanged();
}

// ---- Boot monitor ---------------------------------------------------------------------------

void TSerialLink::SwitchToMonitorMode(TReadRoute route) {
    Queue->SetEnabled(false);
    FMonitorMode = true;
    ComPortAsync.setStopBits(QSerialPort::TwoStop);
    ComPortAsync.setBaudRate(MonitorBaudRate);
    DataPacketAsync.Disarm();
    Route = route == RouteFrames ? RouteEcho : route;
    emit PortChanged();
    ProcessPendingMessages();
    if (Route == RouteEcho) ComPortReadyRead(); // bytes that came before the route was set
}

void TSerialLink::SwitchToFrameMode() {
    FMonitorMode = false;
    ComPortAsync.setBaudRate(FrameBaudRate);
    ComPortAsync.setStopBits(QSerialPort::OneStop);
    Route = RouteFrames;
    emit PortChanged();
    ResetLink();
}

void TSerialLink::EnterBootMonitorMode() {
    emit LogCleared();
    BootText.clear();
    ResetLink();
    EchoingReset = true;
    SwitchToMonitorMode(RouteEcho);
    EchoCountdown = 401;
}

void TSerialLink::LeaveBootMonitorMode() {
    EchoingReset = false;
    SwitchToFrameMode();
}

void TSerialLink::ComPortEcho(const QByteArray& bytes) {
    for (const char c : bytes) {
        if (c == '\n') continue;
        BootText.append(c == '\r' ? '\n' : c);
    }
    emit BootTextReceived(bytes);
}
