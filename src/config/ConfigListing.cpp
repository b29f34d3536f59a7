#include "config/ConfigListing.h"

#include "config/UnitDati.h"
#include "resources/Strings.h"

#include <QLocale>
#include <QTextStream>
#include <type_traits>

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

template <typename T> QString Listed(const T& value) {
    if constexpr (std::is_same_v<T, QString>)
        return Quoted(value);
    else if constexpr (std::is_same_v<T, bool>)
        return Switch(value);
    else
        return Number(double(value));
}

// The bytes the ECU is sent: one number per byte, the characters of a text in hex.
QString RawText(int32_t v) {
    return QString::number(v);
}
QString RawText(const QByteArray& text) {
    return QString::fromLatin1(text.toHex(' '));
}

template <typename T> bool AsNumber(const T& value, double& number) {
    if constexpr (std::is_arithmetic_v<T>) {
        number = double(value);
        return true;
    } else {
        return false;
    }
}

struct TSetting {
    const char* Name;
    QString (*Value)(const TDataMap&);
    QString (*Raw)(const RMappatura&);
    StringId UnitId;
    void (*Copy)(TDataMap&, const TDataMap&);
    bool (*Number)(const TDataMap&, double&);
};

#define CORVANE_LISTED_SETTING(Type, Field, Init, Block, Unit, ...)                                          \
    TSetting{#Field,                                                                                         \
             [](const TDataMap& m) { return Listed(m.Field); },                                              \
             [](const RMappatura& r) { return RawText(r.Field); },                                           \
             Unit,                                                                                           \
             [](TDataMap& to, const TDataMap& from) { to.Field = from.Field; },                              \
             [](const TDataMap& m, double& v) { return AsNumber(m.Field, v); }},
constexpr TSetting Settings[] = {CORVANE_SETTINGS(CORVANE_LISTED_SETTING)};
#undef CORVANE_LISTED_SETTING

QString UnitOf(StringId id) {
    return id == NoText ? QString() : Unit(id);
}

// Its name with its unit, "Giri_Slave (rpm)".
QString NameAndUnit(const TMapKindInfo& t) {
    return QString::fromLatin1(t.Name) + QStringLiteral(" (") + Unit(t.Unit) + QLatin1Char(')');
}

QString ModeName(uint8_t mode) {
    return ResStr(mode == SlaveMode ? SCfgToolModeSlave : SCfgToolModeCompensated);
}

QString Fixed(double x, int decimals) {
    return NumberLocale().toString(x, 'f', decimals);
}

} // namespace

std::unique_ptr<TDataMap> LoadDetached(const QString& Name, TConfigFile& File, QString& Error) {
    if (!ReadConfigFile(Name, File, Error)) return nullptr;
    return LoadDetached(File, Name);
}

std::unique_ptr<TDataMap> LoadDetached(const TConfigFile& File, const QString& Name) {
    TDataMap* const program = DataMap;
    const uint8_t mode = OperatingMode;
    OperatingMode = SlaveMode;
    auto model = std::make_unique<TDataMap>();
    model->LoadConfigFile(File, Name);
    DataMap = program;
    OperatingMode = mode;
    return model;
}

std::vector<TListedValue> ListConfiguration(const TDataMap& Model, const TConfigFile& File) {
    return ListConfiguration(Model, File, Model.RawData.Image);
}

std::vector<TListedValue> ListConfiguration(const TDataMap& Model, const TConfigFile& File,
                                            const RMappatura& raw) {
    std::vector<TListedValue> list;
    const auto item = [](QString key, QString value, QString unit, QString rawText) {
        TListedValue v;
        v.Key = std::move(key);
        v.Value = std::move(value);
        v.Unit = std::move(unit);
        v.Raw = std::move(rawText);
        return v;
    };
    list.push_back(
        item(QStringLiteral("Version"), QString::fromLatin1(File.VersionText), QString(), QString()));
    list.push_back(item(QStringLiteral("Mode"), ModeName(File.Mode), QString(), QString()));
    for (int i = 0; i < int(std::size(Settings)); ++i) {
        const TSetting& s = Settings[i];
        list.push_back(item(QString::fromLatin1(s.Name), s.Value(Model), UnitOf(s.UnitId), s.Raw(raw)));
        list.back().Setting = i;
    }
    for (int k = 0; k < MapTypeCount; ++k) {
        const TMapTypeOfData kind = MapTypeFromOrdinal(k);
        const TMapKindInfo& t = MapKind(kind);
        const QString name = QString::fromLatin1(t.Name);
        const QString unit = Unit(t.Unit);
        // The tables as stored: the gas level thresholds are the file's, not those of the sensor type.
        const TConstCellsView cells = Model.Cells(kind);
        const TConstCellsView rawCells = CellsOf(raw, kind);
        for (int r = 1; r <= t.Rows; ++r)
            for (int c = 1; c <= t.Columns; ++c) {
                const QString key = t.Rows > 1 ? QStringLiteral("%1[%2][%3]").arg(name).arg(r).arg(c)
                                               : QStringLiteral("%1[%2]").arg(name).arg(c);
                TListedValue& v = list.emplace_back(
                    item(key, Number(cells.Value(r, c)), unit, RawText(int32_t(rawCells.Value(r, c)))));
                v.Kind = kind;
                v.Row = r;
                v.Column = c;
                v.Number = cells.Value(r, c);
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
    for (const TSetting& setting : Settings)
        line(QString::fromLatin1(setting.Name), setting.Value(Model), UnitOf(setting.UnitId));

    s << '\n' << ResStr(SCfgToolTables) << '\n';
    constexpr int Width = 8;
    for (int k = 0; k < MapTypeCount; ++k) {
        const TMapKindInfo& t = MapKind(MapTypeFromOrdinal(k));
        const TConstCellsView cells = Model.Cells(t.Kind);
        if (!t.RowAxis) {
            s << "  " << NameAndUnit(t) << "\n    ";
            for (int i = 1; i <= t.Columns; ++i)
                s << Fixed(cells.Value(0, i), t.ListingDecimals).rightJustified(Width);
            s << '\n';
            continue;
        }
        const TMapKindInfo& rt = MapKind(*t.RowAxis);
        const TMapKindInfo& ct = MapKind(*t.ColumnAxis);
        const TConstCellsView rows = Model.Cells(rt.Kind), columns = Model.Cells(ct.Kind);
        s << "  " << NameAndUnit(t) << ", "
          << ResStr(SCfgToolRowsColumns).arg(NameAndUnit(rt), NameAndUnit(ct)) << "\n    "
          << QString().leftJustified(Width);
        for (int c = 1; c <= t.Columns; ++c)
            s << Fixed(columns.Value(0, c), ct.ListingDecimals).rightJustified(Width);
        s << '\n';
        for (int r = 1; r <= t.Rows; ++r) {
            s << "    " << Fixed(rows.Value(0, r), rt.ListingDecimals).rightJustified(Width);
            for (int c = 1; c <= t.Columns; ++c)
                s << Fixed(cells.Value(r, c), t.ListingDecimals).rightJustified(Width);
            s << '\n';
        }
    }
    return out;
}

std::vector<TListedDifference> CompareListings(const std::vector<TListedValue>& A,
                                               const std::vector<TListedValue>& B) {
    std::vector<TListedDifference> differences;
    // Both lists come from the same layout, so they pair up item by item.
    for (size_t i = 0; i < A.size() && i < B.size(); ++i) {
        if (A[i].Value != B[i].Value) differences.push_back({i, false});
        // Bytes that read as the same value (a quantised speed, an unknown code, a text's padding)
        // still reach the ECU as they are.
        else if (A[i].Raw != B[i].Raw)
            differences.push_back({i, true});
    }
    return differences;
}

void CopySetting(TDataMap& To, const TDataMap& From, int Setting) {
    if (Setting >= 0 && Setting < int(std::size(Settings))) Settings[Setting].Copy(To, From);
}

bool SettingNumber(const TDataMap& Model, int Setting, double& Value) {
    return Setting >= 0 && Setting < int(std::size(Settings)) && Settings[Setting].Number(Model, Value);
}

QStringList DiffConfigurations(const std::vector<TListedValue>& A, const std::vector<TListedValue>& B) {
    QStringList lines;
    const auto withUnit = [](const TListedValue& v) {
        return v.Unit.isEmpty() ? v.Value : v.Value + QLatin1Char(' ') + v.Unit;
    };
    const auto withRaw = [&withUnit](const TListedValue& v) {
        return withUnit(v) + QStringLiteral(" (raw ") + v.Raw + QLatin1Char(')');
    };
    for (const TListedDifference& d : CompareListings(A, B)) {
        const TListedValue &a = A[d.Index], &b = B[d.Index];
        if (!d.RawOnly)
            lines << a.Key + QStringLiteral(": ") + withUnit(a) + QStringLiteral(" -> ") + withUnit(b);
        else
            lines << a.Key + QStringLiteral(": ") + withRaw(a) + QStringLiteral(" -> ") + withRaw(b);
    }
    return lines;
}
