#include "config/Conversion.h"
#include "ModelFixture.h"

#include <QDate>
#include <cmath>
#include <functional>
#include <limits>
#include <random>

namespace {

TEST(Rounding, RoundGoesToTheEvenIntegerOnATie) {
    const struct {
        double x;
        int32_t expected;
    } cases[] = {
        {0.5, 0},
        {1.5, 2},
        {2.5, 2},
        {-0.5, 0},
        {-1.5, -2},
        {62.5, 62},
        {19.53, 20},
        {157.44, 157},
        {-2.6, -3},
        {1e20, std::numeric_limits<int32_t>::max()},
        {-1e20, std::numeric_limits<int32_t>::min()},
        {std::nan(""), 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(RoundToEven(c.x), c.expected) << c.x;
}

TEST(Rounding, RoundToMultipleTakesHalfUpAndNegativesTowardZero) {
    const struct {
        int32_t a, b, expected;
    } cases[] = {
        {1549, 100, 1500}, {1550, 100, 1600}, {2000, 100, 2000}, {2010, 100, 2000}, {576, 50, 600},
        {575, 50, 600},    {574, 50, 550},    {-70, 100, 0},     {-150, 100, -100}, {0, 100, 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(RoundToMultiple(c.a, c.b), c.expected) << c.a << " to " << c.b;
}

// One engineering value written into the raw image and read back.
struct RoundTripCase {
    const char* name;
    std::function<void(TDataMap&)> set;
    std::function<int32_t(const RMappatura&)> raw;
    int32_t expectedRaw;
    std::function<double(const TDataMap&)> get;
    double expectedBack;
};

class Conversion : public ModelTest {
protected:
    // Writes the model into a fresh record, then reads the record into a second model.
    void RoundTrip(const RoundTripCase& c) {
        SCOPED_TRACE(c.name);
        c.set(*model);
        RMappatura rec;
        model->ModelToRaw(rec);
        EXPECT_EQ(c.raw(rec), c.expectedRaw);
        TDataMap back;
        back.RawToSettings(rec);
        back.RawToMaps(rec);
        EXPECT_DOUBLE_EQ(c.get(back), c.expectedBack);
    }
};

TEST_F(Conversion, WorkedExamplesRoundTripAsDocumented) {
    const RoundTripCase cases[] = {
        {"petrol time 2.5 ms", [](TDataMap& m) { m.TempiBenzina_Slave[2] = 2.5; },
         [](const RMappatura& r) { return r.TempiBenzina_Slave[2]; }, 20,
         [](const TDataMap& m) { return m.TempiBenzina_Slave[2]; }, 2.6},
        {"petrol time 8 ms", [](TDataMap& m) { m.TempiBenzina_Slave[7] = 8; },
         [](const RMappatura& r) { return r.TempiBenzina_Slave[7]; }, 62,
         [](const TDataMap& m) { return m.TempiBenzina_Slave[7]; }, 7.9},
        {"gas pressure 580 mbar", [](TDataMap& m) { m.PressioneGas[4] = 580; },
         [](const RMappatura& r) { return r.PressioneGas[4]; }, 36,
         [](const TDataMap& m) { return m.PressioneGas[4]; }, 600},
        {"gas pressure 620 mbar", [](TDataMap& m) { m.PressioneGas[5] = 620; },
         [](const RMappatura& r) { return r.PressioneGas[5]; }, 39,
         [](const TDataMap& m) { return m.PressioneGas[5]; }, 600},
        {"switch speed 2010 rpm", [](TDataMap& m) { m.SwitchRPM = 2010; },
         [](const RMappatura& r) { return r.SwitchRPM; }, 125, [](const TDataMap& m) { return m.SwitchRPM; },
         2000},
        {"acceleration level 100 %", [](TDataMap& m) { m.AccelLevel = 100; },
         [](const RMappatura& r) { return r.AccelLevel; }, 128,
         [](const TDataMap& m) { return m.AccelLevel; }, 100},
        {"acceleration level 150 %", [](TDataMap& m) { m.AccelLevel = 150; },
         [](const RMappatura& r) { return r.AccelLevel; }, 192,
         [](const TDataMap& m) { return m.AccelLevel; }, 150},
        {"water correction 23 %", [](TDataMap& m) { m.CorrTemperaturaRiduttore[1] = 23; },
         [](const RMappatura& r) { return r.CorrTemperaturaRiduttore[1]; }, 157,
         [](const TDataMap& m) { return m.CorrTemperaturaRiduttore[1]; }, 22.65625},
        {"gas level 1 V", [](TDataMap& m) { m.LivelloGas[1] = 1; },
         [](const RMappatura& r) { return r.LivelloGas[1]; }, 46,
         [](const TDataMap& m) { return m.LivelloGas[1]; }, 5 * 46 / 231.795},
        {"lambda reference 0.5 V on 0.8 - 1.6 V",
         [](TDataMap& m) {
             m.LambdaType = 4;
             m.RiferimentoSondaLambda[3] = 0.5;
         },
         [](const RMappatura& r) { return r.RiferimentoSondaLambda[3]; }, 0,
         [](const TDataMap& m) { return m.RiferimentoSondaLambda[3]; }, 0.8},
        {"lambda threshold 1 V on 0.8 - 1.6 V",
         [](TDataMap& m) {
             m.LambdaType = 4;
             m.RichThreshold = 1.0;
         },
         [](const RMappatura& r) { return r.RichThreshold; }, 64,
         [](const TDataMap& m) { return m.RichThreshold; }, 0.8 * 64 / 255 + 0.8},
        {"lambda threshold 1 V on 5 - 0 V",
         [](TDataMap& m) {
             m.LambdaType = 3;
             m.LeanThreshold = 1;
         },
         [](const RMappatura& r) { return r.LeanThreshold; }, 204,
         [](const TDataMap& m) { return m.LeanThreshold; }, 1},
        {"lambda controller on", [](TDataMap& m) { m.LambdaControllerOn = true; },
         [](const RMappatura& r) { return r.LambdaControllerOn; }, 255,
         [](const TDataMap& m) { return m.LambdaControllerOn ? 1.0 : 0.0; }, 1},
        {"lambda emulation on", [](TDataMap& m) { m.LambdaEmulationOn = true; },
         [](const RMappatura& r) { return r.LambdaEmulationOn; }, 1,
         [](const TDataMap& m) { return m.LambdaEmulationOn ? 1.0 : 0.0; }, 1},
        {"injector offset 30 ms", [](TDataMap& m) { m.InjectorOffset = 30; },
         [](const RMappatura& r) { return r.InjectorOffset; }, 255,
         [](const TDataMap& m) { return m.InjectorOffset; }, 25.5},
        {"falling throttle threshold 1.5 V",
         [](TDataMap& m) {
             m.TPSType = 2;
             m.TPSThreshold = 1.5;
         },
         [](const RMappatura& r) { return r.TPSThreshold; }, 178,
         [](const TDataMap& m) { return m.TPSThreshold; }, 5.0 * 77 / 255},
        {"ignition crank / cam", [](TDataMap& m) { m.IgnitionType = 2; },
         [](const RMappatura& r) { return r.IgnitionType; }, 4,
         [](const TDataMap& m) { return m.IgnitionType; }, 2},
        {"injectors Corvane Standard", [](TDataMap& m) { m.InjectorType = 1; },
         [](const RMappatura& r) { return r.InjectorType; }, 80,
         [](const TDataMap& m) { return m.InjectorType; }, 1},
        {"level sensor AEB 820", [](TDataMap& m) { m.LevelSensorType = 1; },
         [](const RMappatura& r) { return r.LevelSensorType; }, 5,
         [](const TDataMap& m) { return m.LevelSensorType; }, 1},
        {"level sensor Landi", [](TDataMap& m) { m.LevelSensorType = 6; },
         [](const RMappatura& r) { return r.LevelSensorType; }, 4,
         [](const TDataMap& m) { return m.LevelSensorType; }, 6},
        {"pressure sensor absolute", [](TDataMap& m) { m.PressureSensorType = 1; },
         [](const RMappatura& r) { return r.PressureSensorType; }, 2,
         [](const TDataMap& m) { return m.PressureSensorType; }, 1},
        {"full-group hold-off 50 %", [](TDataMap& m) { m.FullGroupHoldOff = 50; },
         [](const RMappatura& r) { return r.FullGroupHoldOff; }, 128,
         [](const TDataMap& m) { return m.FullGroupHoldOff; }, 50},
        {"switch delay 40", [](TDataMap& m) { m.SwitchDelay = 40; },
         [](const RMappatura& r) { return r.SwitchDelay; }, 13,
         [](const TDataMap& m) { return m.SwitchDelay; }, 39},
        {"prime temperature -20 deg C", [](TDataMap& m) { m.TemperaturaCicchetto[1] = -20; },
         [](const RMappatura& r) { return r.TemperaturaCicchetto[1]; }, 0,
         [](const TDataMap& m) { return m.TemperaturaCicchetto[1]; }, -20},
        {"slave map factor 1.1", [](TDataMap& m) { m.TempiGas_Slave_banco2[12][9] = 1.1; },
         [](const RMappatura& r) { return r.TempiGas_Slave_banco2[12][9]; }, 141,
         [](const TDataMap& m) { return m.TempiGas_Slave_banco2[12][9]; }, 141 / 128.0},
        {"speed axis 6000 rpm", [](TDataMap& m) { m.Giri_Comp[9] = 6000; },
         [](const RMappatura& r) { return r.Giri_Comp[9]; }, 188,
         [](const TDataMap& m) { return m.Giri_Comp[9]; }, 6000},
    };
    for (const auto& c : cases)
        RoundTrip(c);
}

// Raw to engineering and back, one row per conversion: a raw byte read into the model, the
// engineering value it gives, and the byte the model writes back into a fresh record.
TEST_F(Conversion, EachConversionReadsAndWritesItsElement) {
    struct Case {
        const char* name;
        int32_t lambdaType, tpsType;
        std::function<int32_t&(RMappatura&)> raw;
        int32_t value;
        std::function<double(const TDataMap&)> eng;
        double expected;
        int32_t back;
    };
#define RAW(e) [](RMappatura& r) -> int32_t& { return r.e; }
#define ENG(e) [](const TDataMap& m) { return double(m.e); }
    const Case cases[] = {
        {"steady current", 1, 1, RAW(SteadyCurrent), 150, ENG(SteadyCurrent), 1.5, 150},
        {"minimum open time", 1, 1, RAW(MinOpenTime), 28, ENG(MinOpenTime), 2.8, 28},
        {"emulated rich", 1, 1, RAW(EmulatedRich), 8, ENG(EmulatedRich), 0.8, 8},
        {"emulated lean", 1, 1, RAW(EmulatedLean), 1, ENG(EmulatedLean), 0.1, 1},
        {"proportional rich", 1, 1, RAW(ProportionalRich), 15, ENG(ProportionalRich), 1.5, 15},
        {"proportional lean", 1, 1, RAW(ProportionalLean), 7, ENG(ProportionalLean), 0.7, 7},
        {"lambda type 0 threshold", 0, 1, RAW(RichThreshold), 153, ENG(RichThreshold), 0.6, 153},
        {"lambda type 2 threshold", 2, 1, RAW(LeanThreshold), 51, ENG(LeanThreshold), 1.0, 51},
        {"lambda type 5 reference", 5, 1, RAW(RiferimentoSondaLambda[4]), 204, ENG(RiferimentoSondaLambda[4]), 1.0,
         204},
        {"lambda aux A", 1, 1, RAW(LambdaAuxA), 255, ENG(LambdaAuxA), 4.0, 255},
        {"back to petrol from raw 2", 1, 1, RAW(BackToPetrolOnLowGas), 2, ENG(BackToPetrolOnLowGas), 0, 0},
        {"compensated MAP axis", 1, 1, RAW(MAP_Comp[3]), 50, ENG(MAP_Comp[3]), 500, 50},
        {"petrol MAP axis", 1, 1, RAW(MAP_Benzina[12]), 101, ENG(MAP_Benzina[12]), 1010, 101},
        {"compensated gas map bank 1", 1, 1, RAW(TempiGas_Comp_banco1[3][4]), 45, ENG(TempiGas_Comp_banco1[3][4]),
         4.5, 45},
        {"compensated gas map bank 2", 1, 1, RAW(TempiGas_Comp_banco2[12][9]), 255,
         ENG(TempiGas_Comp_banco2[12][9]), 25.5, 255},
        {"petrol map", 1, 1, RAW(Benzina[1][2]), 33, ENG(Benzina[1][2]), 3.3, 33},
        {"prime time", 1, 1, RAW(TempoCicchetto[6]), 25, ENG(TempoCicchetto[6]), 2.5, 25},
        {"soft start 1", 1, 1, RAW(SoftStartT1), 50, ENG(SoftStartT1), 1000, 50},
        {"soft start 2", 1, 1, RAW(SoftStartT2), 25, ENG(SoftStartT2), 500, 25},
        {"MAP rise", 1, 1, RAW(DeltaMap), 100, ENG(DeltaMap), 1000, 100},
        {"MAP threshold", 1, 1, RAW(MapThreshold), 50, ENG(MapThreshold), 500, 50},
        {"rising throttle threshold", 1, 1, RAW(TPSThreshold), 51, ENG(TPSThreshold), 1.0, 51},
        {"throttle hysteresis", 1, 1, RAW(TPSHysteresis), 51, ENG(TPSHysteresis), 1.0, 51},
        {"throttle fall time", 1, 1, RAW(TPSFallTime), 150, ENG(TPSFallTime), 1.5, 150},
        {"cut-off speed", 1, 1, RAW(TPSCutOffRPM), 47, ENG(TPSCutOffRPM), 1500, 47},
        {"slave minimum delay", 1, 1, RAW(SlaveMinDelay), 25, ENG(SlaveMinDelay), 0.5, 25},
        {"slave maximum delay", 1, 1, RAW(SlaveMaxDelay), 3, ENG(SlaveMaxDelay), 3, 3},
        {"extra injection filter", 1, 1, RAW(ExtraInjectionFilter), 5, ENG(ExtraInjectionFilter), 0.5, 5},
        {"adaptivity minimum speed", 1, 1, RAW(AdaptMinRPM), 47, ENG(AdaptMinRPM), 1500, 47},
        {"adaptivity maximum speed", 1, 1, RAW(AdaptMaxRPM), 125, ENG(AdaptMaxRPM), 4000, 125},
        {"adaptivity slave minimum", 1, 1, RAW(AdaptSlaveMinY), 16, ENG(AdaptSlaveMinY), 2.0, 16},
        {"adaptivity slave maximum", 1, 1, RAW(AdaptSlaveMaxY), 94, ENG(AdaptSlaveMaxY), 12.0, 94},
        {"adaptivity compensated minimum", 1, 1, RAW(AdaptCompMinY), 30, ENG(AdaptCompMinY), 300, 30},
        {"adaptivity compensated maximum", 1, 1, RAW(AdaptCompMaxY), 90, ENG(AdaptCompMaxY), 900, 90},
        {"adaptivity dwell", 1, 1, RAW(AdaptDwell), 100, ENG(AdaptDwell), 10, 100},
        {"adaptivity slave correction", 1, 1, RAW(AdaptSlaveCorrection), 20, ENG(AdaptSlaveCorrection), 2.0, 20},
        {"adaptivity compensated correction", 1, 1, RAW(AdaptCompCorrection), 10, ENG(AdaptCompCorrection), 1.0,
         10},
    };
#undef RAW
#undef ENG
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RMappatura rec;
        model->ModelToRaw(rec);
        rec.LambdaType = c.lambdaType;
        rec.TPSType = c.tpsType;
        c.raw(rec) = c.value;
        model->RawToSettings(rec);
        model->RawToMaps(rec);
        EXPECT_NEAR(c.eng(*model), c.expected, 1e-9);
        RMappatura fresh;
        model->ModelToRaw(fresh);
        EXPECT_EQ(c.raw(fresh), c.back);
    }
}

TEST_F(Conversion, WholePetrolTimesSurviveTheRoundTrip) {
    const double times[] = {2, 4, 5, 6, 10, 12, 14, 16, 18, 20};
    for (int i = 0; i < 10; ++i)
        model->TempiBenzina_Slave[i + 1] = times[i];
    RMappatura rec;
    model->ModelToRaw(rec);
    TDataMap back;
    back.RawToMaps(rec);
    for (int i = 0; i < 10; ++i)
        EXPECT_DOUBLE_EQ(back.TempiBenzina_Slave[i + 1], times[i]);
}

TEST_F(Conversion, UnknownCodesLeaveTheOtherSideAsItWas) {
    RMappatura rec;
    model->ModelToRaw(rec);
    rec.Fuel = 3;
    rec.IgnitionType = 3;
    rec.InjectorType = 36;
    rec.LevelSensorType = 9;
    model->Fuel = FuelCNG;
    model->IgnitionType = 1;
    model->InjectorType = 2;
    model->LevelSensorType = 5;
    model->RawToSettings(rec);
    EXPECT_EQ(model->Fuel, FuelCNG);
    EXPECT_EQ(model->IgnitionType, 1);
    EXPECT_EQ(model->InjectorType, 2);
    EXPECT_EQ(model->LevelSensorType, 5);

    model->IgnitionType = 7;
    model->InjectorType = -1;
    model->LevelSensorType = 7;
    model->LambdaType = 9; // no volt conversion: the lambda elements stay
    rec.RiferimentoSondaLambda[1] = 17;
    rec.LeanThreshold = 18;
    model->ModelToRaw(rec);
    EXPECT_EQ(rec.IgnitionType, 3);
    EXPECT_EQ(rec.InjectorType, 36);
    EXPECT_EQ(rec.LevelSensorType, 9);
    EXPECT_EQ(rec.RiferimentoSondaLambda[1], 17);
    EXPECT_EQ(rec.LeanThreshold, 18);
}

TEST_F(Conversion, WithoutAThrottleSensorTheCutOffIsReadAsOff) {
    RMappatura rec;
    model->ModelToRaw(rec);
    rec.TPSCutOffOn = 1;
    rec.TPSThreshold = 200;
    model->TPSThreshold = 1.25;
    for (int32_t type : {0, 1, 2}) {
        rec.TPSType = type;
        model->RawToSettings(rec);
        EXPECT_EQ(model->TPSCutOffOn, type != 0) << type;
    }
    rec.TPSType = 0;
    model->TPSThreshold = 1.25;
    model->RawToSettings(rec);
    EXPECT_DOUBLE_EQ(model->TPSThreshold, 1.25);
    // and written back, the element keeps its byte
    model->ModelToRaw(rec);
    EXPECT_EQ(rec.TPSThreshold, 200);
}

TEST_F(Conversion, TextsAreTrimmedOnReadAndPaddedOnWrite) {
    model->Make = "Fiat";
    model->Model = QString(25, QLatin1Char('x'));
    model->ConfigDate = "0503071"; // longer than the field: cut
    RMappatura rec;
    model->ModelToRaw(rec);
    EXPECT_EQ(rec.Make, QByteArray("Fiat") + QByteArray(16, ' '));
    EXPECT_EQ(rec.Model, QByteArray(20, 'x'));
    EXPECT_EQ(rec.ConfigDate, "050307");

    const QString today = QDate::currentDate().toString("ddMMyy");
    const struct {
        QByteArray rawMake, rawDate;
        QString make, date;
    } cases[] = {
        {QByteArray("Fiat") + QByteArray(16, ' '), "050307", "Fiat", "050307"},
        {QByteArray("Alfa Romeo\t\0\x01 ", 14), "12a456", "Alfa Romeo", today},
        {QByteArray(" Lancia\x0b y"), "", " Lancia\x0b y", ""},
        {QByteArray("\xc9toile"), "31129 ", QString::fromLatin1("\xc9toile"), today},
    };
    for (const auto& c : cases) {
        rec.Make = c.rawMake;
        rec.ConfigDate = c.rawDate;
        model->RawToSettings(rec);
        EXPECT_EQ(model->Make, c.make);
        EXPECT_EQ(model->ConfigDate, c.date);
    }
}

TEST_F(Conversion, WritingOneProbeBringsTheBankBackToOne) {
    model->Bank = 2;
    model->LambdaProbes = 2;
    RMappatura rec;
    model->ModelToRaw(rec);
    EXPECT_EQ(model->Bank, 2);
    model->LambdaProbes = 1;
    model->ModelToRaw(rec);
    EXPECT_EQ(model->Bank, 1);
}

TEST_F(Conversion, RawToSettingsLeavesMapsBankAndFileNameAlone) {
    RMappatura rec;
    model->ModelToRaw(rec);
    ForEachElement(rec, [](int32_t& e) { e = 7; });
    model->Bank = 2;
    model->FileName = "mine.cfg";
    const auto slave = model->TempiGas_Slave_banco1;
    const auto speeds = model->Giri_Slave;
    const auto rows = model->MAP_Comp;
    model->RawToSettings(rec);
    EXPECT_EQ(model->Bank, 2);
    EXPECT_EQ(model->FileName, "mine.cfg");
    EXPECT_TRUE(model->TempiGas_Slave_banco1 == slave);
    EXPECT_TRUE(model->Giri_Slave == speeds);
    EXPECT_TRUE(model->MAP_Comp == rows);
    EXPECT_EQ(model->PressioneGas[1], 100); // 16 x 7 = 112, a one-dimensional array: read
}

TEST_F(Conversion, RawToMapFillsTheBlocksBankAndAxesOnly) {
    RMappatura rec;
    ForEachElement(rec, [](int32_t& e) { e = 64; });
    rec.TempiGas_Slave_banco2[1][1] = 192;
    const auto bank1 = model->TempiGas_Slave_banco1;
    const auto comp = model->Giri_Comp;
    model->RawToMap(rec, 8, 2);
    EXPECT_DOUBLE_EQ(model->TempiGas_Slave_banco2[1][1], 1.5);
    EXPECT_DOUBLE_EQ(model->TempiGas_Slave_banco2[12][9], 0.5);
    EXPECT_EQ(model->Giri_Slave[1], 2000);               // 32 x 64 = 2048
    EXPECT_DOUBLE_EQ(model->TempiBenzina_Slave[1], 8.2); // 128 x 64 = 8192
    EXPECT_TRUE(model->TempiGas_Slave_banco1 == bank1);
    EXPECT_TRUE(model->Giri_Comp == comp);
    model->RawToMap(rec, 5, 1); // not a map block
    EXPECT_TRUE(model->Giri_Comp == comp);
}

// ---- Properties over random images ----

int32_t Pick(std::mt19937& rng, std::initializer_list<int32_t> values) {
    return *(values.begin() + rng() % values.size());
}
int32_t Byte(std::mt19937& rng) {
    return int32_t(rng() % 256);
}
// A byte whose engineering value is shown without rounding: a multiple of step.
int32_t MultipleOf(std::mt19937& rng, int32_t step) {
    return step * int32_t(rng() % (255 / step + 1));
}

QByteArray PaddedText(std::mt19937& rng, int width) {
    QByteArray s;
    const int n = int(rng() % (width + 1));
    for (int i = 0; i < n; ++i) {
        char c = char(33 + rng() % 223);
        if (uint8_t(c) >= 127 && uint8_t(c) < 160) c = 'x';
        s.append(c);
    }
    return s.leftJustified(width, ' ');
}

// A raw image as the ECU could send it, holding only values that the engineering units show
// exactly: known codes, two-state flags as 0 and 1 (255 for the controller), speeds and
// pressures on their rounding grid.
RMappatura ExactImage(std::mt19937& rng) {
    RMappatura r;
    ForEachElement(r, [&rng](int32_t& e) { e = Byte(rng); });
    r.Make = PaddedText(rng, MakeLength);
    r.Model = PaddedText(rng, ModelLength);
    r.ConfigDate = QByteArray::number(100000 + rng() % 900000);
    r.Fuel = Pick(rng, {0, 1});
    r.IgnitionType = Pick(rng, {1, 2, 4});
    r.InjectorType = Pick(rng, {35, 80, 70});
    r.LevelSensorType = int32_t(rng() % 7);
    r.LambdaType = int32_t(rng() % 6);
    r.TPSType = Pick(rng, {1, 2});
    for (int32_t* flag : {&r.BackToPetrolOnLowGas, &r.LambdaEmulationOn, &r.AccelControlOn, &r.TPSCutOffOn,
                          &r.PetrolAcquire, &r.PetrolAdapt, &r.AdaptAux, &r.GasAdapt})
        *flag = Pick(rng, {0, 1});
    r.LambdaControllerOn = Pick(rng, {0, 255});
    for (int32_t* speed : {&r.SwitchRPM, &r.TPSCutOffRPM, &r.AdaptMinRPM, &r.AdaptMaxRPM})
        *speed = MultipleOf(rng, 25);
    for (auto* axis : {&r.Giri_Slave, &r.Giri_Comp, &r.Giri_Benzina})
        for (auto& e : *axis)
            e = MultipleOf(rng, 25);
    for (auto& e : r.PressioneGas)
        e = MultipleOf(rng, 25);
    r.AccelLevel = MultipleOf(rng, 32);
    r.FullGroupHoldOff = MultipleOf(rng, 51);
    return r;
}

TEST_F(Conversion, ModelToRawReproducesAnExactImageByteForByte) {
    std::mt19937 rng(7);
    for (int round = 0; round < 300; ++round) {
        const RMappatura image = ExactImage(rng);
        model->RawToSettings(image);
        model->RawToMaps(image);
        RMappatura back;
        model->ModelToRaw(back);
        ASSERT_TRUE(back == image) << "round " << round;
    }
}

TEST_F(Conversion, ASecondPassThroughTheModelChangesNothing) {
    // Any bytes at all: whatever the first pass rounds, the second must keep.
    std::mt19937 rng(11);
    for (int round = 0; round < 300; ++round) {
        RMappatura image;
        ForEachElement(image, [&rng](int32_t& e) { e = Byte(rng); });
        image.Make = QByteArray::fromStdString(std::string(MakeLength, char(Byte(rng))));
        image.Model = PaddedText(rng, ModelLength);
        image.ConfigDate = "0a0b0c";
        // The acceleration level's truncating read loses up to two more steps on later passes.
        image.AccelLevel = MultipleOf(rng, 32);
        RMappatura first = image;
        model->RawToSettings(image);
        model->RawToMaps(image);
        model->ModelToRaw(first);
        RMappatura second = first;
        model->RawToSettings(first);
        model->RawToMaps(first);
        model->ModelToRaw(second);
        ASSERT_TRUE(second == first) << "round " << round;
    }
}

} // namespace
