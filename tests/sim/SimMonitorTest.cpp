// The boot monitor's text dialogue, byte for byte, through the pseudo-terminal.
#include "SimLine.h"

namespace {

const QByteArray Esc("\x1B");
const QByteArray Offer("Type ESC to enter monitor mode\n\r");
const QByteArray Started("Start Application\n\r");
const QStringList Firmware = {
    QStringLiteral("S00A0000636F7276616E6507"), QStringLiteral("S10B10001234FEFD1B0D00FF7C"),
    QStringLiteral("S1131008A5A5A5A5A5A5A5A5A5A5A5A5A5A5A5A584"), QStringLiteral("S9031000EC")};

class SimMonitorTest : public ::testing::Test {
protected:
    void Start(const QStringList& options) {
        Sim = std::make_unique<TEcuSim>(options);
        ASSERT_TRUE(Sim->IsRunning()) << Sim->ErrorText().toStdString();
        Line = std::make_unique<SimLine>(Sim->LinkPath());
        ASSERT_TRUE(Line->IsOpen());
    }

    // Resets the ECU with a frame and catches its monitor's prompt at the monitor's speed.
    void ResetIntoMonitor() {
        EXPECT_EQ(FrameCommand(Line->Exchange(cmdReset, QByteArray(1, '\x01'))), ReplyCode(cmdReset));
        Line->MonitorSpeed(true);
        ASSERT_TRUE(Line->ReadUntil(Offer).endsWith(Offer));
        Line->Write(Esc);
        EXPECT_EQ(Line->ReadUntil(">"), QByteArray("Monitor active\n\r>"));
    }

    // Sends the whole successful flash dialogue and checks every answer.
    void Flash() {
        for (const char* sector : {"ES 00", "ES 01", "ES 02", "ES 04"}) {
            Line->Write(QByteArray(sector) + '\r');
            EXPECT_EQ(Line->ReadUntil(">"), QByteArray(sector) + "E\n\rOK.\n\r>") << sector;
        }
        Line->Write("\rHEXDWL\r");
        EXPECT_EQ(Line->ReadUntil("HEXDWL"), QByteArray("\n\r>HEXDWL"));
        for (const QString& l : Firmware) {
            Line->Write(l.toLatin1() + '\r');
            EXPECT_EQ(Line->ReadUntil("\x06", 1000), QByteArray("\x06")) << l.toStdString();
        }
        // The end record closes the download; ESC then gives a fresh prompt.
        EXPECT_EQ(Line->ReadUntil(">"), QByteArray("\n\r>"));
        Line->Write(Esc);
        EXPECT_EQ(Line->ReadUntil(">"), QByteArray("\n\r>"));
    }

    std::unique_ptr<TEcuSim> Sim;
    std::unique_ptr<SimLine> Line;
};

TEST_F(SimMonitorTest, FlashDialogueByteForByteKeepsTheLinesAndRestartsTheApplication) {
    Start({QStringLiteral("--no-pacing")});
    ResetIntoMonitor();
    Flash();
    Line->Write(Esc + "RST\r");
    EXPECT_EQ(Line->ReadUntil(Started), QByteArray("\n\r>RST\n\r") + Started);

    QStringList flashed;
    ASSERT_TRUE(Sim->Command(QStringLiteral("flashed"), &flashed));
    EXPECT_EQ(flashed, Firmware);
    EXPECT_EQ(Sim->Value(QStringLiteral("erased")), QStringLiteral("00,01,02,04"));

    Line->MonitorSpeed(false);
    EXPECT_EQ(FrameCommand(Line->Exchange(cmdIdentify)), ReplyCode(cmdIdentify));
}

TEST_F(SimMonitorTest, RefusesABadRecordAndEditsTheCommandLine) {
    Start({QStringLiteral("--no-pacing")});
    ResetIntoMonitor();
    // Backspace takes back a typed character; ESC drops the line; an unknown command is named.
    Line->Write("ES 0X\b1\r");
    EXPECT_EQ(Line->ReadUntil(">"), QByteArray("ES 0X\b \b1E\n\rOK.\n\r>"));
    Line->Write("ES 0" + Esc);
    EXPECT_EQ(Line->ReadUntil(">"), QByteArray("ES 0\n\r>"));
    Line->Write("FOO\r");
    EXPECT_EQ(Line->ReadUntil(">"), QByteArray("FOO\n\rUnknown command\n\r>"));

    Line->Write("\rHEXDWL\r");
    Line->ReadUntil("HEXDWL");
    Line->Write("S10B10001234FEFD1B0D00FF7D\r"); // checksum off by one
    EXPECT_EQ(Line->ReadUntil("\x15", 1000), QByteArray("\x15"));
    Line->Write(Firmware[1].toLatin1() + '\r');
    EXPECT_EQ(Line->ReadUntil("\x06", 1000), QByteArray("\x06"));
}

TEST_F(SimMonitorTest, WithoutEscTheMonitorStartsTheApplicationByItself) {
    Start({QStringLiteral("--no-pacing")});
    EXPECT_EQ(FrameCommand(Line->Exchange(cmdReset, QByteArray(1, '\x01'))), ReplyCode(cmdReset));
    Line->MonitorSpeed(true);
    const QByteArray text = Line->ReadUntil(Started, 4000);
    EXPECT_EQ(text, Offer.repeated(5) + Started);
    Line->MonitorSpeed(false);
    EXPECT_EQ(FrameCommand(Line->Exchange(cmdConnect)), ReplyCode(cmdConnect));
}

TEST_F(SimMonitorTest, BlankEcuAnswersNoFrameUntilFlashed) {
    Start({QStringLiteral("--no-pacing"), QStringLiteral("--blank")});
    Line->Request(cmdIdentify);
    EXPECT_EQ(Line->ReadFrame(1500), QByteArray());

    // It keeps offering its monitor; no application starts without one.
    Line->MonitorSpeed(true);
    Line->Port.clear();
    ASSERT_TRUE(Line->ReadUntil(Offer, 4000).endsWith(Offer));
    Line->Write(Esc);
    EXPECT_TRUE(Line->ReadUntil(">").endsWith("Monitor active\n\r>"));
    Line->Write("RST\r");
    EXPECT_EQ(Line->ReadUntil(Offer), QByteArray("RST\n\r") + Offer);
    Line->Write(Esc);
    EXPECT_TRUE(Line->ReadUntil(">").endsWith("Monitor active\n\r>"));
    Flash();
    Line->Write(Esc + "RST\r");
    EXPECT_TRUE(Line->ReadUntil(Started).endsWith(Started));
    Line->MonitorSpeed(false);
    EXPECT_EQ(FramePayload(Line->Exchange(cmdIdentify)), QByteArray("CORVANE KELD 2.05"));
}

TEST_F(SimMonitorTest, FlashFaultsFailAnEraseRefuseALineAndACutDownloadLeavesNoApplication) {
    Start({QStringLiteral("--no-pacing")});
    ASSERT_TRUE(Sim->Command(QStringLiteral("erase-fail 1 1")));
    ASSERT_TRUE(Sim->Command(QStringLiteral("refuse-line 2")));
    ResetIntoMonitor();
    Line->Write("ES 01\r");
    EXPECT_EQ(Line->ReadUntil(">"), QByteArray("ES 01E\n\rErase error.\n\r>"));
    Line->Write("ES 01\r");
    EXPECT_EQ(Line->ReadUntil(">"), QByteArray("ES 01E\n\rOK.\n\r>")) << "only one erase was to fail";

    Line->Write("\rHEXDWL\r");
    Line->ReadUntil("HEXDWL");
    Line->Write(Firmware[1].toLatin1() + '\r');
    EXPECT_EQ(Line->ReadUntil("\x06", 1000), QByteArray("\x06"));
    Line->Write(Firmware[2].toLatin1() + '\r');
    EXPECT_EQ(Line->ReadUntil("\x15", 1000), QByteArray("\x15"));
    // ESC cuts the download short of its end record: there is no application to start.
    Line->Write(Esc);
    EXPECT_EQ(Line->ReadUntil(">"), QByteArray("\n\r>"));
    EXPECT_EQ(Sim->Value(QStringLiteral("firmware")), QStringLiteral("no"));
    Line->Write("RST\r");
    EXPECT_EQ(Line->ReadUntil(Offer), QByteArray("RST\n\r") + Offer);
}

TEST_F(SimMonitorTest, PowerCycleRestartsIntoTheMonitor) {
    Start({QStringLiteral("--no-pacing")});
    ASSERT_TRUE(Sim->Command(QStringLiteral("power-cycle")));
    Line->MonitorSpeed(true);
    ASSERT_TRUE(Line->ReadUntil(Offer).endsWith(Offer));
    Line->Write(Esc);
    EXPECT_TRUE(Line->ReadUntil(">").endsWith("Monitor active\n\r>"));
    EXPECT_EQ(Sim->Value(QStringLiteral("monitor")), QStringLiteral("active"));
}

} // namespace
