// The simulated ECU driven directly, on a clock the test turns: line timing, the engine model
// and the replies' layouts.
#include "SimBytes.h"
#include "sim/SimEcu.h"
#include "link/ByteQueue.h"
#include "link/Codec.h"
#include "sim/EcuLayout.h"
#include "sim/SimControl.h"

#include <gtest/gtest.h>

namespace {

uint16_t WordAt(const QByteArray& payload, int offset) {
    return static_cast<uint16_t>(uint8_t(payload[offset]) + 256 * uint8_t(payload[offset + 1]));
}

// A simulated ECU and the clock that drives it.
class Bench {
public:
    explicit Bench(bool pacing = false, bool blank = false) : Ecu(Options(pacing, blank)) {}

    static TSimEcu::TOptions Options(bool pacing, bool blank) {
        TSimEcu::TOptions o;
        o.Pacing = pacing;
        o.Blank = blank;
        return o;
    }

    // Runs the clock, collecting what the ECU puts on the line and when.
    void Run(SimTime span, SimTime step = Ms(10)) {
        const SimTime end = Now + span;
        while (Now < end) {
            Now = std::min(end, Now + step);
            Ecu.Advance(Now);
            const QByteArray out = Ecu.TakeOutput(Now);
            Arrivals.insert(Arrivals.end(), out.size(), Now);
            Output += out;
        }
    }
    void RunSeconds(double s) { Run(SimTime{static_cast<long long>(s * 1e6)}); }

    QByteArray Exchange(uint16_t code, const QByteArray& payload = {}) {
        Output.clear();
        Ecu.Receive(EscapeFrame(BuildFrame(code, payload)), Now);
        Run(Ms(40));
        return UnescapeFrame(Output);
    }
    QByteArray Payload(uint16_t code, const QByteArray& payload = {}) {
        return FramePayload(Exchange(code, payload));
    }
    void Control(const QString& command) {
        ASSERT_TRUE(RunControlCommand(Ecu, command, Now).Ok) << command.toStdString();
    }

    TSimEcu Ecu;
    SimTime Now{0};
    QByteArray Output;
    std::vector<SimTime> Arrivals;
};

TEST(SimEcuTiming, PacesRepliesAtTheLineSpeed) {
    Bench b(true);
    b.Ecu.Receive(EscapeFrame(BuildFrame(cmdConnect, {})), SimTime{0});
    b.Run(Ms(100), SimTime{50});
    ASSERT_EQ(b.Output.size(), 9);
    // 9 request bytes in, 2 ms to answer, 9 reply bytes out, each 10 bits at 9600 baud.
    const double byteUs = 1e6 * 10 / 9600;
    EXPECT_NEAR(double(b.Arrivals.front().count()), 9 * byteUs + 2000 + byteUs, 60);
    EXPECT_NEAR(double(b.Arrivals.back().count()), 18 * byteUs + 2000, 60);
}

TEST(SimEcuTiming, BurstTakesItsWireTimeAtEitherSpeed) {
    struct Case {
        int baud, bits;
    };
    for (const Case c : {Case{9600, 10}, Case{38400, 11}}) {
        Bench b(true);
        b.Ecu.Burst(1000, c.baud, c.bits, SimTime{0});
        b.Run(Ms(1500), SimTime{100});
        ASSERT_EQ(b.Output.size(), 1000);
        const double wire = 1000.0 * c.bits / c.baud;
        EXPECT_NEAR(Seconds(b.Arrivals.back()), wire, wire * 0.005) << c.baud;
    }
}

TEST(SimEcuTiming, WithoutPacingRepliesAtOnce) {
    Bench b(false);
    b.Ecu.Receive(EscapeFrame(BuildFrame(cmdConnect, {})), SimTime{0});
    b.Ecu.Advance(SimTime{0});
    EXPECT_EQ(b.Ecu.TakeOutput(SimTime{0}), BuildFrame(ReplyCode(cmdConnect), {}));
}

TEST(SimEcuTiming, MonitorSpeaksAfterTheResetReplyAndHandsBackAfterItsOffers) {
    Bench b(true);
    b.Ecu.Receive(EscapeFrame(BuildFrame(cmdReset, Bytes({1}))), SimTime{0});
    b.Run(Ms(3000), SimTime{100});
    ASSERT_TRUE(b.Output.startsWith(BuildFrame(ReplyCode(cmdReset), {})));
    const qsizetype text = b.Output.indexOf("Type ESC");
    ASSERT_EQ(text, 9);
    // The reply leaves at 9600; the monitor starts 150 ms later and talks at 38400 with 2 stop bits.
    const SimTime replyGone = b.Arrivals[8];
    EXPECT_NEAR(Seconds(b.Arrivals[9] - replyGone), 0.150 + 11.0 / 38400, 0.001);
    EXPECT_NEAR(Seconds(b.Arrivals[10] - b.Arrivals[9]), 11.0 / 38400, 0.0001);
    EXPECT_TRUE(b.Output.endsWith("Start Application\n\r"));
    EXPECT_FALSE(b.Ecu.InMonitor());
    EXPECT_EQ(b.Output.count("Type ESC to enter monitor mode"), 5);
}

TEST(SimEcuLayout, LiveRepliesCarryTheWorkingPointAtTheirOffsets) {
    Bench b;
    b.Control(QStringLiteral("point 3000 6 700"));
    b.Control(QStringLiteral("temp 80 50"));
    b.Control(QStringLiteral("fuel gas"));
    b.RunSeconds(5);

    const QByteArray live = b.Payload(cmdLiveData);
    ASSERT_EQ(live.size(), 104);
    EXPECT_NEAR(WordAt(live, 0), 3000, 30);
    EXPECT_NEAR(WordAt(live, 2), 1410, 10);  // battery, 0.01 V
    EXPECT_NEAR(WordAt(live, 4), 6000, 200); // petrol time, cylinder 1, us
    EXPECT_NE(WordAt(live, 10), 0) << "cylinder 4 of 4";
    EXPECT_EQ(WordAt(live, 12), 0) << "no cylinder 5";
    EXPECT_NEAR(WordAt(live, 22), 4 * (80 + 20), 8); // water, quarter degrees above -20
    EXPECT_GT(WordAt(live, 48), 4000);               // gas time, cylinder 1
    EXPECT_EQ(WordAt(live, 56), 0);                  // gas time, cylinder 5
    EXPECT_EQ(WordAt(live, 78), 0) << "running on gas";
    EXPECT_EQ(WordAt(live, 80), 700);    // manifold pressure
    EXPECT_EQ(uint8_t(live[102]), 0x0F); // petrol injectors seen
    EXPECT_EQ(uint8_t(live[103]), 0x0F); // gas injectors driven

    const QByteArray status = b.Payload(cmdStatus);
    ASSERT_EQ(status.size(), 46);
    EXPECT_NEAR(WordAt(status, 0), 6000, 200);
    EXPECT_NEAR(WordAt(status, 8), 3000, 30);
    EXPECT_EQ(WordAt(status, 14), 700);
    EXPECT_EQ(uint8_t(status[36]), ChangeoverGas);
    EXPECT_EQ(WordAt(status, 37), 2) << "engine on";

    const QByteArray fast = b.Payload(cmdFastData);
    ASSERT_EQ(fast.size(), 12);
    EXPECT_EQ(WordAt(fast, 0), 700);
    EXPECT_NEAR(WordAt(fast, 2) - WordAt(fast, 0), 900, 150)
        << "rail over manifold: the LPG reducer's pressure";
    EXPECT_NEAR(WordAt(fast, 4), 3000, 30);
}

TEST(SimEngine, GasTimesComeFromTheSlaveMapTheToolWrites) {
    Bench b;
    b.Control(QStringLiteral("point 2500 5"));
    b.RunSeconds(3);
    const double offset = 0.8;
    const double before = WordAt(b.Payload(cmdStatus), 4) / 1000.0 - offset;

    QByteArray block = b.Payload(cmdReadBlock, Bytes({8, 1}));
    ASSERT_EQ(block.size(), 131);
    for (int i = EcuLayout::B48::Cells; i < block.size(); ++i)
        block[i] = char(uint8_t(block[i]) * 3 / 2);
    ASSERT_EQ(FrameCommand(b.Exchange(cmdWriteBlock, block)), ReplyCode(cmdWriteBlock));
    b.RunSeconds(0.1);
    const double after = WordAt(b.Payload(cmdStatus), 4) / 1000.0 - offset;
    EXPECT_NEAR(after / before, 1.5, 0.02);
}

// The tool's Slave auto-tuning in short: note the petrol time on petrol, change to gas, let the
// petrol ECU settle, note it again and stretch the map by the ratio. The engine needs 10 % more gas
// than the default map gives, so the first rounds find a difference and later ones none.
TEST(SimEngine, SlaveMapTuningConvergesOnWhatTheEngineNeeds) {
    Bench b;
    b.Control(QStringLiteral("demand 1.10"));
    b.Control(QStringLiteral("point 2000 4.5"));
    b.Control(QStringLiteral("temp 80 50"));
    b.Control(QStringLiteral("fuel gas"));
    b.RunSeconds(20);
    double ratio = 0;
    for (int round = 0; round < 6; ++round) {
        b.Exchange(cmdFuelSwitch, Bytes({2})); // to petrol
        ASSERT_EQ(WordAt(b.Payload(cmdStatus), 22), 1);
        b.RunSeconds(10);
        const double onPetrol = WordAt(b.Payload(cmdStatus), 0);
        b.Exchange(cmdFuelSwitch, Bytes({2})); // to gas
        ASSERT_EQ(WordAt(b.Payload(cmdStatus), 22), 0);
        b.RunSeconds(12);
        const double onGas = WordAt(b.Payload(cmdStatus), 0);
        ratio = onGas / onPetrol;
        if (round == 0) {
            EXPECT_GT(ratio, 1.06) << "the petrol ECU makes up for the lean map";
        }
        if (std::abs(ratio - 1) < 0.01) break;
        QByteArray block = b.Payload(cmdReadBlock, Bytes({8, 1}));
        for (int i = EcuLayout::B48::Cells; i < block.size(); ++i)
            block[i] = char(std::clamp(EcuLayout::RoundEven(uint8_t(block[i]) * ratio), 0, 255));
        b.Exchange(cmdWriteBlock, block);
    }
    EXPECT_NEAR(ratio, 1.0, 0.02);
}

// The simulator tells a test how far the ECU's gas map is from what the engine needs: 10 % for the
// default map on an engine that needs 1 / 1.1 of it, next to nothing once the map is scaled so.
TEST(SimEngine, MapErrorTellsHowFarTheGasMapIsFromTheEnginesNeeds) {
    Bench b;
    b.Control(QStringLiteral("demand %1").arg(1 / 1.1, 0, 'f', 6));
    b.RunSeconds(0.1);
    auto error = [&b] {
        const TControlResult r = RunControlCommand(b.Ecu, QStringLiteral("map-error"), b.Now);
        return r.Ok && r.Lines.size() == 2 ? r.Lines[0].toDouble() : -1;
    };
    EXPECT_NEAR(error(), 0.1, 0.001);
    QByteArray block = b.Payload(cmdReadBlock, Bytes({8, 1}));
    for (int i = EcuLayout::B48::Cells; i < block.size(); ++i)
        block[i] = char(std::clamp(EcuLayout::RoundEven(uint8_t(block[i]) / 1.1), 0, 255));
    b.Exchange(cmdWriteBlock, block);
    EXPECT_LT(error(), 0.01);
}

// In Compensated mode the gas ECU's own lambda controller trims a wrong map; stretching the map by
// the trim, as the tool's auto-tuning does, brings the trim back to nothing.
TEST(SimEngine, CompensatedTrimShowsHowFarTheMapIsOff) {
    Bench b;
    b.Control(QStringLiteral("mode compensated"));
    QByteArray lambda = b.Payload(cmdReadBlock, Bytes({5}));
    lambda[EcuLayout::B5::LambdaControllerOn] = char(255);
    b.Exchange(cmdWriteBlock, lambda);
    QByteArray map = b.Payload(cmdReadBlock, Bytes({4, 1}));
    for (int i = EcuLayout::B48::Cells; i < map.size(); ++i)
        map[i] = 40; // 4.0 ms everywhere
    b.Exchange(cmdWriteBlock, map);
    b.Control(QStringLiteral("point 2000 4.5 500"));
    b.Control(QStringLiteral("fuel gas"));
    b.RunSeconds(40);
    const auto trim = [&] { return (WordAt(b.Payload(cmdLiveData), 74) / 32768.0 - 1) * 100; };
    const double first = trim();
    EXPECT_GT(first, 15) << "the map gives less gas than the engine needs";
    for (int i = EcuLayout::B48::Cells; i < map.size(); ++i)
        map[i] = char(EcuLayout::RoundEven(40 * (1 + first / 100)));
    b.Exchange(cmdWriteBlock, map);
    b.RunSeconds(40);
    EXPECT_NEAR(trim(), 0, 3);
}

// With gas adaptation on, the ECU corrects the cell under a steady working point by itself, by at
// most its correction limit each dwell; the tool's periodic re-read of the map then shows it.
TEST(SimEngine, GasAdaptationMovesTheCellUnderTheWorkingPoint) {
    Bench b;
    QByteArray functions = b.Payload(cmdReadBlock, Bytes({2}));
    functions[EcuLayout::B2::GasAdapt] = 1;
    b.Exchange(cmdWriteBlock, functions);
    b.Control(QStringLiteral("demand 1.2"));
    b.Control(QStringLiteral("point 2000 5"));
    b.Control(QStringLiteral("fuel gas"));
    const QByteArray before = b.Payload(cmdReadBlock, Bytes({8, 1}));
    b.RunSeconds(60);
    const QByteArray after = b.Payload(cmdReadBlock, Bytes({8, 1}));
    double growth = 0;
    for (int r = 0; r < EcuLayout::MapRows; ++r)
        for (int c = 0; c < EcuLayout::MapCols; ++c) {
            const int at = EcuLayout::MapCell(EcuLayout::B48::Cells, r, c);
            if (c != 3) {
                EXPECT_EQ(after[at], before[at]) << "only the 2000 rpm column is under the engine";
            }
            growth = std::max(growth, double(uint8_t(after[at])) / uint8_t(before[at]));
        }
    EXPECT_GT(growth, 1.05);
}

TEST(SimEngine, WarmsUpAndChangesOverToGasOnAccelerationPastTheThreshold) {
    Bench b;
    const auto changeover = [&] { return uint8_t(b.Payload(cmdStatus)[36]); };
    b.Control(QStringLiteral("point 1500 3"));
    b.RunSeconds(10);
    EXPECT_EQ(changeover(), ChangeoverIdle) << "still cold";
    const double cold = WordAt(b.Payload(cmdStatus), 16) / 4.0 - 20;
    b.RunSeconds(40);
    const double warm = WordAt(b.Payload(cmdStatus), 16) / 4.0 - 20;
    EXPECT_GT(warm, cold + 10);
    EXPECT_GT(warm, 30);
    EXPECT_EQ(changeover(), ChangeoverPending) << "warm enough, but below 2000 rpm";
    b.Control(QStringLiteral("point 2500 4"));
    b.RunSeconds(5);
    EXPECT_EQ(changeover(), ChangeoverGas);
    EXPECT_EQ(WordAt(b.Payload(cmdStatus), 22), 0);

    // A request for petrol holds it; the second kind of request lets the ECU change over again.
    b.Exchange(cmdFuelSwitch, Bytes({2}));
    b.RunSeconds(10);
    EXPECT_EQ(changeover(), ChangeoverHeld);
    b.Exchange(cmdFuelSwitch, Bytes({1}));
    b.RunSeconds(10);
    EXPECT_EQ(changeover(), ChangeoverGas);
}

TEST(SimEngine, FallsBackToPetrolWhenThePressureGoes) {
    Bench b;
    b.Control(QStringLiteral("point 2500 4"));
    b.Control(QStringLiteral("fuel gas"));
    b.RunSeconds(1);
    b.Control(QStringLiteral("pressure 100"));
    b.RunSeconds(3);
    const QByteArray status = b.Payload(cmdStatus);
    EXPECT_EQ(WordAt(status, 22), 1) << "on petrol";
    EXPECT_EQ(uint8_t(status[36]), ChangeoverBackup);
}

TEST(SimEngine, ReportsEngineStatesAndStartsCountADrivingCycle) {
    Bench b;
    const auto state = [&] { return WordAt(b.Payload(cmdStatus), 37); };
    EXPECT_EQ(state(), 2);
    b.Control(QStringLiteral("engine stall"));
    b.RunSeconds(1);
    EXPECT_EQ(state(), 4);
    EXPECT_EQ(WordAt(b.Payload(cmdStatus), 8), 0);
    b.Control(QStringLiteral("engine off"));
    EXPECT_EQ(state(), 0);
    b.Control(QStringLiteral("engine key"));
    EXPECT_EQ(state(), 1);
    b.Control(QStringLiteral("engine start"));
    b.RunSeconds(0.3);
    EXPECT_EQ(state(), 3) << "cranking";
    b.RunSeconds(2);
    EXPECT_EQ(state(), 2);
    EXPECT_EQ(uint8_t(b.Payload(cmdCounters, Bytes({1}))[1]), 38);
}

TEST(SimEngine, LambdaOscillatesAroundTheReference) {
    Bench b;
    b.Control(QStringLiteral("point 2000 4"));
    b.RunSeconds(20); // the probe warms up
    int low = 255, high = 0;
    double sum = 0;
    const int samples = 60;
    int reference = 0;
    for (int i = 0; i < samples; ++i) {
        const QByteArray live = b.Payload(cmdLiveData);
        const int lambda = WordAt(live, 64);
        reference = WordAt(live, 82);
        low = std::min(low, lambda);
        high = std::max(high, lambda);
        sum += lambda;
        b.RunSeconds(0.05);
    }
    EXPECT_EQ(reference, 128) << "0.5 V, the reference row for 4 ms";
    EXPECT_LT(low, reference - 40);
    EXPECT_GT(high, reference + 40);
    EXPECT_NEAR(sum / samples, reference, 15);
}

TEST(SimEngine, AcquiresThePetrolMapWhenAskedTo) {
    Bench b;
    QByteArray block2 = b.Payload(cmdReadBlock, Bytes({2}));
    block2[EcuLayout::B2::PetrolAcquire] = 1;
    b.Exchange(cmdWriteBlock, block2);
    b.Control(QStringLiteral("point 2000 4.5 500"));
    b.RunSeconds(5);
    const QByteArray petrol = b.Payload(cmdReadBlock, Bytes({3}));
    // MAP row 500 mbar (index 6), speed column 2000 rpm (index 3).
    EXPECT_EQ(uint8_t(petrol[EcuLayout::MapCell(EcuLayout::B3::Cells, 6, 3)]), 45);
}

TEST(SimEcuControl, RejectsMalformedCommandsAndParsesTroubleCodes) {
    Bench b;
    for (const char* bad :
         {"drop x", "point 2000", "refuse zz", "engine fly", "vin SHORT", "nonsense", "temp 1"})
        EXPECT_FALSE(RunControlCommand(b.Ecu, QString::fromLatin1(bad), b.Now).Ok) << bad;
    uint16_t code = 0;
    ASSERT_TRUE(ParseTroubleCode(QStringLiteral("U300A"), code));
    EXPECT_EQ(code, 0xF00A);
    ASSERT_TRUE(ParseTroubleCode(QStringLiteral("P3391"), code));
    EXPECT_EQ(code, 0x3391);
    EXPECT_FALSE(ParseTroubleCode(QStringLiteral("X3391"), code));
}

} // namespace
