// The Slave gas map as the technician sees it on a 1366 x 768 screen, offscreen: the time of one
// full repaint of the grid, and of one working-point step along a simulated drive (the markers
// of all nine grids placed from the live values, then the painting that follows). Aims: a full
// repaint under 5 ms, a marker move under 1 ms.
//
//   bench_map_grid [--repaints N] [--moves N]     (defaults 200 and 1000)
#include "BenchmarkOptions.h"
#include "app/ProgramEntry.h"
#include "app/UnitMain.h"
#include "common/RunUntil.h"
#include "common/ScratchSettings.h"
#include "common/ScriptedDialogs.h"
#include "editor/MapGridPages.h"
#include "live/UnitAcquisizioni.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QPaintEvent>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numeric>
#include <vector>

namespace {

// Counts the grid's paints and the area they cover.
class PaintCounter : public QObject {
public:
    int paints = 0;
    qint64 pixels = 0;
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            ++paints;
            for (const QRect& r : static_cast<QPaintEvent*>(event)->region())
                pixels += qint64(r.width()) * r.height();
        }
        return false;
    }
};

void Print(const char* what, const std::vector<double>& us) {
    if (us.empty()) return;
    const double mean = std::accumulate(us.begin(), us.end(), 0.0) / double(us.size());
    std::vector<double> sorted = us;
    std::sort(sorted.begin(), sorted.end());
    std::printf("%-34s mean %8.3f ms   median %8.3f ms   worst %8.3f ms   (%zu)\n", what, mean / 1000,
                sorted[sorted.size() / 2] / 1000, sorted.back() / 1000, us.size());
}

// The demo's drive, sampled at the live-data rate (about 20 replies a second): idle, rev up to
// 2500 rpm at 5.5 ms, part load at 1800 rpm and 4 ms, back to idle, with the jitter of a real
// engine.
struct TDrivePoint {
    int rpm;
    double petrolMs;
};
std::vector<TDrivePoint> Drive(int samples) {
    const TDrivePoint legs[] = {{850, 2.8}, {2500, 5.5}, {1800, 4.0}, {850, 2.8}};
    const double seconds[] = {4, 6, 5};
    std::vector<TDrivePoint> points;
    double t = 0;
    for (int i = 0; points.size() < size_t(samples); ++i, t += 0.05) {
        double left = std::fmod(t, 15.0);
        int leg = 0;
        while (leg < 2 && left > seconds[leg])
            left -= seconds[leg++];
        const double f = std::min(1.0, left / seconds[leg]);
        const double jitter = std::sin(i * 1.7) * 15;
        points.push_back({int(std::lround(legs[leg].rpm + f * (legs[leg + 1].rpm - legs[leg].rpm) + jitter)),
                          legs[leg].petrolMs + f * (legs[leg + 1].petrolMs - legs[leg].petrolMs)});
    }
    return points;
}

} // namespace

int main(int argc, char** argv) {
    // An offscreen screen of 1366 x 768, so that the window, its scale and its cells are those of
    // the screen the tool is sized for.
    QTemporaryDir screenFolder;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && screenFolder.isValid()) {
        QFile screen(screenFolder.filePath(QStringLiteral("screen.json")));
        if (screen.open(QIODevice::WriteOnly))
            screen.write(R"({"screens": [{"name": "Laptop", "x": 0, "y": 0, "width": 1366, "height": 768,
                             "logicalDpiX": 96, "logicalDpiY": 96, "dpr": 1}]})");
        qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" + QFile::encodeName(screen.fileName()));
    }
    QApplication app(argc, argv);
    const int repaints = IntOption(app.arguments(), QStringLiteral("--repaints"), 200);
    const int moves = IntOption(app.arguments(), QStringLiteral("--moves"), 1000);

    TScratchSettings settings;
    ScriptedDialogs dialogs;
    CreateWindows();
    FormMain->TimerGUI->stop();
    FormMain->setGeometry(0, 0, 1366, 768);
    FormMain->show();
    if (!QTest::qWaitForWindowExposed(FormMain)) {
        std::fprintf(stderr, "bench_map_grid: the main window was never shown\n");
        return 1;
    }
    FormMain->PageControlGeneral->setCurrentIndex(TFormMain::PageGasMapSlave);
    TNewDrawGrid* grid = FormMain->MapGrids->MappaGas_Slave;
    RunUntil([grid] { return grid->isVisible() && grid->DefaultRowHeight() > 10; }, 10000);
    RunFor(200);
    PaintCounter counter;
    grid->installEventFilter(&counter);

    std::vector<double> full;
    QElapsedTimer clock;
    for (int i = 0; i < repaints; ++i) {
        clock.start();
        grid->repaint();
        full.push_back(double(clock.nsecsElapsed()) / 1000);
    }

    const std::vector<TDrivePoint> drive = Drive(moves);
    std::vector<double> steps, moved;
    counter.paints = 0;
    counter.pixels = 0;
    Acquisitions->LambdaRef = 0.45;
    for (int i = 0; i < moves; ++i) {
        Acquisitions->RPM = drive[size_t(i)].rpm;
        Acquisitions->PetrolTime[0] = drive[size_t(i)].petrolMs;
        Acquisitions->Lambda1 = i % 7 < 4 ? 0.8 : 0.1; // a closed loop swings rich and lean
        const QPoint before(grid->PallinoX(), grid->PallinoY());
        clock.start();
        FormMain->UpdateWorkingPoint();
        // The paint the move asked for, as the event loop would run it.
        QCoreApplication::sendPostedEvents();
        const double us = double(clock.nsecsElapsed()) / 1000;
        steps.push_back(us);
        if (QPoint(grid->PallinoX(), grid->PallinoY()) != before) moved.push_back(us);
    }

    std::printf("Slave gas map at 1366 x 768 (%d x %d cells of %d x %d pixels), offscreen\n",
                grid->ColCount(), grid->RowCount(), grid->DefaultColWidth(), grid->DefaultRowHeight());
    Print("full repaint", full);
    Print("working-point step", steps);
    Print("  of which the marker moved", moved);
    if (counter.paints > 0)
        std::printf("%d paints during the drive, %lld pixels each on average (the grid has %d)\n",
                    counter.paints, static_cast<long long>(counter.pixels / counter.paints),
                    grid->width() * grid->height());
    std::printf("aims: full repaint under 5 ms, marker move under 1 ms\n");

    delete FormMain;
    DestroyWindows();
    return 0;
}
