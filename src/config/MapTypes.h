#pragma once

#include "StringIds.h"

#include <QtGlobal>
#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <optional>
#include <tuple>
#include <type_traits>
#include <utility>

// The 21 arrays of the configuration (maps, axes, correction curves), by number. The map grids,
// the modify dialog, the calibration windows and the clipboard address the arrays only through
// this number and TDataMap::GetMapValue / SetMapValue.
//
// Scoped, because the model's arrays carry the same names as the values.
enum class TMapTypeOfData : uint8_t {
    Giri_Slave = 0,                // [9] rpm, columns of the slave gas map
    TempiBenzina_Slave = 1,        // [12] ms, rows of the slave gas map
    TempiGas_Slave_banco1 = 2,     // [12, 9] factor
    TempiGas_Slave_banco2 = 3,     // [12, 9] factor
    Giri_Benzina = 4,              // [9] rpm, columns of the petrol map
    MAP_Benzina = 5,               // [12] mbar, rows of the petrol map
    Benzina = 6,                   // [12, 9] ms
    Giri_Comp = 7,                 // [9] rpm, columns of the compensated gas map
    MAP_Comp = 8,                  // [12] mbar, rows of the compensated gas map
    TempiGas_Comp_banco1 = 9,      // [12, 9] ms
    TempiGas_Comp_banco2 = 10,     // [12, 9] ms
    TemperaturaRiduttore = 11,     // [9] deg C
    CorrTemperaturaRiduttore = 12, // [9] percent
    TemperaturaGas = 13,           // [9] deg C
    CorrTemperaturaGas = 14,       // [9] percent
    PressioneGas = 15,             // [15] mbar
    CorrPressioneGas = 16,         // [15] percent
    RiferimentoSondaLambda = 17,   // [12] V, element i at i x 500 rpm
    TemperaturaCicchetto = 18,     // [6] deg C
    TempoCicchetto = 19,           // [6] ms
    LivelloGas = 20,               // [4] V, custom gas level thresholds
};

inline constexpr int MapTypeCount = 21;

// The kind with ordinal n (0..20).
constexpr TMapTypeOfData MapTypeFromOrdinal(int n) {
    return static_cast<TMapTypeOfData>(n);
}
constexpr int Ordinal(TMapTypeOfData kind) {
    return static_cast<int>(kind);
}

// A fixed-size array indexed from 1, as the configuration's arrays are everywhere they are
// described: Giri_Slave[1] is the first speed point, map[r][c] row r, column c.
template <typename T, int N> struct TOneBasedArray {
    static constexpr int Count = N;
    std::array<T, N> Items{};

    T& operator[](int i) {
        Q_ASSERT(i >= 1 && i <= N);
        return Items[size_t(i - 1)];
    }
    const T& operator[](int i) const {
        Q_ASSERT(i >= 1 && i <= N);
        return Items[size_t(i - 1)];
    }
    static constexpr bool InRange(int i) { return i >= 1 && i <= N; }
    auto begin() { return Items.begin(); }
    auto end() { return Items.end(); }
    auto begin() const { return Items.begin(); }
    auto end() const { return Items.end(); }
    void Fill(const T& value) { Items.fill(value); }
    bool operator==(const TOneBasedArray&) const = default;
};

inline constexpr int MapRowCount = 12;   // petrol time or MAP axis
inline constexpr int MapColumnCount = 9; // speed axis

// A 12 x 9 map stored row by row: cells[row][column].
template <typename T> using TMapCells = TOneBasedArray<TOneBasedArray<T, MapColumnCount>, MapRowCount>;

// ---- What each kind is -------------------------------------------------------------------------

// The rounding a new cell value gets before it is checked against the limits. Halves go to the
// even neighbour when rounding to an integer or a tenth; the multiples of 100 and 50 take the
// integer first and then a remainder of exactly half upwards.
enum class TCellRounding : uint8_t { None, Tenth, Integer, Hundreds, Fifties };

// Where a cell's limits come from: two fixed numbers; the neighbouring breakpoints of an axis,
// which keep it rising (Lower below the first point, Upper above the last); or the lambda probe
// type (the reference voltages).
enum class TCellLimits : uint8_t { Fixed, Neighbours, LambdaType };

// Arrays whose cells mean the same kind of quantity, between which cells may be copied and
// pasted. An array of no class (Alone) takes cells only from itself.
enum class TClipboardClass : uint8_t {
    Alone,
    SpeedAxes,
    SlaveGasMaps,
    PressureAxes,
    InjectionTimeMaps,
    TemperatureAxes,
    Corrections
};

struct TMapKindInfo {
    TMapTypeOfData Kind;
    const char* Name;
    int Rows;          // 12 for a map, 1 for a one-dimensional array
    int Columns;       // the index runs 1..Columns
    bool IntegerCells; // whole numbers (the speed axes); values stored into it are truncated
    uint8_t Block;     // the configuration block that carries it
    uint8_t BankNo;    // 1 or 2 for one bank's gas map; 0: the bank the model shows
    std::optional<TMapTypeOfData> RowAxis;    // the breakpoints its rows stand for
    std::optional<TMapTypeOfData> ColumnAxis; // the breakpoints its columns stand for
    StringId Unit;
    const char* GridFormat; // printf format of a cell on its grid (integer cells: of the truncated value)
    int ListingDecimals;    // decimals of the terminal listing, where columns must line up
    TCellRounding Rounding;
    TCellLimits Limits;
    double Lower, Upper;
    TClipboardClass Clipboard;
    StringId Title; // what the user reads for it where no grid shows it (the compare window)
};

namespace MapKindTable {
using K = TMapTypeOfData;
using R = TCellRounding;
using L = TCellLimits;
using C = TClipboardClass;
inline constexpr std::optional<TMapTypeOfData> None;

// clang-format off
inline constexpr TMapKindInfo Rows[MapTypeCount] = {
//   kind                         name                        rows cols int   block bank row axis                column axis              unit              grid     dec rounding      limits         lower upper  clipboard
    {K::Giri_Slave,               "Giri_Slave",               1,   9,   true,  8,   0,   None,                   None,                    SCfgUnitRpm,      "%3.0d", 0,  R::Hundreds,  L::Neighbours, 0,    8160,  C::SpeedAxes, SMapTitleSlaveRevs},
    {K::TempiBenzina_Slave,       "TempiBenzina_Slave",       1,   12,  false, 8,   0,   None,                   None,                    SCfgUnitMs,       "%4.1f", 1,  R::Tenth,     L::Neighbours, 0,    25.5,  C::Alone, SMapTitleSlavePetrolTimes},
    {K::TempiGas_Slave_banco1,    "TempiGas_Slave_banco1",    12,  9,   false, 8,   1,   K::TempiBenzina_Slave,  K::Giri_Slave,           SCfgUnitFactor,   "%2.2f", 3,  R::None,      L::Fixed,      0,    2.0,   C::SlaveGasMaps, SMapTitleSlaveBank1},
    {K::TempiGas_Slave_banco2,    "TempiGas_Slave_banco2",    12,  9,   false, 8,   2,   K::TempiBenzina_Slave,  K::Giri_Slave,           SCfgUnitFactor,   "%2.2f", 3,  R::None,      L::Fixed,      0,    2.0,   C::SlaveGasMaps, SMapTitleSlaveBank2},
    {K::Giri_Benzina,             "Giri_Benzina",             1,   9,   true,  3,   0,   None,                   None,                    SCfgUnitRpm,      "%3.0d", 0,  R::Hundreds,  L::Neighbours, 0,    8160,  C::SpeedAxes, SMapTitlePetrolRevs},
    {K::MAP_Benzina,              "MAP_Benzina",              1,   12,  false, 3,   0,   None,                   None,                    SCfgUnitMbar,     "%4.0f", 0,  R::None,      L::Neighbours, 0,    2550,  C::PressureAxes, SMapTitlePetrolMap},
    {K::Benzina,                  "Benzina",                  12,  9,   false, 3,   0,   K::MAP_Benzina,         K::Giri_Benzina,         SCfgUnitMs,       "%4.2f", 1,  R::Tenth,     L::Fixed,      0,    25.5,  C::InjectionTimeMaps, SMapTitlePetrol},
    {K::Giri_Comp,                "Giri_Comp",                1,   9,   true,  4,   0,   None,                   None,                    SCfgUnitRpm,      "%3.0d", 0,  R::Hundreds,  L::Neighbours, 0,    8160,  C::SpeedAxes, SMapTitleCompRevs},
    {K::MAP_Comp,                 "MAP_Comp",                 1,   12,  false, 4,   0,   None,                   None,                    SCfgUnitMbar,     "%4.0f", 0,  R::None,      L::Neighbours, 0,    2550,  C::PressureAxes, SMapTitleCompMap},
    {K::TempiGas_Comp_banco1,     "TempiGas_Comp_banco1",     12,  9,   false, 4,   1,   K::MAP_Comp,            K::Giri_Comp,            SCfgUnitMs,       "%3.2f", 1,  R::Tenth,     L::Fixed,      0,    25.5,  C::InjectionTimeMaps, SMapTitleCompBank1},
    {K::TempiGas_Comp_banco2,     "TempiGas_Comp_banco2",     12,  9,   false, 4,   2,   K::MAP_Comp,            K::Giri_Comp,            SCfgUnitMs,       "%3.2f", 1,  R::Tenth,     L::Fixed,      0,    25.5,  C::InjectionTimeMaps, SMapTitleCompBank2},
    {K::TemperaturaRiduttore,     "TemperaturaRiduttore",     1,   9,   false, 6,   0,   None,                   None,                    SCfgUnitDegreesC, "%4.0f", 0,  R::None,      L::Neighbours, -20,  203,   C::TemperatureAxes, SMapTitleWaterTemperatures},
    {K::CorrTemperaturaRiduttore, "CorrTemperaturaRiduttore", 1,   9,   false, 6,   0,   None,                   K::TemperaturaRiduttore, SCfgUnitPercent,  "%3.0f", 2,  R::Integer,   L::Fixed,      -100, 100,   C::Corrections, SMapTitleWaterCorrection},
    {K::TemperaturaGas,           "TemperaturaGas",           1,   9,   false, 6,   0,   None,                   None,                    SCfgUnitDegreesC, "%4.0f", 0,  R::None,      L::Neighbours, -20,  203,   C::TemperatureAxes, SMapTitleGasTemperatures},
    {K::CorrTemperaturaGas,       "CorrTemperaturaGas",       1,   9,   false, 6,   0,   None,                   K::TemperaturaGas,       SCfgUnitPercent,  "%3.0f", 2,  R::Integer,   L::Fixed,      -100, 100,   C::Corrections, SMapTitleGasTemperatureCorrection},
    {K::PressioneGas,             "PressioneGas",             1,   15,  false, 6,   0,   None,                   None,                    SCfgUnitMbar,     "%4.0f", 0,  R::Fifties,   L::Neighbours, 0,    4080,  C::Alone, SMapTitleGasPressures},
    {K::CorrPressioneGas,         "CorrPressioneGas",         1,   15,  false, 6,   0,   None,                   K::PressioneGas,         SCfgUnitPercent,  "%3.0f", 2,  R::Integer,   L::Fixed,      -100, 100,   C::Corrections, SMapTitleGasPressureCorrection},
    {K::RiferimentoSondaLambda,   "RiferimentoSondaLambda",   1,   12,  false, 5,   0,   None,                   None,                    SCfgUnitVolt,     "%1.2f", 2,  R::None,      L::LambdaType, 0,    5,     C::Alone, SMapTitleLambdaReferences},
    {K::TemperaturaCicchetto,     "TemperaturaCicchetto",     1,   6,   false, 7,   0,   None,                   None,                    SCfgUnitDegreesC, "%3.0f", 0,  R::None,      L::Neighbours, -20,  203,   C::TemperatureAxes, SMapTitlePrimeTemperatures},
    {K::TempoCicchetto,           "TempoCicchetto",           1,   6,   false, 7,   0,   None,                   K::TemperaturaCicchetto, SCfgUnitMs,       "%2.1f", 1,  R::None,      L::Fixed,      0,    25.5,  C::Alone, SMapTitlePrimeTimes},
    {K::LivelloGas,               "LivelloGas",               1,   4,   false, 9,   0,   None,                   None,                    SCfgUnitVolt,     "%1.2f", 2,  R::None,      L::Fixed,      0,    5,     C::Alone, SMapTitleGasLevels},
};
// clang-format on

// What a number outside 0..20 is: nothing, in no block, pasting only into itself.
inline constexpr TMapKindInfo Unknown = {K::Giri_Slave, "", 0, 0,       false,    0, 0, None,    None,
                                         StringId(0),   "", 0, R::None, L::Fixed, 0, 0, C::Alone, StringId(0)};

constexpr bool InOrder() {
    for (int k = 0; k < MapTypeCount; ++k)
        if (Ordinal(Rows[k].Kind) != k) return false;
    return true;
}
static_assert(InOrder(), "the rows follow TMapTypeOfData");
} // namespace MapKindTable

// The description of a kind; an empty one (no cells, no block) for a number outside 0..20.
constexpr const TMapKindInfo& MapKind(TMapTypeOfData kind) {
    const int k = Ordinal(kind);
    return k >= 0 && k < MapTypeCount ? MapKindTable::Rows[k] : MapKindTable::Unknown;
}

// True for the six 12 x 9 maps, which take a row as well as an index.
constexpr bool IsMapKind(TMapTypeOfData kind) {
    return MapKind(kind).Rows > 1;
}
// Rows (12 for a map, 1 for a one-dimensional array) and indices per row; 0 for an unknown kind.
constexpr int MapRows(TMapTypeOfData kind) {
    return MapKind(kind).Rows;
}
constexpr int MapColumns(TMapTypeOfData kind) {
    return MapKind(kind).Columns;
}

// The same gas map in the given bank (1 or 2) for a kind that is one bank of a gas map; nothing
// for every other kind, which has no banks.
constexpr std::optional<TMapTypeOfData> KindOfBank(TMapTypeOfData kind, int bank) {
    const TMapKindInfo& info = MapKind(kind);
    if (info.BankNo == 0) return std::nullopt;
    for (const TMapKindInfo& row : MapKindTable::Rows)
        if (row.BankNo == bank && row.Block == info.Block && row.RowAxis == info.RowAxis &&
            row.ColumnAxis == info.ColumnAxis)
            return row.Kind;
    return std::nullopt;
}
// The other bank's kind of a gas-map bank kind.
constexpr std::optional<TMapTypeOfData> OtherBankKind(TMapTypeOfData kind) {
    const int bank = MapKind(kind).BankNo;
    return bank == 0 ? std::nullopt : KindOfBank(kind, 3 - bank);
}
static_assert(OtherBankKind(TMapTypeOfData::TempiGas_Slave_banco1) == TMapTypeOfData::TempiGas_Slave_banco2);
static_assert(OtherBankKind(TMapTypeOfData::TempiGas_Comp_banco2) == TMapTypeOfData::TempiGas_Comp_banco1);
static_assert(!OtherBankKind(TMapTypeOfData::Benzina));

// The limits of a cell value, both included.
struct TCellRange {
    double Lower = 0;
    double Upper = 0;
    bool Contains(double v) const { return Lower <= v && v <= Upper; }
};

// The lambda reference voltages a probe type allows.
TCellRange LambdaReferenceRange(int LambdaType);
// A new value of a cell of kind, rounded as that kind's cells are before their limits are checked.
double RoundCellValue(TMapTypeOfData kind, double value);

// ---- The cells of a kind ------------------------------------------------------------------------

// One kind's cells inside a record that names its arrays after the kinds: the model (TDataMap,
// whose arrays hold doubles and, on the speed axes, integers) or the raw image (RMappatura, all
// integers). Indices are 1-based; the row is ignored for a one-dimensional array. A view of an
// unknown kind has no cells.
template <bool Const> class TCellsViewOf {
    template <typename T> using Ptr = std::conditional_t<Const, const T*, T*>;

public:
    template <typename Array> static TCellsViewOf Of(Array& a) {
        TCellsViewOf v;
        using Item = std::remove_cvref_t<decltype(a[1])>;
        if constexpr (std::is_arithmetic_v<Item>) {
            v.FRows = 1;
            v.FColumns = std::remove_cvref_t<Array>::Count;
            v.Bind(0, a.Items.data());
        } else {
            v.FRows = std::remove_cvref_t<Array>::Count;
            v.FColumns = Item::Count;
            for (int r = 1; r <= v.FRows; ++r)
                v.Bind(r - 1, a[r].Items.data());
        }
        return v;
    }

    int Rows() const { return FRows; }
    int Columns() const { return FColumns; }
    bool HoldsIntegers() const { return FIntegers[0] != nullptr; }
    bool InRange(int Row, int Index) const {
        return Index >= 1 && Index <= FColumns && (FRows == 1 || (Row >= 1 && Row <= FRows));
    }
    // Within InRange only.
    double Value(int Row, int Index) const {
        const size_t r = FRows == 1 ? 0 : size_t(Row - 1), i = size_t(Index - 1);
        return FIntegers[r] ? double(FIntegers[r][i]) : FReals[r][i];
    }
    // Outside InRange nothing is written. Integer cells take the value truncated toward zero,
    // saturated to the Integer range (NaN gives 0).
    void SetValue(int Row, int Index, double v) const requires(!Const) {
        if (!InRange(Row, Index)) return;
        const size_t r = FRows == 1 ? 0 : size_t(Row - 1), i = size_t(Index - 1);
        if (FIntegers[r])
            FIntegers[r][i] = Truncated(v);
        else
            FReals[r][i] = v;
    }

private:
    void Bind(int row, Ptr<int32_t> p) { FIntegers[size_t(row)] = p; }
    void Bind(int row, Ptr<double> p) { FReals[size_t(row)] = p; }
    static int32_t Truncated(double x) {
        if (std::isnan(x)) return 0;
        if (x <= double(std::numeric_limits<int32_t>::min())) return std::numeric_limits<int32_t>::min();
        if (x >= double(std::numeric_limits<int32_t>::max())) return std::numeric_limits<int32_t>::max();
        return static_cast<int32_t>(std::trunc(x));
    }

    std::array<Ptr<int32_t>, MapRowCount> FIntegers{};
    std::array<Ptr<double>, MapRowCount> FReals{};
    int FRows = 0;
    int FColumns = 0;
};
using TCellsView = TCellsViewOf<false>;
using TConstCellsView = TCellsViewOf<true>;

// The arrays of such a record, in the order of TMapTypeOfData.
template <typename Record> constexpr auto KindArrays() {
    return std::make_tuple(&Record::Giri_Slave, &Record::TempiBenzina_Slave, &Record::TempiGas_Slave_banco1,
                           &Record::TempiGas_Slave_banco2, &Record::Giri_Benzina, &Record::MAP_Benzina,
                           &Record::Benzina, &Record::Giri_Comp, &Record::MAP_Comp,
                           &Record::TempiGas_Comp_banco1, &Record::TempiGas_Comp_banco2,
                           &Record::TemperaturaRiduttore, &Record::CorrTemperaturaRiduttore,
                           &Record::TemperaturaGas, &Record::CorrTemperaturaGas, &Record::PressioneGas,
                           &Record::CorrPressioneGas, &Record::RiferimentoSondaLambda,
                           &Record::TemperaturaCicchetto, &Record::TempoCicchetto, &Record::LivelloGas);
}

// The cells of kind in record (a TDataMap or an RMappatura, const or not).
template <typename Record> auto CellsOf(Record& record, TMapTypeOfData kind) {
    using View = TCellsViewOf<std::is_const_v<Record>>;
    using Plain = std::remove_const_t<Record>;
    constexpr auto arrays = KindArrays<Plain>();
    static_assert(std::tuple_size_v<decltype(arrays)> == MapTypeCount);
    View view;
    const auto bindKind = [&]<size_t... K>(std::index_sequence<K...>) {
        const auto bind = [&]<size_t I>(std::integral_constant<size_t, I>) {
            auto& array = record.*std::get<I>(arrays);
            view = View::Of(array);
            // The record's arrays must have the shape the table gives their kind.
            using Array = std::remove_cvref_t<decltype(array)>;
            if constexpr (std::is_arithmetic_v<std::remove_cvref_t<decltype(array[1])>>)
                static_assert(MapKindTable::Rows[I].Rows == 1 &&
                              MapKindTable::Rows[I].Columns == Array::Count);
            else
                static_assert(MapKindTable::Rows[I].Rows == Array::Count &&
                              MapKindTable::Rows[I].Columns ==
                                  std::remove_cvref_t<decltype(array[1])>::Count);
        };
        ((Ordinal(kind) == int(K) ? (bind(std::integral_constant<size_t, K>()), 0) : 0), ...);
    };
    bindKind(std::make_index_sequence<MapTypeCount>());
    return view;
}
