#include "sim/LiveData.h"

#include <algorithm>
#include <cmath>

namespace {

uint16_t Word(double v) {
    return static_cast<uint16_t>(std::clamp<long>(std::lround(v), 0, 65535));
}
uint16_t Us(double ms) {
    return Word(1000 * ms);
}
uint16_t QuarterDegrees(double c) {
    return Word(4 * (c + 20));
}
uint16_t Percent(double p) {
    return Word(32768 * (1 + p / 100));
}
uint16_t GasLevelWord(double percent) {
    return Word(std::clamp(percent, 0.0, 100.0) * 255 / 100);
}
uint16_t TpsWord(const TLiveValues& v, int tpsType) {
    const double raw = v.TpsV * 255 / 5;
    return Word(tpsType == 2 ? 255 - raw : raw);
}

class TWriter {
public:
    explicit TWriter(int size) { Data.reserve(size); }
    void U16(uint16_t w) {
        Data.append(static_cast<char>(w & 0xFF));
        Data.append(static_cast<char>(w >> 8));
    }
    void U8(uint8_t b) { Data.append(static_cast<char>(b)); }
    QByteArray Data;
};

} // namespace

QByteArray LiveDataPayload(const TLiveValues& v, const TEcuImage& image) {
    TWriter w(LiveDataSize);
    w.U16(Word(v.Rpm));
    w.U16(Word(100 * v.BatteryV));
    for (double ms : v.PetrolMs)
        w.U16(Us(ms));
    w.U16(Word(5.0 * 102.3)); // supply reference
    w.U16(QuarterDegrees(v.WaterC));
    w.U16(QuarterDegrees(v.GasC));
    w.U16(GasLevelWord(v.GasLevel));
    for (int c = 0; c < 8; ++c)
        w.U16(v.GasFlags & (1u << c) ? Word(v.CoilA) : 0);
    w.U16(Percent(v.PetrolTrim));
    w.U16(Percent(0));
    for (double ms : v.GasMs)
        w.U16(Us(ms));
    w.U16(v.LambdaRaw[0]);
    w.U16(v.LambdaRaw[1]);
    w.U16(Word(v.GasPressure));
    w.U16(128); // auxiliary lambda inputs, unused on this engine
    w.U16(128);
    w.U16(Percent(v.GasTrim[0]));
    w.U16(Percent(v.GasTrim[1]));
    w.U16(v.OnGas ? 0 : 1);
    w.U16(Word(v.MapMbar));
    w.U16(v.LambdaRefRaw);
    w.U16(0);
    w.U16(0);
    w.U16(0);
    w.U16(v.GasFlags ? 4200 : 0); // peak injector currents, mA
    w.U16(v.GasFlags & 0xF0 ? 4200 : 0);
    w.U16(Word(100 * v.EmulatedV[0]));
    w.U16(Word(100 * v.EmulatedV[1]));
    w.U16(TpsWord(v, image.TPSType()));
    w.U16(Word(v.LevelSensorV * 1023 / 5.5));
    w.U8(v.PetrolFlags);
    w.U8(v.GasFlags);
    return w.Data;
}

QByteArray StatusPayload(const TLiveValues& v, const TEcuImage& image) {
    TWriter w(StatusSize);
    w.U16(Us(v.PetrolMs[0]));
    w.U16(Us(v.PetrolMs[4]));
    w.U16(Us(v.GasMs[0]));
    w.U16(Us(v.GasMs[4]));
    w.U16(Word(v.Rpm));
    w.U16(v.LambdaRaw[0]);
    w.U16(v.LambdaRaw[1]);
    w.U16(Word(v.MapMbar));
    w.U16(QuarterDegrees(v.WaterC));
    w.U16(QuarterDegrees(v.GasC));
    w.U16(Word(v.GasPressure));
    w.U16(v.OnGas ? 0 : 1);
    w.U16(Percent(v.GasTrim[0]));
    w.U16(v.LambdaRefRaw);
    w.U16(Word(100 * v.EmulatedV[0]));
    w.U16(Word(100 * v.EmulatedV[1]));
    w.U16(TpsWord(v, image.TPSType()));
    w.U16(GasLevelWord(v.GasLevel));
    w.U8(v.Changeover);
    w.U16(static_cast<uint16_t>(v.State));
    w.U8(v.AccelActive ? 1 : 0);
    w.U16(Word(v.LevelSensorV * 1023 / 5.5));
    w.U16(Percent(v.GasTrim[1]));
    w.U16(0); // auxiliary word
    return w.Data;
}

QByteArray FastDataPayload(const TLiveValues& v) {
    TWriter w(FastDataSize);
    w.U16(Word(v.MapMbar));
    w.U16(Word(v.MapMbar + v.GasPressure)); // rail pressure, absolute
    w.U16(Word(v.Rpm));
    w.U16(QuarterDegrees(v.WaterC));
    w.U16(QuarterDegrees(v.GasC));
    w.U16(v.LambdaRaw[0]);
    return w.Data;
}
