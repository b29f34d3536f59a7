// The link against the simulated ECU, through the Log window and the main window's status bar.
#include "LinkFixture.h"
#include "app/UnitMain.h"
#include "common/EcuSim.h"
#include "link/UnitCommunications.h"

#include <QLabel>
#include <QPushButton>
#include <QSerialPort>

namespace {

const QString Ident = QStringLiteral("CORVANE KELD 2.05");

class EndToEnd : public LinkFixture {
protected:
    ~EndToEnd() override { form.reset(); }

    // Opens the Log window on the given ports; with manual set, the test runs the master timer.
    void Open(const QStringList& list, bool manual = false) {
        ports = list;
        form = std::make_unique<TFormCommunications>(&main, nullptr, false);
        QObject::connect(&form->Link, &TSerialLink::StatusText,
                         [this](int panel, const QString& text) { status[panel == 0 ? 0 : 1] << text; });
        QObject::connect(&form->Link, &TSerialLink::FrameLogged, [this](const QByteArray& frame, bool out) {
            if (out) sent.push_back({tick, frame});
        });
        form->Link.SetClients(&clients);
        form->Link.Start();
        if (manual) form->Link.StopMasterTimer();
        link.reset();
    }
    // Opens the Log window on the simulator's port, named in the settings file.
    void OpenOn(const TEcuSim& ecu, bool manual = false) {
        ASSERT_TRUE(ecu.IsRunning()) << ecu.ErrorText().toStdString();
        Setting(QStringLiteral("COMPORT"), ecu.LinkPath());
        Open({}, manual);
    }
    static QString ConnectedText(const TEcuSim& ecu) { return Ident + QStringLiteral(" connected on ") + ecu.LinkPath(); }
    TSerialLink& Link() { return form->Link; }
    QString Panel(int i) const { return main.StatusText(i); }
    // Waits until panel 0 has shown text since the last wait (deadlines are generous: a loaded
    // machine runs the 10 ms timer late).
    bool WaitForPanel(const QString& text, int ms = 20000) {
        const bool seen = WaitFor([&] { return status[0].contains(text); }, ms);
        // Keep what came after the text: on a slow machine the next state may already be there.
        if (seen)
            status[0].remove(0, status[0].indexOf(text) + 1);
        else
            status[0].clear();
        return seen;
    }
    void ManualTicks(int n) {
        for (int i = 0; i < n; ++i) {
            ++tick;
            Link().MasterTimerTimer();
            QCoreApplication::processEvents();
        }
    }

    TFormMain main;
    std::unique_ptr<TFormCommunications> form;
};

TEST_F(EndToEnd, ConnectsIdentifiesAndAsksTheMode) {
    struct Case {
        const char* mode;
        int operatingMode;
        const char* notice;
    } cases[] = {{"slave", 0, "SLAVE 1000"}, {"compensated", 1, "COMPENSATED 1000"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mode);
        TEcuSim ecu({QStringLiteral("--no-pacing"), QStringLiteral("--mode"), QLatin1String(c.mode)});
        ASSERT_TRUE(ecu.IsRunning()) << ecu.ErrorText().toStdString();
        clients = RecordingClients();
        clients.mode = 1 - c.operatingMode;
        Setting(QStringLiteral("COMPORT"), ecu.LinkPath());
        Open({});
        ASSERT_EQ(Link().PortName(), ecu.LinkPath());
        EXPECT_EQ(Panel(0), QStringLiteral("Trying on ") + ecu.LinkPath());
        ASSERT_TRUE(WaitForPanel(Ident + QStringLiteral(" connected on ") + ecu.LinkPath()));
        ASSERT_TRUE(WaitFor([&] { return clients.calls.contains(QStringLiteral("ApplyOperatingMode")); }));
        EXPECT_TRUE(Link().ECUisConnected());
        EXPECT_EQ(clients.mode, c.operatingMode);
        EXPECT_EQ(clients.notices, QStringList({QLatin1String(c.notice)}));
        EXPECT_TRUE(clients.calls.contains(QStringLiteral("UploadAll 0")));
        EXPECT_TRUE(clients.statusUpdate); // a valid reply switches status polling on
        EXPECT_EQ(ReadSetting(QStringLiteral("COMPORT")), ecu.LinkPath());
        const QString log = form->LogText();
        EXPECT_TRUE(log.contains(QStringLiteral(" TX> FE 01 02 07 07 00 11 00 FE "))) << log.toStdString();
        EXPECT_TRUE(log.contains(QStringLiteral(" RX< FE 01 02 07 F8 FF "))) << log.toStdString();
        form.reset();
    }
}

TEST_F(EndToEnd, WhilePausedFramesGoBothWaysButAreNotLogged) {
    TEcuSim ecu;
    ASSERT_NO_FATAL_FAILURE(OpenOn(ecu));
    form->PauseButton->click();
    const QString connected = ConnectedText(ecu);
    ASSERT_TRUE(WaitForPanel(connected));
    EXPECT_EQ(form->LogLineCount(), 0);
    form->PauseButton->click();
    Link().RequestIdentity();
    ASSERT_TRUE(WaitForPanel(connected));
    EXPECT_TRUE(form->LogText().contains(QStringLiteral(" TX> FE 01 02 07 06 00 10 00 FE ")));
    EXPECT_TRUE(form->LogText().contains(QStringLiteral(" RX< FE 01 02 ")));
}

TEST_F(EndToEnd, SilentEcuIsProbedThreeTimesThenDeclaredAbsentAndProbedEveryWatchdogRun) {
    TEcuSim ecu;
    ASSERT_TRUE(ecu.IsRunning()) << ecu.ErrorText().toStdString();
    ASSERT_TRUE(ecu.Fault(QStringLiteral("silent on")));
    OpenOn(ecu, true);
    ManualTicks(352);
    EXPECT_EQ(SentTicks(), std::vector<int>({203, 253, 303}));
    main.SetStatusText(1, QStringLiteral("engine running"));
    ManualTicks(1);
    EXPECT_EQ(Panel(0), QStringLiteral("ECU not connected on ") + ecu.LinkPath());
    EXPECT_EQ(Panel(1), QString());
    ManualTicks(610 - 353);
    EXPECT_EQ(SentTicks(), std::vector<int>({203, 253, 303, 406, 456, 506, 609}));
}

TEST_F(EndToEnd, AutoScanSkipsASilentEcuAndWrapsFromTheLastPortToTheFirst) {
    TEcuSim one, two;
    ASSERT_TRUE(one.IsRunning() && two.IsRunning());
    QStringList list = {one.LinkPath(), two.LinkPath()};
    std::sort(list.begin(), list.end());
    TEcuSim& last = list[1] == one.LinkPath() ? one : two;
    ASSERT_TRUE(last.Fault(QStringLiteral("silent on")));
    Setting(QStringLiteral("COMPORT"), list[1]);
    Setting(QStringLiteral("COM_AUTOSCAN"), QStringLiteral("TRUE"));
    Open(list);
    ASSERT_TRUE(WaitForPanel(QStringLiteral("Scanning ") + list[1]));
    ASSERT_TRUE(WaitForPanel(QStringLiteral("ECU not connected on ") + list[1]));
    ASSERT_TRUE(WaitForPanel(QStringLiteral("Scanning ") + list[0]));
    ASSERT_TRUE(WaitForPanel(Ident + QStringLiteral(" connected on ") + list[0]));
    EXPECT_EQ(form->PortLabel->text(), list[0]);
}

TEST_F(EndToEnd, LineFaultsAreReported) {
    struct Case {
        const char* fault;
        QString status; // "" when the panel is not concerned
        const char* comError;
    } cases[] = {
        {"echo on", QStringLiteral("ERROR: modem on "), "Unespected answer to command 07"},
        {"unterminated on", QString(), "Frame time-out error"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fault);
        TEcuSim ecu;
        ASSERT_TRUE(ecu.IsRunning());
        ASSERT_TRUE(ecu.Fault(QLatin1String(c.fault)));
        clients = RecordingClients();
        Setting(QStringLiteral("COMPORT"), ecu.LinkPath());
        // The master timer stays still: its 500 ms reply time-out would otherwise always come
        // before the 550 ms frame time-out, which counts from the reply's start byte.
        Open({}, true);
        Link().SendConnectProbe();
        ASSERT_TRUE(WaitFor([&] { return clients.comErrors.contains(QLatin1String(c.comError)); }))
            << clients.comErrors.join(QLatin1Char('|')).toStdString();
        if (!c.status.isEmpty()) {
            EXPECT_EQ(Panel(0), c.status + ecu.LinkPath());
        }
        EXPECT_FALSE(Link().ECUisConnected());
        form.reset();
    }
}

TEST_F(EndToEnd, ResetGoesThroughTheBootMonitorAndBackToFrames) {
    TEcuSim ecu;
    ASSERT_NO_FATAL_FAILURE(OpenOn(ecu));
    const QString connected = ConnectedText(ecu);
    ASSERT_TRUE(WaitForPanel(connected));
    Link().ResetECU();
    // Requests behind the reset, as super-fast polling leaves them: sending the first lets the
    // reset's reply be delivered, and the boot monitor must still get no frame.
    SendCommand(CommandBody(cmdFastData), &Link(), false);
    SendCommand(CommandBody(cmdFastData), &Link(), false);
    ASSERT_TRUE(WaitFor([&] { return Link().BootMonitorMode(); }));
    EXPECT_EQ(Link().Port().baudRate(), 38400);
    EXPECT_EQ(Link().Port().stopBits(), QSerialPort::TwoStop);
    EXPECT_FALSE(TXQueue->Enabled());
    QCoreApplication::processEvents();
    EXPECT_FALSE(TXQueue->Enabled());
    EXPECT_TRUE(Link().BootMonitorMode());
    ASSERT_TRUE(WaitFor([&] { return !Link().BootMonitorMode(); }));
    EXPECT_TRUE(form->LogText().contains(QStringLiteral("Start Application")));
    EXPECT_EQ(Link().Port().baudRate(), 9600);
    EXPECT_EQ(Link().Port().stopBits(), QSerialPort::OneStop);
    EXPECT_EQ(clients.notices.last(), QStringLiteral("ECU resetted 500"));
    EXPECT_TRUE(clients.statusUpdate);
    EXPECT_TRUE(clients.mapRefresh);
    // Frames again: the application answers at 9600 baud.
    main.SetStatusText(0, QString());
    Link().RequestIdentity();
    EXPECT_TRUE(WaitForPanel(connected));
}

TEST_F(EndToEnd, WithoutStartApplicationThePortReturnsTo9600After402Ticks) {
    TEcuSim ecu;
    ASSERT_NO_FATAL_FAILURE(OpenOn(ecu, true));
    Link().ResetECU();
    ASSERT_TRUE(WaitFor([&] { return Link().BootMonitorMode(); }));
    ASSERT_EQ(Link().EchoTicksLeft(), 401);
    // The monitor's first offer shows in the log; then it falls silent, so "Start Application"
    // never comes.
    ASSERT_TRUE(WaitFor([&] { return form->LogText().contains(QStringLiteral("Type ESC")); }));
    ASSERT_TRUE(ecu.Fault(QStringLiteral("silent on")));
    ManualTicks(401);
    EXPECT_TRUE(Link().BootMonitorMode());
    EXPECT_EQ(Link().Port().baudRate(), 38400);
    ManualTicks(1);
    EXPECT_FALSE(Link().BootMonitorMode());
    EXPECT_EQ(Link().Port().baudRate(), 9600);
    EXPECT_EQ(Link().Port().stopBits(), QSerialPort::OneStop);
    EXPECT_TRUE(TXQueue->Enabled());
    EXPECT_FALSE(form->LogText().contains(QStringLiteral("Start Application")));
    EXPECT_TRUE(clients.notices.isEmpty());
}

TEST_F(EndToEnd, UnpluggedPortIsReportedAndTheEcuFoundAgainWhenItComesBack) {
    TEcuSim ecu;
    ASSERT_NO_FATAL_FAILURE(OpenOn(ecu));
    const QString connected = ConnectedText(ecu);
    ASSERT_TRUE(WaitForPanel(connected));
    ASSERT_TRUE(ecu.Unplug());
    ASSERT_TRUE(WaitForPanel(QStringLiteral("Port lost: ") + ecu.LinkPath()));
    EXPECT_FALSE(Link().ECUisConnected());
    EXPECT_FALSE(Link().PortIsOpen());
    ASSERT_TRUE(ecu.Replug());
    EXPECT_TRUE(WaitForPanel(connected));
    EXPECT_TRUE(Link().ECUisConnected());
}

TEST_F(EndToEnd, ResetThatIsNeverAnsweredSaysSo) {
    TEcuSim ecu;
    ASSERT_TRUE(ecu.IsRunning());
    ASSERT_TRUE(ecu.Fault(QStringLiteral("silent on")));
    OpenOn(ecu, true);
    Link().ResetECU();
    ManualTicks(150);
    EXPECT_EQ(dialogs.told, QStringList({"Reset failed: check connections."}));
    EXPECT_FALSE(Link().BootMonitorMode());
}

} // namespace
