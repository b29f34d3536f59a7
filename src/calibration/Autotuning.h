#pragma once

#include "resources/Strings.h"

#include <QString>
#include <array>
#include <cstdint>

class TDataMap;

// The live values the auto-tuning reads on each tick.
struct TTuningLive {
    int32_t RPM = 0;
    double PetrolTime0 = 0, PetrolTime4 = 0; // bank 1 and bank 2 petrol times, ms
    double GasTime0 = 0, GasTime4 = 0;       // bank 1 and bank 2 gas times, ms
    double WaterTemp = 0, GasTemp = 0;
    double GasTrim1 = 0, GasTrim2 = 0; // percent
    bool Petrol = true;
    bool GasPending = false;
};

// What the procedure needs from its surroundings: the live data, the fuel-switch requests, and
// the writes that follow a change of the configuration. The window implements it over the link
// and the configuration model; tests script it.
class TAutotuningHost {
public:
    virtual ~TAutotuningHost() = default;
    virtual TTuningLive LiveData() = 0;
    // cmdFuelSwitch with data; its reply must come back through FuelSwitchReplied.
    virtual void SendFuelSwitch(uint8_t data) = 0;
    // cmdFuelSwitch with data 2 to nobody: the engine goes back to petrol after a cancel.
    virtual void SendBackToPetrol() = 0;
    // The gas map of the mode changed: refresh the views and write both banks.
    virtual void GasMapChanged(bool compensated) = 0;
    // The working flags changed: refresh the views and write blocks 2 and, with lambdaToo, 5.
    virtual void FlagsChanged(bool lambdaToo) = 0;
    virtual void Succeeded() = 0;
    // The procedure stopped on its own; message says why.
    virtual void Stopped(const QString& message) = 0;
};

// Gas map auto-tuning on a running engine, as a step machine without widgets: the window
// calls Tick every 300 ms and FuelSwitchReplied when the ECU answers a fuel switch, and shows
// the public state. The procedure runs on petrol, averages the injection times once speed and
// time are steady, runs on gas, averages again and corrects the gas map until the two agree
// within the accuracy.
class TAutotuning {
public:
    static constexpr int SteadyTicks = 30;
    static constexpr int SettleTicks = 27;
    static constexpr int SwitchRetryTicks = 3;
    static constexpr int BlockTicks = 5;
    static constexpr int MinPetrolMapCompletion = 80;

    TAutotuning(TDataMap& model, TAutotuningHost& host);

    // The working point and the settings of the window.
    int32_t WorkingRPM = 2000;
    double WorkingTime = 4.5; // ms
    double MinWaterTemp = 60, MinGasTemp = 40;
    int Accuracy = 5; // percent
    bool StretchMap = true;
    bool Compensated = false;

    // Procedure state, kept across openings of the window.
    int Step = 0;
    int SwitchCountdown = -1;
    int SettleCountdown = -1;
    int Iterations = 0;
    bool FirstCorrectionDone = false;
    QString InstructionText;
    // InstructionText again in the current language.
    void RefreshInstruction();
    std::array<double, 4> Accumulator{};
    std::array<int, 4> SampleCount{};
    std::array<double, 4> BlockAverage{};
    std::array<double, 4> OnPetrol{};
    std::array<double, 4> OnGas{};
    int32_t RPMSum = 0, RPMCount = 0, RPMAverage = 0;
    int RPMSteadyCount = 0, TimeSteadyCount = 0;

    // What the window shows.
    int ProgressRPM = 0, ProgressTinj = 0;
    bool RPMSteady = false, TimeSteady = false;
    double Delta = 0;                       // Slave: ms; Compensated: percent
    int Sector1End = 400, Sector2End = 600; // on the 0..1000 scale with 500 at zero
    bool Finished = false;                  // the last run succeeded: Cancel reads "Exit"

    // The window opens: averages cleared, flags remembered and cleared, the ECU told.
    void Open(bool compensated);
    // The window closes: the flags put back.
    void Close();
    // START; false, with the reason in Refusal, when the petrol map is not acquired enough.
    bool Start();
    QString Refusal;
    // Cancel or Exit; returns whether the window should close (it was Exit).
    bool Cancel();
    // One tick of the 300 ms clock.
    void Tick();
    // The reply to cmdFuelSwitch.
    void FuelSwitchReplied();

    void ResetSteadiness();
    bool CheckRPMSteady(const TTuningLive& live);
    bool CheckTimeSteady(const TTuningLive& live, bool petrolPhase);
    bool Converged(const TTuningLive& live) const;
    void UpdateDeltaSectors(bool petrolPhaseEnded);
    int PetrolMapCompletion() const;

    // Map operations; each writes the map to the ECU.
    void StretchSlaveMap(double r1, double r2);
    void RaiseSlaveMap(double x);
    void BuildCompensatedMap();
    void StretchCompensatedMap(double r1, double r2);

private:
    bool TwoBanks() const;
    bool OneProbe() const;
    void RequestFuel(bool petrol, const TTuningLive& live);
    // false when the correction could not be made and the procedure stopped.
    bool FirstCorrection();
    bool IterationCorrection(const TTuningLive& live);
    void Finish();
    void StopWithMessage(const QString& message);
    void EndRun();
    void SetInstruction(const QString& text) { InstructionText = text; }
    // The texts shown while no run is going keep their number, so that a language switch can
    // show them again.
    void SetIdleInstruction(StringId id) {
        IdleInstruction = id;
        InstructionText = ResStr(id);
    }
    StringId IdleInstruction = SAutoSetWorkingPoint;
    void ShowStepInstruction();

    TDataMap& Model;
    TAutotuningHost& Host;
    bool SavedPetrolAcquire = false, SavedPetrolAdapt = false, SavedGasAdapt = false;
};
