// Pictures of the live dashboard for a look by eye: the program against corvane-ecu-sim running
// the demo's drive (idle, rev up, cruise, back to idle, over and over), with its line pacing on.
// Writes the main window's bottom panel, the whole main window and the meters window as PNG
// files into the folder given, after some seconds of status polling and of standard polling.
//
//   dashboard_screenshots --out FOLDER [--seconds N]     (default 10 per picture)
#include "BenchmarkOptions.h"
#include "PacedEcu.h"
#include "app/ProgramEntry.h"
#include "app/UnitMain.h"
#include "common/RunUntil.h"
#include "common/ScratchSettings.h"
#include "common/ScriptedDialogs.h"
#include "link/Codec.h"
#include "link/SerialLink.h"
#include "live/UnitAcquisitionPanel.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFrame>
#include <cstdio>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    const int seconds = IntOption(args, QStringLiteral("--seconds"), 10);
    const int outAt = int(args.indexOf(QStringLiteral("--out")));
    const QDir out(outAt >= 0 && outAt + 1 < args.size() ? args[outAt + 1] : QDir::currentPath());
    UseBuiltSimulator();

    ScriptedDialogs dialogs;
    TScratchSettings settings;
    const auto ecu = StartEcuAsPort(
        "dashboard_screenshots",
        {QStringLiteral("--exec"), QStringLiteral("script loop 850 2.8 4 2500 5.5 6 1800 4.0 5 850 2.8 5")});
    if (!ecu) return 1;
    CreateWindows();
    FormMain->show();
    if (!RunUntil([] { return SerialLink && SerialLink->ECUisConnected(); }, 20000)) {
        std::fprintf(stderr, "dashboard_screenshots: the simulated ECU did not connect\n");
        return 2;
    }
    RunUntil([] { return TXQueue && TXQueue->Contains(cmdReadBlock); }, 5000);
    RunUntil([] { return TXQueue && !TXQueue->Contains(cmdReadBlock); }, 20000);
    FormMain->DiagnosticsEnableStatusUpdate1->trigger();
    RunFor(seconds * 1000);
    FormMain->PanelBottom->grab().save(out.filePath(QStringLiteral("bottom-panel.png")));
    FormMain->grab().save(out.filePath(QStringLiteral("main-window.png")));

    FormAcquisitionPanel->show();
    RunFor(seconds * 1000);
    FormAcquisitionPanel->grab().save(out.filePath(QStringLiteral("meters-window.png")));
    std::printf("pictures in %s\n", qPrintable(out.absolutePath()));
    FormAcquisitionPanel->close();
    delete FormMain;
    DestroyWindows();
    return 0;
}
