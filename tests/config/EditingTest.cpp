#include "ModelFixture.h"
#include "config/Conversion.h"

#include <cmath>

namespace {

using K = TMapTypeOfData;

// ---- Range check ----

TEST_F(ModelTest, RangeCheckRoundsTheSpeedEditorsThenJudgesTheSender) {
    AttachViews();
    QObject checkBox;
    QObject realEditor;
    view.numericEditors[&realEditor] = {true, 0.55, 0, 0, 1};

    const struct {
        int soglia;
        bool checkOn;
        const QObject* sender;
        bool expected;
        int sogliaAfter;
    } cases[] = {
        {1250, true, &checkBox, true, 1300},             // not a numeric editor
        {4100, true, &view.editSogliaGiri, false, 4100}, // limit 4000
        {4100, false, &view.editSogliaGiri, true, 4100}, // range check off
        {4049, true, &view.editSogliaGiri, true, 4000},  // rounded before it is judged
        {4050, true, &view.editSogliaGiri, false, 4100},
        {500, true, &view.editSogliaGiri, true, 500}, // limits included
        {449, true, &view.editSogliaGiri, false, 400},
        {2000, true, &realEditor, true, 2000},
        {2000, true, nullptr, true, 2000},
    };
    for (const auto& c : cases) {
        view.AddSpeedEditors(c.soglia, 1549);
        model->EnableCheckRanges = c.checkOn;
        EXPECT_EQ(model->CheckRange(c.sender), c.expected) << c.soglia;
        EXPECT_EQ(view.numericEditors[&view.editSogliaGiri].IntegerValue, c.sogliaAfter) << c.soglia;
        EXPECT_EQ(view.numericEditors[&view.rpmThresholdEdit].IntegerValue, 1500);
    }

    model->EnableCheckRanges = true;
    for (double value : {-0.01, 1.01, std::nan("")}) {
        view.numericEditors[&realEditor].RealValue = value;
        EXPECT_FALSE(model->CheckRange(&realEditor)) << value;
    }
}

// ---- Undo ----

TEST_F(ModelTest, UndoRestoresTheSnapshotButNotTheFileState) {
    AttachViews();
    model->Make = "Fiat";
    model->SwitchRPM = 2500;
    model->TempiGas_Slave_banco1[3][4] = 1.25;
    model->PressioneGas[2] = 600;
    // Two probes, so that the write that follows the undo keeps the second bank.
    model->LambdaProbes = 2;
    model->SaveUndo();
    EXPECT_TRUE(view.undoEnabled);

    model->Make = "Lancia";
    model->SwitchRPM = 3000;
    model->TempiGas_Slave_banco1[3][4] = 0.5;
    model->PressioneGas[2] = 700;
    model->Bank = 2;
    model->FileName = "other.cfg";
    model->SetSaved(false);
    OperatingMode = SlaveMode;
    view.calls.clear();

    model->Undo();
    EXPECT_EQ(model->Make, "Fiat");
    EXPECT_EQ(model->SwitchRPM, 2500);
    EXPECT_DOUBLE_EQ(model->TempiGas_Slave_banco1[3][4], 1.25);
    EXPECT_DOUBLE_EQ(model->PressioneGas[2], 600);
    EXPECT_EQ(model->Bank, 2);
    EXPECT_EQ(model->FileName, "other.cfg");
    EXPECT_FALSE(model->Saved());
    EXPECT_TRUE(model->EnableMapRefresh);
    EXPECT_EQ(view.calls, QStringList({"RefreshPages", "RefreshStatusControls", "UpdateColourRanges",
                                       "MappaGas_Slave", "RefreshMapCheck"}));
    EXPECT_EQ(adaptivity.refreshes, 1);

    OperatingMode = CompensatedMode;
    view.calls.clear();
    model->Undo();
    EXPECT_EQ(view.calls.mid(2), QStringList({"UpdateColourRanges", "MappaGas_Comp", "MappaBenzina"}));
    EXPECT_EQ(OperatingMode, CompensatedMode);
}

TEST_F(ModelTest, UndoBeforeAnySnapshotChangesNothing) {
    model->Cylinders = 6;
    model->Undo();
    EXPECT_EQ(model->Cylinders, 6);
    EXPECT_FALSE(model->UndoAvailable());
}

// ---- Map merge ----

// A raw configuration holding the default axes and a slave map of one factor.
RMappatura FileWithSlaveMap(TDataMap& scratch, double factor) {
    scratch.ResetAll(FuelLPG);
    for (auto* map : {&scratch.TempiGas_Slave_banco1, &scratch.TempiGas_Slave_banco2})
        for (auto& row : *map)
            row.Fill(factor);
    RMappatura rec;
    scratch.ModelToRaw(rec);
    return rec;
}

void FillMap(TMapCells<double>& map, double value) {
    for (auto& row : map)
        row.Fill(value);
}

TEST_F(ModelTest, MergingAFileEqualToTheModelChangesNoCell) {
    RMappatura rec;
    model->ModelToRaw(rec);
    int n = 0;
    ForEachElement(rec, [&n](int32_t& e) { e = 20 + (n++ * 37) % 200; });
    // rising axes, as the maps need them
    for (int i = 1; i <= 9; ++i)
        rec.Giri_Slave[i] = rec.Giri_Comp[i] = rec.Giri_Benzina[i] = 15 + 20 * i;
    for (int i = 1; i <= 12; ++i)
        rec.TempiBenzina_Slave[i] = rec.MAP_Comp[i] = rec.MAP_Benzina[i] = 10 + 15 * i;
    model->RawToMaps(rec);
    model->RawToMap(rec, 3, 1);
    TDataMap before;
    before.RawToMaps(rec);
    model->MergeMaps(rec);
    EXPECT_TRUE(model->TempiGas_Slave_banco1 == before.TempiGas_Slave_banco1);
    EXPECT_TRUE(model->TempiGas_Slave_banco2 == before.TempiGas_Slave_banco2);
    EXPECT_TRUE(model->TempiGas_Comp_banco1 == before.TempiGas_Comp_banco1);
    EXPECT_TRUE(model->TempiGas_Comp_banco2 == before.TempiGas_Comp_banco2);
    EXPECT_TRUE(model->Benzina == before.Benzina);
    EXPECT_TRUE(model->Giri_Slave == before.Giri_Slave);
}

TEST_F(ModelTest, MergingAFlatMapAveragesWhateverTheAxes) {
    TDataMap scratch;
    const RMappatura file = FileWithSlaveMap(scratch, 1.0);
    for (bool turbo : {false, true}) {
        model->SetDefaultAxes(turbo);
        model->Giri_Slave[9] = 7000;
        FillMap(model->TempiGas_Slave_banco1, 0.8);
        FillMap(model->TempiGas_Slave_banco2, 0.8);
        model->MergeMaps(file);
        for (int r = 1; r <= 12; ++r)
            for (int c = 1; c <= 9; ++c) {
                ASSERT_DOUBLE_EQ(model->TempiGas_Slave_banco1[r][c], 0.9) << r << "," << c;
                ASSERT_DOUBLE_EQ(model->TempiGas_Slave_banco2[r][c], 0.9) << r << "," << c;
            }
    }
    // Settings and axes stay the model's.
    EXPECT_EQ(model->Giri_Slave[9], 7000);
    EXPECT_DOUBLE_EQ(model->MAP_Comp[1], 200);
}

TEST_F(ModelTest, MergeTakesTheFirstPointBelowAndExtrapolatesAbove) {
    TDataMap scratch;
    RMappatura file = FileWithSlaveMap(scratch, 1.0);
    for (int r = 1; r <= 12; ++r) {
        file.TempiGas_Slave_banco1[r][1] = 96;  // 0.75 at 500 rpm
        file.TempiGas_Slave_banco1[r][8] = 128; // 1.0 at 5000 rpm
        file.TempiGas_Slave_banco1[r][9] = 160; // 1.25 at 6000 rpm
    }
    model->Giri_Slave[1] = 300;  // below the file's first speed
    model->Giri_Slave[9] = 7000; // beyond the file's last
    FillMap(model->TempiGas_Slave_banco1, 0.5);
    model->MergeMap(file, 8, 1);
    for (int r = 1; r <= 12; ++r) {
        EXPECT_DOUBLE_EQ(model->TempiGas_Slave_banco1[r][1], (0.5 + 0.75) / 2);
        EXPECT_DOUBLE_EQ(model->TempiGas_Slave_banco1[r][9], (0.5 + 1.5) / 2); // 1.0 + 2 x 0.25
    }
}

TEST_F(ModelTest, MergeWithEqualNeighbouringAxisPointsStaysFinite) {
    TDataMap scratch;
    RMappatura file = FileWithSlaveMap(scratch, 1.0);
    // Two MAP points at 900 mbar at the end of the axis, two speeds at 2000 rpm inside it.
    file.MAP_Comp[11] = file.MAP_Comp[12] = 90;
    file.Giri_Comp[4] = file.Giri_Comp[5] = 62;
    for (int c = 1; c <= 9; ++c) {
        for (int r = 1; r <= 12; ++r)
            file.TempiGas_Comp_banco1[r][c] = 40; // 4 ms
        file.TempiGas_Comp_banco1[11][c] = 50;    // 5 ms
        file.TempiGas_Comp_banco1[12][c] = 60;    // 6 ms
    }
    FillMap(model->TempiGas_Comp_banco1, 2);
    model->MergeMap(file, 4, 1);
    for (int r = 1; r <= 12; ++r)
        for (int c = 1; c <= 9; ++c)
            ASSERT_TRUE(std::isfinite(model->TempiGas_Comp_banco1[r][c])) << r << "," << c;
    // 1050 mbar lies past the doubled last point: that point's row holds.
    EXPECT_DOUBLE_EQ(model->TempiGas_Comp_banco1[12][1], (2 + 6) / 2.0);
    EXPECT_DOUBLE_EQ(model->TempiGas_Comp_banco1[1][5], (2 + 4) / 2.0);
}

TEST_F(ModelTest, MergeOfAnotherBlockChangesNothing) {
    TDataMap scratch;
    const RMappatura file = FileWithSlaveMap(scratch, 1.0);
    const auto before = model->TempiGas_Slave_banco1;
    model->MergeMap(file, 5, 1);
    EXPECT_TRUE(model->TempiGas_Slave_banco1 == before);
}

// ---- Grid clipboard ----

class Clipboard : public ModelTest {
protected:
    void SetUp() override {
        ModelTest::SetUp();
        AttachViews();
        for (int r = 1; r <= 12; ++r)
            for (int c = 1; c <= 9; ++c)
                model->TempiGas_Slave_banco1[r][c] = r + c / 10.0;
    }
    TGridClipboard& clip() { return model->GridClipboard; }
};

TEST_F(Clipboard, PasteLaysTheBlockFromTheFirstCellCutToTheSelection) {
    clip().CopyFrom(K::TempiGas_Slave_banco1, 2, 3, 4, 6); // 3 x 4
    EXPECT_EQ(clip().Rows, 3);
    EXPECT_EQ(clip().Cols, 4);
    EXPECT_DOUBLE_EQ(clip().Values[4], 3.3); // row by row

    const auto before = model->TempiGas_Slave_banco2;
    clip().PasteInto(K::TempiGas_Slave_banco2, 5, 5, 5, 5);
    EXPECT_DOUBLE_EQ(model->TempiGas_Slave_banco2[5][5], 2.3);
    auto expected = before;
    expected[5][5] = 2.3;
    EXPECT_TRUE(model->TempiGas_Slave_banco2 == expected);
    EXPECT_TRUE(view.undoEnabled);

    clip().PasteInto(K::TempiGas_Slave_banco2, 11, 7, 12, 9); // room for 2 x 3 of the block
    EXPECT_DOUBLE_EQ(model->TempiGas_Slave_banco2[11][7], 2.3);
    EXPECT_DOUBLE_EQ(model->TempiGas_Slave_banco2[11][9], 2.5);
    EXPECT_DOUBLE_EQ(model->TempiGas_Slave_banco2[12][9], 3.5);
    EXPECT_DOUBLE_EQ(model->TempiGas_Slave_banco2[10][7], before[10][7]);

    model->Undo(); // the paste took a snapshot first
    EXPECT_DOUBLE_EQ(model->TempiGas_Slave_banco2[11][7], RoundToEven(before[11][7] * 128) / 128.0);
}

TEST_F(Clipboard, OneDimensionalArraysPasteWithinTheirClass) {
    model->Giri_Slave = {{600, 1100, 1600, 2100, 2600, 3100, 4100, 5100, 6100}};
    clip().CopyFrom(K::Giri_Slave, 0, 1, 0, 9);
    clip().PasteInto(K::Giri_Comp, 0, 1, 0, 9);
    EXPECT_TRUE(model->Giri_Comp == model->Giri_Slave);

    const auto map = model->MAP_Comp;
    view.undoEnabled = false;
    clip().PasteInto(K::MAP_Comp, 0, 1, 0, 12);
    EXPECT_TRUE(model->MAP_Comp == map);
    EXPECT_FALSE(view.undoEnabled); // an incompatible paste takes no snapshot
}

TEST_F(Clipboard, AnOversizedOrBackwardCopyEmptiesTheClipboard) {
    clip().CopyFrom(K::Giri_Slave, 0, 1, 0, 3);
    ASSERT_FALSE(clip().IsEmpty());
    clip().CopyFrom(K::TempiGas_Slave_banco1, 1, 0, 12, 9); // 12 x 10
    EXPECT_TRUE(clip().IsEmpty());
    EXPECT_TRUE(clip().Values.empty());
    EXPECT_EQ(clip().Kind, K::Giri_Slave);
    const auto speeds = model->Giri_Comp;
    clip().PasteInto(K::Giri_Comp, 0, 1, 0, 9);
    EXPECT_TRUE(model->Giri_Comp == speeds);
    EXPECT_FALSE(view.undoEnabled);

    EXPECT_TRUE(clip().SetSize(K::Benzina, 12, 9));
    EXPECT_FALSE(clip().SetSize(K::Benzina, 3, 0));
    EXPECT_FALSE(clip().SetSize(K::Benzina, -2, -3));
    EXPECT_TRUE(clip().IsEmpty());
    clip().Push(1.0); // past the end: dropped
    EXPECT_EQ(clip().Pop(), 0.0);
}

TEST(GridClipboard, CompatibilityClasses) {
    const struct {
        K src, dst;
        bool ok;
    } cases[] = {
        {K::Giri_Slave, K::Giri_Comp, true},
        {K::Giri_Benzina, K::Giri_Slave, true},
        {K::Giri_Slave, K::MAP_Comp, false},
        {K::TempiGas_Slave_banco1, K::TempiGas_Slave_banco2, true},
        {K::TempiGas_Slave_banco1, K::Benzina, false},
        {K::Benzina, K::TempiGas_Comp_banco2, true},
        {K::MAP_Benzina, K::MAP_Comp, true},
        {K::TemperaturaCicchetto, K::TemperaturaGas, true},
        {K::CorrPressioneGas, K::CorrTemperaturaRiduttore, true},
        {K::PressioneGas, K::CorrPressioneGas, false},
        {K::TempiBenzina_Slave, K::MAP_Comp, false},
        {K::TempiBenzina_Slave, K::TempiBenzina_Slave, true},
        {K::RiferimentoSondaLambda, K::LivelloGas, false},
        {K::TempoCicchetto, K::TempoCicchetto, true},
    };
    for (const auto& c : cases)
        EXPECT_EQ(TGridClipboard::Compatible(c.src, c.dst), c.ok) << Ordinal(c.src) << "->" << Ordinal(c.dst);
}

} // namespace
