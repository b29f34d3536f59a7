// The program against corvane-ecu-sim with its line pacing on: how long from the creation of
// the windows until the status bar shows the identification text + " connected on " + the port
// (the aim is five seconds at most), and until the whole configuration has been read.
//
//   bench_program_startup [--runs N]     (default 5; CORVANE_SIM names the simulator)
#include "BenchmarkOptions.h"
#include "PacedEcu.h"
#include "app/ProgramEntry.h"
#include "app/UnitMain.h"
#include "common/RunUntil.h"
#include "common/ScratchSettings.h"
#include "common/ScriptedDialogs.h"
#include "link/Codec.h"
#include "link/SerialLink.h"

#include <QApplication>
#include <QElapsedTimer>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

void Print(const char* what, std::vector<qint64> ms) {
    if (ms.empty()) {
        std::printf("%-28s no run succeeded\n", what);
        return;
    }
    std::sort(ms.begin(), ms.end());
    std::printf("%-28s min %5lld ms   median %5lld ms   max %5lld ms\n", what,
                static_cast<long long>(ms.front()), static_cast<long long>(ms[ms.size() / 2]),
                static_cast<long long>(ms.back()));
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int runs = IntOption(app.arguments(), QStringLiteral("--runs"), 5);
    UseBuiltSimulator();

    ScriptedDialogs dialogs;
    std::vector<qint64> connected, uploaded;
    for (int run = 0; run < runs; ++run) {
        TScratchSettings settings;
        const auto ecu = StartEcuAsPort("bench_program_startup");
        if (!ecu) return 1;

        QElapsedTimer clock;
        clock.start();
        CreateWindows();
        FormMain->show();
        const QString text = QStringLiteral(" connected on ") + ecu->LinkPath();
        if (RunUntil([&] { return FormMain->StatusText(0).endsWith(text); }, 20000)) {
            connected.push_back(clock.elapsed());
            // The last block read goes out after the identification and the mode.
            RunUntil([] { return TXQueue && TXQueue->Contains(cmdReadBlock); }, 5000);
            if (RunUntil([] { return TXQueue && !TXQueue->Contains(cmdReadBlock); }, 20000))
                uploaded.push_back(clock.elapsed());
        }
        delete FormMain;
        DestroyWindows();
    }
    std::printf("Program start against the paced simulator, %d runs\n", runs);
    Print("status bar shows connected", connected);
    Print("configuration read", uploaded);
    std::printf("aim: connected within 5000 ms\n");
    return 0;
}
