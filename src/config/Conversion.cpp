#include "config/Conversion.h"

#include <cmath>
#include <limits>

int32_t RoundToEven(double x) {
    if (std::isnan(x)) return 0;
    constexpr double lo = std::numeric_limits<int32_t>::min();
    constexpr double hi = std::numeric_limits<int32_t>::max();
    if (x <= lo) return std::numeric_limits<int32_t>::min();
    if (x >= hi) return std::numeric_limits<int32_t>::max();
    // Not nearbyint: the result must not depend on the floating-point environment's rounding mode.
    const double floor = std::floor(x);
    const double diff = x - floor;
    double r = floor;
    if (diff > 0.5 || (diff == 0.5 && std::fmod(floor, 2.0) != 0.0)) r = floor + 1.0;
    return static_cast<int32_t>(r);
}

int32_t RoundToMultiple(int32_t a, int32_t b) {
    if (b <= 0) return a;
    const int64_t q = int64_t(a) / b; // truncates toward zero
    const int64_t r = int64_t(a) - q * b;
    const int64_t result = (double(b) / 2 > double(r)) ? q * b : (q + 1) * b;
    if (result > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
    return static_cast<int32_t>(result);
}

bool LambdaVoltsFromRaw(int32_t LambdaType, int32_t v, double& volts) {
    switch (LambdaType) {
    case 0:
    case 1:
        volts = v / 255.0;
        return true;
    case 2:
        volts = 5.0 * v / 255;
        return true;
    case 3:
    case 5:
        volts = 5.0 * (255.0 - v) / 255;
        return true;
    case 4:
        volts = 0.8 * v / 255 + 0.8;
        return true;
    default:
        return false;
    }
}

bool LambdaRawFromVolts(int32_t LambdaType, double volts, bool Reference, int32_t& v) {
    switch (LambdaType) {
    case 0:
    case 1:
        v = RoundToEven(255 * volts);
        return true;
    case 2:
        v = RoundToEven(255 * volts / 5);
        return true;
    case 3:
    case 5:
        v = RoundToEven(255 * (5 - volts) / 5);
        return true;
    case 4:
        v = (Reference && volts <= 0.8) ? 0 : RoundToEven(255 * (volts - 0.8) / 0.8);
        return true;
    default:
        return false;
    }
}

// ---- The model's conversions to and from the raw image ----

#include "config/UnitDati.h"

#include <QDate>
#include <algorithm>

namespace {

QString TodayAsConfigDate() {
    return QDate::currentDate().toString(QStringLiteral("ddMMyy"));
}

QString TextFromRaw(const QByteArray& raw) {
    qsizetype n = raw.size();
    while (n > 0 && static_cast<uint8_t>(raw[n - 1]) <= 32)
        --n;
    return QString::fromLatin1(raw.constData(), n);
}

QByteArray TextToRaw(const QString& text, int width) {
    return text.left(width).leftJustified(width, QLatin1Char(' '), true).toLatin1();
}

// Codes the ECU uses for three of the multiple-choice settings, indexed by the tool's code.
constexpr int32_t IgnitionCodes[] = {1, 2, 4};
constexpr int32_t InjectorCodes[] = {35, 80, 70};
constexpr int32_t LevelSensorCodes[] = {0, 5, 1, 6, 2, 3, 4};

template <size_t N> void CodeFromRaw(const int32_t (&codes)[N], int32_t v, int32_t& x) {
    for (size_t i = 0; i < N; ++i)
        if (codes[i] == v) {
            x = int32_t(i);
            return;
        }
}

template <size_t N> void CodeToRaw(const int32_t (&codes)[N], int32_t x, int32_t& v) {
    if (x >= 0 && size_t(x) < N) v = codes[x];
}

// Raw elements that came from the model may lie far outside a byte, so products are saturated.
int32_t Saturated(int64_t x) {
    return int32_t(
        std::clamp<int64_t>(x, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()));
}

int32_t SpeedFromRaw(int32_t v) {
    return RoundToMultiple(Saturated(32LL * v), 100);
}
int32_t SpeedToRaw(double x) {
    return RoundToEven(x / 32);
}
double PetrolTimeFromRaw(int32_t v) {
    return RoundToMultiple(Saturated(128LL * v), 100) / 1000.0;
}
int32_t PetrolTimeToRaw(double x) {
    return RoundToEven(1000 * x / 128);
}
double CorrectionFromRaw(int32_t v) {
    return 100.0 * (double(v) - 128) / 128;
}
int32_t CorrectionToRaw(double x) {
    return RoundToEven(1.28 * x + 128);
}

template <typename Dst, typename Src, typename F> void ConvertEach(Dst& dst, const Src& src, F&& f) {
    for (int i = 1; i <= Dst::Count; ++i)
        dst[i] = f(src[i]);
}

// On the quantised conversions (speeds to 100 rpm, the gas pressure axis to 50 mbar, ...) several
// raw values read as one engineering value. A raw element that already reads as the model's value
// is kept, so that writing back a value nobody changed leaves the ECU's setting as it was instead
// of moving it to another raw value of the same reading.
template <typename FromRaw, typename ToRaw>
int32_t KeepOrConvert(int32_t current, double x, FromRaw&& from, ToRaw&& to) {
    return double(from(current)) == x ? current : to(x);
}

template <typename Dst, typename Src, typename FromRaw, typename ToRaw>
void ConvertEachKeeping(Dst& dst, const Src& src, FromRaw&& from, ToRaw&& to) {
    for (int i = 1; i <= Dst::Count; ++i)
        dst[i] = KeepOrConvert(dst[i], src[i], from, to);
}

int32_t SwitchSpeedFromRaw(int32_t v) {
    return RoundToMultiple(Saturated(16LL * v), 100);
}
int32_t GasPressureFromRaw(int32_t v) {
    return RoundToMultiple(Saturated(16LL * v), 50);
}
double AccelLevelFromRaw(int32_t v) {
    return double((100LL * v) / 128);
}
int32_t HoldOffFromRaw(int32_t v) {
    return RoundToEven(100.0 * v / 255);
}

template <typename Dst, typename Src, typename F> void ConvertCells(Dst& dst, const Src& src, F&& f) {
    for (int r = 1; r <= MapRowCount; ++r)
        for (int c = 1; c <= MapColumnCount; ++c)
            dst[r][c] = f(src[r][c]);
}

} // namespace

bool ConvertRawMap(const RMappatura& Rec, int Block, int BankNo, TConvertedMap& Map) {
    switch (Block) {
    case 3:
        ConvertEach(Map.SpeedAxis, Rec.Giri_Benzina, SpeedFromRaw);
        ConvertEach(Map.RowAxis, Rec.MAP_Benzina, [](int32_t v) { return 10.0 * v; });
        ConvertCells(Map.Cells, Rec.Benzina, [](int32_t v) { return v / 10.0; });
        return true;
    case 4:
        ConvertEach(Map.SpeedAxis, Rec.Giri_Comp, SpeedFromRaw);
        ConvertEach(Map.RowAxis, Rec.MAP_Comp, [](int32_t v) { return 10.0 * v; });
        ConvertCells(Map.Cells, BankNo == 1 ? Rec.TempiGas_Comp_banco1 : Rec.TempiGas_Comp_banco2,
                     [](int32_t v) { return v / 10.0; });
        return true;
    case 8:
        ConvertEach(Map.SpeedAxis, Rec.Giri_Slave, SpeedFromRaw);
        ConvertEach(Map.RowAxis, Rec.TempiBenzina_Slave, PetrolTimeFromRaw);
        ConvertCells(Map.Cells, BankNo == 1 ? Rec.TempiGas_Slave_banco1 : Rec.TempiGas_Slave_banco2,
                     [](int32_t v) { return v / 128.0; });
        return true;
    default:
        return false;
    }
}

void TDataMap::RawToSettings(const RMappatura& Rec) {
    // The lambda voltages depend on the probe type just read, so it comes first.
    LambdaType = Rec.LambdaType;
    LambdaProbes = Rec.LambdaProbes;
    for (int i = 1; i <= 12; ++i)
        LambdaVoltsFromRaw(LambdaType, Rec.RiferimentoSondaLambda[i], RiferimentoSondaLambda[i]);
    LambdaVoltsFromRaw(LambdaType, Rec.LeanThreshold, LeanThreshold);
    LambdaVoltsFromRaw(LambdaType, Rec.RichThreshold, RichThreshold);

    auto temperature = [](int32_t v) { return double(v) - 20; };
    ConvertEach(TemperaturaRiduttore, Rec.TemperaturaRiduttore, temperature);
    ConvertEach(CorrTemperaturaRiduttore, Rec.CorrTemperaturaRiduttore, CorrectionFromRaw);
    ConvertEach(TemperaturaGas, Rec.TemperaturaGas, temperature);
    ConvertEach(CorrTemperaturaGas, Rec.CorrTemperaturaGas, CorrectionFromRaw);
    ConvertEach(PressioneGas, Rec.PressioneGas, [](int32_t v) { return double(GasPressureFromRaw(v)); });
    ConvertEach(CorrPressioneGas, Rec.CorrPressioneGas, CorrectionFromRaw);
    ConvertEach(TemperaturaCicchetto, Rec.TemperaturaCicchetto, temperature);
    ConvertEach(TempoCicchetto, Rec.TempoCicchetto, [](int32_t v) { return v / 10.0; });
    ConvertEach(LivelloGas, Rec.LivelloGas, [](int32_t v) { return 5 * v / 231.795; });

    if (Rec.Fuel == FuelCNG || Rec.Fuel == FuelLPG) Fuel = uint8_t(Rec.Fuel);
    EngineAux = Rec.EngineAux;
    Cylinders = Rec.Cylinders;
    CodeFromRaw(IgnitionCodes, Rec.IgnitionType, IgnitionType);
    SwitchCondition = Rec.SwitchCondition;
    CodeFromRaw(LevelSensorCodes, Rec.LevelSensorType, LevelSensorType);
    PressureSensorType = Saturated(int64_t(Rec.PressureSensorType) - 1);
    ReducerType = Rec.ReducerType;
    SwitchTempSensor = Saturated(int64_t(Rec.SwitchTempSensor) - 1);
    SwitchRPM = SwitchSpeedFromRaw(Rec.SwitchRPM);
    SwitchTemp = Rec.SwitchTemp;
    SwitchDelay = Saturated(3LL * Rec.SwitchDelay);
    PulsesPerRev = Rec.PulsesPerRev;
    BackupDelay = Rec.BackupDelay;
    InjectorOffset = Rec.InjectorOffset / 10.0;
    MaxCurrentTime = Rec.MaxCurrentTime;
    SteadyCurrent = Rec.SteadyCurrent / 100.0;
    CodeFromRaw(InjectorCodes, Rec.InjectorType, InjectorType);
    MinOpenTime = Rec.MinOpenTime / 10.0;
    BackToPetrolOnLowGas = Rec.BackToPetrolOnLowGas == 1;
    LambdaEmulationOn = Rec.LambdaEmulationOn != 0;
    EmulatedRich = Rec.EmulatedRich / 10.0;
    EmulatedLean = Rec.EmulatedLean / 10.0;
    LambdaAuxA = 4.0 * Rec.LambdaAuxA / 255;
    LambdaAuxB = Rec.LambdaAuxB;
    LambdaControllerOn = Rec.LambdaControllerOn != 0;
    IntegralRich = Rec.IntegralRich;
    IntegralLean = Rec.IntegralLean;
    ProportionalRich = Rec.ProportionalRich / 10.0;
    ProportionalLean = Rec.ProportionalLean / 10.0;
    SamplingPeriodMin = Rec.SamplingPeriodMin;
    SamplingPeriodMax = Rec.SamplingPeriodMax;
    Make = TextFromRaw(Rec.Make);
    Model = TextFromRaw(Rec.Model);
    ConfigDate = QString::fromLatin1(Rec.ConfigDate);
    for (QChar ch : std::as_const(ConfigDate))
        if (ch < QLatin1Char('0') || ch > QLatin1Char('9')) {
            ConfigDate = TodayAsConfigDate();
            break;
        }

    AccelLevel = AccelLevelFromRaw(Rec.AccelLevel);
    SoftStartT1 = 20.0 * Rec.SoftStartT1;
    SoftStartT2 = 20.0 * Rec.SoftStartT2;
    DeltaMap = Saturated(10LL * Rec.DeltaMap);
    MapThreshold = Saturated(10LL * Rec.MapThreshold);
    AccelControlOn = Rec.AccelControlOn != 0;
    FullGroupHoldOff = HoldOffFromRaw(Rec.FullGroupHoldOff);
    TPSCutOffOn = Rec.TPSCutOffOn != 0;
    TPSCutOffRPM = SpeedFromRaw(Rec.TPSCutOffRPM);
    TPSType = Rec.TPSType;
    switch (TPSType) {
    case TPSRising:
        TPSThreshold = 5.0 * Rec.TPSThreshold / 255;
        break;
    case TPSFalling:
        TPSThreshold = 5.0 * (255.0 - Rec.TPSThreshold) / 255;
        break;
    case TPSNone:
        // Without a throttle sensor there is nothing to cut off on.
        TPSCutOffOn = false;
        break;
    default:
        break;
    }
    TPSHysteresis = 5.0 * Rec.TPSHysteresis / 255;
    TPSFallTime = Rec.TPSFallTime / 100.0;

    MAPSensor = Rec.MAPSensor;
    PetrolAcquire = Rec.PetrolAcquire != 0;
    PetrolAdapt = Rec.PetrolAdapt != 0;
    AdaptAux = Rec.AdaptAux != 0;
    GasAdapt = Rec.GasAdapt != 0;
    SlaveMinDelay = Rec.SlaveMinDelay / 50.0;
    SlaveMaxDelay = Rec.SlaveMaxDelay;
    ExtraInjectionFilter = Rec.ExtraInjectionFilter / 10.0;
    AdaptMinRPM = SpeedFromRaw(Rec.AdaptMinRPM);
    AdaptMaxRPM = SpeedFromRaw(Rec.AdaptMaxRPM);
    AdaptSlaveMinY = PetrolTimeFromRaw(Rec.AdaptSlaveMinY);
    AdaptSlaveMaxY = PetrolTimeFromRaw(Rec.AdaptSlaveMaxY);
    AdaptCompMinY = 10.0 * Rec.AdaptCompMinY;
    AdaptCompMaxY = 10.0 * Rec.AdaptCompMaxY;
    AdaptDwell = Rec.AdaptDwell / 10.0;
    AdaptSlaveCorrection = Rec.AdaptSlaveCorrection / 10.0;
    AdaptCompCorrection = Rec.AdaptCompCorrection / 10.0;
}

void TDataMap::RawToMap(const RMappatura& Rec, int Block, int BankNo) {
    TConvertedMap map;
    if (!ConvertRawMap(Rec, Block, BankNo, map)) return;
    switch (Block) {
    case 3:
        ConvertEach(Giri_Benzina, map.SpeedAxis, [](double x) { return int32_t(x); });
        MAP_Benzina = map.RowAxis;
        Benzina = map.Cells;
        break;
    case 4:
        ConvertEach(Giri_Comp, map.SpeedAxis, [](double x) { return int32_t(x); });
        MAP_Comp = map.RowAxis;
        (BankNo == 1 ? TempiGas_Comp_banco1 : TempiGas_Comp_banco2) = map.Cells;
        break;
    case 8:
        ConvertEach(Giri_Slave, map.SpeedAxis, [](double x) { return int32_t(x); });
        TempiBenzina_Slave = map.RowAxis;
        (BankNo == 1 ? TempiGas_Slave_banco1 : TempiGas_Slave_banco2) = map.Cells;
        break;
    default:
        break;
    }
}

void TDataMap::RawToMaps(const RMappatura& Rec) {
    ForEachMapBlock([&](int block, int bank) { RawToMap(Rec, block, bank); });
}

void TDataMap::ModelToRaw(RMappatura& Rec) {
    Rec.Fuel = Fuel;
    Rec.EngineAux = EngineAux;
    Rec.Cylinders = Cylinders;
    CodeToRaw(IgnitionCodes, IgnitionType, Rec.IgnitionType);
    Rec.SwitchCondition = SwitchCondition;
    Rec.SwitchRPM =
        KeepOrConvert(Rec.SwitchRPM, SwitchRPM, SwitchSpeedFromRaw, [](double x) { return int32_t(x) / 16; });
    Rec.SwitchTempSensor = Saturated(int64_t(SwitchTempSensor) + 1);
    Rec.SwitchTemp = SwitchTemp;
    Rec.SwitchDelay = SwitchDelay / 3;
    Rec.PulsesPerRev = PulsesPerRev;
    CodeToRaw(LevelSensorCodes, LevelSensorType, Rec.LevelSensorType);
    Rec.BackToPetrolOnLowGas = BackToPetrolOnLowGas ? 1 : 0;
    Rec.BackupDelay = BackupDelay;
    Rec.PressureSensorType = Saturated(int64_t(PressureSensorType) + 1);
    Rec.InjectorOffset = std::min(RoundToEven(10 * InjectorOffset), int32_t(255));
    Rec.MaxCurrentTime = MaxCurrentTime;
    Rec.SteadyCurrent = RoundToEven(100 * SteadyCurrent);
    CodeToRaw(InjectorCodes, InjectorType, Rec.InjectorType);
    Rec.MinOpenTime = RoundToEven(10 * MinOpenTime);
    Rec.ReducerType = ReducerType;
    Rec.LambdaType = LambdaType;
    Rec.LambdaProbes = LambdaProbes;
    for (int i = 1; i <= 12; ++i)
        LambdaRawFromVolts(LambdaType, RiferimentoSondaLambda[i], true, Rec.RiferimentoSondaLambda[i]);
    Rec.LambdaEmulationOn = LambdaEmulationOn ? 1 : 0;
    Rec.EmulatedRich = RoundToEven(10 * EmulatedRich);
    Rec.EmulatedLean = RoundToEven(10 * EmulatedLean);
    Rec.LambdaAuxA = RoundToEven(255 * LambdaAuxA / 4);
    Rec.LambdaAuxB = RoundToEven(LambdaAuxB);
    LambdaRawFromVolts(LambdaType, LeanThreshold, false, Rec.LeanThreshold);
    LambdaRawFromVolts(LambdaType, RichThreshold, false, Rec.RichThreshold);
    Rec.LambdaControllerOn = LambdaControllerOn ? 255 : 0;
    Rec.IntegralRich = IntegralRich;
    Rec.IntegralLean = IntegralLean;
    Rec.ProportionalRich = RoundToEven(10 * ProportionalRich);
    Rec.ProportionalLean = RoundToEven(10 * ProportionalLean);
    Rec.SamplingPeriodMin = SamplingPeriodMin;
    Rec.SamplingPeriodMax = SamplingPeriodMax;

    auto gasFactor = [](double x) { return RoundToEven(128 * x); };
    auto tenths = [](double x) { return RoundToEven(10 * x); };
    auto pressure = [](double x) { return RoundToEven(x / 10); };
    ConvertCells(Rec.TempiGas_Slave_banco1, TempiGas_Slave_banco1, gasFactor);
    ConvertCells(Rec.TempiGas_Slave_banco2, TempiGas_Slave_banco2, gasFactor);
    ConvertEachKeeping(Rec.Giri_Slave, Giri_Slave, SpeedFromRaw, SpeedToRaw);
    ConvertEach(Rec.TempiBenzina_Slave, TempiBenzina_Slave, PetrolTimeToRaw);
    ConvertCells(Rec.Benzina, Benzina, tenths);
    ConvertEachKeeping(Rec.Giri_Benzina, Giri_Benzina, SpeedFromRaw, SpeedToRaw);
    ConvertEach(Rec.MAP_Benzina, MAP_Benzina, pressure);
    ConvertCells(Rec.TempiGas_Comp_banco1, TempiGas_Comp_banco1, tenths);
    ConvertCells(Rec.TempiGas_Comp_banco2, TempiGas_Comp_banco2, tenths);
    ConvertEachKeeping(Rec.Giri_Comp, Giri_Comp, SpeedFromRaw, SpeedToRaw);
    ConvertEach(Rec.MAP_Comp, MAP_Comp, pressure);

    auto temperature = [](double x) { return RoundToEven(x + 20); };
    ConvertEach(Rec.TemperaturaRiduttore, TemperaturaRiduttore, temperature);
    ConvertEach(Rec.CorrTemperaturaRiduttore, CorrTemperaturaRiduttore, CorrectionToRaw);
    ConvertEach(Rec.TemperaturaGas, TemperaturaGas, temperature);
    ConvertEach(Rec.CorrTemperaturaGas, CorrTemperaturaGas, CorrectionToRaw);
    ConvertEachKeeping(Rec.PressioneGas, PressioneGas, GasPressureFromRaw,
                       [](double x) { return RoundToEven(x / 16); });
    ConvertEach(Rec.CorrPressioneGas, CorrPressioneGas, CorrectionToRaw);
    ConvertEach(Rec.TemperaturaCicchetto, TemperaturaCicchetto, temperature);
    ConvertEach(Rec.TempoCicchetto, TempoCicchetto, tenths);
    ConvertEach(Rec.LivelloGas, LivelloGas, [](double x) { return RoundToEven(x * 255 * 0.909 / 5); });

    Rec.Make = TextToRaw(Make, MakeLength);
    Rec.Model = TextToRaw(Model, ModelLength);
    Rec.ConfigDate = TextToRaw(ConfigDate, ConfigDateLength);

    Rec.AccelLevel = KeepOrConvert(Rec.AccelLevel, AccelLevel, AccelLevelFromRaw,
                                   [](double x) { return RoundToEven(128 * x / 100); });
    Rec.SoftStartT1 = RoundToEven(SoftStartT1 / 20);
    Rec.SoftStartT2 = RoundToEven(SoftStartT2 / 20);
    Rec.DeltaMap = DeltaMap / 10;
    Rec.MapThreshold = MapThreshold / 10;
    Rec.AccelControlOn = AccelControlOn ? 1 : 0;
    Rec.FullGroupHoldOff = KeepOrConvert(Rec.FullGroupHoldOff, FullGroupHoldOff, HoldOffFromRaw,
                                         [](double x) { return RoundToEven(255.0 * x / 100); });
    Rec.TPSCutOffOn = TPSCutOffOn ? 1 : 0;
    Rec.TPSCutOffRPM = KeepOrConvert(Rec.TPSCutOffRPM, TPSCutOffRPM, SpeedFromRaw, SpeedToRaw);
    if (TPSType == TPSRising)
        Rec.TPSThreshold = RoundToEven(255 * TPSThreshold / 5);
    else if (TPSType == TPSFalling)
        Rec.TPSThreshold = RoundToEven(255 - 255 * TPSThreshold / 5);
    Rec.TPSHysteresis = RoundToEven(255 * TPSHysteresis / 5);
    Rec.TPSType = TPSType;
    Rec.TPSFallTime = RoundToEven(100 * TPSFallTime);
    Rec.MAPSensor = MAPSensor;
    Rec.PetrolAcquire = PetrolAcquire ? 1 : 0;
    Rec.PetrolAdapt = PetrolAdapt ? 1 : 0;
    Rec.AdaptAux = AdaptAux ? 1 : 0;
    Rec.GasAdapt = GasAdapt ? 1 : 0;
    Rec.SlaveMinDelay = RoundToEven(50 * SlaveMinDelay);
    Rec.SlaveMaxDelay = RoundToEven(SlaveMaxDelay);
    Rec.ExtraInjectionFilter = RoundToEven(10 * ExtraInjectionFilter);
    Rec.AdaptMinRPM = KeepOrConvert(Rec.AdaptMinRPM, AdaptMinRPM, SpeedFromRaw, SpeedToRaw);
    Rec.AdaptMaxRPM = KeepOrConvert(Rec.AdaptMaxRPM, AdaptMaxRPM, SpeedFromRaw, SpeedToRaw);
    Rec.AdaptSlaveMinY = PetrolTimeToRaw(AdaptSlaveMinY);
    Rec.AdaptSlaveMaxY = PetrolTimeToRaw(AdaptSlaveMaxY);
    Rec.AdaptCompMinY = RoundToEven(AdaptCompMinY / 10);
    Rec.AdaptCompMaxY = RoundToEven(AdaptCompMaxY / 10);
    Rec.AdaptDwell = RoundToEven(10 * AdaptDwell);
    Rec.AdaptSlaveCorrection = RoundToEven(10 * AdaptSlaveCorrection);
    Rec.AdaptCompCorrection = RoundToEven(10 * AdaptCompCorrection);

    // With one probe there is no second bank to show or edit.
    if (LambdaProbes == 1) Bank = 1;
}
