// corvane-ecu-sim driven through its pseudo-terminal with a real serial port and the frame codec.
#include "SimBytes.h"
#include "SimLine.h"

#include "link/ByteQueue.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

namespace {

class SimLinkTest : public ::testing::Test {
protected:
    void Start(const QStringList& options = {QStringLiteral("--no-pacing")}) {
        Sim = std::make_unique<TEcuSim>(options);
        ASSERT_TRUE(Sim->IsRunning()) << Sim->ErrorText().toStdString();
        Line = std::make_unique<SimLine>(Sim->LinkPath());
        ASSERT_TRUE(Line->IsOpen()) << Line->Port.errorString().toStdString();
    }
    void SetUp() override { Start(); }

    std::unique_ptr<TEcuSim> Sim;
    std::unique_ptr<SimLine> Line;
};

struct CommandCase {
    const char* name;
    uint16_t code;
    QByteArray request;
    int replySize;        // payload bytes of the reply
    QByteArray replyHead; // how the reply payload starts
};

TEST_F(SimLinkTest, AnswersEveryCommandWithItsComplementAndPayload) {
    const CommandCase cases[] = {
        {"connect", cmdConnect, {}, 0, {}},
        {"identify", cmdIdentify, {}, 17, "CORVANE KELD 2.05"},
        {"live data", cmdLiveData, {}, 104, {}},
        {"status", cmdStatus, {}, 46, {}},
        {"fast data", cmdFastData, {}, 12, {}},
        {"mode query", cmdMode, Bytes({3}), 1, Bytes({1})},
        {"trouble codes", cmdTroubleCodes, Bytes({1}), 2, Bytes({1, 0})},
        {"pending codes", cmdPendingCodes, {}, 0, {}},
        {"com errors", cmdComErrors, {}, 2, Bytes({0, 0})},
        {"counters", cmdCounters, Bytes({1}), 13, Bytes({1, 37, 0, 0, 0, 91, 0, 0, 0, 60, 0, 0, 0})},
        {"vin", cmdVIN, Bytes({2}), 18, QByteArray("\x02ZFA18800000785316")},
        {"fuel switch", cmdFuelSwitch, Bytes({1}), 1, Bytes({1})},
        {"block 1", cmdReadBlock, Bytes({1}), 60, Bytes({1}) + "Fiat"},
        {"block 2", cmdReadBlock, Bytes({2}), 16, Bytes({2, 0, 125, 30, 13, 1, 1, 3, 100, 28, 8})},
        {"block 3", cmdReadBlock, Bytes({3}), 130, Bytes({3, 16, 31, 47, 62, 78, 94, 125, 156, 188, 10, 15})},
        {"block 4 bank 1", cmdReadBlock, Bytes({4, 1}), 131, Bytes({4, 1, 16})},
        {"block 4 bank 2", cmdReadBlock, Bytes({4, 2}), 131, Bytes({4, 2, 16})},
        {"block 5", cmdReadBlock, Bytes({5}), 27, Bytes({5, 140, 133, 128})},
        {"block 6", cmdReadBlock, Bytes({6}), 67, Bytes({6, 30, 40})},
        {"block 7", cmdReadBlock, Bytes({7}), 28, Bytes({7, 128, 50, 25})},
        // The slave map's petrol axis 2, 2.5, 3 ms and its first cell, 0.75 = 96/128.
        {"block 8 bank 1", cmdReadBlock, Bytes({8, 1}), 131, QByteArray()},
        {"block 8 bank 2", cmdReadBlock, Bytes({8, 2}), 131, Bytes({8, 2, 16})},
        {"block 9", cmdReadBlock, Bytes({9}), 14, Bytes({9, 47, 188, 16, 109})},
    };
    for (const CommandCase& c : cases) {
        SCOPED_TRACE(c.name);
        const QByteArray reply = Line->Exchange(c.code, c.request);
        ASSERT_GE(reply.size(), MinFrameSize);
        EXPECT_TRUE(FrameSumOK(reply));
        EXPECT_EQ(FrameCommand(reply), ReplyCode(c.code));
        const QByteArray payload = FramePayload(reply);
        EXPECT_EQ(payload.size(), c.replySize);
        EXPECT_TRUE(payload.startsWith(c.replyHead)) << payload.toHex(' ').toStdString();
    }
    const QByteArray slave = FramePayload(Line->Exchange(cmdReadBlock, Bytes({8, 1})));
    ASSERT_EQ(slave.size(), 131);
    EXPECT_EQ(slave.mid(11, 3), Bytes({16, 20, 23}));
    EXPECT_EQ(uint8_t(slave[23]), 96);
}

TEST_F(SimLinkTest, RefusesBadChecksumsAndUnknownOrRefusedCodes) {
    QByteArray bad = BuildFrame(cmdConnect, {});
    bad[bad.size() - 3] = char(bad[bad.size() - 3] + 1);
    Line->Write(EscapeFrame(bad));
    EXPECT_EQ(FrameCommand(Line->ReadFrame()), rspChecksumError);

    for (uint16_t unused : {0x0009, 0x000A, 0x000C, 0x0011, 0x1234})
        EXPECT_EQ(FrameCommand(Line->Exchange(unused)), rspNotSupported) << unused;

    ASSERT_TRUE(Sim->Fault(QStringLiteral("refuse 0x0B 23")));
    EXPECT_EQ(FrameCommand(Line->Exchange(cmdStatus)), rspNotSupported);
    EXPECT_EQ(FrameCommand(Line->Exchange(cmdFastData)), rspNotSupported);
    EXPECT_EQ(FrameCommand(Line->Exchange(cmdLiveData)), ReplyCode(cmdLiveData));
    ASSERT_TRUE(Sim->Fault(QStringLiteral("accept 11")));
    EXPECT_EQ(FrameCommand(Line->Exchange(cmdStatus)), ReplyCode(cmdStatus));

    // The unknown codes went into the ECU's communication error log, which a read empties.
    const QByteArray log = FramePayload(Line->Exchange(cmdComErrors));
    EXPECT_EQ(log, QByteArray::fromHex("0a000a000a000a000a00"));
    EXPECT_EQ(FramePayload(Line->Exchange(cmdComErrors)), Bytes({0, 0}));
}

TEST_F(SimLinkTest, StoresWrittenBlocksPerBankAndRefusesMalformedOnes) {
    QByteArray block = FramePayload(Line->Exchange(cmdReadBlock, Bytes({8, 2})));
    ASSERT_EQ(block.size(), 131);
    for (int i = 23; i < 131; ++i)
        block[i] = char(150);
    EXPECT_EQ(FrameCommand(Line->Exchange(cmdWriteBlock, block)), ReplyCode(cmdWriteBlock));
    EXPECT_EQ(FramePayload(Line->Exchange(cmdReadBlock, Bytes({8, 2}))), block);
    EXPECT_EQ(uint8_t(FramePayload(Line->Exchange(cmdReadBlock, Bytes({8, 1})))[23]), 96)
        << "bank 1 untouched";

    // A short block, an unknown block and an unknown bank are not acknowledged and change nothing.
    for (const QByteArray& bad :
         {block.left(100), Bytes({10, 1, 2}), QByteArray(Bytes({8, 3})) + block.mid(2)}) {
        Line->Request(cmdWriteBlock, bad);
        EXPECT_TRUE(Line->ReadFor(300).isEmpty());
    }
    EXPECT_EQ(FramePayload(Line->Exchange(cmdReadBlock, Bytes({8, 2}))), block);
    Line->Request(cmdReadBlock, Bytes({12}));
    EXPECT_TRUE(Line->ReadFor(300).isEmpty());
}

TEST_F(SimLinkTest, KeepsModeVinTroubleCodesAndCounters) {
    EXPECT_EQ(FramePayload(Line->Exchange(cmdMode, Bytes({2}))), Bytes({2}));
    EXPECT_EQ(FramePayload(Line->Exchange(cmdMode, Bytes({3}))), Bytes({2}));
    EXPECT_EQ(FramePayload(Line->Exchange(cmdMode, Bytes({1}))), Bytes({1}));

    EXPECT_EQ(FrameCommand(Line->Exchange(cmdVIN, QByteArray("\x01WVWZZZ1JZXW000001"))), ReplyCode(cmdVIN));
    EXPECT_EQ(FramePayload(Line->Exchange(cmdVIN, Bytes({2}))), QByteArray("\x02WVWZZZ1JZXW000001"));
    Line->Request(cmdVIN, QByteArray("\x01SHORT"));
    EXPECT_TRUE(Line->ReadFor(300).isEmpty()) << "a short VIN is not acknowledged";
    EXPECT_EQ(FramePayload(Line->Exchange(cmdVIN, Bytes({2}))), QByteArray("\x02WVWZZZ1JZXW000001"));

    ASSERT_TRUE(Sim->Command(QStringLiteral("dtc P3391 U300A")));
    ASSERT_TRUE(Sim->Command(QStringLiteral("pending 0x300A")));
    EXPECT_EQ(FramePayload(Line->Exchange(cmdTroubleCodes, Bytes({1}))),
              Bytes({1, 2, 0x91, 0x33, 0x0A, 0xF0}));
    EXPECT_EQ(FramePayload(Line->Exchange(cmdPendingCodes)), Bytes({0x0A, 0x30}));
    EXPECT_EQ(FrameCommand(Line->Exchange(cmdTroubleCodes, Bytes({2}))), ReplyCode(cmdTroubleCodes));
    EXPECT_EQ(FramePayload(Line->Exchange(cmdTroubleCodes, Bytes({1}))), Bytes({1, 0}));
    EXPECT_EQ(FramePayload(Line->Exchange(cmdPendingCodes)), QByteArray());

    EXPECT_EQ(FrameCommand(Line->Exchange(cmdCounters, Bytes({2}))), ReplyCode(cmdCounters));
    EXPECT_EQ(FramePayload(Line->Exchange(cmdCounters, Bytes({1}))),
              Bytes({1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
}

TEST_F(SimLinkTest, LiveDataFollowsTheWorkingPoint) {
    ASSERT_TRUE(Sim->WorkingPoint(3000, 6.0));
    QTest::qWait(2500);
    TByteQueue q;
    q.LoadPayload(Line->Exchange(cmdLiveData));
    uint16_t rpm = 0, battery = 0, petrol1 = 0;
    q.ReadWord(rpm);
    q.ReadWord(battery);
    q.ReadWord(petrol1);
    EXPECT_NEAR(rpm, 3000, 60);
    EXPECT_NEAR(battery, 1410, 20);
    EXPECT_NEAR(petrol1, 6000, 120);
    const QByteArray fast = FramePayload(Line->Exchange(cmdFastData));
    ASSERT_EQ(fast.size(), 12);
    EXPECT_NEAR(uint8_t(fast[4]) + 256 * uint8_t(fast[5]), 3000, 60);
}

TEST_F(SimLinkTest, FaultsChangeWhatComesBack) {
    const QByteArray request = EscapeFrame(BuildFrame(cmdConnect, {}));

    ASSERT_TRUE(Sim->Fault(QStringLiteral("silent on")));
    Line->Write(request);
    EXPECT_TRUE(Line->ReadFor(300).isEmpty());

    ASSERT_TRUE(Sim->Fault(QStringLiteral("faults off")));
    ASSERT_TRUE(Sim->Fault(QStringLiteral("echo on")));
    Line->Write(request);
    EXPECT_EQ(Line->ReadFor(300), request);

    ASSERT_TRUE(Sim->Fault(QStringLiteral("faults off")));
    ASSERT_TRUE(Sim->Fault(QStringLiteral("bad-checksum on")));
    const QByteArray corrupt = Line->Exchange(cmdConnect);
    EXPECT_EQ(FrameCommand(corrupt), ReplyCode(cmdConnect));
    EXPECT_FALSE(FrameSumOK(corrupt));

    ASSERT_TRUE(Sim->Fault(QStringLiteral("faults off")));
    ASSERT_TRUE(Sim->Fault(QStringLiteral("garbage 5")));
    Line->Write(request);
    const QByteArray noisy = Line->ReadFor(300);
    ASSERT_EQ(noisy.size(), 5 + MinFrameSize);
    EXPECT_EQ(noisy.mid(5), BuildFrame(ReplyCode(cmdConnect), {}));
    EXPECT_FALSE(noisy.left(5).contains('\xFE'));

    ASSERT_TRUE(Sim->Fault(QStringLiteral("faults off")));
    ASSERT_TRUE(Sim->Fault(QStringLiteral("unterminated on")));
    Line->Write(request);
    const QByteArray open = Line->ReadFor(300);
    ASSERT_FALSE(open.isEmpty());
    EXPECT_EQ(uint8_t(open[0]), 0xFE);
    EXPECT_EQ(open.count('\xFE'), 1) << "a frame that starts and never ends";

    ASSERT_TRUE(Sim->Fault(QStringLiteral("faults off")));
    ASSERT_TRUE(Sim->Fault(QStringLiteral("drop 2")));
    QString answered;
    for (int i = 0; i < 4; ++i) {
        Line->Request(cmdConnect);
        answered +=
            FrameCommand(Line->ReadFrame(400)) == ReplyCode(cmdConnect) ? QLatin1Char('r') : QLatin1Char('-');
    }
    EXPECT_EQ(answered, QStringLiteral("r-r-"));

    ASSERT_TRUE(Sim->Fault(QStringLiteral("faults off")));
    ASSERT_TRUE(Sim->Fault(QStringLiteral("delay 400")));
    QElapsedTimer clock;
    clock.start();
    EXPECT_EQ(FrameCommand(Line->Exchange(cmdConnect)), ReplyCode(cmdConnect));
    EXPECT_GE(clock.elapsed(), 380);
}

TEST_F(SimLinkTest, UnplugTakesTheTerminalAwayAndReplugBringsANewOne) {
    ASSERT_TRUE(Sim->Unplug());
    EXPECT_FALSE(QFileInfo::exists(Sim->LinkPath()));
    // The port's reads fail, as with a pulled USB adapter.
    Line->Port.waitForReadyRead(500);
    EXPECT_NE(Line->Port.error(), QSerialPort::NoError);
    Line.reset();

    ASSERT_TRUE(Sim->Replug());
    Line = std::make_unique<SimLine>(Sim->LinkPath());
    ASSERT_TRUE(Line->IsOpen());
    EXPECT_EQ(FrameCommand(Line->Exchange(cmdConnect)), ReplyCode(cmdConnect));
}

TEST_F(SimLinkTest, FramesAtTheWrongSpeedAreLost) {
    Line->MonitorSpeed(true);
    Line->Request(cmdConnect);
    EXPECT_TRUE(Line->ReadFor(300).isEmpty());
    Line->MonitorSpeed(false);
    EXPECT_EQ(FrameCommand(Line->Exchange(cmdConnect)), ReplyCode(cmdConnect));
}

} // namespace

namespace {

// The program itself, without the helper: how it starts and stops around its link.
class SimProgramTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(Folder.isValid());
        Link = Folder.filePath(QStringLiteral("ecu"));
    }
    bool Start() {
        Process.start(qEnvironmentVariable("CORVANE_SIM"),
                      {QStringLiteral("--link"), Link, QStringLiteral("--no-pacing")});
        if (!Process.waitForStarted(5000)) return false;
        while (!Process.canReadLine() && Process.waitForReadyRead(5000)) {
        }
        return Process.readLine().trimmed() == "ready " + Link.toLocal8Bit();
    }
    QTemporaryDir Folder;
    QString Link;
    QProcess Process;
};

TEST_F(SimProgramTest, StopSignalsRemoveTheLink) {
    for (const int signal : {SIGTERM, SIGINT}) {
        ASSERT_TRUE(Start());
        EXPECT_TRUE(QFileInfo(Link).isSymLink());
        ::kill(pid_t(Process.processId()), signal);
        ASSERT_TRUE(Process.waitForFinished(5000));
        EXPECT_EQ(Process.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(Process.exitCode(), 0);
        EXPECT_FALSE(QFileInfo::exists(Link)) << signal;
    }
}

TEST_F(SimProgramTest, NeverReplacesAFileThatIsNotALink) {
    QFile file(Link);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("keep me");
    file.close();
    EXPECT_FALSE(Start());
    Process.waitForFinished(5000);
    EXPECT_NE(Process.exitCode(), 0);
    EXPECT_TRUE(Process.readAllStandardError().contains("not a symbolic link"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), QByteArray("keep me"));
}

} // namespace
