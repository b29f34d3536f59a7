#pragma once

// Everything the simulated ECU knows about its configuration blocks: their sizes, where the
// fields it acts on lie, and the units of those fields. Positions are 0-based positions in a
// block payload, whose first byte is the block number (and, for blocks 4 and 8, whose second byte
// is the bank).

#include <cmath>
#include <cstdint>

namespace EcuLayout {

inline constexpr int BlockCount = 9;
inline constexpr int MapRows = 12; // the injection-time or MAP axis
inline constexpr int MapCols = 9;  // the speed axis

// Payload size of each block, number (and bank) included; index 0 is unused.
inline constexpr int BlockSizes[BlockCount + 1] = {0, 60, 16, 130, 131, 27, 67, 28, 131, 14};

constexpr bool HasBanks(int block) {
    return block == 4 || block == 8;
}
constexpr int BlockSize(int block) {
    return block >= 1 && block <= BlockCount ? BlockSizes[block] : 0;
}

// A map's cells are stored column by column: for speed column c and row r (both 0-based) the byte
// lies at first + 12 * c + r.
constexpr int MapCell(int first, int row, int col) {
    return first + MapRows * col + row;
}

// Block 1: car and engine.
namespace B1 {
inline constexpr int Make = 1, Model = 21, ConfigDate = 41, TextSizes[3] = {20, 20, 6};
inline constexpr int Fuel = 47, Cylinders = 48, IgnitionType = 49, EngineAux = 50, PulsesPerRev = 51,
                     InjectorType = 52, LambdaType = 53, LambdaProbes = 54, LevelSensorType = 55,
                     TPSType = 56, MAPSensor = 57, PressureSensorType = 58, ReducerType = 59;
} // namespace B1

// Block 2: changeover and injectors.
namespace B2 {
inline constexpr int SwitchCondition = 1, SwitchRPM = 2, SwitchTemp = 3, SwitchDelay = 4,
                     BackToPetrolOnLowGas = 5, BackupDelay = 6, MaxCurrentTime = 7, SteadyCurrent = 8,
                     MinOpenTime = 9, InjectorOffset = 10, PetrolAcquire = 11, PetrolAdapt = 12,
                     GasAdapt = 13, AdaptAux = 14, SwitchTempSensor = 15;
}

// Block 3: petrol map over MAP and speed.
namespace B3 {
inline constexpr int Rpm = 1, Map = 10, Cells = 22;
}

// Blocks 4 (compensated gas map over MAP and speed) and 8 (slave gas map over petrol time and
// speed) share one shape.
namespace B48 {
inline constexpr int Bank = 1, Rpm = 2, Rows = 11, Cells = 23;
}

// Block 5: lambda.
namespace B5 {
inline constexpr int Reference = 1, LeanThreshold = 13, RichThreshold = 14, EmulatedRich = 15,
                     EmulatedLean = 16, IntegralRich = 17, IntegralLean = 18, ProportionalRich = 19,
                     ProportionalLean = 20, SamplingPeriodMin = 21, SamplingPeriodMax = 22,
                     LambdaControllerOn = 23, LambdaEmulationOn = 24, LambdaAuxA = 25, LambdaAuxB = 26;
}

// Block 6: temperature and pressure corrections.
namespace B6 {
inline constexpr int WaterAxis = 1, WaterCorr = 10, GasTempAxis = 19, GasTempCorr = 28, PressureAxis = 37,
                     PressureCorr = 52;
}

// Block 7: drivability.
namespace B7 {
inline constexpr int AccelLevel = 1, SoftStartT1 = 2, SoftStartT2 = 3, DeltaMap = 4, MapThreshold = 5,
                     AccelControlOn = 6, TPSCutOffOn = 7, TPSCutOffRPM = 8, TPSThreshold = 9,
                     TPSHysteresis = 10, TPSFallTime = 11, FullGroupHoldOff = 12, SlaveMaxDelay = 13,
                     SlaveMinDelay = 14, ExtraInjectionFilter = 15, PrimeTempAxis = 16, PrimeTime = 22;
}

// Block 9: adaptivity and gas level thresholds.
namespace B9 {
inline constexpr int AdaptMinRPM = 1, AdaptMaxRPM = 2, AdaptSlaveMinY = 3, AdaptSlaveMaxY = 4,
                     AdaptCompMinY = 5, AdaptCompMaxY = 6, AdaptDwell = 7, AdaptSlaveCorrection = 8,
                     AdaptCompCorrection = 9, LevelThresholds = 10;
}

// Units. The ECU rounds speeds to 100 rpm and the slave petrol-time axis to 0.1 ms exactly as the
// tool shows them, so that both sides agree on where a working point lies.
constexpr int RoundToMultiple(int a, int b) {
    const int q = a / b;
    const int r = a - q * b;
    return b / 2.0 > r ? q * b : (q + 1) * b;
}
// Round to nearest, ties to even, as the tool rounds when it encodes.
inline int RoundEven(double x) {
    return static_cast<int>(std::nearbyint(x));
}

inline int RpmFromRaw(uint8_t v) {
    return RoundToMultiple(32 * v, 100);
}
inline uint8_t RpmToRaw(int rpm) {
    return static_cast<uint8_t>(RoundEven(rpm / 32.0));
}
inline double SlavePetrolMsFromRaw(uint8_t v) {
    return RoundToMultiple(128 * v, 100) / 1000.0;
}
inline uint8_t SlavePetrolMsToRaw(double ms) {
    return static_cast<uint8_t>(RoundEven(1000 * ms / 128));
}
inline double SlaveFactorFromRaw(uint8_t v) {
    return v / 128.0;
}
inline int SlaveFactorToRaw(double f) {
    return RoundEven(128 * f);
}
inline double TenthsFromRaw(uint8_t v) {
    return v / 10.0;
} // injection times and offsets in ms
inline int MbarFromRaw(uint8_t v) {
    return 10 * v;
} // MAP axes
inline int TemperatureFromRaw(uint8_t v) {
    return v - 20;
} // correction axes, deg C
inline double CorrectionFromRaw(uint8_t v) {
    return 100.0 * (v - 128) / 128;
} // percent
inline int PressureFromRaw(uint8_t v) {
    return RoundToMultiple(16 * v, 50);
} // mbar

} // namespace EcuLayout
