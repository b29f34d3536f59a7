#include "ModelFixture.h"

#include <QDate>

namespace {

double Cell(const TMapCells<double>& map, int r, int c) {
    return map[r][c];
}

bool AllCells(const TMapCells<double>& map, double value) {
    for (int r = 1; r <= 12; ++r)
        for (int c = 1; c <= 9; ++c)
            if (map[r][c] != value) return false;
    return true;
}

TEST_F(ModelTest, ResetForCNGInSlaveMode) {
    model->Make = "Fiat";
    model->FileName = "old.cfg";
    model->Bank = 2;
    model->SetSaved(false);
    model->ResetAll(FuelCNG);

    EXPECT_EQ(model->Fuel, FuelCNG);
    EXPECT_EQ(model->ReducerType, 0);
    EXPECT_DOUBLE_EQ(model->PressioneGas[1], 1150);
    EXPECT_DOUBLE_EQ(model->PressioneGas[15], 2100);
    EXPECT_DOUBLE_EQ(model->CorrPressioneGas[1], 25);
    EXPECT_DOUBLE_EQ(model->CorrPressioneGas[13], -3);
    EXPECT_EQ(model->LevelSensorType, 2);
    EXPECT_TRUE(model->TempiGas_Slave_banco1 == model->TempiGas_Slave_banco2);
    // cells where the CNG map differs from the LPG one
    EXPECT_DOUBLE_EQ(Cell(model->TempiGas_Slave_banco1, 1, 5), 0.75);
    EXPECT_DOUBLE_EQ(Cell(model->TempiGas_Slave_banco1, 2, 9), 0.91);
    EXPECT_DOUBLE_EQ(Cell(model->TempiGas_Slave_banco1, 8, 1), 0.91);
    EXPECT_DOUBLE_EQ(Cell(model->TempiGas_Slave_banco1, 12, 9), 0.84);
    EXPECT_TRUE(AllCells(model->TempiGas_Comp_banco1, 0));
    EXPECT_TRUE(AllCells(model->TempiGas_Comp_banco2, 0));
    EXPECT_TRUE(AllCells(model->Benzina, 0));
    EXPECT_DOUBLE_EQ(model->InjectorOffset, 0.8);
    EXPECT_FALSE(model->LambdaControllerOn);
    EXPECT_FALSE(model->LambdaEmulationOn);
    EXPECT_DOUBLE_EQ(model->ProportionalRich, 1.0);
    EXPECT_EQ(model->FileName, "Untitled.cfg");
    EXPECT_EQ(model->AdaptMinRPM, 1500);
    EXPECT_EQ(model->AdaptMaxRPM, 6000);
    EXPECT_DOUBLE_EQ(model->AdaptSlaveMinY, 2);
    EXPECT_DOUBLE_EQ(model->AdaptSlaveMaxY, 14);
    EXPECT_FALSE(model->PetrolAcquire);
    EXPECT_FALSE(model->GasAdapt);
    EXPECT_EQ(model->Bank, 1);
    EXPECT_TRUE(model->Make.isEmpty());
    EXPECT_EQ(model->ConfigDate, QDate::currentDate().toString("ddMMyy"));
    EXPECT_DOUBLE_EQ(model->RiferimentoSondaLambda[9], 0.57);
    EXPECT_DOUBLE_EQ(model->TemperaturaGas[1], -10);
    EXPECT_DOUBLE_EQ(model->CorrTemperaturaRiduttore[1], -27);
    EXPECT_DOUBLE_EQ(model->TemperaturaCicchetto[6], 50);
    EXPECT_DOUBLE_EQ(model->LivelloGas[4], 4);
    // the reset leaves the flags and the mode alone, and fills the image
    EXPECT_FALSE(model->Saved());
    EXPECT_EQ(OperatingMode, SlaveMode);
    EXPECT_EQ(model->RawData.Image.Fuel, 0);
    EXPECT_EQ(model->RawData.Image.TempiGas_Slave_banco2[1][1], 96);
    EXPECT_EQ(model->RawData.Image.InjectorOffset, 8);
}

TEST_F(ModelTest, ResetForLPGInCompensatedMode) {
    OperatingMode = CompensatedMode;
    model->ResetAll(FuelLPG);
    EXPECT_EQ(model->IntegralRich, 40);
    EXPECT_EQ(model->IntegralLean, 30);
    EXPECT_DOUBLE_EQ(model->ProportionalLean, 0);
    EXPECT_DOUBLE_EQ(model->InjectorOffset, 0);
    EXPECT_TRUE(model->LambdaControllerOn);
    EXPECT_TRUE(model->PetrolAcquire);
    EXPECT_TRUE(model->GasAdapt);
    EXPECT_EQ(model->AdaptMinRPM, 500);
    EXPECT_EQ(model->AdaptMaxRPM, 6000);
    EXPECT_DOUBLE_EQ(model->AdaptCompMinY, 100);
    EXPECT_DOUBLE_EQ(model->AdaptCompMaxY, 1050);
    EXPECT_EQ(model->LevelSensorType, 0);
    EXPECT_EQ(model->ReducerType, 1);
    EXPECT_DOUBLE_EQ(model->PressioneGas[4], 580);
    EXPECT_DOUBLE_EQ(Cell(model->TempiGas_Slave_banco2, 5, 8), 1.08);
    EXPECT_EQ(OperatingMode, CompensatedMode);
}

TEST_F(ModelTest, AnotherFuelCodeKeepsTheSlaveMapsAndLevelSensor) {
    model->LevelSensorType = 3;
    model->TempiGas_Slave_banco1[1][1] = 1.5;
    model->ResetAll(5);
    EXPECT_EQ(model->Fuel, 5);
    EXPECT_EQ(model->LevelSensorType, 3);
    EXPECT_DOUBLE_EQ(model->TempiGas_Slave_banco1[1][1], 1.5);
}

TEST_F(ModelTest, TurboAxesMoveTheAdaptivityBox) {
    model->TempiGas_Slave_banco1[3][3] = 1.23;
    model->SetDefaultAxes(true);
    model->SetAdaptiveDefaults(CompensatedMode);
    EXPECT_DOUBLE_EQ(model->AdaptCompMaxY, 2000);
    EXPECT_DOUBLE_EQ(model->AdaptSlaveMaxY, 16);
    EXPECT_DOUBLE_EQ(model->MAP_Benzina[1], 200);
    EXPECT_DOUBLE_EQ(model->TempiBenzina_Slave[2], 3);
    EXPECT_EQ(model->Giri_Comp[7], 4000);
    EXPECT_DOUBLE_EQ(model->TempiGas_Slave_banco1[3][3], 1.23);
    model->SetDefaultAxes(false);
    EXPECT_DOUBLE_EQ(model->MAP_Comp[12], 1050);
    EXPECT_DOUBLE_EQ(model->TempiBenzina_Slave[2], 2.5);
}

TEST_F(ModelTest, PressureCorrectionFollowsTheReducer) {
    const struct {
        int reducer;
        double firstPoint, lastPoint, firstCorr, lastCorr;
    } cases[] = {
        {0, 1150, 2100, 25, -10},
        {1, 450, 1100, 38, -13},
        {2, 500, 1450, 40, -13},
        {3, 700, 2100, 40, -13},
    };
    for (const auto& c : cases) {
        model->ReducerType = c.reducer;
        model->SetPressureCorrectionDefaults();
        EXPECT_DOUBLE_EQ(model->PressioneGas[1], c.firstPoint) << c.reducer;
        EXPECT_DOUBLE_EQ(model->PressioneGas[15], c.lastPoint) << c.reducer;
        EXPECT_DOUBLE_EQ(model->CorrPressioneGas[1], c.firstCorr) << c.reducer;
        EXPECT_DOUBLE_EQ(model->CorrPressioneGas[15], c.lastCorr) << c.reducer;
    }
    const auto axis = model->PressioneGas;
    const auto corr = model->CorrPressioneGas;
    for (int reducer : {5, -1}) {
        model->ReducerType = reducer;
        model->SetPressureCorrectionDefaults();
        EXPECT_TRUE(model->PressioneGas == axis);
        EXPECT_TRUE(model->CorrPressioneGas == corr);
    }
}

TEST_F(ModelTest, ResetImageReadsBackAsTheDefaultsUpToTheRawResolution) {
    model->ResetAll(FuelCNG);
    TDataMap back;
    back.ResetAll(FuelLPG);
    back.RawToSettings(model->RawData.Image);
    back.RawToMaps(model->RawData.Image);
    EXPECT_EQ(back.Fuel, FuelCNG);
    EXPECT_EQ(back.LevelSensorType, 2);
    EXPECT_EQ(back.ReducerType, 0);
    EXPECT_EQ(back.SwitchRPM, 2000);
    EXPECT_EQ(back.TPSCutOffRPM, 1500);
    EXPECT_EQ(back.AdaptMaxRPM, 6000);
    EXPECT_DOUBLE_EQ(back.AdaptSlaveMaxY, 14);
    EXPECT_TRUE(back.Giri_Slave == model->Giri_Slave);
    EXPECT_TRUE(back.MAP_Comp == model->MAP_Comp);
    EXPECT_TRUE(back.PressioneGas == model->PressioneGas);
    EXPECT_EQ(back.ConfigDate, model->ConfigDate);
    // where the raw step is coarser than the default
    EXPECT_DOUBLE_EQ(back.TempiBenzina_Slave[2], 2.6);
    EXPECT_EQ(back.SwitchDelay, 39);
    EXPECT_DOUBLE_EQ(back.TempiGas_Slave_banco1[2][1], 110 / 128.0);
}

} // namespace
