#include "calibration/Autotuning.h"

#include "StringIds.h"
#include "config/UnitDati.h"
#include "resources/Strings.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace {

using K = TMapTypeOfData;

// Rounding as the ECU's own tools do it: halves to the even neighbour.
int RoundHalfEven(double v) {
    return int(std::nearbyint(v));
}

template <typename F> void ForEachCell(F&& f) {
    for (int i = 1; i <= MapRowCount; ++i)
        for (int j = 1; j <= MapColumnCount; ++j)
            f(i, j);
}

} // namespace

TAutotuning::TAutotuning(TDataMap& model, TAutotuningHost& host) : Model(model), Host(host) {
    SetIdleInstruction(SAutoSetWorkingPoint);
}

bool TAutotuning::TwoBanks() const {
    return Model.LambdaProbes > 1;
}
bool TAutotuning::OneProbe() const {
    return Model.LambdaProbes == 1;
}

void TAutotuning::Open(bool compensated) {
    Compensated = compensated;
    BlockAverage = {};
    RPMAverage = 0;
    OnPetrol[0] = OnPetrol[1] = 0;
    OnGas[0] = OnGas[1] = 0;
    ResetSteadiness();
    Accuracy = Compensated ? 3 : 5;
    StretchMap = true;
    Delta = 0;
    Finished = false;
    UpdateDeltaSectors(false);

    SavedPetrolAcquire = Model.PetrolAcquire;
    SavedPetrolAdapt = Model.PetrolAdapt;
    SavedGasAdapt = Model.GasAdapt;
    Model.PetrolAcquire = false;
    Model.PetrolAdapt = false;
    Model.GasAdapt = false;
    Model.AdaptAux = false;
    // The gas ECU's own lambda control would fight the correction in Slave mode; Compensated mode
    // reads its result.
    Model.LambdaControllerOn = Compensated;
    Model.LambdaEmulationOn = Compensated;
    Host.FlagsChanged(true);

    Iterations = 0;
    SetIdleInstruction(SAutoSetWorkingPoint);
    SwitchCountdown = -1;
    SettleCountdown = -1;
    FirstCorrectionDone = false;
    Step = 0;
}

void TAutotuning::Close() {
    SwitchCountdown = -1;
    SettleCountdown = -1;
    FirstCorrectionDone = false;
    Model.PetrolAcquire = SavedPetrolAcquire;
    Model.PetrolAdapt = SavedPetrolAdapt;
    Model.GasAdapt = SavedGasAdapt;
    Host.FlagsChanged(false);
}

int TAutotuning::PetrolMapCompletion() const {
    int zero = 0;
    ForEachCell([&](int i, int j) {
        if (Model.GetMapValue(K::Benzina, i, j) == 0) ++zero;
    });
    const int cells = MapRowCount * MapColumnCount;
    return RoundHalfEven(double(cells - zero) * 100 / cells);
}

bool TAutotuning::Start() {
    Refusal.clear();
    if (Compensated) {
        const int completion = PetrolMapCompletion();
        if (completion < MinPetrolMapCompletion) {
            Refusal = ResStr(SAutoPetrolCompletion) + QString::number(completion) + QStringLiteral("%\r") +
                      ResStr(SAutoAcquireValidMap);
            return false;
        }
    }
    ResetSteadiness();
    Finished = false;
    Iterations = 1;
    SwitchCountdown = 0;
    Step = 1;
    FirstCorrectionDone = false;
    ShowStepInstruction();
    return true;
}

void TAutotuning::EndRun() {
    Step = 0;
    SwitchCountdown = -1;
    SettleCountdown = -1;
    FirstCorrectionDone = false;
    ResetSteadiness();
}

bool TAutotuning::Cancel() {
    const bool exit = Finished;
    EndRun();
    SetIdleInstruction(SAutoSetWorkingPoint);
    Finished = false;
    if (!exit && !Host.LiveData().Petrol) Host.SendBackToPetrol();
    return exit;
}

void TAutotuning::FuelSwitchReplied() {
    // A reply that comes after Cancel belongs to a run that is over: it must not start a new one.
    if (Step == 0) return;
    SwitchCountdown = -1;
    SettleCountdown = SettleTicks;
    ++Step;
    ShowStepInstruction();
}

void TAutotuning::ResetSteadiness() {
    Accumulator = {};
    SampleCount = {};
    RPMSum = 0;
    RPMCount = 0;
    RPMSteadyCount = 0;
    TimeSteadyCount = 0;
    RPMSteady = false;
    TimeSteady = false;
    ProgressRPM = 0;
    ProgressTinj = 0;
}

void TAutotuning::RequestFuel(bool petrol, const TTuningLive& live) {
    ResetSteadiness();
    if (live.Petrol != petrol) {
        Host.SendFuelSwitch(2);
        SwitchCountdown = SwitchRetryTicks;
    } else if (live.GasPending) {
        Host.SendFuelSwitch(1);
        SwitchCountdown = SwitchRetryTicks;
    } else {
        SwitchCountdown = -1;
        ++Step;
    }
}

bool TAutotuning::CheckRPMSteady(const TTuningLive& live) {
    RPMSum += live.RPM / 5;
    if (++RPMCount >= BlockTicks) {
        RPMAverage = RPMSum;
        RPMSum = 0;
        RPMCount = 0;
    }
    const bool steady = Step == 3 ? std::abs(live.RPM - WorkingRPM) <= 0.15 * WorkingRPM
                                  : std::abs(live.RPM - RPMAverage) <= 0.1 * RPMAverage;
    if (steady) {
        ++RPMSteadyCount;
    } else {
        RPMSteadyCount = 0;
        TimeSteadyCount = 0;
    }
    ProgressRPM = std::min(100, RPMSteadyCount * 100 / SteadyTicks);
    RPMSteady = RPMSteadyCount >= SteadyTicks;
    return RPMSteady;
}

bool TAutotuning::CheckTimeSteady(const TTuningLive& live, bool petrolPhase) {
    const double samples[4] = {live.PetrolTime0, live.PetrolTime4, live.GasTime0, live.GasTime4};
    for (size_t c = 0; c < 4; ++c) {
        Accumulator[c] += samples[c] / BlockTicks;
        if (++SampleCount[c] >= BlockTicks) {
            BlockAverage[c] = Accumulator[c];
            Accumulator[c] = 0;
            SampleCount[c] = 0;
        }
    }
    if (!petrolPhase) Delta = Compensated ? live.GasTrim1 : live.PetrolTime0 - OnPetrol[0];

    bool steady = std::abs(live.PetrolTime0 - BlockAverage[0]) <= 0.1 * BlockAverage[0];
    if (!OneProbe()) steady = steady && std::abs(live.PetrolTime4 - BlockAverage[1]) <= 0.1 * BlockAverage[1];
    if (steady) {
        ++TimeSteadyCount;
    } else {
        TimeSteadyCount = 0;
        RPMSteadyCount = 0;
    }
    ProgressTinj = std::min(100, TimeSteadyCount * 100 / SteadyTicks);
    (petrolPhase ? OnPetrol : OnGas) = BlockAverage;
    TimeSteady = TimeSteadyCount >= SteadyTicks;
    return TimeSteady;
}

bool TAutotuning::Converged(const TTuningLive& live) const {
    const double p = Accuracy;
    if (Compensated) return std::abs(live.GasTrim1) <= p && (OneProbe() || std::abs(live.GasTrim2) <= p);
    // The band's edges belong to it: a rounding error of the subtraction must not push them out.
    constexpr double edge = 1e-9;
    bool ok = p / 100 * OnPetrol[0] + edge >= std::abs(OnPetrol[0] - OnGas[0]);
    if (!OneProbe()) ok = ok && p / 100 * OnPetrol[1] + edge >= std::abs(OnPetrol[1] - OnGas[1]);
    return ok;
}

void TAutotuning::UpdateDeltaSectors(bool petrolPhaseEnded) {
    const double p = Accuracy;
    if (Compensated) {
        Sector1End = RoundHalfEven(p * 500 / -10) + 500;
        Sector2End = RoundHalfEven(p * 500 / 10) + 500;
    } else if (petrolPhaseEnded) {
        Sector1End = RoundHalfEven(p * 5 * OnPetrol[0] / -2) + 500;
        Sector2End = RoundHalfEven(p * 5 * OnPetrol[0] / 2) + 500;
    } else {
        Sector1End = 400;
        Sector2End = 600;
    }
}

void TAutotuning::StretchSlaveMap(double r1, double r2) {
    ForEachCell([&](int i, int j) {
        Model.SetMapValue(K::TempiGas_Slave_banco1, i, Model.GetMapValue(K::TempiGas_Slave_banco1, i, j) * r1,
                          j);
        if (TwoBanks())
            Model.SetMapValue(K::TempiGas_Slave_banco2, i,
                              Model.GetMapValue(K::TempiGas_Slave_banco2, i, j) * r2, j);
    });
    Host.GasMapChanged(false);
}

void TAutotuning::RaiseSlaveMap(double x) {
    ForEachCell([&](int i, int j) {
        const double row = Model.GetTableValue(K::TempiBenzina_Slave, i);
        if (row == 0) return; // a row without a petrol time has no gas time to raise
        const double add = x / row;
        Model.SetMapValue(K::TempiGas_Slave_banco1, i,
                          Model.GetMapValue(K::TempiGas_Slave_banco1, i, j) + add, j);
        if (TwoBanks())
            Model.SetMapValue(K::TempiGas_Slave_banco2, i,
                              Model.GetMapValue(K::TempiGas_Slave_banco2, i, j) + add, j);
    });
    Host.GasMapChanged(false);
}

void TAutotuning::BuildCompensatedMap() {
    const double d[2] = {WorkingTime - OnPetrol[0], WorkingTime - OnPetrol[1]};
    const K banks[2] = {K::TempiGas_Comp_banco1, K::TempiGas_Comp_banco2};
    for (int b = 0; b < 2; ++b) {
        if (b == 1 && !TwoBanks()) break;
        ForEachCell([&](int i, int j) {
            Model.SetMapValue(banks[b], i, Model.GetMapValue(K::Benzina, i, j) + d[b], j);
        });
        // The acquired petrol map is usually empty in the low columns of the upper rows: a ramp
        // between two cells that are filled takes their place.
        const double a = Model.GetMapValue(banks[b], 3, 1);
        const double z = Model.GetMapValue(banks[b], 12, 4);
        for (int i = 4; i <= 12; ++i)
            for (int j = 1; j <= 2; ++j)
                Model.SetMapValue(banks[b], i, a + (z - a) * (i - 4) / 8, j);
    }
    Host.GasMapChanged(true);
}

void TAutotuning::StretchCompensatedMap(double r1, double r2) {
    ForEachCell([&](int i, int j) {
        Model.SetMapValue(K::TempiGas_Comp_banco1, i, Model.GetMapValue(K::TempiGas_Comp_banco1, i, j) * r1,
                          j);
        if (TwoBanks())
            Model.SetMapValue(K::TempiGas_Comp_banco2, i,
                              Model.GetMapValue(K::TempiGas_Comp_banco2, i, j) * r2, j);
    });
    Host.GasMapChanged(true);
}

bool TAutotuning::FirstCorrection() {
    if (Compensated) {
        BuildCompensatedMap();
        return true;
    }
    const double t = WorkingTime, o = Model.InjectorOffset;
    if (StretchMap) {
        // A gas time no longer than the injector's own offset means nothing was measured; a ratio
        // over it would wipe, invert or blow up the whole map.
        if (OnPetrol[2] - o <= 0 || (TwoBanks() && OnPetrol[3] - o <= 0)) return false;
        StretchSlaveMap((t - o) / (OnPetrol[2] - o), TwoBanks() ? (t - o) / (OnPetrol[3] - o) : 0);
    } else {
        RaiseSlaveMap(t - OnPetrol[2]);
    }
    return true;
}

bool TAutotuning::IterationCorrection(const TTuningLive& live) {
    if (Compensated) {
        StretchCompensatedMap((live.GasTrim1 + 100) / 100, (live.GasTrim2 + 100) / 100);
        return true;
    }
    if (StretchMap) {
        if (OnPetrol[0] <= 0 || (TwoBanks() && OnPetrol[1] <= 0)) return false;
        StretchSlaveMap(OnGas[0] / OnPetrol[0], TwoBanks() ? OnGas[1] / OnPetrol[1] : 0);
    } else {
        const double o = Model.InjectorOffset;
        RaiseSlaveMap(OnPetrol[0] != 0 ? (OnPetrol[2] - o) * (OnGas[0] / OnPetrol[0] - 1) : 0);
    }
    return true;
}

void TAutotuning::Finish() {
    SetIdleInstruction(SAutoFinished);
    Step = 0;
    SwitchCountdown = -1;
    SettleCountdown = -1;
    Finished = true;
    Host.Succeeded();
}

void TAutotuning::StopWithMessage(const QString& message) {
    EndRun();
    SetIdleInstruction(SAutoStopped);
    if (!Host.LiveData().Petrol) Host.SendBackToPetrol();
    Host.Stopped(message);
}

void TAutotuning::RefreshInstruction() {
    if (Step == 0)
        SetIdleInstruction(IdleInstruction);
    else
        ShowStepInstruction();
}

void TAutotuning::ShowStepInstruction() {
    switch (Step) {
    case 0:
        return; // the text of the end of the run stays
    case 1:
        return SetInstruction(ResStr(SAutoSwitchingToPetrol));
    case 2:
        return SetInstruction(ResStr(SAutoWaitingWarmUp));
    case 3:
        // The band shown is narrower than the one accepted, so that a technician aiming inside
        // it stays inside the test.
        return SetInstruction(ResStr(SAutoAcquiringPetrol) + QString::asprintf("%4.0f", WorkingRPM * 0.9) +
                              QStringLiteral(" - ") + QString::asprintf("%4.0f", WorkingRPM * 1.1));
    case 4:
        return SetInstruction(ResStr(SAutoSwitchingToGas));
    case 5:
        return SetInstruction(ResStr(SAutoWaitingSettle));
    case 6:
        return SetInstruction(ResStr(SAutoAcquiringGas));
    default:
        return SetInstruction(ResStr(SAutoComputing));
    }
}

void TAutotuning::Tick() {
    if (SwitchCountdown > 0)
        --SwitchCountdown;
    else if (SwitchCountdown != 0)
        SwitchCountdown = -1;
    if (SettleCountdown > 0)
        --SettleCountdown;
    else
        SettleCountdown = -1;

    const TTuningLive live = Host.LiveData();
    switch (Step) {
    case 1:
        if (SwitchCountdown == 0) RequestFuel(true, live);
        break;
    case 2:
        if (live.WaterTemp >= MinWaterTemp && live.GasTemp >= MinGasTemp) Step = 3;
        break;
    case 3: {
        Delta = 0;
        const bool speed = CheckRPMSteady(live);
        const bool time = CheckTimeSteady(live, true);
        if (speed && time) {
            if (!Compensated) UpdateDeltaSectors(true);
            SwitchCountdown = 0;
            Step = 4;
        }
        break;
    }
    case 4:
        if (!FirstCorrectionDone) {
            FirstCorrectionDone = true;
            if (!FirstCorrection()) {
                StopWithMessage(ResStr(SAutoNoInjectionTime));
                break;
            }
        }
        if (SwitchCountdown == 0) RequestFuel(false, live);
        break;
    case 5:
        if (SettleCountdown == -1) Step = 6;
        break;
    case 6: {
        const bool speed = CheckRPMSteady(live);
        const bool time = CheckTimeSteady(live, false);
        if (speed && time) Step = 7;
        break;
    }
    case 7:
        if (Converged(live)) {
            Finish();
            break;
        }
        if (!IterationCorrection(live)) {
            StopWithMessage(ResStr(SAutoNoInjectionTime));
            break;
        }
        SettleCountdown = SettleTicks;
        Step = 5;
        ++Iterations;
        ResetSteadiness();
        break;
    default:
        break;
    }
    ShowStepInstruction();
}
