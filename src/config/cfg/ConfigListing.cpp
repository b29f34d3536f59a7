#include "config/cfg/ConfigListing.h"

#include "resources/Strings.h"
#include "config/UnitDati.h"

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

struct TSetting {
    const char* Name;
    QString (*Value)(const TDataMap&);
    QString (*Raw)(const RMappatura&);
    StringId UnitId;
};

#define CORVANE_LISTED_SETTING(Type, Field, Init, Block, Unit, ...)                                          \
    TSetting{#Field, [](const TDataMap& m) { return Listed(m.Field); },                                      \
             [](const RMappatura& r) { return RawText(r.Field); }, Unit},
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

std::vector<TListedValue> ListConfiguration(const TDataMap& Model, const TConfigFile& File) {
    const RMappatura& raw = Model.RawData.Image;
    std::vector<TListedValue> list;
    list.push_back({QStringLiteral("Version"), QString::fromLatin1(File.VersionText), QString(), QString()});
    list.push_back({QStringLiteral("Mode"), ModeName(File.Mode), QString(), QString()});
    for (const TSetting& s : Settings)
        list.push_back({QString::fromLatin1(s.Name), s.Value(Model), UnitOf(s.UnitId), s.Raw(raw)});
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
                list.push_back(
                    {key, Number(cells.Value(r, c)), unit, RawText(int32_t(rawCells.Value(r, c)))});
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

QStringList DiffConfigurations(const std::vector<TListedValue>& A, const std::vector<TListedValue>& B) {
    QStringList lines;
    const auto withUnit = [](const TListedValue& v) {
        return v.Unit.isEmpty() ? v.Value : v.Value + QLatin1Char(' ') + v.Unit;
    };
    const auto withRaw = [&withUnit](const TListedValue& v) {
        return withUnit(v) + QStringLiteral(" (raw ") + v.Raw + QLatin1Char(')');
    };
    // Both lists come from the same layout, so they pair up item by item.
    for (size_t i = 0; i < A.size() && i < B.size(); ++i) {
        if (A[i].Value != B[i].Value)
            lines << A[i].Key + QStringLiteral(": ") + withUnit(A[i]) + QStringLiteral(" -> ") +
                         withUnit(B[i]);
        // Bytes that read as the same value (a quantised speed, an unknown code, a text's padding)
        // still reach the ECU as they are.
        else if (A[i].Raw != B[i].Raw)
            lines << A[i].Key + QStringLiteral(": ") + withRaw(A[i]) + QStringLiteral(" -> ") + withRaw(B[i]);
    }
    return lines;
}
