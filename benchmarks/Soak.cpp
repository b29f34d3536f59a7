// The whole program against corvane-ecu-sim with its line pacing on, for a long run: the meters
// window open at super-fast polling with all 23 traces, recording to a file, and a fault of the
// simulator every so often (silence, bad checksums, dropped and late replies, noise, a frame that
// never ends, an echoing line, the terminal unplugged), each held for a few seconds. Prints the
// program's resident memory at the start, once a minute and at the end, the recording's data
// lines against the poll ticks that wrote them (a fault that loses the ECU cuts a recording off;
// the run then starts another) and the polls the ECU answered, and the worst lateness of the 10 ms
// master timer.
//
//   bench_soak [--seconds N] [--fault-every N] [--fault-seconds N]
//       (defaults 600, 30 and 5; CORVANE_SIM names the simulator)
#include "BenchmarkOptions.h"
#include "PacedEcu.h"
#include "app/ProgramEntry.h"
#include "app/UnitMain.h"
#include "common/FileBytes.h"
#include "common/RunUntil.h"
#include "common/ScratchSettings.h"
#include "common/ScriptedDialogs.h"
#include "link/UnitCommunications.h"
#include "live/UnitAcquisitionPanel.h"
#include "live/UnitAcquisizioni.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <iterator>
#include <unistd.h>
#include <vector>

namespace {

double ResidentMiB() {
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly)) return 0;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.size() > 1 ? fields[1].toDouble() * double(sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0) : 0;
}

// A fault as the simulator's control commands set it and clear it.
struct TFault {
    const char* name;
    const char* on;
    const char* off;
};

constexpr TFault Faults[] = {
    {"silent", "silent on", "faults off"},
    {"bad checksums", "bad-checksum on", "faults off"},
    {"every 3rd reply dropped", "drop 3", "faults off"},
    {"replies 700 ms late", "delay 700", "faults off"},
    {"40 bytes of noise before each reply", "garbage 40", "faults off"},
    {"replies that never end", "unterminated on", "faults off"},
    {"echo", "echo on", "faults off"},
    {"unplugged", "unplug", "replug"},
};

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int seconds = IntOption(app.arguments(), QStringLiteral("--seconds"), 600);
    const int faultEvery = IntOption(app.arguments(), QStringLiteral("--fault-every"), 30);
    const int faultSeconds = std::min(IntOption(app.arguments(), QStringLiteral("--fault-seconds"), 5), faultEvery - 1);
    UseBuiltSimulator();
    TScratchSettings settings;
    ScriptedDialogs dialogs;
    QTemporaryDir folder;

    const auto ecu = StartEcuAsPort("bench_soak");
    if (!ecu) return 2;
    ecu->Command(QStringLiteral("script loop 850 2.8 4 2500 5.5 6 1800 4.0 5 850 2.8 5"));

    CreateWindows();
    FormMain->show();
    TSerialLink& link = FormCommunications->Link;
    if (!RunUntil([&] { return link.ECUisConnected() && TXQueue && TXQueue->IsEmpty(); }, 30000)) {
        std::fprintf(stderr, "bench_soak: the simulated ECU did not connect\n");
        return 2;
    }
    TFormAcquisitionPanel& window = *FormAcquisitionPanel;
    TAcquisitions& acq = *Acquisitions;
    window.resize(1366, 740);
    window.show();
    window.SuperFast1->trigger();
    for (int k = 0; k < TraceCount; ++k)
        window.SetTraceVisible(k, true);
    RunFor(500);

    // A fault that loses the ECU stops the recording (the link resets and cuts it off, keeping its
    // lines): the run starts a new file, as the user would, and counts the lines of them all.
    std::vector<QString> files;
    qint64 lastSize = -1; // of the newest file at the last poll tick
    auto startRecording = [&] {
        files.push_back(folder.filePath(QStringLiteral("soak%1.txt").arg(files.size() + 1)));
        lastSize = -1;
        acq.StartSaving(files.back());
    };

    // Each poll tick while recording must add one line to the file. The simulated ECU's
    // configuration has a lambda probe, so every poll tick ends with LambdaChartTick, after the
    // meters window's update that writes the line: the file must have grown since the last tick.
    long ticksWhileSaving = 0, ticksWithoutLine = 0, answered = 0;
    QElapsedTimer wall;
    QObject::connect(&acq, &TAcquisitions::LambdaChartTick, [&] {
        if (!acq.Saving || !(acq.SuperFast || acq.Standard) || files.empty()) return;
        ++ticksWhileSaving;
        const qint64 size = QFileInfo(files.back()).size();
        if (size == lastSize && ++ticksWithoutLine <= 5)
            std::printf("  %6.1f s  a poll tick wrote no line\n", wall.elapsed() / 1000.0);
        lastSize = size;
    });
    QObject::connect(&acq, &TAcquisitions::RefreshStatus, [&] { ++answered; });
    // The simulator's control commands wait for its answer on this thread: the master timer's
    // ticks around them are not the program's lateness.
    double worstLateMs = 0, worstLateSinceFaultMs = 0;
    QElapsedTimer tickClock;
    QObject::connect(&link.MasterClock(), &QTimer::timeout, [&] {
        if (tickClock.isValid()) {
            const double late = tickClock.nsecsElapsed() / 1e6 - 10.0;
            worstLateMs = std::max(worstLateMs, late);
            worstLateSinceFaultMs = std::max(worstLateSinceFaultMs, late);
        }
        tickClock.start();
    });
    auto control = [&](const char* command) {
        ecu->Command(QString::fromLatin1(command));
        tickClock.invalidate();
    };

    startRecording();
    if (!acq.Saving) {
        std::fprintf(stderr, "bench_soak: the recording did not start: %s\n", qPrintable(dialogs.told.join(' ')));
        return 2;
    }
    const double rssStart = ResidentMiB();
    std::printf("program against corvane-ecu-sim (line paced), meters window at super-fast polling, recording, "
                "%d s, a fault every %d s held %d s\n",
                seconds, faultEvery, faultSeconds);
    std::printf("resident memory at start    %.1f MiB\n", rssStart);

    wall.start();
    int faultsInjected = 0, pollingRestarted = 0;
    int nextFault = faultEvery;
    int nextMinute = 60;
    QString minutes;
    while (wall.elapsed() < qint64(seconds) * 1000) {
        RunFor(200);
        const int now = int(wall.elapsed() / 1000);
        if (now >= nextFault && nextFault + faultSeconds < seconds) {
            const TFault& fault = Faults[faultsInjected % std::size(Faults)];
            ++faultsInjected;
            std::printf("  %4d s  (worst lateness before: %.1f ms)  fault: %s", nextFault, worstLateSinceFaultMs,
                        fault.name);
            worstLateSinceFaultMs = 0;
            control(fault.on);
            RunFor(faultSeconds * 1000);
            control(fault.off);
            std::printf("%s\n", acq.Saving ? "" : "; the recording was cut off");
            nextFault += faultEvery;
        }
        // Once the ECU is back: super-fast polling chosen again (the link comes back at the
        // standard rate when the meters window is open), and a new recording if it was cut off.
        if (link.ECUisConnected() && !acq.SuperFast) {
            ++pollingRestarted;
            window.SuperFast1->trigger();
        }
        if (link.ECUisConnected() && !acq.Saving) startRecording();
        if (now >= nextMinute) {
            minutes += QStringLiteral(" %1").arg(ResidentMiB(), 0, 'f', 1);
            nextMinute += 60;
        }
    }
    acq.StopSaving();
    RunFor(100);
    const double rssEnd = ResidentMiB();

    long lines = 0;
    int closed = 0;
    for (const QString& file : files) {
        const QByteArray bytes = ReadAll(file);
        lines += long(bytes.count("\r\n")) - 1; // less the header
        if (bytes.mid(bytes.lastIndexOf('\n') + 1).startsWith("SCALING")) ++closed;
    }
    std::printf("resident memory each minute%s MiB\n", qPrintable(minutes));
    std::printf("resident memory at end      %.1f MiB  (%+.1f MiB)\n", rssEnd, rssEnd - rssStart);
    std::printf("faults injected             %d; super-fast polling chosen again %d times\n", faultsInjected,
                pollingRestarted);
    std::printf("recordings                  %d (%d with the closing line, the others cut off by a fault)\n",
                int(files.size()), closed);
    std::printf("recorded lines              %ld; poll ticks while recording %ld; ticks without a line %ld (%s)\n",
                lines, ticksWhileSaving, ticksWithoutLine,
                lines == ticksWhileSaving && ticksWithoutLine == 0 ? "no line lost" : "LINES LOST");
    std::printf("polls answered by the ECU   %ld (%.1f/s)\n", answered, answered / (wall.elapsed() / 1000.0));
    std::printf("master timer lateness       worst %.2f ms   (aim: under 20 ms)\n", worstLateMs);
    std::printf("messages shown              %lld\n", static_cast<long long>(dialogs.told.size()));
    for (const QString& message : dialogs.told)
        std::printf("  %s\n", qPrintable(message.simplified()));

    delete FormMain;
    DestroyWindows();
    return 0;
}
