// The whole program against the simulated ECU: the windows the program entry creates, the link
// wired to the live-data manager, the configuration model and the main window.
#include "app/Settings.h"
#include "app/UnitMain.h"
#include "common/EcuSim.h"
#include "common/ProgramFixture.h"
#include "config/UnitDati.h"
#include "diagnostics/UnitDiagnostics.h"
#include "link/Codec.h"
#include "link/UnitCommunications.h"
#include "live/UnitAcquisizioni.h"
#include "windows/UnitDialog.h"

#include <QDeadlineTimer>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QTabWidget>
#include <QThread>

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

} // namespace
