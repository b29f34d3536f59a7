#pragma once

#include "sim/EcuImage.h"
#include "sim/SimClock.h"

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

// The engine codes the ECU reports.
enum class TEngineState : uint16_t { Off = 0, KeyOn = 1, Running = 2, Waiting = 3, Stall = 4 };

// The changeover state byte the ECU reports beside the fuel in use.
enum TChangeover : uint8_t {
    ChangeoverIdle = 0,    // on petrol, the conditions for gas are not met yet
    ChangeoverGas = 2,     // running on gas
    ChangeoverHeld = 3,    // kept on petrol by a request
    ChangeoverBackup = 4,  // fell back to petrol on low gas or low pressure
    ChangeoverPending = 5, // on petrol, the changeover to gas is under way
};

struct TScriptPoint {
    double Rpm = 0;
    double PetrolMs = 0;
    double Seconds = 0; // time to reach this point from the previous one
};

// What the ECU measures and computes at one instant, in engineering units.
struct TLiveValues {
    TEngineState State = TEngineState::Off;
    double Rpm = 0;
    std::array<double, 8> PetrolMs{}; // commanded by the petrol ECU, per cylinder
    std::array<double, 8> GasMs{};    // computed by the gas ECU, per cylinder
    double MapMbar = 1013;
    double WaterC = 20, GasC = 20;
    double GasPressure = 0; // reducer pressure over the manifold, mbar
    double BatteryV = 12.6;
    double GasLevel = 70; // percent
    double LevelSensorV = 0;
    std::array<uint8_t, 2> LambdaRaw{}; // both probes, on the probe type's 8-bit input scale
    uint8_t LambdaRefRaw = 0;
    std::array<double, 2> EmulatedV{};
    std::array<double, 2> GasTrim{}; // percent
    double PetrolTrim = 0;           // percent, the petrol ECU's own correction
    double TpsV = 0;
    bool OnGas = false;
    uint8_t Changeover = ChangeoverIdle;
    bool AccelActive = false;
    uint8_t PetrolFlags = 0, GasFlags = 0;
    double CoilA = 0;
};

// A small engine with its petrol ECU, and the gas ECU's control strategy around it: speed and load
// follow a working point, the petrol ECU closes its lambda loop on the fuel it thinks it injects,
// the gas ECU turns petrol times into gas times through the maps it holds, and the coolant and the
// reducer warm up. Time advances in fixed 10 ms steps so that a run is repeatable.
class TEngineModel {
public:
    static constexpr SimTime Step = Ms(10);

    // Image is the ECU's configuration, read at every step.
    explicit TEngineModel(TEcuImage& image);

    void StepTo(SimTime t);
    SimTime Now() const { return Time; }

    // The car.
    void KeyOff();
    void KeyOn();
    void Start(); // cranks, then runs
    void Stall();
    void Hold(double rpm, double petrolMs, std::optional<double> mapMbar = std::nullopt);
    void RunScript(std::vector<TScriptPoint> points, bool loop);
    void SetTemperatures(double waterC, double gasC);
    void SetGasLevel(double percent) { Live.GasLevel = percent; }
    void SetPressureOverride(std::optional<double> mbar) { PressureOverride = mbar; }
    // How much gas the engine really needs, as a factor on the default slave map of the fuel:
    // 1.0 means the default map is right.
    void SetDemand(double factor) { Demand = factor; }
    double GetDemand() const { return Demand; }
    // How far the Slave gas map of bank (1 or 2) is from what the engine really needs: the
    // largest relative difference over the cells, 0.1 for a map 10 % rich or lean somewhere.
    double SlaveMapError(int bank) const;

    // The gas ECU.
    int Mode = 1;                 // 1 Slave, 2 Compensated
    void FuelSwitch(int request); // cmdFuelSwitch data 1 or 2
    void ForceFuel(bool gas);
    void EcuRestarted(); // back to petrol, changeover re-armed

    const TLiveValues& Values() const { return Live; }
    TEngineState State() const { return Live.State; }

    // Counters kept by the ECU.
    uint32_t DrivingCycles = 37;
    double SecondsOnGas = 91 * 60, SecondsOnPetrol = 60 * 60;
    void ClearCounters();

private:
    void Advance(double dt);
    void UpdateTarget(double dt);
    void UpdateChangeover(double dt);
    void UpdateMixture(double dt);
    void UpdateOutputs();
    void Adapt(double dt);
    double NominalPressure() const;
    double TrueFactor(double petrolMs, double rpm) const;
    uint8_t ProbeRaw(double mixture, double phase) const;

    TEcuImage& Image;
    TEcuImage Truth; // the engine's real needs: the default map of the fuel, times Demand
    int TruthFuel = -1;
    SimTime Time{0};
    double T = 0; // seconds, for the slow oscillations

    TLiveValues Live;
    double TargetRpm = 850, TargetPetrolMs = 2.5;
    std::optional<double> TargetMap;
    double EngineRpm = 0;
    double PetrolBaseMs = 0; // the petrol the engine needs, before the petrol ECU's trim
    double StateTime = 0;    // seconds in the current engine state
    double RunTime = 0;      // seconds since the engine started
    std::vector<TScriptPoint> Script;
    bool ScriptLoop = false;
    double ScriptTime = 0;
    double ScriptFromRpm = 0, ScriptFromMs = 0;

    std::array<double, 2> PetrolTrim{1, 1};
    std::array<double, 2> GasTrim{0, 0};
    std::array<double, 2> Mixture{1, 1};
    double Demand = 1.06;
    bool HeldOnPetrol = false;
    double PendingTime = 0;
    double LowSupplyTime = 0;
    double PreviousRpm = 0;
    double PreviousMap = 1013;
    double AccelTime = 0;
    std::optional<double> PressureOverride;
    double AdaptTime = 0, AdaptRpm = 0, AdaptPetrol = 0, AcquireTime = 0;
};
