// The whole firmware upgrade against corvane-ecu-sim: the normal course, a blank ECU, an
// unanswered reset, the flash's own failures, refused files and the ways to stop before the
// erase.
#include "FlasherFixture.h"

#include <QRegularExpression>
#include <algorithm>

namespace {

const QString sInitializing = QStringLiteral("Initializing");
const QString sChecking = QStringLiteral("Checking current revision");
const QString sUploading = QStringLiteral("Uploading current config");
const QString sClosing = QStringLiteral("Closing bootloader");
const QString sResetting = QStringLiteral("Resetting ECU");
const QString sStarting = QStringLiteral("Starting bootloader");
const QString sTurnOffOn = QStringLiteral("Turn the ECU off then on");
const QString sChoose = QStringLiteral("Choose a file");
const QString sErasing = QStringLiteral("Erasing memory");
const QString sFlashing = QStringLiteral("Flashing new firmware");
const QString sSensing = QStringLiteral("Sensing ECU");
const QString sDownloading = QStringLiteral("Downloading configuration");
const QString sNoAnswer = QStringLiteral("No answer from the ECU");

const QString FlashQuestion = QStringLiteral("Flash new firmware ?");
const QString EraseError = QStringLiteral("Error erasing flash RAM: please retry.");
const QString WriteError = QStringLiteral("Error flashing memory: please retry.");

TEST_F(FlasherTest, NormalCourseFlashesTheFileAndWritesBackTheConfigurationAsRead) {
    StartEcu();
    Connect();
    // The ECU holds a configuration of its own; the tool holds another when the flasher opens.
    model->SwitchRPM = 2700;
    model->Cylinders = 6;
    model->SetMapValue(TMapTypeOfData::TempiGas_Slave_banco1, 3, 1.37, 4);
    model->DownloadAll(false);
    ASSERT_TRUE(WaitUntil([this] { return Idle(); }));
    const QByteArrayList before = EcuBlocks();
    model->ResetAll(FuelCNG);

    const QByteArrayList firmware = FirmwareLines(12);
    dialogs.files << FirmwareFile(firmware);
    dialogs.answers << mbOK;
    clients.notices.clear();
    Open();
    RunToEnd();

    EXPECT_EQ(view.statuses, (QStringList{sInitializing, sChecking, sUploading, sResetting, sStarting,
                                          sChoose, sErasing, sFlashing, sClosing, sSensing, sDownloading}));
    EXPECT_EQ(view.current, QStringLiteral("CORVANE KELD 2.05"));
    EXPECT_EQ(view.fresh, QStringLiteral("KELD_2.06"));
    EXPECT_EQ(dialogs.asked, QStringList{FlashQuestion});
    EXPECT_TRUE(dialogs.told.isEmpty()) << dialogs.told.join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(clients.notices, QStringList{QStringLiteral("Upgrade successful 1000")});

    EXPECT_EQ(Flashed(), AsText(firmware));
    EXPECT_EQ(ecu->Value(QStringLiteral("erased")), QStringLiteral("00,01,02,04"));
    EXPECT_EQ(ecu->Value(QStringLiteral("monitor")), QStringLiteral("off"));
    EXPECT_EQ(view.progress.first(), 0);
    EXPECT_EQ(view.progress.last(), 100);
    EXPECT_TRUE(std::is_sorted(view.progress.begin(), view.progress.end()));
    EXPECT_EQ(view.written, 12);
    EXPECT_TRUE(BootLogLines().contains(QStringLiteral("Flashing line 12 of 12")));
    for (const char* sector : {"00", "01", "02", "04"})
        EXPECT_TRUE(BootLogLines().contains(QStringLiteral("Erasing Sector %1...OK").arg(sector))) << sector;

    // What was read before the flash is written back, byte for byte, and the ECU holds it again.
    const QByteArrayList read = Payloads(received, ReplyCode(cmdReadBlock));
    const QByteArrayList written = Payloads(sent, cmdWriteBlock);
    EXPECT_EQ(read.size(), 11);
    EXPECT_EQ(written, read);
    EXPECT_EQ(EcuBlocks(), before);
    ExpectLinkRestored();
}

TEST_F(FlasherTest, BlankEcuIsFlashedAndOfferedTheDefaults) {
    StartEcu({QStringLiteral("--no-pacing"), QStringLiteral("--blank")});
    const QByteArrayList firmware = FirmwareLines(6);
    dialogs.files << FirmwareFile(firmware);
    dialogs.answers << mbOK << mbYes;
    Open();
    RunToEnd();

    EXPECT_EQ(view.current, QStringLiteral("none - Blank ECU"));
    EXPECT_EQ(view.statuses, (QStringList{sInitializing, sChecking, sClosing, sResetting, sTurnOffOn, sChoose,
                                          sErasing, sFlashing, sClosing, sSensing, sDownloading}));
    EXPECT_EQ(dialogs.asked,
              (QStringList{FlashQuestion, QStringLiteral("Reset ECU to default Slave LPG configuration ?")}));
    EXPECT_EQ(Flashed(), AsText(firmware));
    EXPECT_EQ(ecu->Value(QStringLiteral("firmware")), QStringLiteral("yes"));
    EXPECT_EQ(clients.notices, QStringList{QStringLiteral("Upgrade successful 1000")});

    // The defaults: Slave mode, codes and counters cleared, then the default LPG configuration.
    QStringList order;
    for (const QByteArray& f : sent)
        if (FrameCommand(f) == cmdMode || FrameCommand(f) == cmdTroubleCodes ||
            FrameCommand(f) == cmdCounters)
            order << QStringLiteral("%1 %2").arg(FrameCommand(f)).arg(int(FramePayload(f).at(0)));
    EXPECT_EQ(order, (QStringList{QStringLiteral("19 1"), QStringLiteral("4 2"), QStringLiteral("20 2")}));
    QByteArrayList defaults;
    {
        TDataMap reference;
        reference.ResetAll(FuelLPG);
        reference.ModelToRaw(reference.RawData.Image);
        for (uint8_t b = 1; b <= ConfigBlockCount; ++b)
            for (int bank = 1; bank <= (IsBankBlock(b) ? 2 : 1); ++bank)
                defaults << reference.RawData.EncodeBlock(b, bank);
    }
    EXPECT_EQ(Payloads(sent, cmdWriteBlock), defaults);
    ExpectLinkRestored();
}

TEST_F(FlasherTest, UnansweredResetAsksForAPowerCycleAndCatchesTheMonitor) {
    StartEcu();
    Connect();
    view.onStatus = [this](const QString& status) {
        if (status == sResetting && !ecu->Fault(QStringLiteral("silent on"))) ADD_FAILURE() << "silent on";
        if (status == sTurnOffOn &&
            (!ecu->Fault(QStringLiteral("faults off")) || !ecu->Command(QStringLiteral("power-cycle"))))
            ADD_FAILURE() << "power-cycle";
    };
    Open(); // the file dialog is cancelled
    RunToEnd();

    EXPECT_EQ(view.statuses,
              (QStringList{sInitializing, sChecking, sUploading, sResetting, sTurnOffOn, sChoose}));
    EXPECT_EQ(dialogs.fileDialogs.size(), 1);
    EXPECT_TRUE(dialogs.told.isEmpty()) << dialogs.told.join(QLatin1Char('|')).toStdString();
    EXPECT_TRUE(sequence->BootLog.Contains(QStringLiteral("Monitor active")));
    EXPECT_EQ(ecu->Value(QStringLiteral("monitor")), QStringLiteral("off"));
    ExpectLinkRestored();
}

TEST_F(FlasherTest, ApplicationStartedInsteadOfTheMonitorResetsAgainFromFrameMode) {
    StartEcu();
    Connect();
    // The tool misses the first monitor's prompt (its step timer held, as on a machine too busy
    // to tick), so the monitor starts the application; the sequence must reset again over frames.
    int resets = 0;
    view.onStatus = [&](const QString& status) {
        if (status == sResetting) ++resets;
        if (status == sStarting && resets == 1) view.Timer.stop();
    };
    Open();
    ASSERT_TRUE(WaitUntil([&] { return resets == 1 && sequence->Step == 5 && !view.Timer.isActive(); }));
    ASSERT_TRUE(
        WaitUntil([this] { return sequence->BootLog.Contains(QStringLiteral("Start Application")); }));
    view.Timer.start();
    RunToEnd();

    EXPECT_EQ(resets, 2);
    EXPECT_EQ(view.statuses, (QStringList{sInitializing, sChecking, sUploading, sResetting, sStarting,
                                          sResetting, sStarting, sChoose}));
    EXPECT_EQ(dialogs.fileDialogs.size(), 1) << "the second reset reached the monitor";
    EXPECT_EQ(ecu->Value(QStringLiteral("monitor")), QStringLiteral("off"));
    ExpectLinkRestored();
}

// ---- The flash's own failures -------------------------------------------------------------

struct FlashCase {
    const char* name;
    const char* fault; // simulator command
    bool faultAtErase; // given as the erase begins, else before the flasher opens
    int silenceMs;     // the dialogue's silence time-out
    bool flashed;
    const char* told;     // the error box, or nullptr
    QStringList logLines; // boot-log lines that must be there
    const char* logOnce;  // a boot-log line beginning that must be there exactly once
    int flashedLines;     // lines the ECU took, -1 for all
    bool noAnswer;        // the status told of a silent line
};

// The case by its name in test lists and failure messages.
void PrintTo(const FlashCase& c, std::ostream* os) {
    *os << c.name;
}

class FlashFaultTest : public FlasherTest, public ::testing::WithParamInterface<FlashCase> {};

TEST_P(FlashFaultTest, ReportsAndLeavesTheEcuInItsMonitor) {
    const FlashCase& c = GetParam();
    StartEcu();
    Connect();
    if (!c.faultAtErase) {
        ASSERT_TRUE(ecu->Fault(QString::fromLatin1(c.fault)));
    }
    view.onStatus = [&](const QString& status) {
        if (c.faultAtErase && status == sErasing && !ecu->Fault(QString::fromLatin1(c.fault)))
            ADD_FAILURE() << c.fault;
    };
    const QByteArrayList firmware = FirmwareLines(8);
    dialogs.files << FirmwareFile(firmware);
    dialogs.answers << mbOK;
    clients.notices.clear();
    Open();
    sequence->Dialogue.SilenceTimeoutMs = c.silenceMs;
    RunToEnd();
    ASSERT_TRUE(ecu->Fault(QStringLiteral("faults off")));

    EXPECT_EQ(dialogs.told, c.told ? QStringList{QString::fromLatin1(c.told)} : QStringList());
    EXPECT_EQ(clients.notices.contains(QStringLiteral("Upgrade successful 1000")), c.flashed);
    EXPECT_EQ(view.statuses.contains(sNoAnswer), c.noAnswer);
    EXPECT_EQ(view.statuses.contains(sSensing), c.flashed) << "a failed flash goes straight to the close";
    const QStringList log = BootLogLines();
    for (const QString& l : c.logLines)
        EXPECT_TRUE(log.contains(l)) << l.toStdString() << " in\n" << sequence->BootLog.Text().toStdString();
    if (c.logOnce) {
        const QStringList once =
            log.filter(QRegularExpression(QLatin1Char('^') + QString::fromLatin1(c.logOnce)));
        EXPECT_EQ(once.size(), 1) << sequence->BootLog.Text().toStdString();
    }
    const QStringList flashed = Flashed();
    EXPECT_EQ(flashed, c.flashedLines < 0 ? AsText(firmware) : AsText(firmware.mid(0, c.flashedLines)));
    if (!c.flashed && !c.noAnswer) {
        // Erased and left in its monitor, the ECU waits for the next flash.
        EXPECT_EQ(ecu->Value(QStringLiteral("firmware")), QStringLiteral("no"));
        EXPECT_EQ(ecu->Value(QStringLiteral("monitor")), QStringLiteral("offering"));
    }
    ExpectLinkRestored();
}

INSTANTIATE_TEST_SUITE_P(Flash, FlashFaultTest,
                         ::testing::Values(FlashCase{"EraseFailsTwiceThenSucceeds",
                                                     "erase-fail 1 2",
                                                     false,
                                                     5000,
                                                     true,
                                                     nullptr,
                                                     {QStringLiteral("Erasing Sector 01...OK")},
                                                     "Erasing Sector 01",
                                                     -1,
                                                     false},
                                           FlashCase{"EraseFailsFourTimes",
                                                     "erase-fail 2 4",
                                                     false,
                                                     5000,
                                                     false,
                                                     "Error erasing flash RAM: please retry.",
                                                     {QStringLiteral("Erasing Sector 01...OK"),
                                                      QStringLiteral("Erasing Sector 02...failed")},
                                                     "Erasing Sector 02",
                                                     0,
                                                     false},
                                           FlashCase{"LineNotAcknowledged",
                                                     "refuse-line 3",
                                                     false,
                                                     5000,
                                                     false,
                                                     "Error flashing memory: please retry.",
                                                     {QStringLiteral("Flashing line 3 of 8"),
                                                      QStringLiteral("Line 3 was refused by the ECU.")},
                                                     nullptr,
                                                     2,
                                                     false},
                                           FlashCase{"SilentMonitor",
                                                     "silent on",
                                                     true,
                                                     1000,
                                                     false,
                                                     "Error erasing flash RAM: please retry.",
                                                     {QStringLiteral("Erasing Sector 00...failed"),
                                                      QStringLiteral("No answer from the ECU for 1 s.")},
                                                     nullptr,
                                                     0,
                                                     true}),
                         [](const ::testing::TestParamInfo<FlashCase>& info) {
                             return std::string(info.param.name);
                         });

// ---- Stopping before the erase --------------------------------------------------------------

struct StopCase {
    const char* name;
    const char* file; // written into the test folder: "damaged", "missing", or nullptr for none
    QList<TMsgButton> answers;
    const char* told; // part of the error shown, or nullptr
};

// The case by its name in test lists and failure messages.
void PrintTo(const StopCase& c, std::ostream* os) {
    *os << c.name;
}

class StopBeforeEraseTest : public FlasherTest, public ::testing::WithParamInterface<StopCase> {};

TEST_P(StopBeforeEraseTest, NothingIsErasedAndTheMonitorIsClosed) {
    const StopCase& c = GetParam();
    StartEcu();
    Connect();
    QByteArrayList firmware = FirmwareLines(8);
    if (c.file == QByteArray("damaged")) {
        firmware[5][10] = firmware[5][10] == 'A' ? 'B' : 'A';
        dialogs.files << FirmwareFile(firmware);
    } else if (c.file == QByteArray("missing")) {
        dialogs.files << dir.filePath(QStringLiteral("missing.mhx"));
    } else if (c.file) {
        dialogs.files << FirmwareFile(firmware);
    }
    dialogs.answers = c.answers;
    Open();
    RunToEnd();

    if (c.told) {
        ASSERT_EQ(dialogs.told.size(), 1);
        EXPECT_TRUE(dialogs.told.first().contains(QString::fromLatin1(c.told)))
            << dialogs.told.first().toStdString();
        EXPECT_EQ(dialogs.fileDialogs.size(), 2) << "the file is chosen again";
    } else {
        EXPECT_TRUE(dialogs.told.isEmpty());
    }
    EXPECT_FALSE(view.statuses.contains(sErasing));
    EXPECT_EQ(ecu->Value(QStringLiteral("erased")), QStringLiteral("none"));
    // The monitor was entered, so the close ends it: ESC "RST" CR starts the application.
    EXPECT_EQ(ecu->Value(QStringLiteral("monitor")), QStringLiteral("off"));
    EXPECT_EQ(ecu->Value(QStringLiteral("firmware")), QStringLiteral("yes"));
    ExpectLinkRestored();
    EXPECT_EQ(sequence->InMonitor, false);
}

INSTANTIATE_TEST_SUITE_P(
    Stop, StopBeforeEraseTest,
    ::testing::Values(StopCase{"CancelInTheFileDialog", nullptr, {}, nullptr},
                      StopCase{"CancelTheFlashQuestion", "good", {mbCancel}, nullptr},
                      StopCase{"DamagedFileRefused", "damaged", {}, "cannot be flashed: line 6"},
                      StopCase{"UnreadableFileRefused", "missing", {}, "missing.mhx cannot be read"}),
    [](const ::testing::TestParamInfo<StopCase>& info) { return std::string(info.param.name); });

} // namespace
