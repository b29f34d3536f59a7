#include "calibration/MapCheck.h"
#include "calibration/NozzleCheck.h"
#include "config/UnitDati.h"

#include <gtest/gtest.h>

namespace {

using K = TMapTypeOfData;

void FillMap(TDataMap& model, K kind, double value) {
    for (int i = 1; i <= MapRowCount; ++i)
        for (int j = 1; j <= MapColumnCount; ++j)
            model.SetMapValue(kind, i, value, j);
}

// ---- Nozzle check ----

TEST(NozzleCheckTest, IndexSpreadAndVerdictPerBank) {
    struct Case {
        double Cell;  // every cell of bank 1
        double Index; // expected
        double Spread;
        TNozzleVerdict Verdict;
    } cases[] = {
        {1.00, 1.0, 1.0, TNozzleVerdict::OK},
        {0.90, 0.9, 1.0, TNozzleVerdict::OK},
        {1.20, 1.2, 1.0, TNozzleVerdict::OK},
        {0.89, 0.89, 1.0, TNozzleVerdict::TooBig},
        {1.21, 1.21, 1.0, TNozzleVerdict::TooSmall},
        {12.0, 12.0, 1.2, TNozzleVerdict::TooSmall}, // the minimum starts at 10 and stays there
        {0.0, 0.0, 0.0, TNozzleVerdict::TooBig},     // no spread over a zero minimum
    };
    for (const Case& c : cases) {
        TDataMap model;
        model.LambdaProbes = 1;
        FillMap(model, K::TempiGas_Slave_banco1, c.Cell);
        FillMap(model, K::TempiGas_Slave_banco2, 1.0);
        const auto banks = CheckNozzles(model);
        EXPECT_NEAR(banks[0].MapIndex, c.Index, 1e-9) << c.Cell;
        EXPECT_NEAR(banks[0].Spread, c.Spread, 1e-9) << c.Cell;
        EXPECT_EQ(banks[0].Verdict, c.Verdict) << c.Cell;
        // Bank 2 is judged even with one probe.
        EXPECT_EQ(banks[1].Verdict, TNozzleVerdict::OK);
    }
}

TEST(NozzleCheckTest, SpreadIsLargestOverSmallest) {
    TDataMap model;
    FillMap(model, K::TempiGas_Slave_banco1, 1.0);
    model.SetMapValue(K::TempiGas_Slave_banco1, 1, 0.8, 1);
    model.SetMapValue(K::TempiGas_Slave_banco1, 12, 1.2, 9);
    FillMap(model, K::TempiGas_Slave_banco2, 1.0);
    EXPECT_NEAR(CheckNozzles(model)[0].Spread, 1.5, 1e-12);
}

// ---- Map check ----

class MapCheckTest : public ::testing::Test {
protected:
    MapCheckTest() : Check(Model) {
        for (int i = 1; i <= 9; ++i) {
            Model.SetTableValue(K::TemperaturaRiduttore, i, 10.0 * i);    // 10..90
            Model.SetTableValue(K::TemperaturaGas, i, 5.0 * i);           // 5..45
            Model.SetTableValue(K::CorrTemperaturaRiduttore, i, i - 5.0); // -4..4
            Model.SetTableValue(K::CorrTemperaturaGas, i, 0);
            Model.SetTableValue(K::Giri_Slave, i, 1000.0 * i);
        }
        for (int i = 1; i <= 15; ++i) {
            Model.SetTableValue(K::PressioneGas, i, 100.0 * i);
            Model.SetTableValue(K::CorrPressioneGas, i, 0);
        }
        for (int i = 1; i <= 12; ++i)
            Model.SetTableValue(K::TempiBenzina_Slave, i, double(i));
        FillMap(Model, K::TempiGas_Slave_banco1, 1.0);
        FillMap(Model, K::TempiGas_Slave_banco2, 1.2);
        Model.InjectorOffset = 0.5;
        Model.LambdaProbes = 1;
        Model.Bank = 1;
    }
    TDataMap Model;
    TMapCheck Check;
};

// Each index is the breakpoint strictly below the live value, 1 when none is below.
TEST_F(MapCheckTest, IndicesFollowTheLiveData) {
    struct Case {
        double Water, Gas, Press;
        int W, G, P;
    } cases[] = {
        {5, 1, 50, 1, 1, 1},        // below every breakpoint
        {95, 50, 2000, 9, 9, 15},   // above all
        {30, 15, 500, 2, 2, 4},     // equal to a breakpoint: the one below it
        {30.5, 15.1, 501, 3, 3, 5}, // just above
    };
    for (const Case& c : cases) {
        Check.FollowLiveData(c.Water, c.Gas, c.Press);
        EXPECT_EQ(Check.WaterIndex, c.W) << c.Water;
        EXPECT_EQ(Check.GasIndex, c.G) << c.Gas;
        EXPECT_EQ(Check.PressureIndex, c.P) << c.Press;
    }
}

TEST_F(MapCheckTest, SpinButtonsStayOnTheAxis) {
    Check.ResetIndices();
    EXPECT_EQ(Check.WaterIndex, 8);
    EXPECT_EQ(Check.PressureIndex, 13);
    for (int i = 0; i < 5; ++i) {
        Check.StepWater(1);
        Check.StepPressure(1);
    }
    EXPECT_EQ(Check.WaterIndex, 9);
    EXPECT_EQ(Check.PressureIndex, 15);
    for (int i = 0; i < 20; ++i)
        Check.StepGas(-1);
    EXPECT_EQ(Check.GasIndex, 1);
    // Water index 9 gives +4 %.
    EXPECT_DOUBLE_EQ(Check.Correction(), 4.0);
}

// Cell formulas: gas time, delay and full-open, with their texts and headers.
TEST_F(MapCheckTest, CellFormulas) {
    Check.WaterIndex = 5; // no correction
    Model.SlaveMaxDelay = 10;
    Model.SlaveMinDelay = 4;
    EXPECT_DOUBLE_EQ(Check.DelayLimit(3000), 7.0);
    // Row 9 (9 ms) at 3000 rpm (column 3): G = 1.0 x 9 + 0.5 = 9.5; reduced by 9 - 7 = 2.
    EXPECT_DOUBLE_EQ(Check.CellValue(TCheckPage::Monotony, 9, 3, false), 9.5);
    EXPECT_DOUBLE_EQ(Check.CellValue(TCheckPage::Delays, 9, 3, false), 7.5);
    // Row 5 is under the limit: the gas time as it is.
    EXPECT_DOUBLE_EQ(Check.CellValue(TCheckPage::Delays, 5, 3, false), 5.5);
    // At 2000 rpm (column 2) full open is 60 ms minus the gas time.
    EXPECT_DOUBLE_EQ(Check.CellValue(TCheckPage::FullOpen, 4, 2, false), 60 - 4.5);
    EXPECT_EQ(Check.CellText(TCheckPage::Monotony, 9, 3, false), QStringLiteral("9.50"));
    EXPECT_EQ(Check.CellText(TCheckPage::Delays, 9, 3, false), QStringLiteral("7.5"));
    EXPECT_EQ(Check.CellText(TCheckPage::FullOpen, 0, 2, false), QStringLiteral("2000"));
    EXPECT_EQ(Check.CellText(TCheckPage::FullOpen, 3, 0, false), QStringLiteral("3.0"));
    // The correction scales the map's part, not the offset.
    Check.WaterIndex = 9;
    EXPECT_DOUBLE_EQ(Check.GasTime(9, 3, false), 9 * 1.04 + 0.5);
}

TEST_F(MapCheckTest, CompensatedFullOpenUsesTheCompensatedMap) {
    Check.WaterIndex = 5;
    FillMap(Model, K::TempiGas_Comp_banco1, 8.0);
    for (int i = 1; i <= 9; ++i)
        Model.SetTableValue(K::Giri_Comp, i, 500.0 * i);
    Model.SetTableValue(K::MAP_Comp, 2, 350);
    EXPECT_DOUBLE_EQ(Check.CellValue(TCheckPage::FullOpen, 2, 4, true), 60 - 8.5);
    EXPECT_EQ(Check.CellText(TCheckPage::FullOpen, 2, 0, true), QStringLiteral(" 350"));
    EXPECT_EQ(Check.CellText(TCheckPage::FullOpen, 0, 4, true), QStringLiteral("2000"));
}

// The top-left cell names the bank only when there are two.
TEST_F(MapCheckTest, TopLeftCellNamesTheBank) {
    EXPECT_EQ(Check.CellText(TCheckPage::Monotony, 0, 0, false), QString());
    Model.LambdaProbes = 2;
    Model.Bank = 2;
    EXPECT_EQ(Check.CellText(TCheckPage::Monotony, 0, 0, false), QStringLiteral("Bank 2"));
    Check.WaterIndex = 5;
    EXPECT_EQ(Check.CellText(TCheckPage::Monotony, 1, 1, false), QStringLiteral("1.70"));
}

} // namespace
