#include "sim/EcuImage.h"

#include "config/Defaults.h"

#include <algorithm>

using namespace EcuLayout;

namespace {

// A factory-fresh ECU holds the same defaults as the tool's own.
const auto& SpeedAxis = DefaultSpeedAxis;
const auto& MapAxis = NormalMAPAxis;
const auto& SlavePetrolAxis = NormalPetrolTimeAxis;
const auto& SlaveMapCng = DefaultSlaveMapCNG;
const auto& SlaveMapLpg = DefaultSlaveMapLPG;
const auto& PressureAxis = DefaultPressureAxis; // rows by reducer code: 0 CNG, 1 LPG
const auto& PressureCorr = DefaultPressureCorrection;
const auto& WaterAxis = DefaultWaterTemperatureAxis;
const auto& WaterCorr = DefaultWaterTemperatureCorrection;
const auto& GasTempAxis = DefaultGasTemperatureAxis;
const auto& GasTempCorr = DefaultGasTemperatureCorrection;
const auto& LambdaReference = DefaultLambdaReference;

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
