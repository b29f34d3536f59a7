// Request/reply round trips through the whole serial link (queue, port, packet detector, reply
// hand-over) against corvane-ecu-sim, with the simulator answering at once and at the line's real
// speed, and the cost of turning a frame into Log window lines. Prints requests per second, the
// mean round trip, and for the paced line the share of the round trip the wire itself takes.
//
//   bench_link_roundtrip [--requests N]     (default 300; CORVANE_SIM names the simulator)
#include "BenchmarkOptions.h"
#include "app/LinkSettings.h"
#include "PacedEcu.h"
#include "common/RunUntil.h"
#include "common/ScratchSettings.h"
#include "link/Codec.h"
#include "link/LogDump.h"
#include "link/SerialLink.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <cstdio>

namespace {

// Sends the next identification request as soon as the previous reply is delivered.
class Chain : public TConsumerInterface {
public:
    int Left = 0, Replies = 0, Failures = 0;
    qint64 RequestBytes = 0, ReplyBytes = 0;
    void Next() {
        if (Left-- <= 0) return;
        const QByteArray body = CommandBody(cmdIdentify);
        RequestBytes += EscapeFrame(BuildFrame(body)).size();
        SendCommand(body, this, false);
    }
    void FrameReceived(const TFrame& reply) override {
        ++Replies;
        ReplyBytes += EscapeFrame(reply.Data).size();
        Next();
    }
    void FrameDiscarded() override {}
    void FrameFailed() override { ++Failures; }
};

bool RunLine(bool paced, int requests) {
    const auto ecu = StartEcuAsPort("bench_link_roundtrip",
                                    paced ? QStringList{} : QStringList{QStringLiteral("--no-pacing")});
    if (!ecu) return false;
    TSerialLink link;
    TSettingsFileLinkClients clients;
    link.SetClients(&clients);
    link.Start();
    if (!RunUntil([&] { return link.ECUisConnected(); }, 20000)) {
        std::fprintf(stderr, "no connection\n");
        return false;
    }
    RunUntil([] { return TXQueue->IsEmpty(); }, 10000);
    link.StopPeriodic(); // no watchdog or polling traffic in between

    Chain chain;
    chain.Left = requests;
    QElapsedTimer clock;
    clock.start();
    chain.Next();
    RunUntil([&] { return chain.Replies >= requests || chain.Failures > 0; }, 600000);
    const double seconds = clock.nsecsElapsed() / 1e9;
    const double perRequestMs = 1000.0 * seconds / std::max(chain.Replies, 1);
    std::printf("%-22s %6d replies in %7.3f s: %8.1f requests/s, %7.3f ms per round trip",
                paced ? "paced 9600 baud line" : "unpaced line", chain.Replies, seconds,
                chain.Replies / seconds, perRequestMs);
    if (paced) {
        // 10 bits a byte at 9600 baud, both directions.
        const double wireMs = 1000.0 * double(chain.RequestBytes + chain.ReplyBytes) * 10.0 / 9600.0 /
                              std::max(chain.Replies, 1);
        std::printf(", wire %.3f ms (%.0f%%)", wireMs, 100.0 * wireMs / perRequestMs);
    }
    std::printf("%s\n", chain.Failures ? "  (a request failed)" : "");
    return chain.Failures == 0;
}

void LogLines() {
    const QByteArray frame = BuildFrame(cmdLiveData, QByteArray(104, '\x5A'));
    const QString time = LongTimeText(QTime::currentTime());
    const int rounds = 20000;
    qsizetype chars = 0;
    QElapsedTimer clock;
    clock.start();
    for (int i = 0; i < rounds; ++i)
        chars += LogDumpLines(frame, false, time).join(QLatin1Char('\n')).size();
    const double us = clock.nsecsElapsed() / 1e3 / rounds;
    std::printf("log lines of a %lld-byte frame: %.2f us each (%lld characters in all)\n",
                static_cast<long long>(frame.size()), us, static_cast<long long>(chars));
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    UseBuiltSimulator();
    const int requests = IntOption(app.arguments(), QStringLiteral("--requests"), 300);
    TScratchSettings settings;

    bool ok = RunLine(false, requests);
    ok = RunLine(true, std::max(1, requests / 5)) && ok;
    LogLines();
    return ok ? 0 : 1;
}
