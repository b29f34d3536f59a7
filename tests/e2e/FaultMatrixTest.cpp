// Every fault corvane-ecu-sim can show, during every activity that talks to the ECU, in the whole
// program: the window keeps running, the fault is reported where a technician looks for it, the
// tool recovers once the fault ends, and the tool, the ECU and the files on disk then hold what
// they should, byte for byte.
#include "common/FileBytes.h"
#include "editor/MapPagesFixture.h"
#include "diagnostics/UnitDiagnostics.h"
#include "flasher/FirmwareLines.h"
#include "flasher/UnitFirmwareUpgrade.h"
#include "live/UnitAcquisitionPanel.h"
#include "windows/UnitDialog.h"

#include <QElapsedTimer>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QToolButton>

namespace {

enum class TActivity { Connection, Upload, Download, MapEdit, LiveRecording, Flashing };
// Where a technician sees the fault.
enum class TShown { StatusBar, ComPage, LogWindow, BootLog, Nowhere, NoOther };

struct TReport {
    TShown where;
    const char* text; // how the report starts; %1 the port, %2 the activity's code as 0x0000
};

struct TFaultCase {
    const char* name;
    const char* on;  // simulator command; %1 is the activity's own command code
    const char* off;
    // Faults the link rides out: the activity completes while they last.
    bool riddenOut;
    // Every request still gets each of its replies, however late.
    bool repliesKept;
    TReport during;   // when the fault comes while the tool talks to the ECU
    TReport atStart;  // when it is there before the program starts
    // Another report that may come first, when two time-outs race.
    TReport orElse = {TShown::NoOther, ""};
};

const TFaultCase Faults[] = {
    {"Silent", "silent on", "silent off", false, false, {TShown::StatusBar, "ECU not connected on %1"},
     {TShown::StatusBar, "ECU not connected on %1"}},
    {"Echo", "echo on", "echo off", false, false, {TShown::StatusBar, "ERROR: modem on %1"},
     {TShown::StatusBar, "ERROR: modem on %1"}},
    {"CorruptChecksums", "bad-checksum on", "bad-checksum off", false, false,
     {TShown::ComPage, "Checksum error in incoming frame, command "},
     {TShown::ComPage, "Checksum error in incoming frame, command "}},
    // Every second reply lost: each is sent again, and no request goes three times unanswered.
    {"DroppedReplies", "drop 2", "drop 0", true, false, {TShown::LogWindow, ""}, {TShown::LogWindow, ""}},
    // Later than the reply time-out: the request goes again and two answers come for it.
    {"DelayedReplies", "delay 700", "delay 0", true, true, {TShown::LogWindow, ""}, {TShown::LogWindow, ""}},
    {"Garbage", "garbage 24", "garbage 0", true, true, {TShown::Nowhere, ""}, {TShown::Nowhere, ""}},
    {"Unplugged", "unplug", "replug", false, false, {TShown::StatusBar, "Port lost: %1"},
     // Requests find no port to open and are dropped: the link keeps trying the port.
     {TShown::StatusBar, "Trying on %1"}},
    // The frame's own time-out (550 ms from its start byte) races the reply time-out (500 ms
    // from the request): a reply that starts at once loses, and the request simply goes again.
    {"FrameNeverEnds", "unterminated on", "unterminated off", false, false,
     {TShown::ComPage, "Frame time-out error"}, {TShown::ComPage, "Frame time-out error"},
     {TShown::StatusBar, "ECU not connected on %1"}},
    {"RefusedCode", "refuse %1", "refuse none", false, false,
     {TShown::ComPage, "ECU does not support command %2"}, {TShown::ComPage, "ECU does not support command %2"}},
};

struct TActivityCase {
    const char* name;
    TActivity activity;
    uint16_t code; // the request the activity is made of, refused by the RefusedCode fault
};

const TActivityCase Activities[] = {
    {"Connection", TActivity::Connection, cmdConnect},
    {"Upload", TActivity::Upload, cmdReadBlock},
    {"Download", TActivity::Download, cmdWriteBlock},
    {"MapEdit", TActivity::MapEdit, cmdWriteBlock},
    {"LiveRecording", TActivity::LiveRecording, cmdLiveData},
    // The firmware upgrade: the configuration saved, the ECU reset into its boot monitor, the
    // flash erased and written, then the ECU sensed again and the configuration written back.
    {"Flashing", TActivity::Flashing, cmdWriteBlock},
};

// A flash meets the fault as its erase begins, with the port in boot-monitor mode.
struct TFlashFault {
    const char* fault;
    // Why the boot monitor does not see the fault, or nullptr when it does. A fault the monitor
    // does not see lets the flash through and meets the frames after it: the ECU sensed again
    // and the configuration written back; it shows there as it does for the other activities.
    const char* notInMonitor;
    // Where a fault the monitor sees is reported: the flash fails and the window closes.
    TReport report;
    // What the flasher's status line shows, when it tells of the fault.
    const char* status = nullptr;
};

const TFlashFault FlashFaults[] = {
    {"Silent", nullptr, {TShown::BootLog, "No answer from the ECU for "}, "No answer from the ECU"},
    {"Echo", "the ECU echoes in its application only: its monitor answers for itself", {}},
    {"CorruptChecksums", "only frames carry a checksum, the monitor's text has none", {}},
    {"DroppedReplies", "the ECU drops frame replies only", {}},
    {"DelayedReplies", "the ECU delays frame replies only", {}},
    {"Garbage", "the ECU puts noise before frame replies only", {}},
    {"Unplugged", nullptr, {TShown::BootLog, "No answer from the ECU for "}, "No answer from the ECU"},
    {"FrameNeverEnds", "only frames have an end to leave off", {}},
    // The configuration written back is refused: the window says so and waits to be closed.
    {"RefusedCode", "the monitor takes text commands, not command codes", {}, "The ECU refused the request"},
};

const QString UploadDone = QStringLiteral("Upload successful");
const QString DownloadDone = QStringLiteral("Download successful");
const QString UploadFailed = QStringLiteral("Upload failed: check connections.");
const QString DownloadFailed = QStringLiteral("Download failed: check connections.");
const QString UpgradeDone = QStringLiteral("Upgrade successful");
const QString EraseFailed = QStringLiteral("Error erasing flash RAM: please retry.");
const QString WriteFailed = QStringLiteral("Error flashing memory: please retry.");

void PrintTo(const TFaultCase& c, std::ostream* os) { *os << c.name; }
void PrintTo(const TActivityCase& c, std::ostream* os) { *os << c.name; }

class FaultMatrix : public EcuPagesTest,
                    public ::testing::WithParamInterface<std::tuple<TFaultCase, TActivityCase>> {
protected:
    FaultMatrix() { RecordVinAndMode = false; }

    TFaultCase fault() const { return std::get<0>(GetParam()); }
    TActivityCase activity() const { return std::get<1>(GetParam()); }

    QString Code() const { return QStringLiteral("0x") + QStringLiteral("%1").arg(activity().code, 4, 16, QLatin1Char('0')).toUpper(); }
    QString Command(const char* text) const { return QString::fromLatin1(text).replace(QLatin1String("%1"), Code()); }
    bool Connection() const { return activity().activity == TActivity::Connection; }
    bool Flashing() const { return activity().activity == TActivity::Flashing; }
    // The flashing row of the fault; every fault has one.
    const TFlashFault& FlashFault() const {
        for (const TFlashFault& f : FlashFaults)
            if (QLatin1String(f.fault) == QLatin1String(fault().name)) return f;
        ADD_FAILURE() << "no flashing row for " << fault().name;
        static const TFlashFault none{"", "", {}};
        return none;
    }
    // The fault reaches the boot monitor during a flash.
    bool InMonitor() const { return Flashing() && !FlashFault().notInMonitor; }
    TReport Report() const {
        if (InMonitor()) return FlashFault().report;
        return Connection() ? fault().atStart : fault().during;
    }
    QString ReportText(const TEcuSim& ecu, const TReport& report) const {
        return QString::fromLatin1(report.text)
            .replace(QLatin1String("%1"), ecu.LinkPath())
            .replace(QLatin1String("%2"), Code());
    }

    // Starts the program on the simulator's port and watches what it shows.
    void Start(TEcuSim& ecu) {
        ASSERT_TRUE(ecu.IsRunning()) << ecu.ErrorText().toStdString();
        ports = {ecu.LinkPath()};
        ASSERT_TRUE(WriteSetting(QStringLiteral("COMPORT"), ecu.LinkPath()));
        Create();
        Watch();
    }
    void Watch() {
        QObject::connect(SerialLink, &TSerialLink::FrameLogged, FormMain, [this](const QByteArray& frame, bool out) {
            if (out) Record(frame);
            const uint16_t code = FrameCommand(frame);
            const QByteArray payload = FramePayload(frame);
            const int first = payload.isEmpty() ? -1 : uint8_t(payload[0]);
            if (out && code == cmdWriteBlock) {
                ++writesSent;
                if (first == 9 && writesUpToBlock9 == 0) writesUpToBlock9 = writesSent;
            }
            if (!out && code == ReplyCode(cmdWriteBlock)) ++writesAcknowledged;
            if (!out && code == ReplyCode(cmdReadBlock) && first == 9) block9Read = true;
        });
        QObject::connect(SerialLink, &TSerialLink::StatusText, FormMain, [this](int panel, const QString& text) {
            if (panel == 0) statusBar << text;
        });
        ticks.start();
        QObject::connect(&SerialLink->MasterClock(), &QTimer::timeout, FormMain, [this] {
            longestTickGap = std::max(longestTickGap, ticks.restart());
        });
        FormMain->TimerGUI->start();
    }
    // Runs the program until done() holds, noting every transient message it shows.
    bool Until(const std::function<bool()>& done, int ms = 45000) {
        return WaitFor([&] {
            const QString shown = FormDialog->isVisible() ? FormDialog->Etichetta->text() : QString();
            if (shown != lastNotice) {
                lastNotice = shown;
                if (!shown.isEmpty()) OnNotice(shown);
            }
            return done();
        }, ms);
    }
    void OnNotice(const QString& text) {
        notices << text;
        // A success is shown only once the ECU has answered the last block itself: the reply
        // to block 9's read, or as many acknowledgements as writes went out up to block 9's
        // (the ECU answers in order; a fault that loses replies leaves this count uncertain).
        if (text == UploadDone) {
            EXPECT_TRUE(block9Read) << "upload success before block 9 came";
        }
        if (text == DownloadDone && fault().repliesKept) {
            EXPECT_GE(writesAcknowledged, writesUpToBlock9) << "download success before block 9 was acknowledged";
        }
        // An upgrade is successful only with the whole file in the ECU's flash.
        if (text == UpgradeDone) {
            EXPECT_EQ(Flashed(*sim), firmware) << "upgrade success without the whole firmware";
        }
    }
    void StartCounting() {
        writesSent = writesAcknowledged = writesUpToBlock9 = 0;
        block9Read = false;
    }
    bool Connected() const {
        return SerialLink->ECUisConnected() && Idle() && FormMain->StatusText(0).contains(QLatin1String(" connected on "));
    }

    static QList<QByteArray> EcuBlocks(TEcuSim& ecu) {
        QList<QByteArray> blocks;
        for (int b = 1; b <= ConfigBlockCount; ++b)
            for (int bank = 1; bank <= (IsBankBlock(b) ? 2 : 1); ++bank) {
                QStringList lines;
                EXPECT_TRUE(ecu.Command(QStringLiteral("block %1 %2").arg(b).arg(bank), &lines));
                blocks << QByteArray::fromHex(lines.value(0).toLatin1());
            }
        return blocks;
    }
    static QList<QByteArray> ToolBlocks() {
        QList<QByteArray> blocks;
        for (int b = 1; b <= ConfigBlockCount; ++b)
            for (int bank = 1; bank <= (IsBankBlock(b) ? 2 : 1); ++bank)
                blocks << DataMap->RawData.EncodeBlock(uint8_t(b), bank);
        return blocks;
    }

    QStringList ComPage() const {
        QStringList lines;
        for (int i = 0; i < FormDiagnostics->COMListBox->count(); ++i)
            lines << FormDiagnostics->COMListBox->item(i)->text();
        return lines;
    }
    // The frames of the Log window in order, "TX " or "RX " and the bytes in hex.
    static QStringList LogFrames() {
        QStringList frames;
        for (const QString& line : FormCommunications->LogBox->toPlainText().split(QLatin1Char('\n'))) {
            const int tx = line.indexOf(QLatin1String(" TX> ")), rx = line.indexOf(QLatin1String(" RX< "));
            const int at = std::max(tx, rx);
            if (at >= 0)
                frames << QLatin1String(tx >= 0 ? "TX " : "RX ") + line.mid(at + 5, 48).trimmed();
            else if (!frames.isEmpty() && line.startsWith(QLatin1Char(' ')))
                frames.last() += QLatin1Char(' ') + line.trimmed().left(47).trimmed();
        }
        return frames;
    }
    // A request sent again, as the Log window shows it: the same frame twice with no reply between.
    static bool LogShowsResend() {
        const QStringList frames = LogFrames();
        for (qsizetype i = 1; i < frames.size(); ++i)
            if (frames[i].startsWith(QLatin1String("TX")) && frames[i] == frames[i - 1]) return true;
        return false;
    }
    bool Reported(const TEcuSim& ecu) const { return Seen(ecu, Report()) || Seen(ecu, fault().orElse); }
    bool Seen(const TEcuSim& ecu, const TReport& report) const {
        const QString text = ReportText(ecu, report);
        switch (report.where) {
        case TShown::StatusBar:
            return statusBar.contains(text) || FormMain->StatusText(0) == text;
        case TShown::ComPage:
        {
            const QStringList lines = ComPage();
            return std::any_of(lines.begin(), lines.end(), [&](const QString& l) { return l.startsWith(text); });
        }
        case TShown::LogWindow:
            return LogShowsResend();
        case TShown::BootLog:
            return FormFirmwareUpgrade && FormFirmwareUpgrade->BootLog->toPlainText().contains(text);
        case TShown::Nowhere:
            return true;
        case TShown::NoOther:
            return false;
        }
        return false;
    }

    // The activity's own part, before the fault comes.
    void Prepare() {
        switch (activity().activity) {
        case TActivity::Connection:
            return;
        case TActivity::Upload:
        case TActivity::Download:
        case TActivity::MapEdit:
            break;
        case TActivity::Flashing:
            firmwareFile = winDir.filePath(QStringLiteral("KELD_2.06.mhx"));
            ASSERT_TRUE(WriteFirmwareFile(firmwareFile, FirmwareLines(8)));
            for (const QByteArray& line : FirmwareLines(8))
                firmware << QString::fromLatin1(line);
            break;
        case TActivity::LiveRecording:
            FormAcquisitionPanel->show();
            ASSERT_NO_FATAL_FAILURE(StartRecording());
            ASSERT_TRUE(Until([this] { return RecordedLines() > linesAtFault + 3; }));
            break;
        }
        // The configuration saved by the user before: nothing may touch it.
        savedFile = winDir.filePath(QStringLiteral("car.cfg"));
        ASSERT_TRUE(DataMap->SaveToFile(savedFile));
        savedBytes = ReadAll(savedFile);
        ASSERT_FALSE(savedBytes.isEmpty());
    }
    // A recording into a new file; a reset of the link ends a recording, keeping its lines.
    void StartRecording() {
        recordings << winDir.filePath(QStringLiteral("drive%1.txt").arg(recordings.size() + 1));
        dialogs.files << recordings.last();
        FormAcquisitionPanel->ButtonSave->click();
        ASSERT_TRUE(Acquisitions->Saving) << "standard " << Acquisitions->Standard << ", super-fast "
                                          << Acquisitions->SuperFast << ", button enabled "
                                          << FormAcquisitionPanel->ButtonSave->isEnabled();
        linesAtFault = 0;
    }
    // What the technician does.
    void Run() {
        StartCounting();
        switch (activity().activity) {
        case TActivity::Connection:
            return;
        case TActivity::LiveRecording:
            // A refused live-data request ends the live display: the technician picks the rate again.
            if (!Acquisitions->Standard && !Acquisitions->SuperFast) FormAcquisitionPanel->Standard1->trigger();
            if (!Acquisitions->Saving) StartRecording();
            return;
        case TActivity::Upload:
            // The tool's image differs from the ECU's until the upload brings the ECU's.
            DataMap->RawData.Image.SwitchRPM ^= 0x55;
            DataMap->UploadAll(true);
            return;
        case TActivity::Download:
            DataMap->SwitchRPM = DataMap->SwitchRPM == 2700 ? 2800 : 2700;
            DataMap->Cylinders = 6;
            DataMap->DownloadAll(true);
            intended = ToolBlocks();
            return;
        case TActivity::MapEdit: {
            TNewDrawGrid* grid = Grid("MappaGas_Slave");
            ShowPageOf(grid);
            DataMap->Bank = 1;
            Select(grid, 2, 2, 2, 2);
            Key(grid, Qt::Key_Return);
            ASSERT_TRUE(FormModify->isVisible());
            FormModify->BothBankSwitch->setChecked(false);
            Apply(QString::number(0.1 * ++edits), FormModify->LinearRadioButton);
            intended = ToolBlocks();
            return;
        }
        case TActivity::Flashing:
            ASSERT_NO_FATAL_FAILURE(OpenFlasher());
            return;
        }
    }
    // ECU > Upgrade firmware, without the menu's own event loop: the firmware file chosen and
    // the flash confirmed; with no configuration saved the defaults are declined, so that the
    // tool's own configuration is written back. A window left waiting is closed first.
    void OpenFlasher() {
        ASSERT_NE(FormFirmwareUpgrade, nullptr);
        if (FormFirmwareUpgrade->isVisible()) {
            FormFirmwareUpgrade->ButtonClose->click();
            ASSERT_FALSE(FormFirmwareUpgrade->isVisible()) << "the flasher does not close";
        }
        dialogs.files = {firmwareFile};
        dialogs.answers = {mbOK, mbNo};
        FormFirmwareUpgrade->show();
        TUpgradeSequence* sequence = FormFirmwareUpgrade->Sequence();
        ASSERT_NE(sequence, nullptr);
        // The fault comes as the erase begins; when the monitor meets it, a silent line fails each
        // wait sooner than usual, so that the four tries of an erase end in seconds.
        sequence->Dialogue.SilenceTimeoutMs =
            !flashFault.isEmpty() && InMonitor() ? 1000 : TBootDialogue::DefaultSilenceTimeoutMs;
        if (!flashHooked) {
            flashHooked = true;
            QObject::connect(&sequence->Dialogue, &TBootDialogue::FlashingChanged, FormMain, [this](bool on) {
                if (!on || flashFault.isEmpty()) return;
                EXPECT_TRUE(sim->Fault(flashFault)) << sim->ErrorText().toStdString();
                flashFault.clear();
            });
        }
    }
    // The lines the ECU's boot monitor took in its last download.
    static QStringList Flashed(TEcuSim& ecu) {
        QStringList lines;
        EXPECT_TRUE(ecu.Command(QStringLiteral("flashed"), &lines));
        return lines;
    }
    bool Completed() {
        switch (activity().activity) {
        case TActivity::Connection:
            return Connected();
        case TActivity::Upload:
            return notices.contains(UploadDone) && Idle();
        case TActivity::Download:
            return notices.contains(DownloadDone) && Idle();
        case TActivity::MapEdit:
            return Idle() && EcuBlocks(*sim) == intended;
        case TActivity::LiveRecording:
            return Acquisitions->Saving && RecordedLines() > linesAtFault + 5;
        case TActivity::Flashing:
            return notices.contains(UpgradeDone) && !FormFirmwareUpgrade->isVisible() && Idle();
        }
        return false;
    }
    // What the program showed, for a failure's message.
    std::string Shown() const {
        return ("status bar: " + statusBar.join(QLatin1String(" | ")) + "\nCOM page: " + ComPage().join(QLatin1String(" | ")) +
                "\nnotices: " + notices.join(QLatin1String(" | ")) + "\ntold: " + dialogs.told.join(QLatin1String(" | ")) +
                QStringLiteral("\nqueued: %1, connected: %2").arg(TXQueue->Count()).arg(SerialLink->ECUisConnected()) +
                (Flashing() ? QStringLiteral("\nflasher: ") + FormFirmwareUpgrade->LabelIstruzioni->text() +
                                  QStringLiteral("\nboot log: ") + FormFirmwareUpgrade->BootLog->toPlainText()
                            : QString()))
            .toStdString();
    }
    bool Failed() const {
        return dialogs.told.contains(UploadFailed) || dialogs.told.contains(DownloadFailed) ||
               dialogs.told.contains(EraseFailed) || dialogs.told.contains(WriteFailed);
    }
    int RecordedLines() const { return recordings.isEmpty() ? 0 : int(ReadAll(recordings.last()).count('\n')); }

    QStringList statusBar, notices;
    QString lastNotice, savedFile;
    QStringList recordings;
    QString firmwareFile, flashFault;
    QStringList firmware;
    bool flashHooked = false;
    QByteArray savedBytes;
    QList<QByteArray> intended;
    QElapsedTimer ticks;
    qint64 longestTickGap = 0;
    int linesAtFault = 0, edits = 0;
    int writesSent = 0, writesAcknowledged = 0, writesUpToBlock9 = 0;
    bool block9Read = false;
    TEcuSim* sim = nullptr;
};

TEST_P(FaultMatrix, IsReportedRecoveredFromAndLeavesEverythingAsItShouldBe) {
    TEcuSim ecu;
    sim = &ecu;
    const bool connection = Connection();
    if (connection) {
        ASSERT_TRUE(ecu.Fault(Command(fault().on)));
    }
    Start(ecu);
    if (!connection) {
        ASSERT_TRUE(Until([this] { return Connected() && sent.contains("R9"); }));
        ASSERT_TRUE(Until([] { return !FormDialog->isVisible(); }));
    }
    ASSERT_NO_FATAL_FAILURE(Prepare());
    // A transient message shown while another is visible is dropped: let "File saved" go.
    ASSERT_TRUE(Until([] { return !FormDialog->isVisible(); }));
    const QList<QByteArray> before = EcuBlocks(ecu);

    // The fault comes, then the technician acts.
    linesAtFault = RecordedLines();
    if (Flashing()) {
        flashFault = Command(fault().on); // comes as the erase begins
    } else if (!connection) {
        ASSERT_TRUE(ecu.Fault(Command(fault().on)));
    }
    dialogs.told.clear();
    ASSERT_NO_FATAL_FAILURE(Run());
    if (InMonitor()) {
        // The flash fails, says so and closes its window; nothing claims success.
        EXPECT_TRUE(Until([] { return !FormFirmwareUpgrade->isVisible(); }, 60000)) << Shown();
        EXPECT_TRUE(Failed()) << Shown();
        EXPECT_FALSE(notices.contains(UpgradeDone)) << Shown();
    } else if (fault().riddenOut) {
        EXPECT_TRUE(Until([this] { return Completed(); })) << Shown();
        EXPECT_FALSE(Failed());
    }
    EXPECT_TRUE(Until([&] { return Reported(ecu); })) << Shown();
    if (Flashing() && FlashFault().status) {
        const QString status = QString::fromLatin1(FlashFault().status);
        EXPECT_TRUE(Until([&] { return FormFirmwareUpgrade->LabelIstruzioni->text().startsWith(status); })) << Shown();
    }
    // A fault the monitor does not see lets the flash itself through.
    if (Flashing() && !InMonitor()) {
        EXPECT_TRUE(flashFault.isEmpty()) << "the flash never began";
        EXPECT_FALSE(Failed()) << Shown();
    }
    // Long enough for the link to give up on the ECU and probe it again.
    if (!fault().riddenOut) Until([] { return false; }, 3000);

    // The fault ends; a refused code is offered again when the COM page is cleared.
    ASSERT_TRUE(ecu.Fault(Command(fault().off)));
    if (QLatin1String(fault().on).startsWith(QLatin1String("refuse"))) {
        FormDiagnostics->PageControl->setCurrentIndex(TFormDiagnostics::PageCOM);
        FormDiagnostics->ButtonClear->click();
    }
    // A flash failed in the boot monitor leaves the ECU there, erased: only a new flash brings
    // it back.
    if (!InMonitor()) {
        EXPECT_TRUE(Until([this] { return Connected(); })) << Shown();
    }
    if (!Completed()) {
        // What failed is done again, as the technician would, once the connection's own
        // transient message has gone (a message shown meanwhile would be dropped).
        ASSERT_TRUE(Until([] { return !FormDialog->isVisible(); }));
        dialogs.told.clear();
        notices.clear();
        Run();
        EXPECT_TRUE(Until([this] { return Completed(); })) << Shown();
        EXPECT_FALSE(Failed()) << dialogs.told.join(QLatin1String(" | ")).toStdString();
    }
    ASSERT_TRUE(Until([this] { return Idle(); }));
    if (Flashing()) {
        EXPECT_TRUE(Until([this] { return Connected(); })) << Shown();
        EXPECT_EQ(Flashed(ecu), firmware);
        EXPECT_EQ(ecu.Value(QStringLiteral("monitor")), QStringLiteral("off"));
    }

    // Tool and ECU hold the same configuration, the one the activity meant them to hold.
    const QList<QByteArray> ecuBlocks = EcuBlocks(ecu);
    EXPECT_EQ(ToolBlocks(), ecuBlocks);
    EXPECT_EQ(ecuBlocks, intended.isEmpty() ? before : intended);
    if (!savedFile.isEmpty()) {
        EXPECT_EQ(ReadAll(savedFile), savedBytes);
    }
    if (Acquisitions->Saving) Acquisitions->StopSaving();
    for (const QString& recording : recordings) {
        // Every line of every recording whole: one cut off by a link reset ends after its last
        // line, one stopped by the user with its scaling line.
        const QList<QByteArray> lines = ReadAll(recording).split('\n');
        ASSERT_GT(lines.size(), 2) << recording.toStdString();
        const qsizetype fields = lines.first().count('\t');
        for (qsizetype i = 0; i < lines.size(); ++i) {
            const bool last = i + 1 == lines.size();
            if (last && lines[i].isEmpty()) break;
            EXPECT_EQ(lines[i].count('\t'), fields) << recording.toStdString() << " line " << i + 1;
            EXPECT_EQ(lines[i].endsWith('\r'), !last) << recording.toStdString() << " line " << i + 1;
        }
    }
    // The master timer never stood still for long, even on a loaded machine.
    EXPECT_LT(longestTickGap, 3000);
    // A fault the link rides out leaves no reply meeting the wrong request.
    if (fault().riddenOut) {
        EXPECT_FALSE(ComPage().join(QLatin1Char('\n')).contains(QLatin1String("Unespected answer")))
            << ComPage().join(QLatin1String(" | ")).toStdString();
    }
    dialogs.answers = {mbNo, mbNo, mbNo};
    FormMain->TimerGUI->stop();
}

std::string CaseName(const ::testing::TestParamInfo<std::tuple<TFaultCase, TActivityCase>>& info) {
    return std::string(std::get<0>(info.param).name) + "During" + std::get<1>(info.param).name;
}

INSTANTIATE_TEST_SUITE_P(EveryFaultDuringEveryActivity, FaultMatrix,
                         ::testing::Combine(::testing::ValuesIn(Faults), ::testing::ValuesIn(Activities)), CaseName);

} // namespace
