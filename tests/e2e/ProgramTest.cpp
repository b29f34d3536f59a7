// The whole program against the simulated ECU: the windows the program entry creates, the link
// wired to the live-data manager, the configuration model and the main window.
#include "app/Settings.h"
#include "app/UnitMain.h"
#include "common/EcuSim.h"
#include "common/FileBytes.h"
#include "common/ProgramFixture.h"
#include "config/ConfigFile.h"
#include "config/RawImage.h"
#include "config/UnitDati.h"
#include "diagnostics/UnitDiagnostics.h"
#include "editor/MapGridPages.h"
#include "editor/NewDrawGrid.h"
#include "editor/UnitModifyData.h"
#include "link/Codec.h"
#include "link/UnitCommunications.h"
#include "live/UnitAcquisizioni.h"
#include "resources/Strings.h"
#include "windows/UnitDialog.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QThread>
#include <QToolButton>

namespace {

class Program : public ProgramFixture {
protected:
    // Runs the message loop until done() holds; the deadline is generous, as a loaded machine
    // runs the 10 ms master timer late. How fast the tool connects is a benchmark's business.
    static bool WaitFor(const std::function<bool()>& done, int ms = 20000) {
        const QDeadlineTimer deadline(ms);
        while (!done()) {
            if (deadline.hasExpired()) return false;
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
            QThread::msleep(2);
        }
        return true;
    }
};

TEST_F(Program, ConnectsToTheEcuNamedInTheSettingsAndFollowsItsMode) {
    struct Case {
        const char* mode;
        const char* notice;
        int gasMapPage;
    };
    const Case cases[] = {{"slave", "SLAVE", TFormMain::PageGasMapSlave},
                          {"compensated", "COMPENSATED", TFormMain::PageGasMapComp}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mode);
        TEcuSim ecu({QStringLiteral("--mode"), QLatin1String(c.mode)});
        ASSERT_TRUE(ecu.IsRunning()) << ecu.ErrorText().toStdString();
        ASSERT_TRUE(WriteSetting(QStringLiteral("COMPORT"), ecu.LinkPath()));
        CreateProgram();
        FormMain->show();
        FormMain->TimerGUI->start();

        const QString connected = QStringLiteral("CORVANE KELD 2.05 connected on ") + ecu.LinkPath();
        ASSERT_TRUE(WaitFor([&] { return FormMain->StatusText(0) == connected; }))
            << FormMain->StatusText(0).toStdString();
        // The mode reply reaches the pages and the transient message; any reply switches status
        // polling on, and the whole configuration is read.
        ASSERT_TRUE(WaitFor([&] { return FormDialog->Etichetta->text() == QLatin1String(c.notice); }));
        EXPECT_TRUE(FormMain->PageControlGeneral->isTabVisible(c.gasMapPage));
        EXPECT_TRUE(Acquisitions->StatusUpdate);
        EXPECT_TRUE(FormMain->DiagnosticsDisableStatusUpdate1->isEnabled());
        EXPECT_FALSE(FormMain->DiagnosticsEnableStatusUpdate1->isEnabled());
        EXPECT_TRUE(WaitFor([&] { return !TXQueue->Contains(cmdReadBlock); }));
        EXPECT_EQ(ReadSetting(QStringLiteral("COMPORT")), ecu.LinkPath());

        dialogs.answers = {mbYes, mbNo};
        EXPECT_TRUE(FormMain->close());
        RunDeferredDeletes();
        EXPECT_EQ(FormMain, nullptr);
        DestroyProgram();
        OperatingMode = SlaveMode;
    }
}

TEST_F(Program, ConnectionReadsTheVinIntoTheTroubleCodeWindow) {
    TEcuSim ecu;
    ASSERT_TRUE(ecu.IsRunning()) << ecu.ErrorText().toStdString();
    ASSERT_TRUE(ecu.Command(QStringLiteral("vin SAJAA01T8DL123456")));
    ASSERT_TRUE(WriteSetting(QStringLiteral("COMPORT"), ecu.LinkPath()));
    CreateProgram();
    ASSERT_EQ(DataMap->DiagnosticsView, FormDiagnostics);
    FormMain->show();

    EXPECT_TRUE(WaitFor([] {
        return FormDiagnostics->EditVIN->text() == QLatin1String("SAJAA01T8DL123456");
    })) << FormDiagnostics->EditVIN->text().toStdString();
    // The link's own messages reach the COM page even while the window is hidden.
    ASSERT_TRUE(ecu.Fault(QStringLiteral("refuse 0x14")));
    FormDiagnostics->ReadCounters();
    const QListWidget* com = FormDiagnostics->COMListBox;
    EXPECT_TRUE(WaitFor([com] {
        return com->count() > 0 &&
               com->item(com->count() - 1)->text() == QLatin1String("ECU does not support command 0x0014");
    }));
    EXPECT_FALSE(FormDiagnostics->isVisible());

    dialogs.answers = {mbYes, mbNo};
    EXPECT_TRUE(FormMain->close());
    RunDeferredDeletes();
    DestroyProgram();
    OperatingMode = SlaveMode;
}

// The link opens its port before the diagnostics window exists; a stored port that is gone (the
// adapter unplugged since the last run) is still told on the COM page.
TEST_F(Program, AStoredPortThatCannotBeOpenedAtStartIsToldOnTheComPage) {
    const QString gone = winDir.filePath(QStringLiteral("ttyCorvaneGone"));
    ports = {gone};
    ASSERT_TRUE(WriteSetting(QStringLiteral("COMPORT"), gone));
    CreateProgram();
    QStringList lines;
    for (int i = 0; i < FormDiagnostics->COMListBox->count(); ++i)
        lines << FormDiagnostics->COMListBox->item(i)->text();
    ASSERT_EQ(lines.size(), 1) << lines.join(QLatin1Char('|')).toStdString();
    EXPECT_TRUE(lines[0].startsWith(ResStr(SMsgCannotOpen) + gone)) << lines[0].toStdString();
}

// A technician's round trip by keyboard and mouse: open a file, edit a cell, download, upload,
// save, open the saved file again. The file, the simulated ECU and the tool then hold the same
// configuration, byte for byte.
TEST_F(Program, RoundTripOfAConfigurationThroughFileToolAndEcu) {
    TEcuSim ecu;
    ASSERT_TRUE(ecu.IsRunning()) << ecu.ErrorText().toStdString();
    ASSERT_TRUE(WriteSetting(QStringLiteral("COMPORT"), ecu.LinkPath()));
    CreateProgram();
    FormMain->setGeometry(0, 0, 1366, 768);
    FormMain->show();
    FormMain->TimerGUI->start();
    FormMain->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(FormMain));
    const auto idle = [] {
        return !TXQueue->Contains(cmdWriteBlock) && !TXQueue->Contains(cmdReadBlock) &&
               !TXQueue->Contains(cmdMode);
    };
    ASSERT_TRUE(WaitFor([] { return SerialLink->ECUisConnected(); }));
    ASSERT_TRUE(WaitFor([] { return DataMap->Model == QLatin1String("Punto 1.2 8V"); }));
    ASSERT_TRUE(WaitFor(idle));

    // The file to start from: the ECU's configuration under another model name.
    QTemporaryDir folder;
    const QString start = QDir(folder.path()).filePath(QStringLiteral("start.cfg"));
    const QString saved = QDir(folder.path()).filePath(QStringLiteral("saved.cfg"));
    {
        const QString model = DataMap->Model;
        DataMap->Model = QStringLiteral("Workshop");
        TRawData raw;
        raw.Image = DataMap->RawData.Image;
        DataMap->ModelToRaw(raw.Image);
        DataMap->Model = model;
        WriteAll(start, ConfigFileBytes(raw, OperatingMode));
    }

    // Open (F2): connected, the file goes to the ECU at once.
    DataMap->SetSaved(true);
    dialogs.files = {start};
    QTest::keyClick(FormMain, Qt::Key_F2);
    ASSERT_EQ(DataMap->Model, "Workshop");
    ASSERT_TRUE(WaitFor(idle));

    // The gas map page by its tab; a cell by the mouse; the value typed into the modify dialog.
    QTabBar* tabs = FormMain->PageControlGeneral->tabBar();
    QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(TFormMain::PageGasMapSlave).center());
    TNewDrawGrid* grid = FormMain->MapGrids->MappaGas_Slave;
    ASSERT_TRUE(WaitFor([grid] { return grid->isVisible() && grid->DefaultRowHeight() > 10; }));
    const QPoint cell(3 * grid->ColPitch() + grid->ColPitch() / 2,
                      3 * grid->RowPitch() + grid->RowPitch() / 2);
    QTest::mouseClick(grid, Qt::LeftButton, {}, cell);
    ASSERT_EQ(grid->Selection(), (TGridRect{3, 3, 3, 3}));
    QTest::keyClick(grid, Qt::Key_1);
    ASSERT_TRUE(FormModify->isVisible());
    QTest::keyClick(FormModify->Edit1, Qt::Key_S, Qt::ControlModifier);
    QTest::keyClicks(FormModify->Edit1, QStringLiteral(".375"));
    QTest::keyClick(FormModify->Edit1, Qt::Key_Return);
    ASSERT_DOUBLE_EQ(DataMap->TempiGas_Slave_banco1[3][3], 1.375);
    ASSERT_TRUE(WaitFor(idle));

    // Download, then Upload: what comes back is what went.
    QTest::mouseClick(FormMain->ButtonDownload, Qt::LeftButton);
    ASSERT_TRUE(WaitFor(idle));
    QTest::mouseClick(FormMain->ButtonUpload, Qt::LeftButton);
    ASSERT_TRUE(WaitFor(idle));
    EXPECT_DOUBLE_EQ(DataMap->TempiGas_Slave_banco1[3][3], 1.375);

    // Save (the tool-bar button is Save as), then open the saved file again.
    dialogs.files = {saved};
    QTest::mouseClick(FormMain->ButtonSave, Qt::LeftButton);
    ASSERT_TRUE(DataMap->Saved());
    dialogs.files = {saved};
    QTest::keyClick(FormMain, Qt::Key_F2);
    ASSERT_TRUE(WaitFor(idle));
    EXPECT_TRUE(dialogs.asked.isEmpty()) << dialogs.asked.join('|').toStdString();

    // The same bytes in the file, the tool and the ECU.
    TRawData tool;
    tool.Image = DataMap->RawData.Image;
    DataMap->ModelToRaw(tool.Image);
    EXPECT_EQ(ReadAll(saved).toHex(), ConfigFileBytes(tool, OperatingMode).toHex());
    for (int b = 1; b <= ConfigBlockCount; ++b) {
        for (int bank = 1; bank <= (IsBankBlock(b) ? 2 : 1); ++bank) {
            QStringList lines;
            ASSERT_TRUE(ecu.Command(QStringLiteral("block %1 %2").arg(b).arg(bank), &lines));
            EXPECT_EQ(lines.value(0).toLatin1().toLower(), tool.EncodeBlock(uint8_t(b), bank).toHex(' '))
                << "block " << b << " bank " << bank;
        }
    }
    EXPECT_DOUBLE_EQ(DataMap->TempiGas_Slave_banco1[3][3], 1.375);
    EXPECT_EQ(DataMap->Model, "Workshop");
    EXPECT_FALSE(FormMain->DownloadPending());

    DestroyProgram();
    OperatingMode = SlaveMode;
}

} // namespace
