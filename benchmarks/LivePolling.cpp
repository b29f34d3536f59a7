// Live-data polling against corvane-ecu-sim with its line pacing on: the simulator sends every
// byte at 9600 baud as a real line does. For each rate the program polls for a while on the real
// 10 ms master timer and prints the replies per second against the schedule (a poll every 15
// ticks in standard polling, every 5 in super-fast) and against what the wire allows.
//
//   bench_live_polling [--seconds N]     (default 30 per rate; CORVANE_SIM names the simulator)
#include "BenchmarkOptions.h"
#include "LiveRig.h"
#include "PacedEcu.h"
#include "common/LiveClients.h"
#include "common/RunUntil.h"
#include "common/ScratchSettings.h"
#include "config/UnitDati.h"
#include "link/Codec.h"
#include "link/SerialLink.h"
#include "live/UnitAcquisizioni.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <cstdio>

namespace {

// The line carries 10 bits a byte (8-N-1).
constexpr double WireBytesPerSecond = 9600.0 / 10.0;

struct Counts {
    uint16_t code = 0;
    int requests = 0, replies = 0;
    qint64 requestBytes = 0, replyBytes = 0;
    int ticks = 0;
};

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int seconds = IntOption(app.arguments(), QStringLiteral("--seconds"), 30);
    UseBuiltSimulator();
    TScratchSettings settings;

    const auto ecu = StartEcuAsPort("bench_live_polling");
    if (!ecu) return 2;
    ecu->WorkingPoint(2500, 4.5);

    TLiveRig rig;
    TAcquisitions& acq = rig.Acq;
    TSerialLink& link = rig.Link;

    Counts current;
    bool counting = false;
    QObject::connect(&link, &TSerialLink::FrameLogged, [&](const QByteArray& frame, bool sent) {
        if (!counting) return;
        const uint16_t code = FrameCommand(frame);
        if (sent && code == current.code) {
            ++current.requests;
            current.requestBytes += EscapeFrame(frame).size();
        } else if (!sent && code == ReplyCode(current.code)) {
            ++current.replies;
            current.replyBytes += EscapeFrame(frame).size();
        }
    });
    QObject::connect(&link.MasterClock(), &QTimer::timeout, [&] {
        if (counting) ++current.ticks;
    });

    link.Start();
    if (!RunUntil([&] { return link.ECUisConnected() && TXQueue->IsEmpty(); }, 15000)) {
        std::fprintf(stderr, "bench_live_polling: the simulated ECU did not connect\n");
        return 2;
    }
    // The connection's own requests (identification, mode) are answered by now.
    RunFor(300);

    std::printf("live polling against corvane-ecu-sim, line paced at 9600 baud, %d s per rate\n", seconds);
    // "of polls" compares the replies with the polls the master timer actually ran: below 100 % the
    // link lost polls; a short "ticks/s" means the timer itself fell behind (a busy machine).
    std::printf("%-11s %9s %9s %10s %8s %9s %10s %8s %8s %9s\n", "rate", "requests", "replies", "replies/s",
                "schedule", "of sched", "wire max/s", "of wire", "ticks/s", "of polls");
    struct Rate {
        const char* name;
        uint16_t code;
        int interval; // master ticks between polls
    } rates[] = {{"standard", cmdLiveData, 15}, {"super-fast", cmdFastData, 5}};
    for (const Rate& r : rates) {
        if (r.code == cmdLiveData) {
            acq.SetStandard(true);
            acq.SetSuperFast(false);
        } else {
            acq.SetSuperFast(true);
            acq.SetStandard(false);
        }
        RunFor(1000); // settle into the new rate
        current = Counts{r.code};
        counting = true;
        QElapsedTimer t;
        t.start();
        RunFor(seconds * 1000);
        counting = false;
        const double elapsed = t.elapsed() / 1000.0;

        const double perSecond = current.replies / elapsed;
        const double schedule = 1000.0 / (10.0 * r.interval);
        const double exchangeBytes = current.replies > 0
                                         ? double(current.requestBytes) / qMax(1, current.requests) +
                                               double(current.replyBytes) / current.replies
                                         : 0;
        const double wireMax = exchangeBytes > 0 ? WireBytesPerSecond / exchangeBytes : 0;
        const double polls = double(current.ticks) / r.interval;
        std::printf("%-11s %9d %9d %10.2f %8.2f %8.1f%% %10.2f %7.1f%% %8.1f %8.1f%%\n", r.name,
                    current.requests, current.replies, perSecond, schedule, 100.0 * perSecond / schedule,
                    wireMax, wireMax > 0 ? 100.0 * perSecond / wireMax : 0.0, current.ticks / elapsed,
                    polls > 0 ? 100.0 * current.replies / polls : 0.0);
        std::printf("%-11s %.1f bytes on the wire per exchange\n", "", exchangeBytes);
    }
    acq.SetSuperFast(false);
    acq.SetStatusUpdate(false);
    return 0;
}
