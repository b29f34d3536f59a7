// The meters window at super-fast polling against corvane-ecu-sim with its line pacing on, all
// 23 traces shown over a full 100-second window. Prints the points the chart is given after
// thinning, the program's CPU share, the time of one UpdateDisplay with the repaint it causes
// (mean and worst), and the worst lateness of the 10 ms master timer meanwhile.
//
//   bench_meters_display [--seconds N]     (default 30; CORVANE_SIM names the simulator)
#include "BenchmarkOptions.h"
#include "LiveRig.h"
#include "PacedEcu.h"
#include "common/LiveClients.h"
#include "common/RunUntil.h"
#include "common/ScratchSettings.h"
#include "config/UnitDati.h"
#include "link/SerialLink.h"
#include "live/UnitAcquisitionPanel.h"
#include "live/UnitAcquisizioni.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <QLineSeries>
#include <algorithm>
#include <cstdio>
#include <sys/resource.h>

namespace {

double CpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// Forwards everything to the window and times each update together with the painting it
// leaves pending.
class TimedDisplay : public TAcquisitionDisplay {
public:
    explicit TimedDisplay(TFormAcquisitionPanel& window) : W(window) {}
    bool Measuring = false;
    int Count = 0;
    double TotalMs = 0, WorstMs = 0;

    bool DisplayShown() const override { return W.DisplayShown(); }
    void UpdateDisplay() override {
        QElapsedTimer t;
        t.start();
        W.UpdateDisplay();
        // The chart's scene posts its own update, which posts the window's: both rounds.
        QCoreApplication::sendPostedEvents();
        QCoreApplication::sendPostedEvents();
        const double ms = t.nsecsElapsed() / 1e6;
        if (!Measuring) return;
        ++Count;
        TotalMs += ms;
        WorstMs = std::max(WorstMs, ms);
    }
    void ClearTraces() override { W.ClearTraces(); }
    void ResetAxes() override { W.ResetAxes(); }
    void ResetGaugeMarks() override { W.ResetGaugeMarks(); }
    void CheckRateItems(bool s, bool f) override { W.CheckRateItems(s, f); }
    void EnableSaveButton(bool e) override { W.EnableSaveButton(e); }
    void PressSaveButton(bool d) override { W.PressSaveButton(d); }
    void EnableLoadButton(bool e) override { W.EnableLoadButton(e); }
    void PressLoadButton(bool d) override { W.PressLoadButton(d); }
    void ShowDisplayState(TDisplayState s, const QString& f) override { W.ShowDisplayState(s, f); }
    QString TraceTitle(int i) const override { return W.TraceTitle(i); }
    bool TraceVisible(int i) const override { return W.TraceVisible(i); }
    double TraceMax(int i) const override { return W.TraceMax(i); }
    void SetTraceVisible(int i, bool v) override { W.SetTraceVisible(i, v); }
    void SetTraceMax(int i, double m) override { W.SetTraceMax(i, m); }
    void AddTracePoint(int i, double t, double v) override { W.AddTracePoint(i, t, v); }
    void SetTimeAxis(double f, double t) override { W.SetTimeAxis(f, t); }

private:
    TFormAcquisitionPanel& W;
};

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int seconds = IntOption(app.arguments(), QStringLiteral("--seconds"), 30);
    UseBuiltSimulator();
    TScratchSettings settings;

    const auto ecu = StartEcuAsPort("bench_meters_display");
    if (!ecu) return 2;
    ecu->WorkingPoint(2500, 4.5);

    TLiveRig rig;
    TAcquisitions& acq = rig.Acq;
    TSerialLink& link = rig.Link;

    TFormAcquisitionPanel window(nullptr);
    window.resize(1366, 740);
    TimedDisplay timed(window);
    acq.SetDisplay(&timed);

    link.Start();
    if (!RunUntil([&] { return link.ECUisConnected() && TXQueue->IsEmpty(); }, 15000)) {
        std::fprintf(stderr, "bench_meters_display: the simulated ECU did not connect\n");
        return 2;
    }
    RunFor(300);
    window.show();
    window.SuperFast1->trigger();
    for (int k = 0; k < TraceCount; ++k)
        window.SetTraceVisible(k, true);

    // A full window: 100 s of points at the super-fast rate, ending now.
    const QTime start = QTime::currentTime().addSecs(-100);
    QTime fake = start;
    window.Now = [&fake] { return fake; };
    for (int i = 0; i < 2000; ++i) {
        fake = fake.addMSecs(50);
        window.UpdateDisplay();
    }
    window.Now = [] { return QTime::currentTime(); };
    RunFor(1000);

    double worstLateMs = 0;
    QElapsedTimer tickClock;
    bool measuring = false;
    QObject::connect(&link.MasterClock(), &QTimer::timeout, [&] {
        if (measuring && tickClock.isValid()) worstLateMs = std::max(worstLateMs, tickClock.nsecsElapsed() / 1e6 - 10.0);
        tickClock.start();
    });

    const double cpu0 = CpuSeconds();
    QElapsedTimer wall;
    wall.start();
    measuring = true;
    timed.Measuring = true;
    {
        // An idle event loop, so that the CPU share is the program's own and not a waiting loop's.
        QEventLoop loop;
        QTimer::singleShot(seconds * 1000, &loop, &QEventLoop::quit);
        loop.exec();
    }
    measuring = false;
    timed.Measuring = false;
    const double wallSeconds = wall.elapsed() / 1000.0;
    const double cpu = CpuSeconds() - cpu0;

    // The chart's batched redraw (at most five a second while live), on its own.
    double redrawTotal = 0, redrawWorst = 0;
    const int redraws = 20;
    for (int i = 0; i < redraws; ++i) {
        window.UpdateDisplay();
        QElapsedTimer t;
        t.start();
        window.RedrawTraces();
        QCoreApplication::sendPostedEvents();
        QCoreApplication::sendPostedEvents();
        const double ms = t.nsecsElapsed() / 1e6;
        redrawTotal += ms;
        redrawWorst = std::max(redrawWorst, ms);
    }

    std::printf("meters window, super-fast polling against corvane-ecu-sim (line paced), 23 traces, %d s\n",
                seconds);
    std::printf("points per trace            %d (%.1f s shown)\n", int(window.Trace(0)->count()),
                window.Trace(0)->at(window.Trace(0)->count() - 1).x() - window.Trace(0)->at(0).x());
    qsizetype drawn = 0;
    for (int k = 0; k < TraceCount; ++k)
        drawn += window.DrawnTrace(k)->count();
    std::printf("points drawn, 23 traces     %d (thinned to the chart's pixels)\n", int(drawn));
    std::printf("updates                     %d (%.1f/s)\n", timed.Count, timed.Count / wallSeconds);
    std::printf("CPU share of one core       %.1f %%   (aim: at most 10 %%)\n", 100.0 * cpu / wallSeconds);
    std::printf("UpdateDisplay with repaint  mean %.2f ms, worst %.2f ms\n",
                timed.Count ? timed.TotalMs / timed.Count : 0.0, timed.WorstMs);
    std::printf("chart redraw, 23 traces     mean %.2f ms, worst %.2f ms (batched, at most 5/s)\n",
                redrawTotal / redraws, redrawWorst);
    std::printf("master timer lateness       worst %.2f ms   (aim: under 20 ms)\n", worstLateMs);

    acq.SetSuperFast(false);
    acq.SetDisplay(nullptr);
    return 0;
}
