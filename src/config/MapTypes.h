#pragma once

#include <QtGlobal>
#include <array>
#include <cstddef>
#include <cstdint>

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

// True for the six 12 x 9 maps, which take a row as well as an index.
constexpr bool IsMapKind(TMapTypeOfData kind) {
    switch (kind) {
    case TMapTypeOfData::TempiGas_Slave_banco1:
    case TMapTypeOfData::TempiGas_Slave_banco2:
    case TMapTypeOfData::Benzina:
    case TMapTypeOfData::TempiGas_Comp_banco1:
    case TMapTypeOfData::TempiGas_Comp_banco2:
        return true;
    default:
        return false;
    }
}

// Rows (12 for a map, 1 for a one-dimensional array) and indices per row; 0 for an unknown kind.
constexpr int MapRows(TMapTypeOfData kind) {
    return IsMapKind(kind) ? 12 : (Ordinal(kind) < MapTypeCount ? 1 : 0);
}
constexpr int MapColumns(TMapTypeOfData kind) {
    switch (kind) {
    case TMapTypeOfData::Giri_Slave:
    case TMapTypeOfData::Giri_Benzina:
    case TMapTypeOfData::Giri_Comp:
    case TMapTypeOfData::TemperaturaRiduttore:
    case TMapTypeOfData::CorrTemperaturaRiduttore:
    case TMapTypeOfData::TemperaturaGas:
    case TMapTypeOfData::CorrTemperaturaGas:
        return 9;
    case TMapTypeOfData::TempiBenzina_Slave:
    case TMapTypeOfData::MAP_Benzina:
    case TMapTypeOfData::MAP_Comp:
    case TMapTypeOfData::RiferimentoSondaLambda:
        return 12;
    case TMapTypeOfData::PressioneGas:
    case TMapTypeOfData::CorrPressioneGas:
        return 15;
    case TMapTypeOfData::TemperaturaCicchetto:
    case TMapTypeOfData::TempoCicchetto:
        return 6;
    case TMapTypeOfData::LivelloGas:
        return 4;
    default:
        return IsMapKind(kind) ? 9 : 0;
    }
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
