// Live-data polling over the real serial link against corvane-ecu-sim. The master timer is run
// by the test, tick by tick, so that intervals are counted in ticks exactly.
#include "FakeDisplay.h"
#include "common/EcuSim.h"
#include "common/LiveClients.h"
#include "common/RunUntil.h"
#include "common/ScratchSettings.h"
#include "common/ScriptedDialogs.h"
#include "config/UnitDati.h"
#include "link/Codec.h"
#include "link/SerialLink.h"
#include "live/UnitAcquisizioni.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <functional>
#include <gtest/gtest.h>
#include <memory>

namespace {

class PollingEndToEnd : public ::testing::Test {
protected:
    PollingEndToEnd() {
        Acquisitions = &acq;
        QObject::connect(&acq, &TAcquisitions::PollCountdownReloaded, [this](int ticks) {
            if (link) link->SchedulePoll(ticks);
        });
    }
    ~PollingEndToEnd() override {
        link.reset();
        Acquisitions = nullptr;
    }

    // Opens the simulator's port with the master timer stopped, probes, and waits until the ECU
    // is connected and the link's own requests are answered.
    void Connect(TEcuSim& ecu) {
        ASSERT_TRUE(ecu.IsRunning()) << ecu.ErrorText().toStdString();
        TScratchSettings::UsePort(ecu.LinkPath());
        link = std::make_unique<TSerialLink>();
        link->SetClients(&clients);
        QObject::connect(link.get(), &TSerialLink::FrameLogged, [this](const QByteArray& frame, bool out) {
            if (out) sent.push_back({tick, FrameCommand(frame)});
        });
        link->Start();
        link->StopMasterTimer();
        link->SendConnectProbe();
        ASSERT_TRUE(WaitFor([&] { return link->ECUisConnected() && TXQueue->IsEmpty(); }));
        ASSERT_TRUE(acq.StatusUpdate); // switched on by the valid replies
        sent.clear();
    }
    static bool WaitFor(const std::function<bool()>& done, int ms = 5000) { return RunUntil(done, ms); }
    // n ticks of the master timer; after each one the ECU's answer to what was sent is awaited.
    void Ticks(int n) {
        for (int i = 0; i < n; ++i) {
            ++tick;
            link->MasterTimerTimer();
            ASSERT_TRUE(WaitFor([] { return TXQueue->IsEmpty(); })) << "tick " << tick;
            QCoreApplication::processEvents();
        }
    }
    // The ticks at which requests of code were sent.
    std::vector<int> SentTicks(uint16_t code) const {
        std::vector<int> ticks;
        for (auto [t, c] : sent)
            if (c == code) ticks.push_back(t);
        return ticks;
    }
    static void ExpectEvery(const std::vector<int>& ticks, int interval, size_t atLeast) {
        ASSERT_GE(ticks.size(), atLeast);
        for (size_t i = 1; i < ticks.size(); ++i)
            EXPECT_EQ(ticks[i] - ticks[i - 1], interval) << "between requests " << i - 1 << " and " << i;
    }

    TScratchSettings settings;
    ScriptedDialogs dialogs;
    TDataMap dataMap;
    TAcquisitions acq;
    LiveClients clients{acq};
    std::unique_ptr<TSerialLink> link;
    int tick = 0;
    std::vector<std::pair<int, uint16_t>> sent;
};

TEST_F(PollingEndToEnd, StatusStandardAndSuperFastCadence) {
    TEcuSim ecu;
    ASSERT_NO_FATAL_FAILURE(Connect(ecu));
    Ticks(150);
    ExpectEvery(SentTicks(cmdStatus), 15, 9);
    EXPECT_GT(acq.RPM, 500);
    EXPECT_EQ(acq.Battery, 0); // the status reply does not carry it

    sent.clear();
    acq.SetStandard(true);
    Ticks(300);
    const std::vector<int> standard = SentTicks(cmdLiveData);
    ExpectEvery(standard, 15, 20);
    EXPECT_EQ(standard.front() - 150, 15); // the switch reloads the countdown
    EXPECT_TRUE(SentTicks(cmdStatus).empty());
    EXPECT_GT(acq.Battery, 10);

    sent.clear();
    acq.SetSuperFast(true);
    acq.SetStandard(false);
    Ticks(300);
    ExpectEvery(SentTicks(cmdFastData), 5, 60);
    EXPECT_TRUE(SentTicks(cmdLiveData).empty());
    EXPECT_EQ(acq.GasPress, acq.RailPress - int32_t(acq.MAP));
}

// An ECU that takes 300 ms to answer gets no second request of a code while one waits: in
// super-fast polling, six polls fall within one answer.
TEST_F(PollingEndToEnd, SlowEcuNeverHasTwoWaitingRequestsOfOneCode) {
    TEcuSim ecu;
    ASSERT_NO_FATAL_FAILURE(Connect(ecu));
    ASSERT_TRUE(ecu.Fault(QStringLiteral("delay 300")));
    acq.SetSuperFast(true);
    int replies = 0;
    QObject::connect(&acq, &TAcquisitions::RefreshStatus, [&] { ++replies; });
    link->StartMasterTimer();
    int maxQueued = 0;
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < 2000) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
        maxQueued = std::max(maxQueued, TXQueue->Count());
    }
    link->StopMasterTimer();
    EXPECT_EQ(maxQueued, 1);
    EXPECT_GE(replies, 3);
    EXPECT_TRUE(acq.SuperFast);
}

TEST_F(PollingEndToEnd, RefusedStatusRequestFallsBackToFullRequests) {
    TEcuSim ecu({QStringLiteral("--no-pacing"), QStringLiteral("--refuse"), QStringLiteral("0x0B")});
    ASSERT_NO_FATAL_FAILURE(Connect(ecu));
    Ticks(120);
    EXPECT_EQ(SentTicks(cmdStatus).size(), 1u);
    EXPECT_TRUE(TXQueue->IsUnsupported(cmdStatus));
    EXPECT_TRUE(acq.StatusUpdate);
    ExpectEvery(SentTicks(cmdLiveData), 15, 6);
    EXPECT_EQ(SentTicks(cmdLiveData).front() - SentTicks(cmdStatus).front(), 15);
    EXPECT_GT(acq.Battery, 10); // decoded from full replies
}

TEST_F(PollingEndToEnd, RefusedFullRequestStopsAllPollingAndSaving) {
    TEcuSim ecu({QStringLiteral("--no-pacing"), QStringLiteral("--refuse"), QStringLiteral("3")});
    ASSERT_NO_FATAL_FAILURE(Connect(ecu));
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("run.txt"));
    FakeDisplay display(acq);
    acq.SetStandard(true);
    acq.StartSaving(path);
    ASSERT_TRUE(acq.Saving);
    bool stoppedAtOnce = false;
    QObject::connect(&acq, &TAcquisitions::StatusUpdateSwitched, [&](bool on) {
        if (!on) stoppedAtOnce = !acq.Standard && !acq.SuperFast;
    });
    Ticks(15);
    EXPECT_EQ(SentTicks(cmdLiveData).size(), 1u);
    EXPECT_TRUE(stoppedAtOnce);
    EXPECT_FALSE(acq.Standard);
    EXPECT_FALSE(acq.StatusUpdate);
    EXPECT_FALSE(acq.Saving);
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = file.readAll().split('\n');
    ASSERT_EQ(lines.size(), 3); // header, the tick's line, the closing line
    EXPECT_TRUE(lines[2].startsWith("SCALING\t"));
}

} // namespace
