#include "sim/EngineModel.h"

#include <algorithm>
#include <cmath>
#include <numbers>

using namespace EcuLayout;

namespace {

constexpr double IdleRpm = 850, IdlePetrolMs = 2.5;
constexpr double AmbientC = 20, HotWaterC = 88;
constexpr double CrankSeconds = 0.8, ProbeWarmSeconds = 15;
// Small differences between the cylinders' injectors, so that the eight times are not identical.
constexpr double CylinderSpread[8] = {1.0, 1.012, 0.991, 1.004, 0.996, 1.009, 0.988, 1.002};

double Approach(double value, double target, double tau, double dt) {
    return value + (target - value) * (1 - std::exp(-dt / tau));
}
double Wave(double t, double period) {
    return std::sin(2 * std::numbers::pi * t / period);
}

} // namespace

TEngineModel::TEngineModel(TEcuImage& image) : Image(image) {
    Live.State = TEngineState::Running;
    EngineRpm = IdleRpm;
    PetrolBaseMs = IdlePetrolMs;
    PreviousRpm = IdleRpm;
    UpdateOutputs();
}

void TEngineModel::StepTo(SimTime t) {
    while (Time + Step <= t) {
        Time += Step;
        Advance(Seconds(Step));
    }
}

void TEngineModel::KeyOff() {
    Live.State = TEngineState::Off;
    StateTime = 0;
}

void TEngineModel::KeyOn() {
    if (Live.State == TEngineState::Off) {
        Live.State = TEngineState::KeyOn;
        StateTime = 0;
    }
}

void TEngineModel::Start() {
    if (Live.State == TEngineState::Running || Live.State == TEngineState::Waiting) return;
    Live.State = TEngineState::Waiting;
    StateTime = 0;
}

void TEngineModel::Stall() {
    if (Live.State != TEngineState::Running && Live.State != TEngineState::Waiting) return;
    Live.State = TEngineState::Stall;
    StateTime = 0;
}

void TEngineModel::Hold(double rpm, double petrolMs, std::optional<double> mapMbar) {
    Script.clear();
    TargetRpm = rpm;
    TargetPetrolMs = petrolMs;
    TargetMap = mapMbar;
}

void TEngineModel::RunScript(std::vector<TScriptPoint> points, bool loop) {
    Script = std::move(points);
    ScriptLoop = loop;
    ScriptTime = 0;
    ScriptFromRpm = TargetRpm;
    ScriptFromMs = TargetPetrolMs;
    TargetMap.reset();
}

void TEngineModel::SetTemperatures(double waterC, double gasC) {
    Live.WaterC = waterC;
    Live.GasC = gasC;
}

void TEngineModel::ClearCounters() {
    DrivingCycles = 0;
    SecondsOnGas = 0;
    SecondsOnPetrol = 0;
}

void TEngineModel::FuelSwitch(int request) {
    const bool running = Live.State == TEngineState::Running;
    if (request == 2) {
        // Changes the fuel in use.
        if (Live.OnGas) {
            ForceFuel(false);
            HeldOnPetrol = true;
            Live.Changeover = ChangeoverHeld;
        } else if (running) {
            ForceFuel(true);
        }
    } else if (request == 1 && !Live.OnGas) {
        // Stops a changeover under way and keeps petrol, or lets the ECU change over again.
        HeldOnPetrol = !HeldOnPetrol;
        PendingTime = 0;
        Live.Changeover = HeldOnPetrol ? ChangeoverHeld : ChangeoverIdle;
    }
}

void TEngineModel::ForceFuel(bool gas) {
    Live.OnGas = gas;
    HeldOnPetrol = !gas && HeldOnPetrol;
    PendingTime = 0;
    LowSupplyTime = 0;
    Live.Changeover = gas ? ChangeoverGas : ChangeoverIdle;
}

void TEngineModel::EcuRestarted() {
    Live.OnGas = false;
    HeldOnPetrol = false;
    PendingTime = 0;
    Live.Changeover = ChangeoverIdle;
    GasTrim = {0, 0};
}

void TEngineModel::Advance(double dt) {
    T += dt;
    StateTime += dt;
    UpdateTarget(dt);

    switch (Live.State) {
    case TEngineState::Off:
    case TEngineState::KeyOn:
    case TEngineState::Stall:
        EngineRpm = Approach(EngineRpm, 0, 0.2, dt);
        if (EngineRpm < 5) EngineRpm = 0;
        PetrolBaseMs = 0;
        RunTime = 0;
        break;
    case TEngineState::Waiting:
        EngineRpm = 250 + 20 * Wave(T, 0.15);
        PetrolBaseMs = 6;
        if (StateTime >= CrankSeconds) {
            Live.State = TEngineState::Running;
            EngineRpm = 600; // catches, then rises to the working point
            StateTime = 0;
            RunTime = 0;
            ++DrivingCycles;
        }
        break;
    case TEngineState::Running:
        RunTime += dt;
        EngineRpm = Approach(EngineRpm, TargetRpm, 0.4, dt);
        PetrolBaseMs = Approach(PetrolBaseMs < 0.5 ? IdlePetrolMs : PetrolBaseMs, TargetPetrolMs, 0.3, dt);
        if (EngineRpm < 300 && RunTime > 1) Stall();
        break;
    }

    const bool running = Live.State == TEngineState::Running;
    Live.WaterC =
        running ? Approach(Live.WaterC, HotWaterC, 150, dt) : Approach(Live.WaterC, AmbientC, 900, dt);
    Live.GasC = Approach(Live.GasC, AmbientC + 0.6 * (Live.WaterC - AmbientC), 60, dt);

    if (running) {
        if (Live.OnGas) {
            SecondsOnGas += dt;
            Live.GasLevel = std::max(0.0, Live.GasLevel - 0.005 * dt * PetrolBaseMs / IdlePetrolMs);
        } else {
            SecondsOnPetrol += dt;
        }
    }

    UpdateChangeover(dt);
    UpdateMixture(dt);
    Adapt(dt);
    UpdateOutputs();
    PreviousRpm = EngineRpm;
}

void TEngineModel::UpdateTarget(double dt) {
    if (Script.empty()) return;
    ScriptTime += dt;
    double start = 0, fromRpm = ScriptFromRpm, fromMs = ScriptFromMs;
    for (size_t i = 0; i < Script.size(); ++i) {
        const TScriptPoint& p = Script[i];
        if (ScriptTime <= start + p.Seconds) {
            const double f = p.Seconds > 0 ? (ScriptTime - start) / p.Seconds : 1;
            TargetRpm = fromRpm + (p.Rpm - fromRpm) * f;
            TargetPetrolMs = fromMs + (p.PetrolMs - fromMs) * f;
            return;
        }
        start += p.Seconds;
        fromRpm = p.Rpm;
        fromMs = p.PetrolMs;
    }
    TargetRpm = Script.back().Rpm;
    TargetPetrolMs = Script.back().PetrolMs;
    if (ScriptLoop && start > 0) {
        ScriptTime -= start;
        ScriptFromRpm = TargetRpm;
        ScriptFromMs = TargetPetrolMs;
    } else {
        Script.clear();
    }
}

double TEngineModel::NominalPressure() const {
    // The reducer delivers the pressure at which its correction table is neutral.
    int best = 0;
    for (int i = 1; i < 15; ++i)
        if (std::abs(CorrectionFromRaw(Image.Byte(6, B6::PressureCorr + i))) <
            std::abs(CorrectionFromRaw(Image.Byte(6, B6::PressureCorr + best))))
            best = i;
    const int p = PressureFromRaw(Image.Byte(6, B6::PressureAxis + best));
    return p > 0 ? p : 1000;
}

double TEngineModel::TrueFactor(double petrolMs, double rpm) const {
    return Demand * Truth.SlaveFactor(1, petrolMs, rpm);
}

double TEngineModel::SlaveMapError(int bank) const {
    const TEcuImage truth = TruthFuel == Image.Fuel() ? Truth : TEcuImage::DefaultSlave(Image.Fuel());
    double worst = 0;
    for (int r = 0; r < MapRows; ++r)
        for (int c = 0; c < MapCols; ++c) {
            const int pos = MapCell(B48::Cells, r, c);
            const double wanted = Demand * SlaveFactorFromRaw(truth.Byte(8, pos, 1));
            if (wanted <= 0) continue;
            worst = std::max(worst, std::abs(SlaveFactorFromRaw(Image.Byte(8, pos, bank)) / wanted - 1));
        }
    return worst;
}

void TEngineModel::UpdateChangeover(double dt) {
    const bool running = Live.State == TEngineState::Running;
    if (!running) {
        if (Live.OnGas || Live.Changeover == ChangeoverPending) EcuRestarted();
        HeldOnPetrol = false;
        if (Live.Changeover != ChangeoverBackup) Live.Changeover = ChangeoverIdle;
        return;
    }
    const int condition = Image.Byte(2, B2::SwitchCondition);
    const bool backToPetrol = Image.Byte(2, B2::BackToPetrolOnLowGas) == 1;

    if (Live.OnGas) {
        const bool low = Live.GasLevel < 2 || Live.GasPressure < 0.4 * NominalPressure();
        LowSupplyTime = low ? LowSupplyTime + dt : 0;
        if (backToPetrol && condition != 3 &&
            LowSupplyTime > std::max<double>(Image.Byte(2, B2::BackupDelay), 0.2)) {
            ForceFuel(false);
            HeldOnPetrol = true;
            Live.Changeover = ChangeoverBackup;
        }
        return;
    }
    if (condition >= 2) { // start on gas, or mono-fuel
        if (!HeldOnPetrol || condition == 3) ForceFuel(true);
        return;
    }
    if (HeldOnPetrol) return;

    const bool onWater = Image.Byte(2, B2::SwitchTempSensor) == 2;
    const double temperature = onWater ? Live.WaterC : Live.GasC;
    if (temperature < Image.Byte(2, B2::SwitchTemp) || Live.GasLevel < 2) {
        Live.Changeover = ChangeoverIdle;
        PendingTime = 0;
        return;
    }
    Live.Changeover = ChangeoverPending;
    PendingTime += dt;
    // The delay is set in tenths of a second, three to a stored unit.
    const double delay = 0.3 * Image.Byte(2, B2::SwitchDelay);
    const double threshold = RoundToMultiple(16 * Image.Byte(2, B2::SwitchRPM), 100);
    const bool speedOk =
        condition == 0 ? Live.Rpm >= threshold : EngineRpm >= threshold && EngineRpm < PreviousRpm - 0.01;
    if (PendingTime >= delay && speedOk) ForceFuel(true);
}

void TEngineModel::UpdateMixture(double dt) {
    if (Image.Fuel() != TruthFuel) {
        TruthFuel = Image.Fuel();
        Truth = TEcuImage::DefaultSlave(TruthFuel);
    }
    const bool running = Live.State == TEngineState::Running;
    const bool emulation = Image.Flag(5, B5::LambdaEmulationOn) && Live.OnGas;
    const bool controller = Image.Flag(5, B5::LambdaControllerOn) && Live.OnGas;
    const bool probeWarm = RunTime >= ProbeWarmSeconds;
    for (int b = 0; b < 2; ++b) {
        if (!running || PetrolBaseMs <= 0) {
            Mixture[b] = 1;
            continue;
        }
        const int bank = Image.LambdaProbes() == 2 ? b + 1 : 1;
        const double petrol = PetrolBaseMs * PetrolTrim[b];
        if (Live.OnGas) {
            const double required = TrueFactor(PetrolBaseMs, Live.Rpm) * PetrolBaseMs;
            double delivered = Mode == 2 ? Image.CompensatedGasMs(bank, Live.MapMbar, Live.Rpm)
                                         : Image.SlaveFactor(bank, petrol, Live.Rpm) * petrol;
            delivered = std::max(0.0, delivered * (1 + GasTrim[b]));
            Mixture[b] = required > 0 ? delivered / required : 1;
        } else {
            Mixture[b] = PetrolTrim[b];
        }
        // The petrol ECU trims its injection on what its probe says; with emulation it sees a
        // healthy signal and leaves its trim alone.
        if (probeWarm && !emulation)
            PetrolTrim[b] = std::clamp(PetrolTrim[b] + 0.6 * (1 - Mixture[b]) * dt, 0.7, 1.4);
        if (probeWarm && controller)
            GasTrim[b] = std::clamp(GasTrim[b] + 0.3 * (1 - Mixture[b]) * dt, -0.3, 0.3);
    }
}

uint8_t TEngineModel::ProbeRaw(double mixture, double phase) const {
    const int type = Image.LambdaType();
    if (type == 0) return 0;
    const bool reversed = type == 3 || type == 5;
    double raw = Live.LambdaRefRaw;
    const double direction = reversed ? -1 : 1;
    if (Live.State != TEngineState::Running) {
        raw = reversed ? 255 : 0;
    } else if (RunTime < ProbeWarmSeconds) {
        raw = reversed ? 140 : 115; // a cold probe sits near the middle
    } else {
        raw += direction * (90 * Wave(T + phase, 1.4) + 3 * 255 * (mixture - 1));
    }
    return static_cast<uint8_t>(std::clamp(std::lround(raw), 0L, 255L));
}

void TEngineModel::UpdateOutputs() {
    const bool running = Live.State == TEngineState::Running;
    const bool turning = running || Live.State == TEngineState::Waiting;
    const int cylinders = Image.Cylinders();
    const double offset = Image.InjectorOffsetMs();

    // Speed and load, with the small ripple of a real engine.
    const double rpm = running ? EngineRpm * (1 + 0.004 * Wave(T, 0.77)) : EngineRpm;
    Live.Rpm = rpm;
    const double load = PetrolBaseMs * (1 + 0.006 * Wave(T, 1.1));
    double map = 1013;
    if (running)
        map = TargetMap ? *TargetMap : std::clamp(120 + 80 * load, 200.0, 1050.0);
    else if (Live.State == TEngineState::Waiting)
        map = 900;
    Live.MapMbar = map;

    Live.PetrolFlags = 0;
    Live.GasFlags = 0;
    for (int c = 0; c < 8; ++c) {
        Live.PetrolMs[c] = 0;
        Live.GasMs[c] = 0;
        if (c >= cylinders || !turning) continue;
        const int b = c < 4 ? 0 : 1;
        const int bank = Image.LambdaProbes() == 2 ? b + 1 : 1;
        const double petrol = load * PetrolTrim[b] * CylinderSpread[c];
        double gas = Mode == 2 ? Image.CompensatedGasMs(bank, map, rpm)
                               : Image.SlaveFactor(bank, petrol, rpm) * petrol;
        gas = std::max(0.0, gas * (1 + GasTrim[b])) + offset;
        Live.PetrolMs[c] = petrol;
        Live.GasMs[c] = gas;
        Live.PetrolFlags |= uint8_t(1u << c);
        if (Live.OnGas) Live.GasFlags |= uint8_t(1u << c);
    }

    const int row = Image.NearestSlaveRow(load);
    Live.LambdaRefRaw = Image.Byte(5, B5::Reference + row);
    for (int b = 0; b < 2; ++b)
        Live.LambdaRaw[b] = b == 1 && Image.LambdaProbes() < 2 ? 0 : ProbeRaw(Mixture[b], 0.31 * b);
    const bool reversed = Image.LambdaType() == 3 || Image.LambdaType() == 5;
    for (int b = 0; b < 2; ++b) {
        const bool rich =
            reversed ? Live.LambdaRaw[b] < Live.LambdaRefRaw : Live.LambdaRaw[b] > Live.LambdaRefRaw;
        if (Image.Flag(5, B5::LambdaEmulationOn) && Live.OnGas)
            Live.EmulatedV[b] = TenthsFromRaw(Image.Byte(5, rich ? B5::EmulatedRich : B5::EmulatedLean));
        else
            Live.EmulatedV[b] = Live.LambdaRaw[b] / 255.0;
        Live.GasTrim[b] = 100 * GasTrim[b];
    }
    Live.PetrolTrim = 100 * (PetrolTrim[0] - 1);

    const double nominal = NominalPressure();
    double pressure = Live.GasPressure;
    if (PressureOverride)
        pressure = *PressureOverride;
    else if (turning && Live.GasLevel > 1)
        pressure = nominal - 20 * std::max(0.0, load - 2) + 6 * Wave(T, 0.9);
    else
        pressure = Approach(pressure, 0, 20, Seconds(Step));
    Live.GasPressure = std::max(0.0, pressure);

    Live.BatteryV = running                               ? 14.1 + 0.03 * Wave(T, 2.3)
                    : Live.State == TEngineState::Waiting ? 10.8
                    : Live.State == TEngineState::Off     ? 12.6
                                                          : 12.4;
    Live.TpsV = running ? std::clamp(0.5 + (map - 300) / 700 * 4, 0.4, 4.6) : 0.4;
    Live.LevelSensorV = 0.5 + 4.0 * Live.GasLevel / 100;
    Live.CoilA = Live.OnGas && running ? Image.Byte(2, B2::SteadyCurrent) : 0;

    const double mapRate = (map - PreviousMap) / Seconds(Step);
    PreviousMap = map;
    if (Image.Flag(7, B7::AccelControlOn) && running && map > MbarFromRaw(Image.Byte(7, B7::MapThreshold)) &&
        mapRate > MbarFromRaw(Image.Byte(7, B7::DeltaMap)))
        AccelTime = 20.0 * (Image.Byte(7, B7::SoftStartT1) + Image.Byte(7, B7::SoftStartT2)) / 1000;
    else
        AccelTime = std::max(0.0, AccelTime - Seconds(Step));
    Live.AccelActive = AccelTime > 0;
}

void TEngineModel::Adapt(double dt) {
    const bool running = Live.State == TEngineState::Running;
    if (!running) return;

    // Petrol acquisition: on petrol the ECU learns the petrol map where the engine runs.
    if (!Live.OnGas && Image.Flag(2, B2::PetrolAcquire)) {
        AcquireTime += dt;
        int row, col;
        if (AcquireTime >= 1 && Image.NearestCell(3, Live.MapMbar, Live.Rpm, row, col)) {
            AcquireTime = 0;
            Image.SetByte(3, MapCell(B3::Cells, row, col),
                          uint8_t(std::clamp(RoundEven(10 * PetrolBaseMs), 0, 255)));
        }
    }

    // Gas adaptation: after a steady dwell inside the bounding box, the cell under the working point
    // moves toward what the engine needs, by at most the correction limit.
    if (!Live.OnGas || !Image.Flag(2, B2::GasAdapt)) {
        AdaptTime = 0;
        return;
    }
    const bool slave = Mode != 2;
    const double y = slave ? Live.PetrolMs[0] : Live.MapMbar;
    const double minY = slave ? SlavePetrolMsFromRaw(Image.Byte(9, B9::AdaptSlaveMinY))
                              : MbarFromRaw(Image.Byte(9, B9::AdaptCompMinY));
    const double maxY = slave ? SlavePetrolMsFromRaw(Image.Byte(9, B9::AdaptSlaveMaxY))
                              : MbarFromRaw(Image.Byte(9, B9::AdaptCompMaxY));
    const bool inBox = Live.Rpm >= RpmFromRaw(Image.Byte(9, B9::AdaptMinRPM)) &&
                       Live.Rpm <= RpmFromRaw(Image.Byte(9, B9::AdaptMaxRPM)) && y >= minY && y <= maxY;
    const bool steady = std::abs(Live.Rpm - AdaptRpm) < 0.05 * std::max(AdaptRpm, 1.0) &&
                        std::abs(PetrolBaseMs - AdaptPetrol) < 0.05 * std::max(AdaptPetrol, 0.1);
    if (!inBox || !steady) {
        AdaptTime = 0;
        AdaptRpm = Live.Rpm;
        AdaptPetrol = PetrolBaseMs;
        return;
    }
    AdaptTime += dt;
    if (AdaptTime < TenthsFromRaw(Image.Byte(9, B9::AdaptDwell))) return;
    AdaptTime = 0;
    const double limit =
        TenthsFromRaw(Image.Byte(9, slave ? B9::AdaptSlaveCorrection : B9::AdaptCompCorrection)) / 100;
    for (int b = 0; b < Image.LambdaProbes(); ++b) {
        const int bank = b + 1;
        const double wanted = slave ? PetrolTrim[b] : 1 + GasTrim[b];
        const double step = std::clamp(wanted, 1 - limit, 1 + limit);
        int row, col;
        if (!Image.NearestCell(slave ? 8 : 4, y, Live.Rpm, row, col)) continue;
        const int pos = MapCell(B48::Cells, row, col);
        const int block = slave ? 8 : 4;
        Image.SetByte(block, pos, uint8_t(std::clamp(RoundEven(Image.Byte(block, pos, bank) * step), 0, 255)),
                      bank);
    }
}
