#pragma once

#include "config/MapTypes.h"
#include "link/ByteQueue.h"

#include <QByteArray>
#include <cstdint>
#include <type_traits>

class TFrame;

// The configuration in the ECU's own units: one Integer per configuration byte (763 of them) and
// the three texts. Decoding leaves every element in 0..255; a conversion from the model may put
// an element outside that range, and only encoding a block saturates it.
struct RMappatura {
    QByteArray Make;       // 20 characters once encoded
    QByteArray Model;      // 20 characters once encoded
    QByteArray ConfigDate; // 6 characters once encoded

    int32_t Fuel = 0;
    int32_t EngineAux = 0;
    int32_t Cylinders = 0;
    int32_t IgnitionType = 0;
    int32_t SwitchCondition = 0;
    int32_t SwitchRPM = 0;
    int32_t SwitchTempSensor = 0;
    int32_t SwitchTemp = 0;
    int32_t SwitchDelay = 0;
    int32_t PulsesPerRev = 0;
    int32_t LevelSensorType = 0;
    int32_t BackToPetrolOnLowGas = 0;
    int32_t BackupDelay = 0;
    int32_t PressureSensorType = 0;
    int32_t InjectorOffset = 0;
    int32_t MaxCurrentTime = 0;
    int32_t SteadyCurrent = 0;
    int32_t InjectorType = 0;
    int32_t MinOpenTime = 0;
    int32_t ReducerType = 0;
    int32_t LambdaType = 0;
    int32_t LambdaProbes = 0;
    TOneBasedArray<int32_t, 12> RiferimentoSondaLambda;
    int32_t LambdaEmulationOn = 0;
    int32_t EmulatedRich = 0;
    int32_t EmulatedLean = 0;
    int32_t LambdaAuxA = 0;
    int32_t LambdaAuxB = 0;
    int32_t LeanThreshold = 0;
    int32_t RichThreshold = 0;
    int32_t LambdaControllerOn = 0;
    int32_t IntegralRich = 0;
    int32_t IntegralLean = 0;
    int32_t ProportionalRich = 0;
    int32_t ProportionalLean = 0;
    int32_t SamplingPeriodMin = 0;
    int32_t SamplingPeriodMax = 0;
    TMapCells<int32_t> TempiGas_Slave_banco1;
    TMapCells<int32_t> TempiGas_Slave_banco2;
    TOneBasedArray<int32_t, 9> Giri_Slave;
    TOneBasedArray<int32_t, 12> TempiBenzina_Slave;
    TMapCells<int32_t> Benzina;
    TOneBasedArray<int32_t, 9> Giri_Benzina;
    TOneBasedArray<int32_t, 12> MAP_Benzina;
    TMapCells<int32_t> TempiGas_Comp_banco1;
    TMapCells<int32_t> TempiGas_Comp_banco2;
    TOneBasedArray<int32_t, 9> Giri_Comp;
    TOneBasedArray<int32_t, 12> MAP_Comp;
    TOneBasedArray<int32_t, 9> TemperaturaRiduttore;
    TOneBasedArray<int32_t, 9> CorrTemperaturaRiduttore;
    TOneBasedArray<int32_t, 9> TemperaturaGas;
    TOneBasedArray<int32_t, 9> CorrTemperaturaGas;
    TOneBasedArray<int32_t, 15> PressioneGas;
    TOneBasedArray<int32_t, 15> CorrPressioneGas;
    TOneBasedArray<int32_t, 6> TemperaturaCicchetto;
    TOneBasedArray<int32_t, 6> TempoCicchetto;
    TOneBasedArray<int32_t, 4> LivelloGas;
    int32_t AccelLevel = 0;
    int32_t SoftStartT1 = 0;
    int32_t SoftStartT2 = 0;
    int32_t DeltaMap = 0;
    int32_t MapThreshold = 0;
    int32_t AccelControlOn = 0;
    int32_t FullGroupHoldOff = 0;
    int32_t TPSCutOffOn = 0;
    int32_t TPSCutOffRPM = 0;
    int32_t TPSThreshold = 0;
    int32_t TPSHysteresis = 0;
    int32_t TPSType = 0;
    int32_t TPSFallTime = 0;
    int32_t MAPSensor = 0;
    int32_t PetrolAcquire = 0;
    int32_t PetrolAdapt = 0;
    int32_t AdaptAux = 0;
    int32_t GasAdapt = 0;
    int32_t SlaveMinDelay = 0;
    int32_t SlaveMaxDelay = 0;
    int32_t ExtraInjectionFilter = 0;
    int32_t AdaptMinRPM = 0;
    int32_t AdaptMaxRPM = 0;
    int32_t AdaptSlaveMinY = 0;
    int32_t AdaptSlaveMaxY = 0;
    int32_t AdaptCompMinY = 0;
    int32_t AdaptCompMaxY = 0;
    int32_t AdaptDwell = 0;
    int32_t AdaptSlaveCorrection = 0;
    int32_t AdaptCompCorrection = 0;

    bool operator==(const RMappatura&) const = default;
};

// Calls f(int32_t&) for every Integer element of r, in the record's order (763 calls).
template <typename F> void ForEachElement(RMappatura& r, F&& f) {
    auto all = [&f](auto& array) {
        for (auto& item : array) {
            if constexpr (std::is_same_v<std::decay_t<decltype(item)>, int32_t>)
                f(item);
            else
                for (auto& cell : item)
                    f(cell);
        }
    };
    for (int32_t* e : {&r.Fuel,
                       &r.EngineAux,
                       &r.Cylinders,
                       &r.IgnitionType,
                       &r.SwitchCondition,
                       &r.SwitchRPM,
                       &r.SwitchTempSensor,
                       &r.SwitchTemp,
                       &r.SwitchDelay,
                       &r.PulsesPerRev,
                       &r.LevelSensorType,
                       &r.BackToPetrolOnLowGas,
                       &r.BackupDelay,
                       &r.PressureSensorType,
                       &r.InjectorOffset,
                       &r.MaxCurrentTime,
                       &r.SteadyCurrent,
                       &r.InjectorType,
                       &r.MinOpenTime,
                       &r.ReducerType,
                       &r.LambdaType,
                       &r.LambdaProbes})
        f(*e);
    all(r.RiferimentoSondaLambda);
    for (int32_t* e :
         {&r.LambdaEmulationOn, &r.EmulatedRich, &r.EmulatedLean, &r.LambdaAuxA, &r.LambdaAuxB,
          &r.LeanThreshold, &r.RichThreshold, &r.LambdaControllerOn, &r.IntegralRich, &r.IntegralLean,
          &r.ProportionalRich, &r.ProportionalLean, &r.SamplingPeriodMin, &r.SamplingPeriodMax})
        f(*e);
    all(r.TempiGas_Slave_banco1);
    all(r.TempiGas_Slave_banco2);
    all(r.Giri_Slave);
    all(r.TempiBenzina_Slave);
    all(r.Benzina);
    all(r.Giri_Benzina);
    all(r.MAP_Benzina);
    all(r.TempiGas_Comp_banco1);
    all(r.TempiGas_Comp_banco2);
    all(r.Giri_Comp);
    all(r.MAP_Comp);
    all(r.TemperaturaRiduttore);
    all(r.CorrTemperaturaRiduttore);
    all(r.TemperaturaGas);
    all(r.CorrTemperaturaGas);
    all(r.PressioneGas);
    all(r.CorrPressioneGas);
    all(r.TemperaturaCicchetto);
    all(r.TempoCicchetto);
    all(r.LivelloGas);
    for (int32_t* e : {&r.AccelLevel,
                       &r.SoftStartT1,
                       &r.SoftStartT2,
                       &r.DeltaMap,
                       &r.MapThreshold,
                       &r.AccelControlOn,
                       &r.FullGroupHoldOff,
                       &r.TPSCutOffOn,
                       &r.TPSCutOffRPM,
                       &r.TPSThreshold,
                       &r.TPSHysteresis,
                       &r.TPSType,
                       &r.TPSFallTime,
                       &r.MAPSensor,
                       &r.PetrolAcquire,
                       &r.PetrolAdapt,
                       &r.AdaptAux,
                       &r.GasAdapt,
                       &r.SlaveMinDelay,
                       &r.SlaveMaxDelay,
                       &r.ExtraInjectionFilter,
                       &r.AdaptMinRPM,
                       &r.AdaptMaxRPM,
                       &r.AdaptSlaveMinY,
                       &r.AdaptSlaveMaxY,
                       &r.AdaptCompMinY,
                       &r.AdaptCompMaxY,
                       &r.AdaptDwell,
                       &r.AdaptSlaveCorrection,
                       &r.AdaptCompCorrection})
        f(*e);
}

inline constexpr int RawElementCount = 763;
inline constexpr int ConfigBlockCount = 9;
inline constexpr int MakeLength = 20;
inline constexpr int ModelLength = 20;
inline constexpr int ConfigDateLength = 6;

// Payload size of a configuration block (block number byte included); 1 for a number outside 1..9.
int BlockSize(int Block);
// Blocks 4 and 8 exist once per bank; their second byte is the bank.
constexpr bool IsBankBlock(int Block) {
    return Block == 4 || Block == 8;
}

// The raw image of the ECU configuration and the two byte queues that read reply payloads into it
// and build request payloads from it.
class TRawData {
public:
    RMappatura Image;
    TByteQueue InQueue;
    TByteQueue OutQueue;

    // Reads the block in Frame's payload into Image and returns its number. A payload that ends
    // early leaves the rest of the block's elements as they were; bytes past the block are not read.
    uint8_t DecodeBlock(const TFrame& Frame);
    // The same for a bare payload (a block record of a configuration file).
    uint8_t DecodePayload(const QByteArray& Payload);
    // The payload of a block write: block number, for blocks 4 and 8 the bank, then the block's
    // bytes from Image, each saturated to 0..255. Always exactly BlockSize(Block) bytes.
    QByteArray EncodeBlock(uint8_t Block, int Bank);

    // The record list of a configuration file: the record count, then each block of Image
    // (4 and 8 once per bank) as a length byte and its payload.
    QByteArray SaveToString();
    // Decodes the records of a record list into Image, in file order. A list that does not hold
    // the records its count promises is refused whole: false, and Image is left as it was.
    bool LoadFromString(const QByteArray& S);

private:
    uint8_t DecodeLoadedPayload();
};
