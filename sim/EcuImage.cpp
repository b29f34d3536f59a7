#include "sim/EcuImage.h"

#include <algorithm>

using namespace EcuLayout;

namespace {

const double SpeedAxis[MapCols] = {500, 1000, 1500, 2000, 2500, 3000, 4000, 5000, 6000};
const double MapAxis[MapRows] = {100, 150, 200, 250, 300, 400, 500, 600, 700, 800, 900, 1050};
const double SlavePetrolAxis[MapRows] = {2, 2.5, 3, 4, 5, 6, 8, 10, 12, 14, 16, 18};

// Default slave gas maps, rows on the petrol-time axis, columns on the speed axis.
const double SlaveMapCng[MapRows][MapCols] = {{0.75, 0.75, 0.75, 0.75, 0.75, 0.76, 0.77, 0.78, 0.78},
                                              {0.86, 0.86, 0.86, 0.86, 0.86, 0.87, 0.89, 0.9, 0.91},
                                              {0.94, 0.94, 0.94, 0.94, 0.94, 0.95, 0.97, 0.98, 0.98},
                                              {1, 1, 1, 1, 1, 1.01, 1.03, 1.04, 1.05},
                                              {1.02, 1.02, 1.03, 1.03, 1.04, 1.04, 1.05, 1.05, 1.06},
                                              {1.01, 1.01, 1.01, 1.02, 1.02, 1.02, 1.04, 1.05, 1.05},
                                              {0.98, 0.98, 0.98, 0.98, 0.99, 0.99, 1.02, 1.02, 1.03},
                                              {0.91, 0.91, 0.91, 0.91, 0.91, 0.92, 0.94, 0.95, 0.95},
                                              {0.84, 0.84, 0.84, 0.84, 0.84, 0.84, 0.87, 0.88, 0.88},
                                              {0.81, 0.81, 0.81, 0.81, 0.82, 0.82, 0.84, 0.85, 0.86},
                                              {0.81, 0.81, 0.81, 0.81, 0.82, 0.82, 0.84, 0.85, 0.86},
                                              {0.8, 0.8, 0.8, 0.8, 0.8, 0.8, 0.83, 0.84, 0.84}};
const double SlaveMapLpg[MapRows][MapCols] = {{0.75, 0.75, 0.75, 0.75, 0.76, 0.76, 0.78, 0.8, 0.8},
                                              {0.86, 0.86, 0.86, 0.86, 0.87, 0.88, 0.91, 0.92, 0.92},
                                              {0.94, 0.94, 0.94, 0.94, 0.95, 0.95, 0.98, 1, 1},
                                              {1, 1, 1, 1, 1.01, 1.02, 1.05, 1.06, 1.06},
                                              {1.02, 1.02, 1.03, 1.03, 1.04, 1.05, 1.06, 1.08, 1.08},
                                              {1.01, 1.01, 1.01, 1.02, 1.02, 1.03, 1.05, 1.07, 1.07},
                                              {0.98, 0.98, 0.98, 0.98, 0.99, 1, 1.03, 1.05, 1.05},
                                              {0.9, 0.9, 0.9, 0.9, 0.91, 0.92, 0.95, 0.96, 0.96},
                                              {0.84, 0.84, 0.84, 0.84, 0.84, 0.85, 0.88, 0.9, 0.9},
                                              {0.83, 0.83, 0.83, 0.83, 0.84, 0.84, 0.88, 0.89, 0.89},
                                              {0.83, 0.83, 0.83, 0.83, 0.84, 0.84, 0.88, 0.89, 0.89},
                                              {0.81, 0.81, 0.81, 0.81, 0.82, 0.83, 0.86, 0.88, 0.88}};

// Pressure correction of the standard reducers: CNG (code 0) and LPG (code 1).
const double PressureAxis[2][15] = {
    {1150, 1200, 1250, 1300, 1400, 1450, 1500, 1550, 1600, 1700, 1750, 1800, 1900, 2000, 2100},
    {450, 500, 550, 580, 620, 650, 700, 750, 780, 800, 850, 900, 950, 1000, 1100}};
const double PressureCorr[2][15] = {{25, 23, 20, 18, 16, 13, 11, 9, 6, 4, 2, 0, -3, -7, -10},
                                    {38, 33, 28, 25, 21, 18, 15, 12, 9, 6, 3, 0, -3, -7, -13}};

const double WaterAxis[9] = {10, 20, 30, 40, 50, 60, 70, 80, 90};
const double WaterCorr[9] = {-27, -21, -15, -10, -7, -4, -2, 0, 2};
const double GasTempAxis[9] = {-10, 0, 10, 20, 30, 40, 50, 60, 70};
const double GasTempCorr[9] = {-28, -22, -16, -11, -8, -5, -2, 0, 3};
const double LambdaReference[12] = {0.55, 0.52, 0.5, 0.5, 0.5, 0.52, 0.52, 0.55, 0.57, 0.57, 0.6, 0.6};

uint8_t Sat(int v) {
    return static_cast<uint8_t>(std::clamp(v, 0, 255));
}
int CorrToRaw(double percent) {
    return RoundEven(1.28 * percent + 128);
}

// Linear interpolation on an axis read from raw bytes, held at both ends; tolerates an axis that
// is not increasing by taking the first segment that brackets x.
template <typename AxisFn> void Bracket(int n, AxisFn axis, double x, int& lo, double& t) {
    if (x <= axis(0)) {
        lo = 0;
        t = 0;
        return;
    }
    for (int i = 0; i + 1 < n; ++i) {
        const double a = axis(i), b = axis(i + 1);
        if (x >= a && x <= b) {
            lo = i;
            t = b > a ? (x - a) / (b - a) : 0;
            return;
        }
    }
    lo = n - 2;
    t = 1;
}

template <typename AxisFn> int Nearest(int n, AxisFn axis, double x) {
    int best = 0;
    for (int i = 1; i < n; ++i)
        if (std::abs(axis(i) - x) < std::abs(axis(best) - x)) best = i;
    return best;
}

} // namespace

TEcuImage::TEcuImage() {
    for (int block = 1; block <= BlockCount; ++block)
        for (int bank = 1; bank <= (HasBanks(block) ? 2 : 1); ++bank) {
            QByteArray& b = Blocks[Slot(block, bank)];
            b = QByteArray(BlockSize(block), '\0');
            b[0] = static_cast<char>(block);
            if (HasBanks(block)) b[1] = static_cast<char>(bank);
        }
}

int TEcuImage::Slot(int block, int bank) {
    if (block < 1 || block > BlockCount || bank < 1 || bank > 2) return -1;
    if (bank == 2) return block == 4 ? 10 : block == 8 ? 11 : -1;
    return block;
}

QByteArray TEcuImage::Block(int block, int bank) const {
    const int slot = Slot(block, HasBanks(block) ? bank : 1);
    return slot < 0 ? QByteArray() : Blocks[slot];
}

bool TEcuImage::Store(const QByteArray& payload) {
    if (payload.isEmpty()) return false;
    const int block = static_cast<uint8_t>(payload[0]);
    const int size = BlockSize(block);
    if (size == 0 || payload.size() < size) return false;
    const int bank = HasBanks(block) ? static_cast<uint8_t>(payload[1]) : 1;
    const int slot = Slot(block, bank);
    if (slot < 0) return false;
    Blocks[slot] = payload.left(size);
    return true;
}

uint8_t TEcuImage::Byte(int block, int pos, int bank) const {
    const int slot = Slot(block, HasBanks(block) ? bank : 1);
    if (slot < 0 || pos < 0 || pos >= Blocks[slot].size()) return 0;
    return static_cast<uint8_t>(Blocks[slot][pos]);
}

void TEcuImage::SetByte(int block, int pos, uint8_t value, int bank) {
    const int slot = Slot(block, HasBanks(block) ? bank : 1);
    if (slot < 0 || pos < 1 || pos >= Blocks[slot].size()) return;
    Blocks[slot][pos] = static_cast<char>(value);
}

int TEcuImage::Cylinders() const {
    return std::clamp<int>(Byte(1, B1::Cylinders), 1, 8);
}

double TEcuImage::SlaveFactor(int bank, double petrolMs, double rpm) const {
    auto rowAxis = [&](int i) { return SlavePetrolMsFromRaw(Byte(8, B48::Rows + i, bank)); };
    auto colAxis = [&](int i) { return double(RpmFromRaw(Byte(8, B48::Rpm + i, bank))); };
    auto cell = [&](int r, int c) { return SlaveFactorFromRaw(Byte(8, MapCell(B48::Cells, r, c), bank)); };
    int r, c;
    double tr, tc;
    Bracket(MapRows, rowAxis, petrolMs, r, tr);
    Bracket(MapCols, colAxis, rpm, c, tc);
    const double top = cell(r, c) + (cell(r, c + 1) - cell(r, c)) * tc;
    const double bottom = cell(r + 1, c) + (cell(r + 1, c + 1) - cell(r + 1, c)) * tc;
    return top + (bottom - top) * tr;
}

double TEcuImage::CompensatedGasMs(int bank, double mapMbar, double rpm) const {
    auto rowAxis = [&](int i) { return double(MbarFromRaw(Byte(4, B48::Rows + i, bank))); };
    auto colAxis = [&](int i) { return double(RpmFromRaw(Byte(4, B48::Rpm + i, bank))); };
    auto cell = [&](int r, int c) { return TenthsFromRaw(Byte(4, MapCell(B48::Cells, r, c), bank)); };
    int r, c;
    double tr, tc;
    Bracket(MapRows, rowAxis, mapMbar, r, tr);
    Bracket(MapCols, colAxis, rpm, c, tc);
    const double top = cell(r, c) + (cell(r, c + 1) - cell(r, c)) * tc;
    const double bottom = cell(r + 1, c) + (cell(r + 1, c + 1) - cell(r + 1, c)) * tc;
    return top + (bottom - top) * tr;
}

int TEcuImage::NearestSlaveRow(double petrolMs) const {
    return Nearest(
        MapRows, [&](int i) { return SlavePetrolMsFromRaw(Byte(8, B48::Rows + i)); }, petrolMs);
}

bool TEcuImage::NearestCell(int block, double y, double rpm, int& row, int& col) const {
    int rowsAt, rpmAt;
    if (block == 3) {
        rowsAt = B3::Map;
        rpmAt = B3::Rpm;
    } else if (block == 4 || block == 8) {
        rowsAt = B48::Rows;
        rpmAt = B48::Rpm;
    } else {
        return false;
    }
    row = Nearest(
        MapRows,
        [&](int i) {
            const uint8_t v = Byte(block, rowsAt + i);
            return block == 8 ? SlavePetrolMsFromRaw(v) : double(MbarFromRaw(v));
        },
        y);
    col = Nearest(
        MapCols, [&](int i) { return double(RpmFromRaw(Byte(block, rpmAt + i))); }, rpm);
    return true;
}

TEcuImage TEcuImage::DefaultSlave(int fuel) {
    const bool lpg = fuel != 0;
    TEcuImage image;
    auto put = [&](int block, int pos, int value, int bank = 1) {
        image.SetByte(block, pos, Sat(value), bank);
    };
    auto text = [&](int pos, const char* s, int size) {
        for (int i = 0; i < size; ++i)
            put(1, pos + i, *s ? *s++ : ' ');
    };

    text(B1::Make, "Fiat", 20);
    text(B1::Model, "Punto 1.2 8V", 20);
    text(B1::ConfigDate, "150324", 6);
    put(1, B1::Fuel, lpg ? 1 : 0);
    put(1, B1::Cylinders, 4);
    put(1, B1::IgnitionType, 1); // mono-coil
    put(1, B1::EngineAux, 0);
    put(1, B1::PulsesPerRev, 2);
    put(1, B1::InjectorType, 35); // Corvane Fast
    put(1, B1::LambdaType, 1);    // 0 - 1 Volt
    put(1, B1::LambdaProbes, 1);
    put(1, B1::LevelSensorType, lpg ? 0 : 1); // AEB 1090 for LPG, AEB 806 for CNG
    put(1, B1::TPSType, 0);
    put(1, B1::MAPSensor, 1);
    put(1, B1::PressureSensorType, 2); // absolute
    put(1, B1::ReducerType, lpg ? 1 : 0);

    put(2, B2::SwitchCondition, 0); // on acceleration
    put(2, B2::SwitchRPM, 2000 / 16);
    put(2, B2::SwitchTemp, 30);
    put(2, B2::SwitchDelay, 40 / 3);
    put(2, B2::BackToPetrolOnLowGas, 1);
    put(2, B2::BackupDelay, 1);
    put(2, B2::MaxCurrentTime, 3);
    put(2, B2::SteadyCurrent, 100);  // 1.0 A
    put(2, B2::MinOpenTime, 28);     // 2.8 ms
    put(2, B2::InjectorOffset, 8);   // 0.8 ms
    put(2, B2::SwitchTempSensor, 2); // water

    for (int c = 0; c < MapCols; ++c) {
        put(3, B3::Rpm + c, RpmToRaw(int(SpeedAxis[c])));
        for (int bank = 1; bank <= 2; ++bank) {
            put(4, B48::Rpm + c, RpmToRaw(int(SpeedAxis[c])), bank);
            put(8, B48::Rpm + c, RpmToRaw(int(SpeedAxis[c])), bank);
        }
    }
    for (int r = 0; r < MapRows; ++r) {
        put(3, B3::Map + r, RoundEven(MapAxis[r] / 10));
        for (int bank = 1; bank <= 2; ++bank) {
            put(4, B48::Rows + r, RoundEven(MapAxis[r] / 10), bank);
            put(8, B48::Rows + r, SlavePetrolMsToRaw(SlavePetrolAxis[r]), bank);
            for (int c = 0; c < MapCols; ++c)
                put(8, MapCell(B48::Cells, r, c),
                    SlaveFactorToRaw(lpg ? SlaveMapLpg[r][c] : SlaveMapCng[r][c]), bank);
        }
    }

    for (int i = 0; i < 12; ++i)
        put(5, B5::Reference + i, RoundEven(255 * LambdaReference[i]));
    put(5, B5::LeanThreshold, RoundEven(255 * 0.3));
    put(5, B5::RichThreshold, RoundEven(255 * 0.6));
    put(5, B5::EmulatedRich, 8);
    put(5, B5::EmulatedLean, 1);
    put(5, B5::ProportionalRich, 10);
    put(5, B5::ProportionalLean, 10);
    put(5, B5::SamplingPeriodMin, 23);
    put(5, B5::SamplingPeriodMax, 23);
    put(5, B5::LambdaAuxA, 255);

    const int reducer = lpg ? 1 : 0;
    for (int i = 0; i < 9; ++i) {
        put(6, B6::WaterAxis + i, RoundEven(WaterAxis[i] + 20));
        put(6, B6::WaterCorr + i, CorrToRaw(WaterCorr[i]));
        put(6, B6::GasTempAxis + i, RoundEven(GasTempAxis[i] + 20));
        put(6, B6::GasTempCorr + i, CorrToRaw(GasTempCorr[i]));
    }
    for (int i = 0; i < 15; ++i) {
        put(6, B6::PressureAxis + i, RoundEven(PressureAxis[reducer][i] / 16));
        put(6, B6::PressureCorr + i, CorrToRaw(PressureCorr[reducer][i]));
    }

    put(7, B7::AccelLevel, 128);
    put(7, B7::SoftStartT1, 1000 / 20);
    put(7, B7::SoftStartT2, 500 / 20);
    put(7, B7::DeltaMap, 100);
    put(7, B7::MapThreshold, 50);
    put(7, B7::TPSCutOffRPM, RoundEven(1500 / 32.0));
    put(7, B7::TPSHysteresis, RoundEven(255 * 0.5 / 5));
    put(7, B7::TPSFallTime, 100);
    put(7, B7::SlaveMaxDelay, 3);
    put(7, B7::SlaveMinDelay, 25);
    for (int i = 0; i < 6; ++i)
        put(7, B7::PrimeTempAxis + i, 10 * i + 20);

    put(9, B9::AdaptMinRPM, RpmToRaw(1500));
    put(9, B9::AdaptMaxRPM, RpmToRaw(6000));
    put(9, B9::AdaptSlaveMinY, SlavePetrolMsToRaw(2));
    put(9, B9::AdaptSlaveMaxY, SlavePetrolMsToRaw(14));
    put(9, B9::AdaptCompMinY, 10);
    put(9, B9::AdaptCompMaxY, 105);
    put(9, B9::AdaptDwell, 100);
    put(9, B9::AdaptSlaveCorrection, 20);
    put(9, B9::AdaptCompCorrection, 10);
    for (int i = 0; i < 4; ++i)
        put(9, B9::LevelThresholds + i, RoundEven((i + 1) * 255 * 0.909 / 5));
    return image;
}
