#include "calibration/Autotuning.h"
#include "config/UnitDati.h"

#include <cmath>
#include <functional>
#include <gtest/gtest.h>
#include <tuple>

namespace {

using K = TMapTypeOfData;

// The surroundings of the procedure, scripted: an engine that changes fuel when asked (the reply
// comes on the next delivery), and a record of what the procedure asked for.
class ScriptedHost : public TAutotuningHost {
public:
    TTuningLive Petrol{2000, 4.0, 4.0, 4.2, 4.2, 80, 50, 0, 0, true, false};
    TTuningLive Gas{2000, 4.0, 4.0, 4.2, 4.2, 80, 50, 0, 0, false, false};
    bool OnPetrol = true;
    bool ReplyDue = false;
    QStringList Sent;
    int MapWrites = 0, FlagWrites = 0, Successes = 0;
    QStringList Stops;

    TTuningLive LiveData() override { return OnPetrol ? Petrol : Gas; }
    void SendFuelSwitch(uint8_t data) override {
        Sent << QStringLiteral("fuel %1").arg(data);
        if (data == 2) OnPetrol = !OnPetrol;
        ReplyDue = true;
    }
    void SendBackToPetrol() override {
        Sent << QStringLiteral("back to petrol");
        OnPetrol = true;
    }
    void GasMapChanged(bool) override { ++MapWrites; }
    void FlagsChanged(bool) override { ++FlagWrites; }
    void Succeeded() override { ++Successes; }
    void Stopped(const QString& message) override { Stops << message; }
};

class AutotuningTest : public ::testing::Test {
protected:
    AutotuningTest() : Tuning(Model, Host) {
        Model.LambdaProbes = 1;
        Model.InjectorOffset = 0;
        for (int i = 1; i <= MapRowCount; ++i) {
            Model.SetTableValue(K::TempiBenzina_Slave, i, i);
            for (int j = 1; j <= MapColumnCount; ++j) {
                Model.SetMapValue(K::TempiGas_Slave_banco1, i, 1.0, j);
                Model.SetMapValue(K::TempiGas_Slave_banco2, i, 1.0, j);
            }
        }
        Model.SetTableValue(K::TempiBenzina_Slave, 6, 6.0);
        Tuning.Open(false);
        Tuning.WorkingTime = 4.2;
    }

    // Ticks, delivering each fuel-switch reply after the tick that asked for it, until done or
    // the number of ticks runs out; the ticks taken.
    int Run(
        int ticks, const std::function<bool()>& done = [] { return false; }) {
        for (int n = 1; n <= ticks; ++n) {
            Tuning.Tick();
            if (Host.ReplyDue) {
                Host.ReplyDue = false;
                Tuning.FuelSwitchReplied();
            }
            if (done()) return n;
        }
        return -1;
    }
    int RunToStep(int step, int ticks = 200) {
        return Run(ticks, [&] { return Tuning.Step == step; });
    }

    TDataMap Model;
    ScriptedHost Host;
    TAutotuning Tuning;
};

// Speed bands: ±15 % of the working point while acquiring on petrol, ±10 % of the 5-tick average
// on gas; the edges belong to the band.
TEST_F(AutotuningTest, SpeedBandsOfTheTwoPhases) {
    struct Case {
        int Step;
        int32_t Rpm;
        bool Steady;
    } cases[] = {{3, 1700, true}, {3, 2300, true}, {3, 1699, false}, {3, 2301, false},
                 {6, 2200, true}, {6, 1800, true}, {6, 2201, false}, {6, 1799, false}};
    for (const Case& c : cases) {
        Tuning.Step = c.Step;
        Tuning.WorkingRPM = 2000;
        Tuning.ResetSteadiness();
        Tuning.RPMAverage = 2000;
        TTuningLive live = Host.Petrol;
        live.RPM = c.Rpm;
        Tuning.CheckRPMSteady(live);
        EXPECT_EQ(Tuning.RPMSteadyCount, c.Steady ? 1 : 0) << "step " << c.Step << " at " << c.Rpm;
    }
}

// The gas phase's band follows the integer average of the last five speeds, each divided by 5.
TEST_F(AutotuningTest, GasPhaseSpeedAverageIsTheBlockOfFiveTicks) {
    Tuning.Step = 6;
    TTuningLive live = Host.Gas;
    for (int32_t rpm : {2004, 2004, 2004, 2004, 2004}) {
        live.RPM = rpm;
        Tuning.CheckRPMSteady(live);
    }
    EXPECT_EQ(Tuning.RPMAverage, 5 * (2004 / 5));
}

// A phase ends after 30 consecutive ticks in which both speed and time are steady; one unsteady
// speed starts both counts again.
TEST_F(AutotuningTest, ThirtySteadyTicksEndThePetrolPhase) {
    struct Case {
        int GlitchAt; // the tick of step 3 with the speed out of band, 0 for none
        int Expected; // ticks of step 3 until step 4
    } cases[] = {{0, 34}, {20, 50}};
    for (const Case& c : cases) {
        Tuning.Open(false);
        ASSERT_TRUE(Tuning.Start());
        ASSERT_GT(RunToStep(3), 0);
        int n = 0;
        while (Tuning.Step == 3 && n < 200) {
            ++n;
            Host.Petrol.RPM = n == c.GlitchAt ? 2500 : 2000;
            Tuning.Tick();
            if (n == c.GlitchAt) {
                // The speed test runs first and clears both counts; the time test then counts.
                EXPECT_EQ(Tuning.RPMSteadyCount, 0);
                EXPECT_EQ(Tuning.TimeSteadyCount, 1);
            }
        }
        // The first four ticks fill the first block average that the time is judged against.
        EXPECT_EQ(n, c.Expected) << "glitch at " << c.GlitchAt;
        EXPECT_EQ(Tuning.Step, 4);
        EXPECT_EQ(Tuning.ProgressRPM, 100);
        EXPECT_EQ(Tuning.ProgressTinj, 100);
    }
}

// Slave mode, one probe, accuracy 5 %, 4.00 ms on petrol: converged from 3.80 to 4.20 ms on gas,
// and the Delta meter's tolerance sector spans 450..550.
TEST_F(AutotuningTest, ConvergenceBandAndDeltaSectors) {
    Tuning.Accuracy = 5;
    Tuning.OnPetrol = {4.00, 4.00, 4.2, 4.2};
    Tuning.UpdateDeltaSectors(true);
    EXPECT_EQ(Tuning.Sector1End, 450);
    EXPECT_EQ(Tuning.Sector2End, 550);
    const std::pair<double, bool> cases[] = {
        {3.80, true}, {4.20, true}, {4.00, true}, {3.79, false}, {4.21, false}};
    for (const auto& [onGas, converged] : cases) {
        Tuning.OnGas = {onGas, 0, 0, 0};
        EXPECT_EQ(Tuning.Converged(Host.Gas), converged) << onGas;
    }
    // With two probes bank 2 must agree as well.
    Model.LambdaProbes = 2;
    Tuning.OnGas = {4.0, 4.5, 0, 0};
    EXPECT_FALSE(Tuning.Converged(Host.Gas));
}

TEST_F(AutotuningTest, CompensatedSectorsFollowTheAccuracy) {
    Tuning.Open(true);
    EXPECT_EQ(Tuning.Accuracy, 3);
    EXPECT_EQ(Tuning.Sector1End, 350);
    EXPECT_EQ(Tuning.Sector2End, 650);
}

// "Raise map" adds offset / petrol time to each cell of the row: 0.3 ms on a 6 ms row is 0.05.
TEST_F(AutotuningTest, RaiseMapAddsTheOffsetOverTheRowsPetrolTime) {
    Model.LambdaProbes = 2;
    Tuning.RaiseSlaveMap(0.3);
    for (int j = 1; j <= MapColumnCount; ++j) {
        EXPECT_DOUBLE_EQ(Model.GetMapValue(K::TempiGas_Slave_banco1, 6, j), 1.05);
        EXPECT_DOUBLE_EQ(Model.GetMapValue(K::TempiGas_Slave_banco2, 6, j), 1.05);
    }
    EXPECT_DOUBLE_EQ(Model.GetMapValue(K::TempiGas_Slave_banco1, 3, 1), 1.1);
    EXPECT_EQ(Host.MapWrites, 1);
}

// With one probe the bank-2 map is left alone whatever the correction.
TEST_F(AutotuningTest, OneProbeLeavesBankTwoAlone) {
    Tuning.StretchSlaveMap(1.1, 0);
    Tuning.RaiseSlaveMap(0.3);
    EXPECT_DOUBLE_EQ(Model.GetMapValue(K::TempiGas_Slave_banco2, 4, 4), 1.0);
    EXPECT_NEAR(Model.GetMapValue(K::TempiGas_Slave_banco1, 6, 4), 1.15, 1e-12);
}

// Compensated mode starts only with at least 80 % of the petrol map acquired.
TEST_F(AutotuningTest, PetrolMapCompletionGuardsTheCompensatedStart) {
    const std::tuple<int, int, bool> cases[] = {
        {86, 80, true}, {85, 79, false}, {108, 100, true}, {0, 0, false}};
    for (const auto& [filled, percent, starts] : cases) {
        int n = 0;
        for (int i = 1; i <= MapRowCount; ++i)
            for (int j = 1; j <= MapColumnCount; ++j)
                Model.SetMapValue(K::Benzina, i, n++ < filled ? 3.0 : 0.0, j);
        Tuning.Open(true);
        EXPECT_EQ(Tuning.PetrolMapCompletion(), percent);
        EXPECT_EQ(Tuning.Start(), starts) << filled;
        EXPECT_EQ(Tuning.Step, starts ? 1 : 0);
        if (!starts) {
            EXPECT_EQ(
                Tuning.Refusal,
                QStringLiteral("Petrol map completion is: %1%\rPlease acquire a valid map.").arg(percent));
        }
    }
}

// Engine already on petrol: step 1 passes without a request; with a changeover pending, the
// request carries data byte 1.
TEST_F(AutotuningTest, FuelRequestOnlyWhenTheFuelDiffers) {
    ASSERT_TRUE(Tuning.Start());
    Tuning.Tick();
    EXPECT_EQ(Tuning.Step, 2);
    EXPECT_TRUE(Host.Sent.isEmpty());

    Host.Petrol.GasPending = true;
    Tuning.Cancel();
    ASSERT_TRUE(Tuning.Start());
    Tuning.Tick();
    EXPECT_EQ(Host.Sent, QStringList{QStringLiteral("fuel 1")});
    EXPECT_EQ(Tuning.Step, 1);
    // Unanswered, the request goes again every three ticks.
    Host.ReplyDue = false;
    Tuning.Tick();
    Tuning.Tick();
    EXPECT_EQ(Host.Sent.size(), 1);
    Tuning.Tick();
    EXPECT_EQ(Host.Sent.size(), 2);
}

// A fuel-switch reply that arrives after Cancel does not wake the idle procedure; during a run it
// moves it on and starts the settle wait.
TEST_F(AutotuningTest, LateFuelSwitchReplyAfterCancelIsIgnored) {
    Host.OnPetrol = false;
    ASSERT_TRUE(Tuning.Start());
    Tuning.Tick();
    ASSERT_EQ(Host.Sent.first(), QStringLiteral("fuel 2"));
    Tuning.Cancel();
    Tuning.FuelSwitchReplied();
    EXPECT_EQ(Tuning.Step, 0);
    EXPECT_EQ(Tuning.SettleCountdown, -1);
    Run(10);
    EXPECT_EQ(Tuning.Step, 0);

    ASSERT_TRUE(Tuning.Start());
    Host.OnPetrol = false;
    Tuning.Tick();
    Tuning.FuelSwitchReplied();
    EXPECT_EQ(Tuning.Step, 2);
    EXPECT_EQ(Tuning.SettleCountdown, TAutotuning::SettleTicks);
}

// Cancel while on gas brings the engine back to petrol; the map keeps what was corrected.
TEST_F(AutotuningTest, CancelOnGasGoesBackToPetrol) {
    ASSERT_TRUE(Tuning.Start());
    ASSERT_GT(RunToStep(5), 0);
    const double corrected = Model.GetMapValue(K::TempiGas_Slave_banco1, 2, 2);
    EXPECT_FALSE(Host.OnPetrol);
    EXPECT_FALSE(Tuning.Cancel());
    EXPECT_TRUE(Host.Sent.contains(QStringLiteral("back to petrol")));
    EXPECT_EQ(Model.GetMapValue(K::TempiGas_Slave_banco1, 2, 2), corrected);
}

// A correction that would divide by an average of nothing measured stops the run with a message
// and leaves the map as it was.
TEST_F(AutotuningTest, ZeroAverageStopsWithAMessage) {
    struct Case {
        const char* Name;
        double PetrolOnPetrol, GasOnPetrol, PetrolOnGas;
    } cases[] = {
        {"no gas time in the first correction", 4.0, 0.0, 4.0},
        {"no petrol time in the iteration", 0.0, 4.2, 3.0},
    };
    for (const Case& c : cases) {
        Model.SetMapValue(K::TempiGas_Slave_banco1, 4, 1.0, 4);
        Host.OnPetrol = true;
        Host.Stops.clear();
        Host.Petrol.PetrolTime0 = Host.Petrol.PetrolTime4 = c.PetrolOnPetrol;
        Host.Petrol.GasTime0 = Host.Petrol.GasTime4 = c.GasOnPetrol;
        Host.Gas.PetrolTime0 = Host.Gas.PetrolTime4 = c.PetrolOnGas;
        Tuning.Open(false);
        Tuning.WorkingTime = 4.2;
        ASSERT_TRUE(Tuning.Start());
        Run(400, [&] { return !Host.Stops.isEmpty(); });
        ASSERT_EQ(Host.Stops.size(), 1) << c.Name;
        EXPECT_TRUE(Host.Stops.first().startsWith(QStringLiteral("No injection time was measured")))
            << c.Name;
        EXPECT_EQ(Tuning.Step, 0) << c.Name;
        const double cell = Model.GetMapValue(K::TempiGas_Slave_banco1, 4, 4);
        EXPECT_TRUE(std::isfinite(cell) && cell > 0) << c.Name;
        EXPECT_TRUE(Host.OnPetrol) << c.Name;
    }
}

// A whole run on a scripted engine whose gas map is 10 % rich: the first correction brings the
// gas time to the working point's, one iteration brings the petrol times together, then the run
// finishes; Cancel now reads Exit and closes the window.
TEST_F(AutotuningTest, RunConvergesThenExitCloses) {
    Host.Petrol.GasTime0 = 4.62;                              // 4.2 ms x 1.1 on petrol
    Host.Gas.PetrolTime0 = 3.6;                               // the petrol ECU trims back on the rich gas
    ASSERT_EQ(Run(20, [&] { return Tuning.Step != 0; }), -1); // nothing happens before START
    ASSERT_TRUE(Tuning.Start());
    Run(200, [&] { return Tuning.Iterations == 2; });
    EXPECT_NEAR(Model.GetMapValue(K::TempiGas_Slave_banco1, 5, 5), (4.2 / 4.62) * (3.6 / 4.0), 1e-9);
    Host.Gas.PetrolTime0 = 4.05;
    ASSERT_GT(Run(400, [&] { return Host.Successes > 0; }), 0);
    EXPECT_EQ(Tuning.Iterations, 2);
    EXPECT_EQ(Tuning.Step, 0);
    EXPECT_TRUE(Tuning.Finished);
    EXPECT_EQ(Tuning.InstructionText, QStringLiteral("Finished - click EXIT"));
    EXPECT_EQ(Host.Sent, (QStringList{QStringLiteral("fuel 2")}));
    EXPECT_TRUE(Tuning.Cancel());   // Exit
    EXPECT_EQ(Host.Sent.size(), 1); // Exit does not change the fuel
    EXPECT_FALSE(Tuning.Finished);
}

// Opening remembers and clears the acquisition and adaptation flags; closing puts them back
// (AdaptAux stays cleared).
TEST_F(AutotuningTest, OpeningAndClosingHandleTheFlags) {
    Model.PetrolAcquire = true;
    Model.GasAdapt = true;
    Model.AdaptAux = true;
    Tuning.Open(true);
    EXPECT_FALSE(Model.PetrolAcquire || Model.PetrolAdapt || Model.GasAdapt || Model.AdaptAux);
    EXPECT_TRUE(Model.LambdaControllerOn && Model.LambdaEmulationOn);
    Tuning.Close();
    EXPECT_TRUE(Model.PetrolAcquire);
    EXPECT_FALSE(Model.PetrolAdapt);
    EXPECT_TRUE(Model.GasAdapt);
    EXPECT_FALSE(Model.AdaptAux);
    EXPECT_TRUE(Model.LambdaControllerOn);
}

// The compensated map is the petrol map moved by the petrol-time difference, with a ramp in the
// low columns of rows 4 to 12.
TEST_F(AutotuningTest, BuildCompensatedMapRampsTheLowColumns) {
    for (int i = 1; i <= MapRowCount; ++i)
        for (int j = 1; j <= MapColumnCount; ++j)
            Model.SetMapValue(K::Benzina, i, i + j / 10.0, j);
    Tuning.Open(true);
    Tuning.WorkingTime = 4.5;
    Tuning.OnPetrol = {4.0, 4.0, 0, 0};
    Tuning.BuildCompensatedMap();
    EXPECT_DOUBLE_EQ(Model.GetMapValue(K::TempiGas_Comp_banco1, 2, 5), 2.5 + 0.5);
    const double a = 3.1 + 0.5, b = 12.4 + 0.5;
    EXPECT_DOUBLE_EQ(Model.GetMapValue(K::TempiGas_Comp_banco1, 4, 1), a);
    EXPECT_DOUBLE_EQ(Model.GetMapValue(K::TempiGas_Comp_banco1, 12, 2), b);
    EXPECT_DOUBLE_EQ(Model.GetMapValue(K::TempiGas_Comp_banco1, 8, 1), a + (b - a) * 4 / 8);
}

} // namespace
