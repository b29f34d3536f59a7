#include "config/Defaults.h"

#include "resources/Strings.h"
#include "config/UnitDati.h"

#include <QDate>

namespace {

template <typename Array, size_t N> void Assign(Array& array, const double (&values)[N]) {
    static_assert(N == size_t(Array::Count));
    for (int i = 1; i <= Array::Count; ++i)
        array[i] = values[i - 1];
}

template <size_t N> void AssignSpeeds(TOneBasedArray<int32_t, 9>& array, const int32_t (&values)[N]) {
    static_assert(N == 9);
    for (int i = 1; i <= 9; ++i)
        array[i] = values[i - 1];
}

void AssignMap(TMapCells<double>& map, const double (&values)[12][9]) {
    for (int r = 1; r <= MapRowCount; ++r)
        for (int c = 1; c <= MapColumnCount; ++c)
            map[r][c] = values[r - 1][c - 1];
}

} // namespace

void TDataMap::SetDefaultAxes(bool Turbo) {
    AssignSpeeds(Giri_Slave, DefaultSpeedAxis);
    AssignSpeeds(Giri_Comp, DefaultSpeedAxis);
    AssignSpeeds(Giri_Benzina, DefaultSpeedAxis);
    Assign(MAP_Comp, Turbo ? TurboMAPAxis : NormalMAPAxis);
    Assign(MAP_Benzina, Turbo ? TurboMAPAxis : NormalMAPAxis);
    Assign(TempiBenzina_Slave, Turbo ? TurboPetrolTimeAxis : NormalPetrolTimeAxis);
}

void TDataMap::SetDefaultSlaveMaps(uint8_t FuelCode) {
    if (FuelCode != FuelCNG && FuelCode != FuelLPG) return;
    const auto& map = FuelCode == FuelCNG ? DefaultSlaveMapCNG : DefaultSlaveMapLPG;
    AssignMap(TempiGas_Slave_banco1, map);
    AssignMap(TempiGas_Slave_banco2, map);
}

void TDataMap::SetPressureCorrectionDefaults() {
    if (ReducerType < 0 || ReducerType >= ReducerTypeCount) return;
    Assign(PressioneGas, DefaultPressureAxis[ReducerType]);
    Assign(CorrPressioneGas, DefaultPressureCorrection[ReducerType]);
}

void TDataMap::SetWaterCorrectionDefaults() {
    Assign(TemperaturaRiduttore, DefaultWaterTemperatureAxis);
    Assign(CorrTemperaturaRiduttore, DefaultWaterTemperatureCorrection);
}

void TDataMap::SetGasTempCorrectionDefaults() {
    Assign(TemperaturaGas, DefaultGasTemperatureAxis);
    Assign(CorrTemperaturaGas, DefaultGasTemperatureCorrection);
}

void TDataMap::SetLambdaControlDefaults(uint8_t Mode) {
    LambdaControllerOn = LambdaEmulationOn = Mode == CompensatedMode;
    SamplingPeriodMin = SamplingPeriodMax = 23;
    if (Mode == SlaveMode) {
        IntegralRich = IntegralLean = 0;
        ProportionalRich = ProportionalLean = 1.0;
        InjectorOffset = 0.8;
    } else if (Mode == CompensatedMode) {
        IntegralRich = 40;
        IntegralLean = 30;
        ProportionalRich = ProportionalLean = 0;
        InjectorOffset = 0;
    }
}

void TDataMap::SetAdaptiveDefaults(uint8_t Mode) {
    PetrolAcquire = GasAdapt = Mode == CompensatedMode;
    AdaptAux = false;
    PetrolAdapt = false;
    // The bounding box follows the axes in use.
    if (Mode == SlaveMode) {
        AdaptMinRPM = Giri_Slave[3];
        AdaptMaxRPM = Giri_Slave[9];
    } else if (Mode == CompensatedMode) {
        AdaptMinRPM = Giri_Comp[1];
        AdaptMaxRPM = Giri_Comp[9];
    }
    AdaptSlaveMinY = TempiBenzina_Slave[1];
    AdaptSlaveMaxY = TempiBenzina_Slave[10];
    AdaptCompMinY = MAP_Comp[1];
    AdaptCompMaxY = MAP_Comp[12];
    AdaptDwell = 10;
    AdaptSlaveCorrection = 2;
    AdaptCompCorrection = 1;
}

void TDataMap::ResetAll(uint8_t FuelCode) {
    FileName = ResStr(SCfgUntitledFileName);
    SetDefaultAxes(false);
    SetDefaultSlaveMaps(FuelCode);
    for (auto* map : {&TempiGas_Comp_banco1, &TempiGas_Comp_banco2, &Benzina})
        for (auto& row : *map)
            row.Fill(0);

    Assign(RiferimentoSondaLambda, DefaultLambdaReference);
    SetWaterCorrectionDefaults();
    SetGasTempCorrectionDefaults();
    Assign(TemperaturaCicchetto, DefaultPrimeTemperatureAxis);
    TempoCicchetto.Fill(0);
    Assign(LivelloGas, DefaultGasLevels);

    Bank = 1;
    Fuel = FuelCode;
    Cylinders = 4;
    IgnitionType = 0;
    LambdaProbes = 1;
    ReducerType = FuelCode;
    SetPressureCorrectionDefaults();

    EngineAux = 0;
    PulsesPerRev = 2;
    LambdaType = 1;
    TPSType = TPSNone;
    MAPSensor = 1;
    if (FuelCode == FuelCNG) LevelSensorType = 2;
    if (FuelCode == FuelLPG) LevelSensorType = 0;
    PressureSensorType = 1;

    SwitchCondition = 0;
    SwitchRPM = 2000;
    SwitchTempSensor = 1;
    SwitchTemp = 30;
    SwitchDelay = 40;
    BackToPetrolOnLowGas = true;
    BackupDelay = 1;
    MaxCurrentTime = 3;
    SteadyCurrent = 1.0;
    InjectorType = 0;
    MinOpenTime = 2.8;

    SetLambdaControlDefaults(OperatingMode);

    EmulatedRich = 0.8;
    EmulatedLean = 0.1;
    LambdaAuxA = 4.0;
    LambdaAuxB = 0;
    LeanThreshold = 0.3;
    RichThreshold = 0.6;
    Make.clear();
    Model.clear();
    ConfigDate = QDate::currentDate().toString(QStringLiteral("ddMMyy"));

    AccelLevel = 100;
    SoftStartT1 = 1000;
    SoftStartT2 = 500;
    DeltaMap = 1000;
    MapThreshold = 500;
    AccelControlOn = false;
    TPSCutOffOn = false;
    TPSFallTime = 1.0;
    TPSCutOffRPM = 1500;
    TPSThreshold = 1.5;
    TPSHysteresis = 0.5;
    ExtraInjectionFilter = 0;
    SlaveMinDelay = 0.5;
    SlaveMaxDelay = 3.0;
    FullGroupHoldOff = 0;

    SetAdaptiveDefaults(OperatingMode);
    ModelToRaw(RawData.Image);
}
