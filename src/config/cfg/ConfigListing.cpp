#include "config/cfg/ConfigListing.h"

#include "resources/Strings.h"
#include "config/UnitDati.h"

#include <QLocale>
#include <QTextStream>
#include <functional>

namespace {

// The user's locale without thousands separators, which only clutter columns of numbers.
QLocale NumberLocale() {
    QLocale locale;
    locale.setNumberOptions(QLocale::OmitGroupSeparator);
    return locale;
}

QString Unit(StringId id) {
    return ResStr(id);
}

// Full precision: what diff compares, so that no difference hides behind the rounding of a
// display format.
QString Number(double x) {
    return NumberLocale().toString(x, 'g', 10);
}
QString Switch(bool on) {
    return ResStr(on ? SCfgToolOn : SCfgToolOff);
}
QString Quoted(const QString& text) {
    return QLatin1Char('"') + text + QLatin1Char('"');
}

struct TSetting {
    const char* Name;
    std::function<QString(const TDataMap&)> Value;
    StringId UnitId;
    bool HasUnit;
};

// Settings without a unit: codes of the multiple-choice editors, counts, switches and texts.
TSetting Plain(const char* name, std::function<QString(const TDataMap&)> value) {
    return {name, std::move(value), SCfgUnitRpm, false};
}
TSetting WithUnit(const char* name, std::function<QString(const TDataMap&)> value, StringId unit) {
    return {name, std::move(value), unit, true};
}

#define NUMBER(field) [](const TDataMap& m) { return Number(m.field); }
#define SWITCH(field) [](const TDataMap& m) { return Switch(m.field); }

const std::vector<TSetting>& Settings() {
    static const std::vector<TSetting> settings = {
        Plain("Make", [](const TDataMap& m) { return Quoted(m.Make); }),
        Plain("Model", [](const TDataMap& m) { return Quoted(m.Model); }),
        Plain("ConfigDate", [](const TDataMap& m) { return Quoted(m.ConfigDate); }),
        Plain("Fuel", NUMBER(Fuel)),
        Plain("Cylinders", NUMBER(Cylinders)),
        Plain("IgnitionType", NUMBER(IgnitionType)),
        Plain("PulsesPerRev", NUMBER(PulsesPerRev)),
        Plain("EngineAux", NUMBER(EngineAux)),
        Plain("InjectorType", NUMBER(InjectorType)),
        Plain("LambdaType", NUMBER(LambdaType)),
        Plain("LambdaProbes", NUMBER(LambdaProbes)),
        Plain("LevelSensorType", NUMBER(LevelSensorType)),
        Plain("TPSType", NUMBER(TPSType)),
        Plain("MAPSensor", NUMBER(MAPSensor)),
        Plain("PressureSensorType", NUMBER(PressureSensorType)),
        Plain("ReducerType", NUMBER(ReducerType)),
        Plain("SwitchCondition", NUMBER(SwitchCondition)),
        WithUnit("SwitchRPM", NUMBER(SwitchRPM), SCfgUnitRpm),
        Plain("SwitchTempSensor", NUMBER(SwitchTempSensor)),
        WithUnit("SwitchTemp", NUMBER(SwitchTemp), SCfgUnitDegreesC),
        WithUnit("SwitchDelay", NUMBER(SwitchDelay), SCfgUnitSecond),
        Plain("BackToPetrolOnLowGas", SWITCH(BackToPetrolOnLowGas)),
        WithUnit("BackupDelay", NUMBER(BackupDelay), SCfgUnitSecond),
        WithUnit("MaxCurrentTime", NUMBER(MaxCurrentTime), SCfgUnitMs),
        WithUnit("SteadyCurrent", NUMBER(SteadyCurrent), SCfgUnitAmpere),
        WithUnit("MinOpenTime", NUMBER(MinOpenTime), SCfgUnitMs),
        WithUnit("InjectorOffset", NUMBER(InjectorOffset), SCfgUnitMs),
        Plain("PetrolAcquire", SWITCH(PetrolAcquire)),
        Plain("PetrolAdapt", SWITCH(PetrolAdapt)),
        Plain("GasAdapt", SWITCH(GasAdapt)),
        Plain("AdaptAux", SWITCH(AdaptAux)),
        WithUnit("LeanThreshold", NUMBER(LeanThreshold), SCfgUnitVolt),
        WithUnit("RichThreshold", NUMBER(RichThreshold), SCfgUnitVolt),
        WithUnit("EmulatedRich", NUMBER(EmulatedRich), SCfgUnitVolt),
        WithUnit("EmulatedLean", NUMBER(EmulatedLean), SCfgUnitVolt),
        Plain("IntegralRich", NUMBER(IntegralRich)),
        Plain("IntegralLean", NUMBER(IntegralLean)),
        Plain("ProportionalRich", NUMBER(ProportionalRich)),
        Plain("ProportionalLean", NUMBER(ProportionalLean)),
        WithUnit("SamplingPeriodMin", NUMBER(SamplingPeriodMin), SCfgUnitMs),
        WithUnit("SamplingPeriodMax", NUMBER(SamplingPeriodMax), SCfgUnitMs),
        Plain("LambdaControllerOn", SWITCH(LambdaControllerOn)),
        Plain("LambdaEmulationOn", SWITCH(LambdaEmulationOn)),
        Plain("LambdaAuxA", NUMBER(LambdaAuxA)),
        Plain("LambdaAuxB", NUMBER(LambdaAuxB)),
        WithUnit("AccelLevel", NUMBER(AccelLevel), SCfgUnitPercent),
        WithUnit("SoftStartT1", NUMBER(SoftStartT1), SCfgUnitMs),
        WithUnit("SoftStartT2", NUMBER(SoftStartT2), SCfgUnitMs),
        WithUnit("DeltaMap", NUMBER(DeltaMap), SCfgUnitMbarPerSecond),
        WithUnit("MapThreshold", NUMBER(MapThreshold), SCfgUnitMbar),
        Plain("AccelControlOn", SWITCH(AccelControlOn)),
        Plain("TPSCutOffOn", SWITCH(TPSCutOffOn)),
        WithUnit("TPSCutOffRPM", NUMBER(TPSCutOffRPM), SCfgUnitRpm),
        WithUnit("TPSThreshold", NUMBER(TPSThreshold), SCfgUnitVolt),
        WithUnit("TPSHysteresis", NUMBER(TPSHysteresis), SCfgUnitVolt),
        WithUnit("TPSFallTime", NUMBER(TPSFallTime), SCfgUnitSecond),
        WithUnit("FullGroupHoldOff", NUMBER(FullGroupHoldOff), SCfgUnitPercent),
        WithUnit("SlaveMaxDelay", NUMBER(SlaveMaxDelay), SCfgUnitMs),
        WithUnit("SlaveMinDelay", NUMBER(SlaveMinDelay), SCfgUnitMs),
        WithUnit("ExtraInjectionFilter", NUMBER(ExtraInjectionFilter), SCfgUnitMs),
        WithUnit("AdaptMinRPM", NUMBER(AdaptMinRPM), SCfgUnitRpm),
        WithUnit("AdaptMaxRPM", NUMBER(AdaptMaxRPM), SCfgUnitRpm),
        WithUnit("AdaptSlaveMinY", NUMBER(AdaptSlaveMinY), SCfgUnitMs),
        WithUnit("AdaptSlaveMaxY", NUMBER(AdaptSlaveMaxY), SCfgUnitMs),
        WithUnit("AdaptCompMinY", NUMBER(AdaptCompMinY), SCfgUnitMbar),
        WithUnit("AdaptCompMaxY", NUMBER(AdaptCompMaxY), SCfgUnitMbar),
        WithUnit("AdaptDwell", NUMBER(AdaptDwell), SCfgUnitSecond),
        WithUnit("AdaptSlaveCorrection", NUMBER(AdaptSlaveCorrection), SCfgUnitPercent),
        WithUnit("AdaptCompCorrection", NUMBER(AdaptCompCorrection), SCfgUnitPercent),
    };
    return settings;
}

#undef NUMBER
#undef SWITCH

// The tables by TMapTypeOfData, with their unit and the decimals of the terminal layout.
struct TTable {
    const char* Name;
    StringId UnitId;
    int Decimals;
};
constexpr TTable Tables[MapTypeCount] = {
    {"Giri_Slave", SCfgUnitRpm, 0},
    {"TempiBenzina_Slave", SCfgUnitMs, 1},
    {"TempiGas_Slave_banco1", SCfgUnitFactor, 3},
    {"TempiGas_Slave_banco2", SCfgUnitFactor, 3},
    {"Giri_Benzina", SCfgUnitRpm, 0},
    {"MAP_Benzina", SCfgUnitMbar, 0},
    {"Benzina", SCfgUnitMs, 1},
    {"Giri_Comp", SCfgUnitRpm, 0},
    {"MAP_Comp", SCfgUnitMbar, 0},
    {"TempiGas_Comp_banco1", SCfgUnitMs, 1},
    {"TempiGas_Comp_banco2", SCfgUnitMs, 1},
    {"TemperaturaRiduttore", SCfgUnitDegreesC, 0},
    {"CorrTemperaturaRiduttore", SCfgUnitPercent, 2},
    {"TemperaturaGas", SCfgUnitDegreesC, 0},
    {"CorrTemperaturaGas", SCfgUnitPercent, 2},
    {"PressioneGas", SCfgUnitMbar, 0},
    {"CorrPressioneGas", SCfgUnitPercent, 2},
    {"RiferimentoSondaLambda", SCfgUnitVolt, 2},
    {"TemperaturaCicchetto", SCfgUnitDegreesC, 0},
    {"TempoCicchetto", SCfgUnitMs, 1},
    {"LivelloGas", SCfgUnitVolt, 2},
};

// The axes of the three kinds of map: rows, then columns.
std::pair<TMapTypeOfData, TMapTypeOfData> AxesOf(TMapTypeOfData map) {
    using K = TMapTypeOfData;
    switch (map) {
    case K::Benzina:
        return {K::MAP_Benzina, K::Giri_Benzina};
    case K::TempiGas_Comp_banco1:
    case K::TempiGas_Comp_banco2:
        return {K::MAP_Comp, K::Giri_Comp};
    default:
        return {K::TempiBenzina_Slave, K::Giri_Slave};
    }
}

// The table's own values: the gas level thresholds as stored, not those of the sensor type.
double TableValue(const TDataMap& m, TMapTypeOfData kind, int row, int index) {
    if (kind == TMapTypeOfData::LivelloGas) return m.LivelloGas.InRange(index) ? m.LivelloGas[index] : 0;
    return m.GetMapValue(kind, row, index);
}

QString ModeName(uint8_t mode) {
    return ResStr(mode == SlaveMode ? SCfgToolModeSlave : SCfgToolModeCompensated);
}

QString Fixed(double x, int decimals) {
    return NumberLocale().toString(x, 'f', decimals);
}

} // namespace

std::vector<TListedValue> ListConfiguration(const TDataMap& Model, const TConfigFile& File) {
    std::vector<TListedValue> list;
    list.push_back({QStringLiteral("Version"), QString::fromLatin1(File.VersionText), QString()});
    list.push_back({QStringLiteral("Mode"), ModeName(File.Mode), QString()});
    for (const TSetting& s : Settings())
        list.push_back({QString::fromLatin1(s.Name), s.Value(Model), s.HasUnit ? Unit(s.UnitId) : QString()});
    for (int k = 0; k < MapTypeCount; ++k) {
        const TMapTypeOfData kind = MapTypeFromOrdinal(k);
        const QString name = QString::fromLatin1(Tables[k].Name);
        const QString unit = Unit(Tables[k].UnitId);
        const bool map = IsMapKind(kind);
        for (int r = 1; r <= MapRows(kind); ++r)
            for (int c = 1; c <= MapColumns(kind); ++c) {
                const QString key = map ? QStringLiteral("%1[%2][%3]").arg(name).arg(r).arg(c)
                                        : QStringLiteral("%1[%2]").arg(name).arg(c);
                list.push_back({key, Number(TableValue(Model, kind, map ? r : 0, c)), unit});
            }
    }
    return list;
}

QString ShowConfiguration(const TDataMap& Model, const TConfigFile& File, const QString& FileName) {
    QString out;
    QTextStream s(&out);
    const auto line = [&s](const QString& key, const QString& value, const QString& unit) {
        s << "  " << key.leftJustified(24) << value;
        if (!unit.isEmpty()) s << ' ' << unit;
        s << '\n';
    };
    line(ResStr(SCfgToolFile), FileName, QString());
    line(ResStr(SCfgToolVersion), QString::fromLatin1(File.VersionText), QString());
    line(ResStr(SCfgToolMode), ModeName(File.Mode), QString());

    s << '\n' << ResStr(SCfgToolSettings) << '\n';
    for (const TSetting& setting : Settings())
        line(QString::fromLatin1(setting.Name), setting.Value(Model),
             setting.HasUnit ? Unit(setting.UnitId) : QString());

    s << '\n' << ResStr(SCfgToolTables) << '\n';
    constexpr int Width = 8;
    for (int k = 0; k < MapTypeCount; ++k) {
        const TMapTypeOfData kind = MapTypeFromOrdinal(k);
        const TTable& t = Tables[k];
        if (!IsMapKind(kind)) {
            s << "  " << QString::fromLatin1(t.Name) << " (" << Unit(t.UnitId) << ")\n    ";
            for (int i = 1; i <= MapColumns(kind); ++i)
                s << Fixed(TableValue(Model, kind, 0, i), t.Decimals).rightJustified(Width);
            s << '\n';
            continue;
        }
        const auto [rows, columns] = AxesOf(kind);
        const TTable& rt = Tables[Ordinal(rows)];
        const TTable& ct = Tables[Ordinal(columns)];
        s << "  " << QString::fromLatin1(t.Name) << " (" << Unit(t.UnitId) << "), "
          << ResStr(SCfgToolRowsColumns)
                 .arg(
                     QString::fromLatin1(rt.Name) + QStringLiteral(" (") + Unit(rt.UnitId) + QLatin1Char(')'),
                     QString::fromLatin1(ct.Name) + QStringLiteral(" (") + Unit(ct.UnitId) + QLatin1Char(')'))
          << "\n    " << QString().leftJustified(Width);
        for (int c = 1; c <= MapColumnCount; ++c)
            s << Fixed(TableValue(Model, columns, 0, c), ct.Decimals).rightJustified(Width);
        s << '\n';
        for (int r = 1; r <= MapRowCount; ++r) {
            s << "    " << Fixed(TableValue(Model, rows, 0, r), rt.Decimals).rightJustified(Width);
            for (int c = 1; c <= MapColumnCount; ++c)
                s << Fixed(TableValue(Model, kind, r, c), t.Decimals).rightJustified(Width);
            s << '\n';
        }
    }
    return out;
}

QStringList DiffConfigurations(const std::vector<TListedValue>& A, const std::vector<TListedValue>& B) {
    QStringList lines;
    const auto withUnit = [](const TListedValue& v) {
        return v.Unit.isEmpty() ? v.Value : v.Value + QLatin1Char(' ') + v.Unit;
    };
    // Both lists come from the same layout, so they pair up item by item.
    for (size_t i = 0; i < A.size() && i < B.size(); ++i)
        if (A[i].Value != B[i].Value)
            lines << A[i].Key + QStringLiteral(": ") + withUnit(A[i]) + QStringLiteral(" -> ") +
                         withUnit(B[i]);
    return lines;
}
