#include "ModelFixture.h"
#include "app/Settings.h"

#include <functional>

namespace {

using K = TMapTypeOfData;

TEST_F(ModelTest, CreationLoadsTheLPGDefaultsIntoModelAndImage) {
    EXPECT_TRUE(model->Saved());
    EXPECT_TRUE(model->EnableMapRefresh);
    EXPECT_FALSE(model->EnableCheckRanges);
    EXPECT_EQ(DataMap, model.get());
    EXPECT_EQ(model->Fuel, FuelLPG);
    EXPECT_EQ(model->FileName, "Untitled.cfg");
    EXPECT_EQ(model->RawData.Image.Fuel, 1);
    EXPECT_EQ(model->RawData.Image.SwitchRPM, 125);
    EXPECT_EQ(model->RawData.Image.Giri_Slave[9], 188);
}

TEST_F(ModelTest, RangeCheckStartsOnOnlyWhenTheSettingsFileSaysTRUE) {
    const struct {
        const char* value;
        bool on;
    } cases[] = {{"TRUE", true}, {"true", false}, {"FALSE", false}, {"1", false}};
    for (const auto& c : cases) {
        ASSERT_TRUE(WriteSetting("RANGE_CHECK", c.value));
        TDataMap m;
        EXPECT_EQ(m.EnableCheckRanges, c.on) << c.value;
    }
}

TEST_F(ModelTest, SavedFlagRenamesTheFileAndMarksTheCaption) {
    AttachViews();
    view.hasDate = true;
    view.date = {29, 12, 2005, "29", "12", "2005"};

    model->SetSaved(false); // no model text yet: the name stays
    EXPECT_EQ(model->FileName, "Untitled.cfg");
    EXPECT_EQ(view.caption, "Corvane Diagnostic 1.01 - Untitled.cfg *");

    model->Model = "X1";
    model->SetSaved(false);
    EXPECT_EQ(model->FileName, "X1 LPG Slave 2005-12-29.cfg");
    EXPECT_EQ(view.caption, "Corvane Diagnostic 1.01 - X1 LPG Slave 2005-12-29.cfg *");
    EXPECT_FALSE(model->Saved());
    model->SetSaved(true);
    EXPECT_EQ(view.caption, "Corvane Diagnostic 1.01 - X1 LPG Slave 2005-12-29.cfg");

    model->Model.clear();
    model->FileName = "configurations/fiat/Punto.cfg";
    model->SetSaved(true);
    EXPECT_EQ(view.caption, "Corvane Diagnostic 1.01 - Punto.cfg");
}

TEST_F(ModelTest, FileNameWordsFollowFuelModeAndDate) {
    AttachViews();
    view.hasDate = true;
    model->Model = "X1";
    const struct {
        uint8_t fuel, mode;
        TDateEditors date;
        const char* name;
    } cases[] = {
        {FuelCNG, CompensatedMode, {5, 3, 2007, "5", "3", "2007"}, "X1 CNG Comp 2007-03-05.cfg"},
        {FuelLPG, SlaveMode, {10, 10, 2010, "10", "10", "2010"}, "X1 LPG Slave 2010-10-10.cfg"},
        {7, SlaveMode, {1, 1, 2001, "1", "1", "2001"}, "X1 Slave 2001-01-01.cfg"},
        {FuelCNG, 5, {1, 1, 2001, "1", "1", "2001"}, "X1 CNG 2001-01-01.cfg"},
    };
    for (const auto& c : cases) {
        model->Fuel = c.fuel;
        OperatingMode = c.mode;
        view.date = c.date;
        model->MakeFileName();
        EXPECT_EQ(model->FileName, c.name);
    }
}

TEST_F(ModelTest, FileNameWithoutEditorsTakesTheConfigurationDate) {
    model->Model = "X1";
    model->ConfigDate = "290105";
    model->MakeFileName();
    EXPECT_EQ(model->FileName, "X1 LPG Slave 2005-01-29.cfg");
}

class ReadFromGUI : public ModelTest {
protected:
    void SetUp() override {
        ModelTest::SetUp();
        AttachViews();
        view.hasEditors = true;
        auto& e = view.settings;
        e.ComboBoxCarburante = FuelCNG;
        e.CylindersEdit = 6;
        e.EditSogliaGiri = 2500;
        e.RPMThresholdEdit = 1500;
        e.BrandComboBox = "Fiat";
        e.CarTypeEdit = "Punto 1.2";
        e.Date = {5, 3, 2007, "5", "3", "2007"};
        e.SliderFullGroupHoldOff = 40;
        e.ComboBoxTipoSensoreGas = 3;
        e.EditOffsetIniettore = 1.2;
        e.ButtonUpdateGas = true;
    }
};

TEST_F(ReadFromGUI, CopiesTheEditorsWithTheirRules) {
    model->ReadFromGUI();
    EXPECT_EQ(model->Fuel, FuelCNG);
    EXPECT_EQ(model->Cylinders, 6);
    EXPECT_EQ(model->SwitchRPM, 2500);
    EXPECT_EQ(model->Make, "Fiat");
    EXPECT_EQ(model->Model, "Punto 1.2");
    EXPECT_EQ(model->ConfigDate, "050307");
    EXPECT_EQ(model->FullGroupHoldOff, 40);
    EXPECT_EQ(model->LevelSensorType, 3);
    EXPECT_DOUBLE_EQ(model->InjectorOffset, 1.2);
    EXPECT_TRUE(model->GasAdapt);

    const struct {
        int fuelIndex, rpmThreshold;
        double holdOff;
        uint8_t fuel;
        int cutOffRPM, fullGroup;
    } cases[] = {
        {FuelLPG, 1549, 2.5, FuelLPG, 1500, 2},
        {2, 1550, 3.5, FuelLPG, 1600, 4}, // an index beyond the fuels keeps the fuel
        {-1, 1551, 99.6, FuelLPG, 1600, 100},
        {FuelCNG, 1449, 0.49, FuelCNG, 1400, 0},
    };
    for (const auto& c : cases) {
        view.settings.ComboBoxCarburante = c.fuelIndex;
        view.settings.RPMThresholdEdit = c.rpmThreshold;
        view.settings.SliderFullGroupHoldOff = c.holdOff;
        model->ReadFromGUI();
        EXPECT_EQ(model->Fuel, c.fuel) << c.fuelIndex;
        EXPECT_EQ(model->TPSCutOffRPM, c.cutOffRPM) << c.rpmThreshold;
        EXPECT_EQ(model->FullGroupHoldOff, c.fullGroup) << c.holdOff;
    }
}

TEST_F(ReadFromGUI, LeavesWhatHasNoEditorAlone) {
    model->Bank = 2;
    model->FileName = "kept.cfg";
    model->EngineAux = 17;
    model->LambdaAuxA = 2.5;
    model->LambdaAuxB = 3;
    model->AdaptAux = true;
    model->TempiGas_Slave_banco1[1][1] = 1.23;
    model->ReadFromGUI();
    EXPECT_EQ(model->Bank, 2);
    EXPECT_EQ(model->FileName, "kept.cfg");
    EXPECT_EQ(model->EngineAux, 17);
    EXPECT_DOUBLE_EQ(model->LambdaAuxA, 2.5);
    EXPECT_DOUBLE_EQ(model->LambdaAuxB, 3);
    EXPECT_TRUE(model->AdaptAux);
    EXPECT_DOUBLE_EQ(model->TempiGas_Slave_banco1[1][1], 1.23);
}

TEST_F(ReadFromGUI, AdaptivityEditorsFeedTheFieldsOfTheModeInUse) {
    adaptivity.hasEditors = true;
    adaptivity.editors = {15, 1000, 5000, 5, 2.5, 12.5, 2, 12};
    model->AdaptSlaveMinY = 2;
    model->AdaptSlaveMaxY = 14;
    model->AdaptSlaveCorrection = 2;
    model->AdaptCompMinY = 100;
    model->AdaptCompMaxY = 1050;
    model->AdaptCompCorrection = 1;

    OperatingMode = CompensatedMode;
    adaptivity.editors.EditMinY = 200.7;
    adaptivity.editors.EditMaxY = 900.2;
    adaptivity.editors.EditMinYInteger = 201;
    adaptivity.editors.EditMaxYInteger = 900;
    model->ReadFromGUI();
    EXPECT_DOUBLE_EQ(model->AdaptDwell, 15);
    EXPECT_EQ(model->AdaptMinRPM, 1000);
    EXPECT_EQ(model->AdaptMaxRPM, 5000);
    EXPECT_DOUBLE_EQ(model->AdaptCompMinY, 201);
    EXPECT_DOUBLE_EQ(model->AdaptCompMaxY, 900);
    EXPECT_DOUBLE_EQ(model->AdaptCompCorrection, 5);
    EXPECT_DOUBLE_EQ(model->AdaptSlaveMinY, 2);
    EXPECT_DOUBLE_EQ(model->AdaptSlaveMaxY, 14);
    EXPECT_DOUBLE_EQ(model->AdaptSlaveCorrection, 2);

    OperatingMode = SlaveMode;
    adaptivity.editors.EditMinY = 2.5;
    adaptivity.editors.EditMaxY = 12.5;
    adaptivity.editors.SliderCorrection = 3;
    model->ReadFromGUI();
    EXPECT_DOUBLE_EQ(model->AdaptSlaveMinY, 2.5);
    EXPECT_DOUBLE_EQ(model->AdaptSlaveMaxY, 12.5);
    EXPECT_DOUBLE_EQ(model->AdaptSlaveCorrection, 3);
    EXPECT_DOUBLE_EQ(model->AdaptCompMinY, 201);
    EXPECT_DOUBLE_EQ(model->AdaptCompCorrection, 5);
}

TEST_F(ModelTest, WithoutWindowsReadFromGUIChangesNothingAndRefreshAsksNobody) {
    model->Cylinders = 5;
    model->ReadFromGUI();
    EXPECT_EQ(model->Cylinders, 5);
    AttachViews();
    model->RefreshViews();
    EXPECT_EQ(view.calls, QStringList({"RefreshPages", "RefreshStatusControls"}));
    EXPECT_EQ(adaptivity.refreshes, 1);
}

// Every kind reaches its own array, at its last element.
struct KindCase {
    K kind;
    std::function<double(const TDataMap&)> field;
};

TEST_F(ModelTest, EveryMapKindAddressesItsOwnArray) {
    const KindCase cases[] = {
        {K::Giri_Slave, [](const TDataMap& m) { return double(m.Giri_Slave[9]); }},
        {K::TempiBenzina_Slave, [](const TDataMap& m) { return m.TempiBenzina_Slave[12]; }},
        {K::TempiGas_Slave_banco1, [](const TDataMap& m) { return m.TempiGas_Slave_banco1[12][9]; }},
        {K::TempiGas_Slave_banco2, [](const TDataMap& m) { return m.TempiGas_Slave_banco2[12][9]; }},
        {K::Giri_Benzina, [](const TDataMap& m) { return double(m.Giri_Benzina[9]); }},
        {K::MAP_Benzina, [](const TDataMap& m) { return m.MAP_Benzina[12]; }},
        {K::Benzina, [](const TDataMap& m) { return m.Benzina[12][9]; }},
        {K::Giri_Comp, [](const TDataMap& m) { return double(m.Giri_Comp[9]); }},
        {K::MAP_Comp, [](const TDataMap& m) { return m.MAP_Comp[12]; }},
        {K::TempiGas_Comp_banco1, [](const TDataMap& m) { return m.TempiGas_Comp_banco1[12][9]; }},
        {K::TempiGas_Comp_banco2, [](const TDataMap& m) { return m.TempiGas_Comp_banco2[12][9]; }},
        {K::TemperaturaRiduttore, [](const TDataMap& m) { return m.TemperaturaRiduttore[9]; }},
        {K::CorrTemperaturaRiduttore, [](const TDataMap& m) { return m.CorrTemperaturaRiduttore[9]; }},
        {K::TemperaturaGas, [](const TDataMap& m) { return m.TemperaturaGas[9]; }},
        {K::CorrTemperaturaGas, [](const TDataMap& m) { return m.CorrTemperaturaGas[9]; }},
        {K::PressioneGas, [](const TDataMap& m) { return m.PressioneGas[15]; }},
        {K::CorrPressioneGas, [](const TDataMap& m) { return m.CorrPressioneGas[15]; }},
        {K::RiferimentoSondaLambda, [](const TDataMap& m) { return m.RiferimentoSondaLambda[12]; }},
        {K::TemperaturaCicchetto, [](const TDataMap& m) { return m.TemperaturaCicchetto[6]; }},
        {K::TempoCicchetto, [](const TDataMap& m) { return m.TempoCicchetto[6]; }},
        {K::LivelloGas, [](const TDataMap& m) { return m.LivelloGas[4]; }},
    };
    ASSERT_EQ(std::size(cases), size_t(MapTypeCount));
    model->LevelSensorType = LevelSensorCustom;
    for (const auto& c : cases) {
        SCOPED_TRACE(Ordinal(c.kind));
        const int row = MapRows(c.kind) == 12 ? 12 : 0;
        const int last = MapColumns(c.kind);
        const double value = 1000 + Ordinal(c.kind);
        model->SetMapValue(c.kind, row, value, last);
        EXPECT_EQ(c.field(*model), value);
        EXPECT_EQ(model->GetMapValue(c.kind, row, last), value);
        if (row == 0) {
            EXPECT_EQ(model->GetTableValue(c.kind, last), value);
        }
    }
}

TEST_F(ModelTest, SpeedAxesTruncateAndRowIsIgnoredForOneDimensionalArrays) {
    model->SetMapValue(K::Giri_Slave, 0, 1549.9, 3);
    EXPECT_EQ(model->Giri_Slave[3], 1549);
    model->SetMapValue(K::Giri_Slave, 0, -0.5, 3);
    EXPECT_EQ(model->Giri_Slave[3], 0);
    model->SetMapValue(K::Giri_Comp, 0, -1.9, 2);
    EXPECT_EQ(model->Giri_Comp[2], -1);
    EXPECT_DOUBLE_EQ(model->GetMapValue(K::MAP_Comp, 7, 12), model->MAP_Comp[12]);
    model->TempiGas_Slave_banco2[12][9] = 0.77;
    EXPECT_DOUBLE_EQ(model->GetMapValue(K::TempiGas_Slave_banco2, 12, 9), 0.77);
}

TEST_F(ModelTest, IndicesOutsideAnArrayReadZeroAndWriteNothing) {
    const auto slave = model->TempiGas_Slave_banco1;
    const auto speeds = model->Giri_Slave;
    for (auto [row, index] : {std::pair{0, 1}, {13, 1}, {1, 0}, {1, 10}}) {
        EXPECT_EQ(model->GetMapValue(K::TempiGas_Slave_banco1, row, index), 0);
        model->SetMapValue(K::TempiGas_Slave_banco1, row, 5, index);
    }
    model->SetTableValue(K::Giri_Slave, 10, 5);
    EXPECT_EQ(model->GetTableValue(K::Giri_Slave, 0), 0);
    EXPECT_EQ(model->GetMapValue(MapTypeFromOrdinal(21), 1, 1), 0);
    EXPECT_TRUE(model->TempiGas_Slave_banco1 == slave);
    EXPECT_TRUE(model->Giri_Slave == speeds);
}

TEST_F(ModelTest, GasLevelThresholdsFollowTheSensorType) {
    model->LivelloGas = {{1, 2, 3, 2.5}};
    model->LevelSensorType = 2;
    EXPECT_DOUBLE_EQ(model->GetTableValue(K::LivelloGas, 4), 3.8);
    model->SetTableValue(K::LivelloGas, 4, 2.0);
    EXPECT_DOUBLE_EQ(model->LivelloGas[4], 2.0);
    EXPECT_DOUBLE_EQ(model->GetTableValue(K::LivelloGas, 4), 3.8);

    const struct {
        int sensor, index;
        double threshold;
    } cases[] = {
        {0, 1, 0.5}, {0, 4, 1.4}, {1, 2, 1.1}, {1, 4, 1.56}, {3, 3, 2.3},
        {4, 4, 2.0}, {5, 1, 1.0}, {6, 1, 0.3}, {6, 4, 1.2},  {7, 2, 2.0}, // unknown types use the model's own
    };
    for (const auto& c : cases) {
        model->LevelSensorType = c.sensor;
        EXPECT_DOUBLE_EQ(model->GetTableValue(K::LivelloGas, c.index), c.threshold)
            << c.sensor << "/" << c.index;
    }
}

} // namespace
