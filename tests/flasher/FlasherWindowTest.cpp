// The flasher window on the real link against corvane-ecu-sim: its controls, its close while the
// monitor is active and while the flash runs, and keys typed into the boot log.
#include "FlasherFixture.h"
#include "flasher/UnitFirmwareUpgrade.h"

#include <QDir>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

namespace {

// Grabs the window into CORVANE_SCREENSHOT_DIR when that is set, to look at it.
void Screenshot(QWidget& window, const char* name) {
    const QString dir = qEnvironmentVariable("CORVANE_SCREENSHOT_DIR");
    if (dir.isEmpty()) return;
    QCoreApplication::processEvents();
    window.grab().save(QDir(dir).filePath(QString::fromLatin1(name) + QStringLiteral(".png")));
}

// A file dialog that does something first, as a user would while it is open.
class HandyDialogs : public ScriptedDialogs {
public:
    std::function<void()> whileOpen;
    QString OpenFileName(const QString& title, const QString& filter, const QString& dir) override {
        if (whileOpen) whileOpen();
        return ScriptedDialogs::OpenFileName(title, filter, dir);
    }
};

class FlasherWindowTest : public FlasherTest {
protected:
    void OpenWindow() {
        window = std::make_unique<TFormFirmwareUpgrade>(nullptr);
        recording = true;
        window->show();
        ASSERT_NE(window->Sequence(), nullptr);
    }
    void TearDown() override { window.reset(); }
    std::unique_ptr<TFormFirmwareUpgrade> window;
};

TEST_F(FlasherWindowTest, ControlsCarryTheirNamesAndCaptionsAndTheLogWaitsForDetails) {
    TFormFirmwareUpgrade form(nullptr);
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Firmware flasher"));
    EXPECT_TRUE(form.windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_FALSE(form.windowFlags() & Qt::WindowMaximizeButtonHint);
    for (const char* name : {"LabelIstruzioni", "ProgressBar", "LabelProgress", "ButtonVerbose",
                             "LabelCurrent", "LabelCurrentVersion", "LabelNew", "LabelNewVersion", "BootLog"})
        EXPECT_NE(form.findChild<QWidget*>(QString::fromLatin1(name)), nullptr) << name;
    EXPECT_EQ(form.ButtonVerbose->text(), QStringLiteral("Details"));
    EXPECT_EQ(form.ButtonClose->text(), QStringLiteral("Close"));
    EXPECT_EQ(form.LabelCurrent->text(), QStringLiteral("Current revision:"));
    EXPECT_EQ(form.LabelNew->text(), QStringLiteral("New revision:"));
    EXPECT_EQ(form.LabelProgress->text(), QStringLiteral("Progress"));
    EXPECT_EQ(form.ProgressBar->maximum(), 100);
    EXPECT_TRUE(form.BootLog->isReadOnly());
    EXPECT_EQ(form.BootLog->lineWrapMode(), QPlainTextEdit::NoWrap);
    EXPECT_EQ(form.TimerStep.interval(), 200);

    form.show(); // no link: nothing starts
    EXPECT_TRUE(form.BootLog->isHidden());
    form.ButtonVerbose->click();
    EXPECT_TRUE(form.BootLog->isVisible());
    form.ButtonVerbose->click();
    EXPECT_TRUE(form.BootLog->isHidden());
}

TEST_F(FlasherWindowTest, ClosingWhileTheMonitorIsActiveEndsItAndReturnsToFrames) {
    StartEcu();
    Connect();
    OpenWindow();
    ASSERT_TRUE(WaitUntil([this] { return window->Sequence()->InMonitor; }));
    EXPECT_EQ(link->BaudRate(), TSerialLink::MonitorBaudRate);
    EXPECT_EQ(ecu->Value(QStringLiteral("monitor")), QStringLiteral("active"));
    window->ButtonClose->click();

    EXPECT_FALSE(window->isVisible());
    EXPECT_TRUE(ecu->Fault(QStringLiteral("faults off")));
    // ESC "RST" CR reached the monitor: it started the application.
    EXPECT_EQ(ecu->Value(QStringLiteral("monitor")), QStringLiteral("off"));
    EXPECT_EQ(ecu->Value(QStringLiteral("erased")), QStringLiteral("none"));
    ExpectLinkRestored();
    EXPECT_TRUE(window->BootLog->toPlainText().contains(QStringLiteral("Monitor active")));
}

TEST_F(FlasherWindowTest, KeysTypedIntoTheBootLogGoToTheMonitor) {
    StartEcu();
    Connect();
    HandyDialogs handy; // installs itself over the fixture's dialogs
    handy.whileOpen = [this] {
        QTest::keyClicks(window->BootLog, QStringLiteral("es 0"));
        if (!WaitUntil([this] { return window->BootLog->toPlainText().endsWith(QStringLiteral(">es 0")); },
                       10000))
            ADD_FAILURE() << "no echo: " << window->BootLog->toPlainText().toStdString();
    };
    OpenWindow();
    ASSERT_TRUE(WaitUntil([this] { return !window->isVisible(); }));
    EXPECT_EQ(handy.fileDialogs.size(), 1);
    EXPECT_EQ(ecu->Value(QStringLiteral("erased")), QStringLiteral("none")) << "nothing was run";
}

TEST_F(FlasherWindowTest, TheWindowStaysOpenWhileTheFlashRunsAndShowsItsCourse) {
    StartEcu();
    Connect();
    const QByteArrayList firmware = FirmwareLines(40);
    dialogs.files << FirmwareFile(firmware);
    dialogs.answers << mbOK;
    OpenWindow();
    window->ButtonVerbose->setChecked(true);
    Screenshot(*window, "flasher-start");
    bool refused = false;
    QObject::connect(&window->Sequence()->Dialogue, &TBootDialogue::LinesWritten, [&](int written, int) {
        if (written != 20 || refused) return;
        Screenshot(*window, "flasher-flashing");
        window->close();
        refused = window->isVisible() && !window->ButtonClose->isEnabled();
    });
    ASSERT_TRUE(WaitUntil([this] { return !window->isVisible(); }, 60000))
        << window->Sequence()->StatusText.toStdString();
    EXPECT_TRUE(refused) << "a close during the flash must wait for its end";
    EXPECT_EQ(Flashed(), AsText(firmware));
    EXPECT_EQ(window->ProgressBar->value(), 100);
    EXPECT_EQ(window->LabelCurrentVersion->text(), QStringLiteral("CORVANE KELD 2.05"));
    EXPECT_EQ(window->LabelNewVersion->text(), QStringLiteral("KELD_2.06"));
    EXPECT_TRUE(window->BootLog->toPlainText().contains(QStringLiteral("Flashing line 40 of 40")));
    EXPECT_TRUE(window->LabelLines->text().contains(QStringLiteral("40 of 40")));
    ExpectLinkRestored();
}

} // namespace
