// The whole configuration read from the ECU (UploadAll) and written to it (DownloadAll) over the
// real serial link against corvane-ecu-sim with its line pacing on, the master timer running as
// in the program. Each transfer's time, from the call to the delivery of its last reply, is
// printed against its wire time at 9600 baud: every request and reply byte, stuffing included,
// at 10 bits a byte.
//
//   bench_config_transfer [--runs N]     (default 5; CORVANE_SIM names the simulator)
#include "BenchmarkOptions.h"
#include "PacedEcu.h"
#include "common/ModelLinkClients.h"
#include "common/RunUntil.h"
#include "common/ScratchSettings.h"
#include "config/UnitDati.h"
#include "link/Codec.h"
#include "link/ReplyDispatch.h"
#include "link/SerialLink.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

// The diagnostics window's VIN requests, which follow every full transfer in the program.
class VinRequests : public TDiagnosticsView {
public:
    void ReadVIN() override { SendCommand(CommandBody(cmdVIN) + char(2), nullptr, false); }
    void WriteVIN() override {
        SendCommand(CommandBody(cmdVIN) + char(1) + QByteArray("ZFA18800000123456"), nullptr, false);
    }
};

constexpr double WireBytesPerSecond = 9600.0 / 10.0;

struct Sample {
    double seconds = 0, wireSeconds = 0;
    qint64 bytes = 0;
    int frames = 0;
    double Ratio() const { return wireSeconds > 0 ? seconds / wireSeconds : 0; }
};

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int runs = IntOption(app.arguments(), QStringLiteral("--runs"), 5);
    UseBuiltSimulator();
    TScratchSettings settings;

    const auto ecu = StartEcuAsPort("bench_config_transfer");
    if (!ecu) return 2;

    TDataMap model;
    VinRequests vin;
    model.DiagnosticsView = &vin;
    ModelLinkClients clients;
    clients.Model = &model;
    TSerialLink link;
    link.SetClients(&clients);

    bool counting = false;
    Sample current;
    QObject::connect(&link, &TSerialLink::FrameLogged, [&](const QByteArray& frame, bool) {
        if (!counting) return;
        current.bytes += EscapeFrame(frame).size();
        ++current.frames;
    });
    const auto idle = [&] {
        return TXQueue->IsEmpty() && link.Dispatcher().SynchThread().PendingDeliveries() == 0;
    };

    link.Start();
    // The connection reads the configuration; wait until it is in.
    if (!RunUntil([&] { return link.ECUisConnected() && idle(); }, 20000, 2)) {
        std::fprintf(stderr, "bench_config_transfer: the simulated ECU did not connect\n");
        return 2;
    }
    RunFor(300);

    const auto measure = [&](const std::function<void()>& transfer, Sample& s) {
        current = Sample();
        counting = true;
        QElapsedTimer t;
        t.start();
        transfer();
        const bool done = RunUntil(idle, 20000, 2);
        s = current;
        s.seconds = t.nsecsElapsed() / 1e9;
        counting = false;
        s.wireSeconds = s.bytes / WireBytesPerSecond;
        return done;
    };

    std::printf("configuration transfer against corvane-ecu-sim, line paced at 9600 baud, %d runs\n", runs);
    std::printf("%-12s %4s %7s %7s %9s %9s %7s\n", "transfer", "run", "frames", "bytes", "wire s", "took s",
                "ratio");
    std::vector<double> upload, download;
    for (int run = 1; run <= runs; ++run) {
        Sample s;
        if (!measure([&] { model.UploadAll(false); }, s)) {
            std::fprintf(stderr, "bench_config_transfer: the upload did not finish\n");
            return 2;
        }
        upload.push_back(s.Ratio());
        std::printf("%-12s %4d %7d %7lld %9.3f %9.3f %7.3f\n", "UploadAll", run, s.frames, (long long)s.bytes,
                    s.wireSeconds, s.seconds, s.Ratio());
        if (!measure([&] { model.DownloadAll(false); }, s)) {
            std::fprintf(stderr, "bench_config_transfer: the download did not finish\n");
            return 2;
        }
        download.push_back(s.Ratio());
        std::printf("%-12s %4d %7d %7lld %9.3f %9.3f %7.3f\n", "DownloadAll", run, s.frames,
                    (long long)s.bytes, s.wireSeconds, s.seconds, s.Ratio());
    }
    const auto median = [](std::vector<double> v) {
        std::sort(v.begin(), v.end());
        return v[v.size() / 2];
    };
    std::printf("median ratio to wire time: UploadAll %.3f, DownloadAll %.3f\n", median(upload),
                median(download));
    return 0;
}
