#include "LinkFixture.h"

#include <QFile>
#include <QSerialPort>

namespace {

const QString ComPort = QStringLiteral("COMPORT");
const QString AutoScan = QStringLiteral("COM_AUTOSCAN");

// ---- Port settings --------------------------------------------------------------------------

struct SettingsCase {
    const char* comPort; // nullptr: no line
    const char* autoScan;
    QStringList ports;
    QString port;
    QString status; // the message shown, "" for none
    bool scan;
};

using PortSettings = LinkFixture;

TEST_F(PortSettings, LoadChoosesThePortAndTheScan) {
    const QStringList two = {QStringLiteral("COM10"), QStringLiteral("COM2")};
    const SettingsCase cases[] = {
        {nullptr, nullptr, two, QStringLiteral("COM10"), QStringLiteral("Trying on COM10"), false},
        {"ttyUSB3", "TRUE", two, QStringLiteral("ttyUSB3"), QStringLiteral("Trying on ttyUSB3"), true},
        {"3", "true", two, QStringLiteral("COM3"), QStringLiteral("Trying on COM3"), false},
        {"0", "FALSE", two, QString(), QString(), false},
        {"no such port!", nullptr, two, QString(), QString(), false},
        {"/tmp/a folder/ttyECU", nullptr, two, QStringLiteral("/tmp/a folder/ttyECU"),
         QStringLiteral("Trying on /tmp/a folder/ttyECU"), false},
        {nullptr, "TRUE", {}, QString(), QStringLiteral("No COM port found"), true},
    };
    for (const SettingsCase& c : cases) {
        SCOPED_TRACE(c.comPort ? c.comPort : "(none)");
        QFile::remove(SettingsFilePath());
        if (c.comPort) Setting(ComPort, QLatin1String(c.comPort));
        if (c.autoScan) Setting(AutoScan, QLatin1String(c.autoScan));
        Create();
        link->SetKnownPorts(c.ports);
        link->LoadPortSettings();
        EXPECT_EQ(link->PortName(), c.port);
        EXPECT_EQ(Status(), c.status);
        EXPECT_EQ(link->ScanCOM(), c.scan);
        status[0].clear();
    }
}

TEST_F(PortSettings, SavedPortAndScanReadBackTheSame) {
    Create();
    link->SetKnownPorts({QStringLiteral("ttyS0")});
    ASSERT_TRUE(link->SetPortName(QStringLiteral("/dev/ttyUSB1")));
    link->SetScanCOM(true);
    EXPECT_EQ(ReadSetting(ComPort), QStringLiteral("/dev/ttyUSB1"));
    EXPECT_EQ(ReadSetting(AutoScan), QStringLiteral("TRUE"));

    link->SetPortName(QString());
    link->SetScanCOM(false);
    EXPECT_EQ(ReadSetting(ComPort), QStringLiteral("0")); // no port stays no port, not "the first one"
    EXPECT_EQ(ReadSetting(AutoScan), QStringLiteral("FALSE"));
    link->LoadPortSettings();
    EXPECT_EQ(link->PortName(), QString());
}

TEST_F(PortSettings, PortListIsSortedAsTextAndKeepsTheSettingsDevicePath) {
    ports = {QStringLiteral("ttyS1"), QStringLiteral("COM2"), QStringLiteral("COM10")};
    PtyLine line;
    Setting(ComPort, line.path);
    Create();
    EXPECT_EQ(link->ReadPorts(), QStringList({line.path, "COM10", "COM2", "ttyS1"}));
    // A device path that does not exist is no port to list.
    Setting(ComPort, QStringLiteral("/dev/corvane-no-such-port"));
    EXPECT_EQ(link->ReadPorts(), QStringList({"COM10", "COM2", "ttyS1"}));
    // The same device under its listed name is not listed twice.
    Setting(ComPort, QStringLiteral("/dev/ttyS1"));
    EXPECT_EQ(link->ReadPorts(), QStringList({"COM10", "COM2", "ttyS1"}));
}

TEST_F(PortSettings, PortThatCannotBeOpenedFallsBackToTheFirstListedPort) {
    PtyLine line;
    ASSERT_TRUE(line.Ok());
    ports = {line.path};
    Setting(ComPort, QStringLiteral("/dev/corvane-no-such-port"));
    Start();
    EXPECT_EQ(link->PortName(), line.path);
    EXPECT_TRUE(link->PortIsOpen());
    EXPECT_EQ(Status(), QStringLiteral("Trying on ") + line.path);
    EXPECT_FALSE(clients.comErrors.isEmpty());
}

TEST_F(PortSettings, PortRefusedForLackOfPermissionSaysSo) {
    // A file that may not be opened for writing, even by the superuser.
    const QString refused = QStringLiteral("/sys/kernel/notes");
    if (!QFile::exists(refused)) GTEST_SKIP() << "no " << refused.toStdString();
    PtyLine line;
    ports = {line.path};
    Setting(ComPort, refused);
    Start();
    const QString message = QStringLiteral("Permission denied on ") + refused +
                            QStringLiteral(": the user must be in the dialout group");
    EXPECT_EQ(Status(), message);
    EXPECT_TRUE(clients.comErrors.contains(message));
    // It still falls back to the first port, without hiding why.
    EXPECT_EQ(link->PortName(), ports.first());
    EXPECT_TRUE(link->PortIsOpen());
}

// ---- Without a port, requests time out ------------------------------------------------------

class Recorder : public TConsumerInterface {
public:
    QStringList events;
    QByteArrayList replies; // payloads, with "!" after those whose Notify is set
    void FrameReceived(const TFrame& r) override {
        events << QStringLiteral("received %1").arg(FrameCommand(r.Data), 0, 16);
        replies << FramePayload(r.Data) + (r.Notify ? "!" : "");
    }
    void FrameDiscarded() override { events << QStringLiteral("discarded"); }
    void FrameFailed() override { events << QStringLiteral("failed"); }
};

TEST_F(PortSettings, WithoutAPortEachRequestFailsAfterThreeTimeouts) {
    struct Case {
        const char* name;
        bool listPort;
        const char* comPort;
    } cases[] = {{"no port in the system", false, nullptr},
                 {"setting that names no port", true, "no such port!"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        PtyLine line;
        ports = c.listPort ? QStringList{line.path} : QStringList{};
        QFile::remove(SettingsFilePath());
        if (c.comPort) Setting(ComPort, QLatin1String(c.comPort));
        link.reset();
        tick = 0;
        Start();
        ASSERT_FALSE(link->PortIsSelected());
        Recorder consumer;
        QueueFrame(CommandBody(cmdIdentify), &consumer, false);
        Ticks(149);
        EXPECT_TRUE(consumer.events.isEmpty());
        Ticks(1);
        EXPECT_EQ(consumer.events, QStringList({"failed", "discarded"}));
        EXPECT_EQ(Status(), QStringLiteral("No COM port found"));
        EXPECT_TRUE(line.Read().isEmpty());
        link.reset();
    }
}

// ---- Live data around a link reset and an ECU reset ------------------------------------------

TEST_F(PortSettings, ResetLinkRestoresPollingAndResetEcuStopsIt) {
    struct Case {
        bool standard, statusUpdate;
    } cases[] = {{false, false}, {true, false}, {false, true}, {true, true}};
    Start();
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "standard " << c.standard << " status " << c.statusUpdate);
        clients.standard = c.standard;
        clients.statusUpdate = c.statusUpdate;
        clients.saving = true;
        clients.mapRefresh = !c.statusUpdate;
        link->ResetLink();
        EXPECT_EQ(clients.standard, c.standard);
        EXPECT_EQ(clients.statusUpdate, c.statusUpdate);
        EXPECT_FALSE(clients.saving); // a recording ends with the reset
        EXPECT_EQ(clients.mapRefresh, c.statusUpdate);
        EXPECT_TRUE(TXQueue->Enabled());

        clients.saving = clients.mapRefresh = true;
        link->ResetECU();
        EXPECT_FALSE(clients.standard || clients.statusUpdate || clients.saving || clients.mapRefresh);
        link->ResetLink(); // forgets the reset request
    }
}

// ---- A silent line --------------------------------------------------------------------------

using SilentLine = LinkFixture;

TEST_F(SilentLine, ProbeIsSentThreeTimesHalfASecondApartThenEveryWatchdogRun) {
    PtyLine line;
    ASSERT_TRUE(line.Ok());
    ports = {line.path};
    Start();
    ASSERT_TRUE(link->PortIsOpen());
    Ticks(352, &line);
    EXPECT_EQ(SentTicks(), std::vector<int>({203, 253, 303}));
    EXPECT_NE(Status(), QStringLiteral("ECU not connected on ") + line.path);
    status[1].clear();
    Ticks(1, &line);
    EXPECT_EQ(Status(), QStringLiteral("ECU not connected on ") + line.path);
    ASSERT_FALSE(status[1].isEmpty());
    EXPECT_EQ(status[1].last(), QString());
    EXPECT_FALSE(link->ECUisConnected());
    Ticks(610 - 353, &line);
    EXPECT_EQ(SentTicks(), std::vector<int>({203, 253, 303, 406, 456, 506, 609}));
    for (const auto& s : sent)
        EXPECT_EQ(UnescapeFrame(s.second), BuildFrame(CommandBody(cmdConnect)));
}

// "Disable" and "Enable status update" stop and start the periodic duties; a request already on
// the wire keeps its reply time-out, so its lost reply is still resent and in the end failed.
TEST_F(SilentLine, StatusUpdateSwitchedOffAndOnLeavesARunningReplyTimeOutAlone) {
    PtyLine line;
    ports = {line.path};
    Start();
    Recorder consumer;
    QueueFrame(CommandBody(cmdIdentify), &consumer, false);
    Ticks(10, &line);
    link->StopPeriodic();
    Ticks(10, &line);
    link->StartPeriodic();
    Ticks(140, &line);
    EXPECT_EQ(SentTicks(), std::vector<int>({1, 50, 100}));
    EXPECT_EQ(consumer.events, QStringList({"failed", "discarded"}));
}

TEST_F(SilentLine, AutoScanMovesToTheNextPortAndWrapsFromTheLastToTheFirst) {
    PtyLine first, last;
    ports = {first.path, last.path};
    std::sort(ports.begin(), ports.end());
    PtyLine& a = first.path == ports[0] ? first : last;
    PtyLine& b = first.path == ports[0] ? last : first;
    Setting(ComPort, ports[1]);
    Setting(AutoScan, QStringLiteral("TRUE"));
    Start();
    ASSERT_EQ(link->PortName(), ports[1]);
    Ticks(203, &b);
    EXPECT_EQ(status[0].last(), QStringLiteral("Scanning ") + ports[1]);
    EXPECT_EQ(sent.size(), 1u);
    Ticks(406 - 203, &b);
    // Three silent probes on the last port, then the scan wraps round to the first.
    EXPECT_EQ(SentTicks(), std::vector<int>({203, 253, 303}));
    EXPECT_EQ(link->PortName(), ports[0]);
    EXPECT_EQ(Status(), QStringLiteral("Scanning ") + ports[0]);
    EXPECT_TRUE(link->PortIsOpen());
    const auto probe = PtyLine::Frames(a.Read());
    ASSERT_EQ(probe.size(), 1u);
    EXPECT_EQ(UnescapeFrame(probe[0]), BuildFrame(CommandBody(cmdConnect)));
}

// ---- The line answers ----------------------------------------------------------------------

using Line = LinkFixture;

TEST_F(Line, AnEchoingModemIsReportedAndTheEchoTakenAsAnUnexpectedAnswer) {
    PtyLine line;
    ports = {line.path};
    Start();
    link->SendConnectProbe();
    QByteArray request;
    ASSERT_TRUE(WaitFor([&] { return !(request += line.Read()).isEmpty(); }));
    line.Write(request);
    ASSERT_TRUE(WaitFor([&] { return !clients.comErrors.isEmpty(); }));
    EXPECT_EQ(Status(), QStringLiteral("ERROR: modem on ") + line.path);
    EXPECT_EQ(clients.comErrors, QStringList({"Unespected answer to command 07"}));
    EXPECT_EQ(TXQueue->Count(), 1); // still waiting: the time-out resends it
}

TEST_F(Line, FrameThatNeverEndsTimesOutAndTheRequestIsSentAgain) {
    PtyLine line;
    ports = {line.path};
    Start();
    link->SendConnectProbe();
    ASSERT_TRUE(WaitFor([&] { return !line.Read().isEmpty(); }));
    line.Write(QByteArray::fromHex("fe0102"));
    ASSERT_TRUE(WaitFor([&] { return !clients.comErrors.isEmpty(); }));
    EXPECT_EQ(clients.comErrors, QStringList({"Frame time-out error"}));
    QByteArray again;
    ASSERT_TRUE(WaitFor([&] { return !(again += line.Read()).isEmpty(); }));
    EXPECT_EQ(UnescapeFrame(again), BuildFrame(CommandBody(cmdConnect)));
    EXPECT_EQ(TXQueue->HeadFrame()->Attempts, 2);
}

// A request answered only after its resend has a second answer on the way; it comes while the
// next request waits, and must not pass for that request's answer even when the two requests
// share their command code (a run of block reads or writes).
TEST_F(Line, LateCopyOfAnAnswerIsNotTakenForTheNextRequestsAnswer) {
    struct Case {
        const char* name;
        uint16_t code;
        bool copyComes; // false: the first answer was lost, not late
    };
    const Case cases[] = {{"block reads", cmdReadBlock, true},
                          {"block writes, answered alike", cmdWriteBlock, true},
                          {"block reads, the first answer lost", cmdReadBlock, false},
                          {"block writes, the first answer lost", cmdWriteBlock, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        PtyLine line;
        ports = {line.path};
        link.reset();
        tick = 0;
        sent.clear();
        clients = RecordingClients();
        Start();
        link->StopPeriodic(); // no connection duties: only the two requests go
        int received = 0;
        QObject::connect(link.get(), &TSerialLink::FrameLogged, [&](const QByteArray&, bool out) {
            if (!out) ++received;
        });
        const auto body = [&](int block) {
            return QByteArray(1, char(c.code)) + '\0' + char(block) + (c.code == cmdWriteBlock ? "\x11\x22" : "");
        };
        const auto answer = [&](int block) {
            const QByteArray payload = c.code == cmdReadBlock ? QByteArray(1, char(block)) + "\x33\x44" : QByteArray();
            const int before = received;
            line.Write(EscapeFrame(BuildFrame(ReplyCode(c.code), payload)));
            ASSERT_TRUE(WaitFor([&] { return received > before; }));
            QCoreApplication::processEvents();
        };
        Recorder consumer;
        QueueFrame(body(1), &consumer, false);
        QueueFrame(body(2), &consumer, true);
        Ticks(50, &line);
        ASSERT_EQ(sent.size(), 2u); // block 1, and again after the time-out
        ASSERT_NO_FATAL_FAILURE(answer(1));
        ASSERT_EQ(consumer.replies.size(), 1);
        Ticks(1, &line);
        ASSERT_EQ(sent.size(), 3u);
        EXPECT_EQ(UnescapeFrame(sent[2].second), BuildFrame(body(2)));
        if (c.copyComes) {
            ASSERT_NO_FATAL_FAILURE(answer(1));
            EXPECT_EQ(consumer.replies.size(), 1);
            EXPECT_EQ(TXQueue->Count(), 1);
        } else if (c.code == cmdWriteBlock) {
            // Taken for the copy, as alike as it is: block 2 costs one more transmission.
            ASSERT_NO_FATAL_FAILURE(answer(2));
            EXPECT_EQ(consumer.replies.size(), 1);
            Ticks(50, &line);
            EXPECT_EQ(sent.size(), 4u);
        }
        ASSERT_NO_FATAL_FAILURE(answer(2));
        ASSERT_TRUE(WaitFor([&] { return consumer.replies.size() == 2; }));
        EXPECT_EQ(consumer.events, QStringList({"received fffd", "received fffd"}).replaceInStrings(
                                       "fffd", QString::number(ReplyCode(c.code), 16)));
        // The last request's own answer carries its Notify, and for a read its own block.
        EXPECT_TRUE(consumer.replies[1].endsWith('!'));
        if (c.code == cmdReadBlock) {
            EXPECT_EQ(consumer.replies[1].left(1), QByteArray(1, '\2'));
        }
        EXPECT_TRUE(clients.comErrors.isEmpty()) << clients.comErrors.join(QLatin1Char('|')).toStdString();
        EXPECT_TRUE(TXQueue->IsEmpty());
        link.reset();
    }
}

TEST_F(Line, PulledOutPortIsReportedAndOpenedAgainWhenItComesBack) {
    auto line = std::make_unique<PtyLine>();
    const QString device = settingsDir.filePath(QStringLiteral("ttyECU"));
    ASSERT_TRUE(QFile::link(line->path, device));
    Setting(ComPort, device);
    Start();
    ASSERT_TRUE(link->PortIsOpen());
    line->Close();
    // The device goes with the adapter; a pseudo-terminal's number may meanwhile be given to
    // another program's terminal, which must not pass for the adapter coming back.
    QFile::remove(device);
    ASSERT_TRUE(WaitFor([&] { return !link->PortIsOpen(); }));
    EXPECT_EQ(Status(), QStringLiteral("Port lost: ") + device);
    EXPECT_FALSE(link->ECUisConnected());

    // Requests while it is gone find no port and are dropped; the watchdog keeps trying, and
    // the COM page hears of the loss once, however long it lasts.
    Ticks(3 * 203);
    EXPECT_FALSE(link->PortIsOpen());
    EXPECT_EQ(link->PortName(), device);
    EXPECT_EQ(clients.comErrors, QStringList({QStringLiteral("Port lost: ") + device}));

    line = std::make_unique<PtyLine>();
    ASSERT_TRUE(QFile::link(line->path, device));
    Ticks(210, line.get());
    EXPECT_TRUE(link->PortIsOpen());
    // The port writes in the background: wait for the probe rather than expect it by a tick.
    ASSERT_TRUE(WaitFor([&] {
        for (const QByteArray& frame : PtyLine::Frames(line->Read()))
            sent.push_back({tick, frame});
        return !sent.empty();
    }));
    EXPECT_EQ(UnescapeFrame(sent[0].second), BuildFrame(CommandBody(cmdConnect)));

    // Lost a second time, it is reported again.
    line->Close();
    ASSERT_TRUE(WaitFor([&] { return !link->PortIsOpen(); }));
    EXPECT_EQ(clients.comErrors.size(), 2);
}

// A loss noticed just before the port is closed and opened again (a port chosen from the menu
// meanwhile) is the old opening's: the new one stays open and no loss is reported for it.
TEST_F(Line, LossOfAnEarlierOpeningLeavesTheReopenedPortAlone) {
    PtyLine first, second;
    ports = {first.path, second.path};
    Setting(ComPort, first.path);
    Start();
    ASSERT_TRUE(link->PortIsOpen());
    emit link->Port().errorOccurred(QSerialPort::ResourceError);
    ASSERT_TRUE(link->SetPortName(second.path));
    bool ran = false;
    QMetaObject::invokeMethod(link.get(), [&ran] { ran = true; }, Qt::QueuedConnection);
    ASSERT_TRUE(WaitFor([&] { return ran; }));
    EXPECT_TRUE(link->PortIsOpen());
    EXPECT_EQ(link->PortName(), second.path);
    EXPECT_FALSE(status[0].join('\n').contains(QStringLiteral("Port lost")));
    EXPECT_TRUE(clients.comErrors.isEmpty());
}

} // namespace
