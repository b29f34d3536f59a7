// A 2000-line firmware file flashed into corvane-ecu-sim with its line pacing on (the monitor's
// 38400 baud, 2 stop bits: 11 bits a byte), through the flasher window (offscreen, boot log
// shown) and its whole upgrade sequence. The download, from the flash command to the last line's
// acknowledgement, is timed against its wire time: every byte sent (the command, each line and
// its CR) and received (the command's echo and prompt, each ACK). The program's CPU time over
// the same span is printed as a share of one core. The erase is timed apart: the simulated
// sectors take 40 ms each.
//
//   bench_firmware_flash [--lines N] [--runs N]   (defaults 2000 and 1; CORVANE_SIM names the simulator)
#include "app/Settings.h"
#include "app/UserDialogs.h"
#include "common/EcuSim.h"
#include "common/ModelLinkClients.h"
#include "common/RunUntil.h"
#include "config/UnitDati.h"
#include "flasher/FirmwareLines.h"
#include "flasher/UnitFirmwareUpgrade.h"
#include "link/SerialLink.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QToolButton>
#include <algorithm>
#include <cstdio>
#include <ctime>
#include <functional>
#include <vector>

namespace {

// Chooses the file and confirms the flash; the defaults question is not asked of a connected ECU.
class BenchDialogs : public TUserDialogs {
public:
    QString File;
    TMsgButton Ask(TMsgKind, const QString&, int buttons) override { return (buttons & mbOK) ? mbOK : mbNo; }
    void Tell(TMsgKind, const QString& text) override {
        std::fprintf(stderr, "bench_firmware_flash: told \"%s\"\n", qPrintable(text));
    }
    QString OpenFileName(const QString&, const QString&, const QString&) override { return File; }
    QString SaveFileName(const QString&, const QString&, const QString&) override { return {}; }
};

double CpuSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return ts.tv_sec + ts.tv_nsec / 1e9;
}

constexpr double MonitorBytesPerSecond = 38400.0 / 11.0;

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    int lineCount = 2000, runs = 1;
    const QStringList args = app.arguments();
    for (qsizetype i = 1; i + 1 < args.size(); ++i) {
        if (args[i] == QLatin1String("--lines")) lineCount = qMax(3, args[i + 1].toInt());
        if (args[i] == QLatin1String("--runs")) runs = qMax(1, args[i + 1].toInt());
    }
#ifdef CORVANE_SIM_DEFAULT
    if (qEnvironmentVariableIsEmpty("CORVANE_SIM")) qputenv("CORVANE_SIM", CORVANE_SIM_DEFAULT);
#endif

    QTemporaryDir dir;
    qputenv("WinDir", dir.path().toUtf8());
    TSerialLink::SetPortEnumerator([] { return QStringList(); });
    const QByteArrayList lines = FirmwareLines(lineCount);
    BenchDialogs dialogs;
    dialogs.File = dir.filePath(QStringLiteral("KELD_2.06.mhx"));
    if (!WriteFirmwareFile(dialogs.File, lines)) {
        std::fprintf(stderr, "bench_firmware_flash: cannot write the firmware file\n");
        return 2;
    }
    SetDialogs(&dialogs);

    TEcuSim ecu(QStringList{}); // pacing on
    if (!ecu.IsRunning()) {
        std::fprintf(stderr, "bench_firmware_flash: %s\n", qPrintable(ecu.ErrorText()));
        return 2;
    }
    WriteSetting(QStringLiteral("COMPORT"), ecu.LinkPath());
    TDataMap model;
    ModelLinkClients clients;
    clients.Model = &model;
    TSerialLink link;
    link.SetClients(&clients);
    link.Start();
    link.SendConnectProbe();
    if (!RunUntil([&] { return link.ECUisConnected() && TXQueue->IsEmpty(); }, 30000)) {
        std::fprintf(stderr, "bench_firmware_flash: the simulated ECU did not connect\n");
        return 2;
    }

    qint64 downloadBytes = 8 + 9; // "\rHEXDWL\r" and its echo "\n\r>HEXDWL"
    for (const QByteArray& l : lines)
        downloadBytes += l.size() + 1 + 1; // the line, CR, ACK
    const double wireSeconds = downloadBytes / MonitorBytesPerSecond;

    std::printf("firmware flash into corvane-ecu-sim, line paced at 38400 baud with 2 stop bits\n");
    std::printf("%d lines of %lld bytes in all, %d run(s); download wire time %.3f s\n", lineCount,
                (long long)downloadBytes, runs, wireSeconds);
    std::printf("%4s %9s %9s %9s %7s %9s\n", "run", "erase s", "wire s", "took s", "ratio", "CPU %");

    TFormFirmwareUpgrade window(nullptr);
    std::vector<double> ratios, shares;
    for (int run = 1; run <= runs; ++run) {
        QElapsedTimer clock;
        double eraseStart = 0, downloadStart = 0, downloadEnd = 0, cpuStart = 0, cpuEnd = 0;
        bool done = false;
        window.show();
        window.ButtonVerbose->setChecked(qEnvironmentVariableIsEmpty("BENCH_NO_LOG"));
        TBootDialogue& dialogue = window.Sequence()->Dialogue;
        QObject::connect(&dialogue, &TBootDialogue::ProgressChanged, &app, [&](int percent) {
            if (percent == 1 && eraseStart == 0) eraseStart = clock.nsecsElapsed() / 1e9;
        });
        QObject::connect(&dialogue, &TBootDialogue::FlashingStarted, &app, [&] {
            downloadStart = clock.nsecsElapsed() / 1e9;
            cpuStart = CpuSeconds();
        });
        QObject::connect(&dialogue, &TBootDialogue::LinesWritten, &app, [&](int written, int total) {
            if (written != total) return;
            downloadEnd = clock.nsecsElapsed() / 1e9;
            cpuEnd = CpuSeconds();
            done = true;
        });
        clock.start();
        if (!RunUntil([&] { return done && !window.isVisible(); }, 600000)) {
            std::fprintf(stderr, "bench_firmware_flash: the flash did not finish (status \"%s\")\n",
                         qPrintable(window.Sequence()->StatusText));
            return 2;
        }
        QObject::disconnect(&dialogue, nullptr, &app, nullptr);
        const double took = downloadEnd - downloadStart;
        const double share = 100.0 * (cpuEnd - cpuStart) / took;
        ratios.push_back(took / wireSeconds);
        shares.push_back(share);
        std::printf("%4d %9.3f %9.3f %9.3f %7.3f %9.1f\n", run, downloadStart - eraseStart, wireSeconds, took,
                    took / wireSeconds, share);
    }
    std::sort(ratios.begin(), ratios.end());
    std::sort(shares.begin(), shares.end());
    std::printf("median: download %.3f x its wire time, %.1f %% of one core\n", ratios[ratios.size() / 2],
                shares[shares.size() / 2]);
    SetDialogs(nullptr);
    return 0;
}
