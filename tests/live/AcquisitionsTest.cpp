#include "LiveFixture.h"

#include <QSignalSpy>
#include <cmath>

namespace {

using LiveData = LiveFixture;

TEST_F(LiveData, InitialRecordIsOnPetrolWithUnknownEngineStateAndAllFlagsSet) {
    TAcquisitions fresh;
    EXPECT_TRUE(fresh.Petrol);
    EXPECT_FALSE(fresh.Standard || fresh.SuperFast || fresh.StatusUpdate || fresh.Saving || fresh.Loading ||
                 fresh.GasPending || fresh.AccelActive);
    EXPECT_EQ(fresh.EngineState, 5);
    for (int i = 0; i < 8; ++i)
        EXPECT_TRUE(fresh.PetrolFlag[i] && fresh.GasFlag[i]);
    EXPECT_EQ(fresh.RPM, 0);
    EXPECT_EQ(fresh.GasPressAvg, 0);
}

TEST_F(LiveData, ComputeValuesConvertsEveryFieldOfTheRecord) {
    auto& w = acq.Raw.Words;
    acq.Raw.RawRPM = 2015;
    acq.Raw.RawAux = 4321;
    acq.Raw.RawBattery = 1234;
    for (int i = 0; i < 8; ++i) {
        w[i] = 4000 + i;
        w[22 + i] = 3000 + i;
        w[12 + i] = 10 + i;
    }
    w[8] = 1023;
    w[9] = 480;
    w[10] = 0;
    w[11] = 255;
    w[20] = 32768;
    w[21] = 0;
    w[32] = 1000;
    w[33] = 2500;
    w[36] = 65535;
    w[37] = 16384;
    w[38] = 0;
    w[39] = 5;
    w[40] = 412;
    w[42] = 42;
    w[43] = 43;
    w[44] = 44;
    w[45] = 2500;
    w[46] = 125;
    w[47] = 85;
    w[48] = 5;
    w[51] = 1;
    w[52] = 1023;
    acq.ComputeValues();

    EXPECT_EQ(acq.RPM, 2015);
    EXPECT_EQ(acq.Aux, 4321);
    EXPECT_DOUBLE_EQ(acq.MAP, 412);
    EXPECT_DOUBLE_EQ(acq.PetrolTime[0], 4.0);
    EXPECT_DOUBLE_EQ(acq.PetrolTime[7], 4.007);
    EXPECT_DOUBLE_EQ(acq.GasTime[4], 3.004);
    EXPECT_DOUBLE_EQ(acq.Emulated1, 0.85);
    EXPECT_DOUBLE_EQ(acq.Emulated2, 0.05);
    EXPECT_DOUBLE_EQ(acq.WaterTemp, 100);
    EXPECT_DOUBLE_EQ(acq.GasTemp, -20);
    EXPECT_EQ(acq.GasPress, 1000);
    EXPECT_EQ(acq.RailPress, 2500);
    EXPECT_DOUBLE_EQ(acq.TrimAux1, 0);
    EXPECT_DOUBLE_EQ(acq.TrimAux2, -100);
    EXPECT_NEAR(acq.GasTrim1, 100, 0.01);
    EXPECT_LT(acq.GasTrim1, 100); // 65535 is just under +100 %
    EXPECT_DOUBLE_EQ(acq.GasTrim2, -50);
    EXPECT_DOUBLE_EQ(acq.Aux43, 43);
    EXPECT_DOUBLE_EQ(acq.Battery, 12.34);
    EXPECT_DOUBLE_EQ(acq.Vcc, 10);
    EXPECT_DOUBLE_EQ(acq.GasLevel, 100);
    EXPECT_DOUBLE_EQ(acq.Coil[3], 13);
    EXPECT_DOUBLE_EQ(acq.Coil[8], 2.5);
    EXPECT_DOUBLE_EQ(acq.Coil[9], 0.125);
    EXPECT_DOUBLE_EQ(acq.GasLevelVolt, 5.5);
    EXPECT_TRUE(acq.AccelActive);
    EXPECT_FALSE(acq.Petrol);
    EXPECT_FALSE(acq.GasPending); // state 5 means a pending changeover only while on petrol
    w[38] = 1;
    acq.ComputeValues();
    EXPECT_TRUE(acq.Petrol);
    EXPECT_TRUE(acq.GasPending);
}

TEST_F(LiveData, LambdaAndThrottleFollowTheConfiguredSensorTypes) {
    struct {
        int type;
        int raw;
        double volts;
    } lambda[] = {{0, 255, 1.0}, {1, 51, 0.2},  {2, 51, 1.0},  {3, 0, 5.0}, {3, 255, 0.0},
                  {4, 0, 0.8},   {4, 255, 1.6}, {5, 255, 1.0}, {5, 0, 4.0}, {5, 85, 3.0}};
    for (const auto& c : lambda) {
        SCOPED_TRACE(testing::Message() << "lambda type " << c.type << " raw " << c.raw);
        dataMap.LambdaType = c.type;
        for (int i : {30, 31, 34, 35, 41})
            acq.Raw.Words[size_t(i)] = c.raw;
        acq.ComputeValues();
        for (double v : {acq.Lambda1, acq.Lambda2, acq.LambdaAux1, acq.LambdaAux2, acq.LambdaRef})
            EXPECT_NEAR(v, c.volts, 1e-12);
    }
    // Each probe from its own word: a swap of two words shows.
    dataMap.LambdaType = 2;
    const std::pair<int, double> words[] = {{30, 1.0}, {31, 2.0}, {34, 3.0}, {35, 4.0}, {41, 5.0}};
    for (const auto& [word, volts] : words)
        acq.Raw.Words[size_t(word)] = int32_t(volts * 51);
    acq.ComputeValues();
    EXPECT_NEAR(acq.Lambda1, 1.0, 1e-12);
    EXPECT_NEAR(acq.Lambda2, 2.0, 1e-12);
    EXPECT_NEAR(acq.LambdaAux1, 3.0, 1e-12);
    EXPECT_NEAR(acq.LambdaAux2, 4.0, 1e-12);
    EXPECT_NEAR(acq.LambdaRef, 5.0, 1e-12);

    struct {
        int type;
        int raw;
        double volts;
    } tps[] = {{0, 200, 0.0}, {1, 51, 1.0}, {1, 255, 5.0}, {2, 51, 4.0}, {2, 255, 0.0}};
    for (const auto& c : tps) {
        SCOPED_TRACE(testing::Message() << "TPS type " << c.type << " raw " << c.raw);
        dataMap.TPSType = c.type;
        acq.Raw.Words[49] = c.raw;
        acq.ComputeValues();
        EXPECT_NEAR(acq.TPSVolt, c.volts, 1e-12);
    }
}

TEST_F(LiveData, EngineStateAndCylinderFlags) {
    struct {
        int32_t word;
        uint8_t state;
    } cases[] = {{2, 2}, {0, 0}, {4, 4}, {9, 4}, {0xFFFF, 5}, {1, 1}, {0x8000, 1}, {3, 3}};
    for (const auto& c : cases) {
        acq.Raw.Words[50] = c.word;
        acq.ComputeValues();
        EXPECT_EQ(acq.EngineState, c.state) << "word " << c.word; // unknown values keep the last state
    }
    acq.Raw.Words[53] = 0b10100101;
    acq.Raw.Words[54] = 0b00000010;
    acq.ComputeValues();
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(acq.PetrolFlag[i], ((0b10100101 >> i) & 1) != 0) << i;
        EXPECT_EQ(acq.GasFlag[i], i == 1) << i;
    }
}

TEST_F(LiveData, GasPressureAverageMovesATwentiethTowardEachSampleAndTruncates) {
    acq.SetStatusUpdate(true);
    const int expected[] = {50, 97, 142, 184, 224};
    for (int avg : expected) {
        acq.PollLiveData();
        ASSERT_EQ(LastWrittenCode(), cmdStatus);
        Reply(ReplyCode(cmdStatus), Words({{20, 1000}}, 46));
        EXPECT_EQ(acq.GasPress, 1000);
        EXPECT_EQ(acq.GasPressAvg, avg);
    }
    // Toward a lower value the quotient truncates toward zero as well: (224 * 19 - 300) / 20.
    acq.PollLiveData();
    Reply(ReplyCode(cmdStatus), Words({{20, 0}}, 46));
    EXPECT_EQ(acq.GasPressAvg, 212);
    acq.Raw.Words[32] = -5000;
    acq.ComputeValues();
    EXPECT_EQ(acq.GasPressAvg, (212 * 19 - 5000) / 20);
}

// Each reply is decoded and computed before the windows hear of it, in the order map check,
// working point, status panel; the sensor types are read again for every reply.
TEST_F(LiveData, ReplyDecodesComputesThenRefreshesTheWindowsInOrder) {
    QStringList order;
    QObject::connect(&acq, &TAcquisitions::RefreshMapCheck,
                     [&] { order << QString("map check %1").arg(acq.RPM); });
    QObject::connect(&acq, &TAcquisitions::RefreshWorkingPoint, [&] { order << "working point"; });
    QObject::connect(&acq, &TAcquisitions::RefreshStatus, [&] { order << "status"; });
    acq.SetStandard(true);
    acq.PollLiveData();
    ASSERT_EQ(LastWrittenCode(), cmdLiveData);
    Reply(ReplyCode(cmdLiveData), Words({{0, 3000}, {64, 51}}, 104));
    EXPECT_EQ(order, QStringList({"map check 3000", "working point", "status"}));
    EXPECT_DOUBLE_EQ(acq.Lambda1, 0.2);

    dataMap.LambdaType = 2;
    acq.PollLiveData();
    Reply(ReplyCode(cmdLiveData), Words({{0, 3000}, {64, 51}}, 104));
    EXPECT_DOUBLE_EQ(acq.Lambda1, 1.0);
}

TEST_F(LiveData, FullReplyKeepsRailChangeoverAndEngineStateWords) {
    acq.SetSuperFast(true);
    acq.PollLiveData();
    Reply(ReplyCode(cmdFastData), Words({{0, 1200}, {2, 900}}, 12));
    EXPECT_EQ(acq.GasPress, -300);
    EXPECT_EQ(acq.RailPress, 900);
    acq.Raw.Words[39] = 5;
    acq.Raw.Words[50] = 2;
    acq.Raw.Words[51] = 1;
    acq.SetSuperFast(false);
    acq.Standard = true;
    acq.PollLiveData();
    ASSERT_EQ(LastWrittenCode(), cmdLiveData);
    Reply(ReplyCode(cmdLiveData), Words({{68, 1500}, {78, 1}}, 104));
    EXPECT_EQ(acq.RailPress, 900);
    EXPECT_EQ(acq.GasPress, 1500);
    EXPECT_TRUE(acq.GasPending);
    EXPECT_EQ(acq.EngineState, 2);
    EXPECT_TRUE(acq.AccelActive);
}

// ---- Polling ---------------------------------------------------------------------------------

struct PollCase {
    const char* name;
    bool superFast, standard, status;
    std::vector<uint16_t> refused;
    uint16_t sent; // 0: nothing
    int reload;    // -1: left alone
    bool meters;
};

class PollChoice : public LiveFixture, public ::testing::WithParamInterface<PollCase> {};

TEST_P(PollChoice, PicksTheRequestReloadsTheCountdownAndRefreshes) {
    const PollCase& c = GetParam();
    for (uint16_t code : c.refused) {
        queue.Enqueue(BuildFrame(CommandBody(code)), nullptr, false);
        queue.MarkUnsupported();
        queue.Flush();
    }
    host.written.clear();
    acq.SuperFast = c.superFast;
    acq.Standard = c.standard;
    acq.StatusUpdate = c.status;
    for (int lambdaType : {1, 0}) {
        SCOPED_TRACE(lambdaType);
        dataMap.LambdaType = lambdaType;
        QSignalSpy chartTicks(&acq, &TAcquisitions::LambdaChartTick);
        PollCountdown = 0;
        const int updates = display.updates;
        acq.PollLiveData();
        EXPECT_EQ(LastWrittenCode(), c.sent);
        EXPECT_EQ(PollCountdown, c.reload == -1 ? 0 : c.reload);
        EXPECT_EQ(display.updates - updates, c.meters ? 1 : 0);
        const bool polling = c.superFast || c.standard || c.status;
        EXPECT_EQ(chartTicks.count(), polling && lambdaType != 0 ? 1 : 0);
        queue.Flush();
        host.written.clear();
        acq.SuperFast = c.superFast;
        acq.Standard = c.standard;
        acq.StatusUpdate = c.status;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Switches, PollChoice,
    ::testing::Values(
        PollCase{"SuperFast", true, false, false, {}, cmdFastData, 4, true},
        PollCase{"SuperFastWinsOverStandard", true, true, true, {}, cmdFastData, 4, true},
        PollCase{"SuperFastRefused", true, false, false, {cmdFastData}, 0, 4, true},
        PollCase{"Standard", false, true, true, {}, cmdLiveData, 14, true},
        PollCase{"Status", false, false, true, {}, cmdStatus, 14, false},
        PollCase{"StatusRefusedFallsBackToFull", false, false, true, {cmdStatus}, cmdLiveData, 14, false},
        PollCase{"StatusAndFullRefused", false, false, true, {cmdStatus, cmdLiveData}, 0, 14, false},
        PollCase{"Nothing", false, false, false, {}, 0, -1, false}),
    [](const auto& info) { return std::string(info.param.name); });

// A silent ECU never gets a second waiting request of one code, whatever the rate.
TEST_F(LiveData, NeverTwoWaitingRequestsOfOneCode) {
    acq.SetStatusUpdate(true);
    acq.SetStandard(true);
    for (int i = 0; i < 40; ++i)
        acq.PollLiveData();
    acq.SetSuperFast(true);
    for (int i = 0; i < 40; ++i)
        acq.PollLiveData();
    acq.SetSuperFast(false);
    acq.SetStandard(false);
    for (int i = 0; i < 40; ++i)
        acq.PollLiveData();
    EXPECT_EQ(queue.Count(), 3);
    for (uint16_t code : {cmdLiveData, cmdFastData, cmdStatus})
        EXPECT_TRUE(queue.Contains(code)) << code;
    EXPECT_EQ(host.written.size(), 1u); // only the head is on the wire while the ECU is silent
}

// The master timer's countdown with the reload values: a request every 15 ticks in standard
// polling, every 5 in super-fast, with an ECU that answers at once.
TEST_F(LiveData, ReloadValuesGiveAPollEvery15TicksOr5InSuperFast) {
    std::vector<int> standardTicks, fastTicks;
    acq.SetStandard(true);
    size_t seen = 0;
    for (int tick = 1; tick <= 600; ++tick) {
        if (tick == 301) {
            acq.SetSuperFast(true);
            acq.SetStandard(false);
        }
        MasterTick();
        if (host.written.size() > seen) {
            seen = host.written.size();
            const uint16_t code = LastWrittenCode();
            (code == cmdFastData ? fastTicks : standardTicks).push_back(tick);
            Reply(ReplyCode(code), QByteArray(code == cmdFastData ? 12 : 104, '\0'));
        }
    }
    ASSERT_EQ(standardTicks.size(), 20u);
    EXPECT_EQ(standardTicks.front(), 15);
    for (size_t i = 1; i < standardTicks.size(); ++i)
        EXPECT_EQ(standardTicks[i] - standardTicks[i - 1], 15);
    ASSERT_EQ(fastTicks.size(), 60u);
    EXPECT_EQ(fastTicks.front(), 305);
    for (size_t i = 1; i < fastTicks.size(); ++i)
        EXPECT_EQ(fastTicks[i] - fastTicks[i - 1], 5);
}

TEST_F(LiveData, RefusedStatusRequestFallsBackToFullRequestsAndKeepsStatusPolling) {
    acq.SetStatusUpdate(true);
    acq.PollLiveData();
    ASSERT_EQ(LastWrittenCode(), cmdStatus);
    Refuse();
    EXPECT_TRUE(acq.StatusUpdate);
    acq.PollLiveData();
    ASSERT_EQ(LastWrittenCode(), cmdLiveData);
    Reply(ReplyCode(cmdLiveData), Words({{0, 850}}, 104));
    EXPECT_EQ(acq.RPM, 850);
    EXPECT_TRUE(acq.StatusUpdate);
}

TEST_F(LiveData, DroppedStatusRequestStopsStatusPolling) {
    acq.SetStatusUpdate(true);
    acq.PollLiveData();
    queue.Flush();
    EXPECT_FALSE(acq.StatusUpdate);
}

// Refused or dropped by a flush, a full request stops standard polling, status polling and saving.
TEST_F(LiveData, DroppedOrRefusedFullRequestStopsAllPollingAndSaving) {
    for (bool refused : {true, false}) {
        SCOPED_TRACE(refused ? "refused" : "flushed");
        QSignalSpy switched(&acq, &TAcquisitions::StatusUpdateSwitched);
        acq.SetStatusUpdate(true);
        acq.SetStandard(true);
        acq.Saving = true;
        acq.PollLiveData();
        ASSERT_EQ(LastWrittenCode(), cmdLiveData);
        if (refused)
            Refuse();
        else
            queue.Flush();
        EXPECT_FALSE(acq.Standard);
        EXPECT_FALSE(acq.StatusUpdate);
        EXPECT_FALSE(acq.Saving);
        EXPECT_FALSE(display.saveEnabled);
        ASSERT_GE(switched.count(), 2);
        EXPECT_FALSE(switched.last().at(0).toBool());
        queue.ClearUnsupported();
    }
}

TEST_F(LiveData, RefusedFastRequestOnlyStopsItsOwnRequests) {
    acq.SetSuperFast(true);
    acq.PollLiveData();
    Refuse();
    EXPECT_TRUE(acq.SuperFast);
    host.written.clear();
    acq.PollLiveData();
    EXPECT_TRUE(host.written.empty());
}

// ---- Switches --------------------------------------------------------------------------------

TEST_F(LiveData, SwitchingStandardOnClearsOnlyOnTheChangeFromOff) {
    QSignalSpy chartCleared(&acq, &TAcquisitions::LambdaChartCleared);
    acq.Raw.RawRPM = 2000;
    acq.Raw.Words[38] = 0;
    acq.SetStandard(true);
    EXPECT_EQ(acq.RPM, 0);        // words cleared and recomputed
    EXPECT_FALSE(acq.Petrol);     // the changeover words are kept
    EXPECT_EQ(display.clears, 2); // one at the display's creation
    EXPECT_EQ(display.axisResets, 1);
    EXPECT_EQ(display.gaugeResets, 1);
    EXPECT_EQ(chartCleared.count(), 1);
    EXPECT_TRUE(display.saveEnabled);
    EXPECT_TRUE(display.standardChecked);
    EXPECT_FALSE(display.superFastChecked);
    EXPECT_EQ(PollCountdown, 14);

    PollCountdown = 3;
    acq.SetStandard(true);
    EXPECT_EQ(display.clears, 2);
    EXPECT_EQ(chartCleared.count(), 1);
    EXPECT_EQ(PollCountdown, 14);

    acq.SetSuperFast(true);
    EXPECT_EQ(display.clears, 3);
    EXPECT_EQ(PollCountdown, 4);
    EXPECT_TRUE(display.superFastChecked);
    EXPECT_FALSE(display.standardChecked);
    acq.SetSuperFast(false);
    acq.SetStandard(false);
    EXPECT_FALSE(display.saveEnabled);
    EXPECT_EQ(PollCountdown, 4); // switching off leaves the countdown alone
}

TEST_F(LiveData, StatusUpdateSwitchesItsActionsAndClearsTheChartWhenTurnedOn) {
    QSignalSpy switched(&acq, &TAcquisitions::StatusUpdateSwitched);
    QSignalSpy chartCleared(&acq, &TAcquisitions::LambdaChartCleared);
    acq.SetStatusUpdate(true);
    acq.SetStatusUpdate(true);
    acq.SetStatusUpdate(false);
    ASSERT_EQ(switched.count(), 3);
    EXPECT_TRUE(switched[0].at(0).toBool());
    EXPECT_FALSE(switched[2].at(0).toBool());
    EXPECT_EQ(chartCleared.count(), 1);
    EXPECT_EQ(PollCountdown, 14);
}

} // namespace
