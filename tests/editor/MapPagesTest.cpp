// The nine grids on the main window's pages and the modify dialog, without an ECU: what each key
// and click edits, how values are rounded and limited, banks, colour ranges and markers.
#include "MapPagesFixture.h"

#include "config/NumberFormat.h"
#include "config/RawImage.h"

#include <QPushButton>
#include <QRadioButton>
#include <QToolButton>

namespace {

using K = TMapTypeOfData;

TEST_F(MapPagesTest, CornerCellAloneAsksToSelectACell) {
    Create();
    TNewDrawGrid* grid = Grid("MappaGas_Slave");
    ShowPageOf(grid);
    Select(grid, 0, 0, 0, 0);
    Type(grid, QStringLiteral("7"));
    EXPECT_EQ(dialogs.told, QStringList{QStringLiteral("Select a cell")});
    EXPECT_FALSE(FormModify->isVisible());
    EXPECT_TRUE(DataMap->Saved());
}

TEST_F(MapPagesTest, EachSelectionEditsTheTableItCovers) {
    Create();
    struct Case {
        const char* grid;
        TGridRect selection;
        std::optional<K> kind; // nothing: the dialog does not open
        TGridRect range;       // in table indexes
        int bank = 1;
    };
    const Case cases[] = {
        {"MappaGas_Slave", {2, 0, 3, 2}, K::TempiGas_Slave_banco1, {2, 1, 3, 2}}, // header row into data
        {"MappaGas_Slave", {0, 3, 1, 4}, K::TempiGas_Slave_banco1, {1, 3, 1, 4}}, // header column into data
        {"MappaGas_Slave", {0, 0, 4, 4}, K::TempiGas_Slave_banco1, {1, 1, 4, 4}}, // from the corner
        {"MappaGas_Slave", {2, 0, 4, 0}, K::Giri_Slave, {2, 0, 4, 0}},
        {"MappaGas_Slave", {0, 0, 3, 0}, K::Giri_Slave, {1, 0, 3, 0}},
        {"MappaGas_Slave", {0, 2, 0, 5}, K::TempiBenzina_Slave, {2, 0, 5, 0}}, // rows become indexes
        {"MappaGas_Slave", {4, 4, 4, 4}, K::TempiGas_Slave_banco2, {4, 4, 4, 4}, 2},
        {"MappaGasPress", {2, 0, 4, 1}, K::PressioneGas, {3, 0, 5, 0}}, // axis row into data: axis only
        {"MappaGasPress", {2, 1, 4, 1}, K::CorrPressioneGas, {3, 0, 5, 0}},
        {"MappaEmissioni", {0, 1, 1, 1}, K::RiferimentoSondaLambda, {1, 0, 2, 0}},
        {"MappaEmissioni", {0, 0, 1, 0}, std::nullopt, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.grid);
        DataMap->Bank = uint8_t(c.bank);
        TNewDrawGrid* grid = Grid(c.grid);
        ShowPageOf(grid);
        Select(grid, c.selection.Left, c.selection.Top, c.selection.Right, c.selection.Bottom);
        Key(grid, Qt::Key_Return);
        EXPECT_EQ(FormModify->isVisible(), c.kind.has_value());
        if (!c.kind) continue;
        EXPECT_EQ(FormModify->EditedKind(), *c.kind);
        EXPECT_EQ(FormModify->EditedRange(), c.range);
        EXPECT_EQ(FormModify->Edit1->text(),
                  FormatNumber("%.2f", DataMap->GetMapValue(*c.kind, c.range.Top, c.range.Left)));
        EXPECT_EQ(FormModify->Edit1->selectedText(), FormModify->Edit1->text());
        Key(FormModify->Edit1, Qt::Key_Escape);
        EXPECT_FALSE(FormModify->isVisible());
    }
    EXPECT_TRUE(DataMap->Saved()) << "nothing was changed";
}

TEST_F(MapPagesTest, SelectionFromTheHeaderIntoTheDataChangesDataCellsOnly) {
    Create();
    TNewDrawGrid* grid = Grid("MappaGas_Slave");
    ShowPageOf(grid);
    const auto before = DataMap->TempiGas_Slave_banco1;
    const auto rpm = DataMap->Giri_Slave;
    const auto petrol = DataMap->TempiBenzina_Slave;
    Select(grid, 0, 0, 3, 2);
    Key(grid, Qt::Key_Return);
    Apply(QStringLiteral("1.5"), FormModify->AbsoluteRadioButton);
    EXPECT_FALSE(FormModify->isVisible());
    for (int row = 1; row <= 12; ++row)
        for (int col = 1; col <= 9; ++col) {
            const bool selected = row <= 2 && col <= 3;
            EXPECT_DOUBLE_EQ(Value(K::TempiGas_Slave_banco1, row, col), selected ? 1.5 : before[row][col])
                << row << "," << col;
        }
    EXPECT_EQ(DataMap->Giri_Slave, rpm);
    EXPECT_EQ(DataMap->TempiBenzina_Slave, petrol);
    EXPECT_FALSE(DataMap->Saved());
    EXPECT_TRUE(FormMain->EditUndo1->isEnabled());
}

TEST_F(MapPagesTest, TypingADigitStartsTheValueAndEnterSetsIt) {
    Create();
    TNewDrawGrid* grid = Grid("MappaGasPress");
    ShowPageOf(grid);
    FormModify->PercentageRadioButton->setChecked(true);
    Select(grid, 3, 1, 3, 1);
    Type(grid, QStringLiteral("5"));
    ASSERT_TRUE(FormModify->isVisible());
    EXPECT_EQ(FormModify->Edit1->text(), QStringLiteral("5"));
    EXPECT_EQ(FormModify->Edit1->cursorPosition(), 1);
    EXPECT_FALSE(FormModify->Edit1->hasSelectedText());
    Type(FormModify->Edit1, QStringLiteral("0"));
    // Ctrl+S chooses "&Set" from the value field.
    Key(FormModify->Edit1, Qt::Key_S, Qt::ControlModifier);
    EXPECT_TRUE(FormModify->AbsoluteRadioButton->isChecked());
    EXPECT_EQ(FormModify->Edit1->text(), QStringLiteral("50"));
    Key(FormModify->Edit1, Qt::Key_Return);
    EXPECT_FALSE(FormModify->isVisible());
    EXPECT_DOUBLE_EQ(Value(K::CorrPressioneGas, 0, 4), 50);
    EXPECT_TRUE(dialogs.asked.isEmpty());
}

TEST_F(MapPagesTest, NewValuesAreRoundedAsTheirTableIs) {
    struct Case {
        const char* what;
        uint8_t mode;
        const char* grid;
        TGridRect selection;
        K kind;
        int row, index;
        double start;
        QRadioButton* TFormModify::*how;
        const char* typed;
        double expected;
    };
    const Case cases[] = {
        {"Add % 10 on a Slave factor of 2.00",
         SlaveMode,
         "MappaGas_Slave",
         {3, 5, 3, 5},
         K::TempiGas_Slave_banco1,
         5,
         3,
         2.0,
         &TFormModify::PercentageRadioButton,
         "10",
         2.2},
        {"Add % 10 on a Compensated time of 3.33",
         CompensatedMode,
         "MappaGas_Comp",
         {3, 5, 3, 5},
         K::TempiGas_Comp_banco1,
         5,
         3,
         3.33,
         &TFormModify::PercentageRadioButton,
         "10",
         3.7},
        {"Add 0.04 on a petrol time of 4.00",
         CompensatedMode,
         "MappaBenzina",
         {2, 2, 2, 2},
         K::Benzina,
         2,
         2,
         4.0,
         &TFormModify::LinearRadioButton,
         "0.04",
         4.0},
        {"an RPM breakpoint of 2049",
         SlaveMode,
         "MappaGas_Slave",
         {4, 0, 4, 0},
         K::Giri_Slave,
         0,
         4,
         2000,
         &TFormModify::AbsoluteRadioButton,
         "2049",
         2000},
        {"an RPM breakpoint of 2050",
         SlaveMode,
         "MappaGas_Slave",
         {4, 0, 4, 0},
         K::Giri_Slave,
         0,
         4,
         2000,
         &TFormModify::AbsoluteRadioButton,
         "2050",
         2100},
        {"a petrol time of 4.46",
         SlaveMode,
         "MappaGas_Slave",
         {0, 4, 0, 4},
         K::TempiBenzina_Slave,
         0,
         4,
         4.0,
         &TFormModify::AbsoluteRadioButton,
         "4.46",
         4.5},
        {"a gas pressure of 725",
         SlaveMode,
         "MappaGasPress",
         {7, 0, 7, 0},
         K::PressioneGas,
         0,
         8,
         750,
         &TFormModify::AbsoluteRadioButton,
         "725",
         750},
        {"a correction of 2.5 %",
         SlaveMode,
         "MappaGasTemp",
         {1, 1, 1, 1},
         K::CorrTemperaturaGas,
         0,
         2,
         0,
         &TFormModify::AbsoluteRadioButton,
         "2.5",
         2},
    };
    Create();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        OperatingMode = c.mode;
        FormMain->ApplyOperatingMode();
        DataMap->SetMapValue(c.kind, c.row, c.start, c.index);
        TNewDrawGrid* grid = Grid(c.grid);
        ShowPageOf(grid);
        Select(grid, c.selection.Left, c.selection.Top, c.selection.Right, c.selection.Bottom);
        Key(grid, Qt::Key_Return);
        Apply(QLatin1String(c.typed), FormModify->*c.how);
        EXPECT_NEAR(Value(c.kind, c.row, c.index), c.expected, 1e-9);
        EXPECT_TRUE(dialogs.asked.isEmpty()) << "the range check is off";
    }
}

TEST_F(MapPagesTest, OutOfRangeValuesAreClippedOnOkAndEverythingRestoredOnCancel) {
    Create();
    TNewDrawGrid* grid = Grid("MappaGas_Slave");
    ShowPageOf(grid);
    DataMap->EnableCheckRanges = true;
    RMappatura before;
    DataMap->ModelToRaw(before);
    const double cell = DataMap->TempiGas_Slave_banco1[2][2];
    struct Case {
        TGridRect selection;
        const char* typed;
        TMsgButton answer;
        K kind;
        int row, index;
        double expected;
    };
    // The fourth RPM breakpoint (2000) lies between 1500 and 2500; a Slave factor between 0 and 2.
    const Case cases[] = {
        {{4, 0, 4, 0}, "2700", mbCancel, K::Giri_Slave, 0, 4, 2000}, // exactly: the raw undo image
                                                                     // would round the LPG pressure axis
        {{4, 0, 4, 0}, "2700", mbOK, K::Giri_Slave, 0, 4, 2500},
        {{4, 0, 4, 0}, "2700", mbCancel, K::Giri_Slave, 0, 4, 2500},
        {{1, 1, 2, 2}, "2.5", mbCancel, K::TempiGas_Slave_banco1, 2, 2, cell},
        {{1, 1, 2, 2}, "2.5", mbOK, K::TempiGas_Slave_banco1, 2, 2, 2.0},
        {{4, 0, 5, 0}, "-2600", mbOK, K::Giri_Slave, 0, 5, 1500}, // its neighbour as just changed
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        dialogs.asked.clear();
        dialogs.answers = {c.answer};
        const bool saved = DataMap->Saved();
        Select(grid, c.selection.Left, c.selection.Top, c.selection.Right, c.selection.Bottom);
        Key(grid, Qt::Key_Return);
        Apply(QLatin1String(c.typed),
              c.typed[0] == '-' ? FormModify->LinearRadioButton : FormModify->AbsoluteRadioButton);
        EXPECT_EQ(dialogs.asked, QStringList{QStringLiteral("Parameter(s) out of range.\nClip ?")});
        EXPECT_DOUBLE_EQ(Value(c.kind, c.row, c.index), c.expected);
        EXPECT_FALSE(FormModify->isVisible());
        if (c.answer == mbCancel) {
            RMappatura after;
            DataMap->ModelToRaw(after);
            EXPECT_TRUE(after == before) << "every value as before";
            EXPECT_EQ(DataMap->Saved(), saved);
        }
        DataMap->ModelToRaw(before);
    }
}

TEST_F(MapPagesTest, BothBanksChangeTogetherAndTheSwitchWalksThroughTheBanks) {
    Create();
    DataMap->LambdaProbes = 2;
    DataMap->RefreshViews(); // the next write takes the pages' controls
    TNewDrawGrid* grid = Grid("MappaGas_Slave");
    ShowPageOf(grid);
    EXPECT_TRUE(FormMain->ButtonBank->isVisible());
    Select(grid, 2, 2, 3, 3);
    Type(grid, QStringLiteral("1"));
    ASSERT_TRUE(FormModify->BothBankSwitch->isVisible());
    EXPECT_EQ(FormModify->BothBankSwitch->text(), QStringLiteral("  Bank 1"));

    // Released it names the edited bank; each release goes over to the other one.
    QStringList seen, bankButton;
    for (int i = 0; i < 4; ++i) {
        Key(FormModify->Edit1, Qt::Key_B, Qt::ControlModifier);
        seen << FormModify->BothBankSwitch->text();
        bankButton << FormMain->ButtonBank->text();
    }
    EXPECT_EQ(seen, (QStringList{"Bank 1+2", "  Bank 2", "Bank 1+2", "  Bank 1"}));
    EXPECT_EQ(bankButton, (QStringList{"Bank 1", "Bank 2", "Bank 2", "Bank 1"}));
    EXPECT_EQ(FormModify->EditedKind(), K::TempiGas_Slave_banco1);

    Key(FormModify->Edit1, Qt::Key_B, Qt::ControlModifier);
    Apply(QStringLiteral("1.5"), FormModify->AbsoluteRadioButton);
    for (K kind : {K::TempiGas_Slave_banco1, K::TempiGas_Slave_banco2}) {
        EXPECT_DOUBLE_EQ(Value(kind, 2, 2), 1.5);
        EXPECT_DOUBLE_EQ(Value(kind, 3, 3), 1.5);
        EXPECT_NE(Value(kind, 4, 4), 1.5);
    }
    // On the map's RPM axis, which has no banks, the change applies once.
    const double last = Value(K::Giri_Slave, 0, 9);
    Select(grid, 9, 0, 9, 0);
    Key(grid, Qt::Key_Return);
    EXPECT_TRUE(FormModify->BothBankSwitch->isChecked());
    Apply(QStringLiteral("100"), FormModify->LinearRadioButton);
    EXPECT_DOUBLE_EQ(Value(K::Giri_Slave, 0, 9), last + 100);

    // With one probe the switch is hidden and released.
    DataMap->LambdaProbes = 1;
    DataMap->RefreshViews(); // the next write takes the pages' controls
    Select(grid, 2, 2, 2, 2);
    Key(grid, Qt::Key_Return);
    EXPECT_FALSE(FormModify->BothBankSwitch->isVisible());
    EXPECT_FALSE(FormModify->BothBankSwitch->isChecked());
    Apply(QStringLiteral("1.25"), FormModify->AbsoluteRadioButton);
    EXPECT_DOUBLE_EQ(Value(K::TempiGas_Slave_banco1, 2, 2), 1.25);
    EXPECT_DOUBLE_EQ(Value(K::TempiGas_Slave_banco2, 2, 2), 1.5);
}

TEST_F(MapPagesTest, BankButtonShowsTheOtherBankOnBothGasMaps) {
    Create();
    TNewDrawGrid* slave = Grid("MappaGas_Slave");
    DataMap->TempiGas_Slave_banco2[1][1] = 1.23;
    ShowPageOf(slave);
    EXPECT_FALSE(FormMain->ButtonBank->isVisible()) << "one probe";
    EXPECT_EQ(slave->CellText(0, 0), QString());

    DataMap->LambdaProbes = 2;
    DataMap->RefreshViews(); // the next write takes the pages' controls
    FormMain->PageControlGeneral->setCurrentIndex(TFormMain::PageGeneral);
    EXPECT_FALSE(FormMain->ButtonBank->isVisible());
    ShowPageOf(slave);
    ASSERT_TRUE(FormMain->ButtonBank->isVisible());
    EXPECT_EQ(slave->CellText(0, 0), QStringLiteral("Bank 1"));
    FormMain->ButtonBank->click();
    EXPECT_EQ(DataMap->Bank, 2);
    EXPECT_EQ(FormMain->ButtonBank->text(), QStringLiteral("Bank 2"));
    EXPECT_EQ(slave->CellText(0, 0), QStringLiteral("Bank 2"));
    EXPECT_EQ(Grid("MappaGas_Comp")->CellText(0, 0), QStringLiteral("Bank 2"));
    EXPECT_EQ(slave->CellText(1, 1), FormatNumber("%2.2f", 1.23));
    FormMain->ButtonBank->click();
    EXPECT_EQ(DataMap->Bank, 1);
}

TEST_F(MapPagesTest, CellTextsFollowTheUserLocaleAndTheLevelSensor) {
    QLocale::setDefault(QLocale(QLocale::Italian, QLocale::Italy));
    Create();
    struct Case {
        const char* grid;
        int row, col;
        const char* text;
    };
    const Case cases[] = {
        {"MappaGas_Slave", 0, 3, "1500"}, {"MappaGas_Slave", 2, 0, " 2,5"},  {"MappaGas_Slave", 1, 1, "0,75"},
        {"MappaEmissioni", 0, 0, " 500"}, {"MappaEmissioni", 0, 11, "6000"}, {"MappaEmissioni", 1, 0, "0,55"},
        {"MappaGasTemp", 0, 0, " -10"},   {"MappaGasTemp", 1, 0, "-28"},     {"Mappa_Cicchetto", 1, 0, "0,0"},
        {"MappaBenzina", 0, 0, ""},       {"MappaBenzina", 12, 0, "1050"},   {"MappaBenzina", 1, 1, "0,00"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Grid(c.grid)->CellText(c.row, c.col), QString::fromUtf8(c.text))
            << c.grid << " " << c.row << "," << c.col;
    QLocale::setDefault(QLocale::c());

    const std::pair<int, QStringList> levels[] = {{2, {"III", "II", "I", "R"}},
                                                  {0, {"R", "I", "II", "III"}},
                                                  {4, {"R", "I", "II", "III"}},
                                                  {5, {"III", "II", "I", "R"}},
                                                  {9, {"", "", "", ""}}};
    for (const auto& [type, texts] : levels) {
        DataMap->LevelSensorType = type;
        QStringList shown;
        for (int col = 0; col < 4; ++col)
            shown << Grid("MappaLivelloGas")->CellText(0, col);
        EXPECT_EQ(shown, texts) << "sensor type " << type;
    }
}

TEST_F(MapPagesTest, SpaceBarOnAMapAsksForTheFuelChangeover) {
    Create();
    TNewDrawGrid* map = Grid("MappaGas_Slave");
    ShowPageOf(map);
    Select(map, 3, 3, 3, 3);
    Key(map, Qt::Key_Space);
    EXPECT_TRUE(TXQueue->Contains(cmdFuelSwitch));
    EXPECT_FALSE(FormModify->isVisible());
    EXPECT_EQ(map->Selection(), (TGridRect{3, 3, 3, 3}));

    TXQueue->Flush();
    TNewDrawGrid* table = Grid("MappaGasPress");
    ShowPageOf(table);
    Key(table, Qt::Key_Space);
    EXPECT_FALSE(TXQueue->Contains(cmdFuelSwitch)) << "a table ignores the space bar";
}

TEST_F(MapPagesTest, RightClickOpensTheDialogOnTheSelection) {
    Create();
    TNewDrawGrid* grid = Grid("MappaGasTemp");
    ShowPageOf(grid);
    Select(grid, 2, 1, 4, 1);
    QTest::mouseClick(grid, Qt::RightButton, Qt::NoModifier, grid->CellRect(7, 0).center());
    ASSERT_TRUE(FormModify->isVisible());
    EXPECT_EQ(FormModify->EditedKind(), K::CorrTemperaturaGas);
    EXPECT_EQ(FormModify->EditedRange(), (TGridRect{3, 0, 5, 0}));
    EXPECT_EQ(FormModify->Edit1->selectedText(), FormatNumber("%.2f", Value(K::CorrTemperaturaGas, 0, 3)));
    // It opens at the selection's bottom-right corner, inside the grid's right edge.
    const QRect corner = grid->CellRect(4, 1);
    const QPoint expected = grid->mapToGlobal(corner.bottomRight() + QPoint(1, 1));
    EXPECT_EQ(FormModify->pos().y(), expected.y());
    EXPECT_LE(FormModify->pos().x(), expected.x());
    EXPECT_LE(FormModify->frameGeometry().right(), grid->mapToGlobal(QPoint(grid->width(), 0)).x());
    FormModify->ButtonCancel->click();
    EXPECT_FALSE(FormModify->isVisible());
    EXPECT_TRUE(DataMap->EnableMapRefresh);
}

TEST_F(MapPagesTest, PagesFitTheirCellsToTheirSize) {
    Create();
    for (const char* name : {"MappaGas_Slave", "MappaGasPress", "MappaEmissioni"}) {
        TNewDrawGrid* grid = Grid(name);
        ShowPageOf(grid);
        const double rows = grid->RowHeader ? 0.95 : 0.9;
        EXPECT_EQ(grid->DefaultColWidth(), int(grid->width() * 0.98 / grid->ColCount())) << name;
        EXPECT_EQ(grid->DefaultRowHeight(), int(grid->height() * rows / grid->RowCount())) << name;
        // Every text fits its cell: nothing is clipped.
        const QFontMetrics metrics(grid->font());
        for (int row = 0; row < grid->RowCount(); ++row)
            for (int col = 0; col < grid->ColCount(); ++col)
                EXPECT_LT(metrics.horizontalAdvance(grid->CellText(row, col)), grid->DefaultColWidth())
                    << name << " " << row << "," << col;
        EXPECT_GE(grid->DefaultRowHeight(), metrics.height()) << name;
    }
}

TEST_F(MapPagesTest, ColourRangesFollowTheMapsOfTheMode) {
    Create();
    TNewDrawGrid* slave = Grid("MappaGas_Slave");
    EXPECT_DOUBLE_EQ(slave->Render_Min_value, 0.75) << "the LPG default map's lowest";
    EXPECT_DOUBLE_EQ(slave->Render_Max_value, 1.08);
    for (auto& row : DataMap->TempiGas_Slave_banco1)
        row.Fill(1.0);
    FormMain->UpdateMapColourRanges();
    EXPECT_DOUBLE_EQ(slave->Render_Min_value, 1.001) << "an empty range is widened";
    EXPECT_DOUBLE_EQ(slave->Render_Max_value, 1.0);

    OperatingMode = CompensatedMode;
    FormMain->ApplyOperatingMode();
    DataMap->Benzina[3][4] = 12.5;
    DataMap->TempiGas_Comp_banco2[5][5] = 9;
    DataMap->Bank = 2;
    FormMain->UpdateMapColourRanges();
    EXPECT_DOUBLE_EQ(Grid("MappaBenzina")->Render_Min_value, 0);
    EXPECT_DOUBLE_EQ(Grid("MappaBenzina")->Render_Max_value, 12.5);
    EXPECT_DOUBLE_EQ(Grid("MappaGas_Comp")->Render_Max_value, 9);
    EXPECT_DOUBLE_EQ(slave->Render_Min_value, 1.001) << "the Slave map is not shown in Compensated mode";
}

TEST_F(MapPagesTest, MarkersFollowTheLiveValuesOnEveryGrid) {
    Create();
    TNewDrawGrid* slave = Grid("MappaGas_Slave");
    TNewDrawGrid* petrol = Grid("MappaBenzina");
    TNewDrawGrid* lambda = Grid("MappaEmissioni");
    TNewDrawGrid* water = Grid("MappaPressRedTemp");
    ShowPageOf(slave);
    // The petrol map follows the Compensated map's RPM points, not its own.
    for (int i = 1; i <= 9; ++i)
        DataMap->Giri_Comp[i] = 1000 * i;
    DataMap->LambdaType = 1;
    struct Case {
        const char* what;
        int rpm;
        double petrolTime, map, waterTemp;
        int bank;
        double slaveX, slaveY; // in cell pitches
        double petrolX;
        double lambdaX, waterX;
    };
    const Case cases[] = {
        {"on breakpoints", 1500, 3.0, 100, 30, 1, 3.5, 3.5, 2.0, 2.5, 2.5},
        {"between", 1750, 3.5, 125, 35, 1, 4.0, 4.0, 2.25, 3.0, 3.0},
        {"below the first", 100, 0.5, 0, 5, 1, 1.0, 1.0, 1.0, 0.0, 0.0},
        {"petrol time of bank 2", 1500, 7.0, 100, 30, 2, 3.5, 7.0, 2.0, 2.5, 2.5},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        DataMap->Bank = uint8_t(c.bank);
        Acquisitions->RPM = c.rpm;
        Acquisitions->PetrolTime.fill(99);
        Acquisitions->PetrolTime[c.bank == 1 ? 0 : 4] = c.petrolTime;
        Acquisitions->MAP = c.map;
        Acquisitions->WaterTemp = c.waterTemp;
        FormMain->UpdateWorkingPoint();
        const int r = slave->PallinoDiametro() / 2;
        auto at = [r](double pitches, int pitch) { return std::max(r, int(std::lround(pitches * pitch))); };
        EXPECT_NEAR(slave->PallinoX(), at(c.slaveX, slave->ColPitch()), 1);
        EXPECT_NEAR(slave->PallinoY(), at(c.slaveY, slave->RowPitch()), 1);
        EXPECT_NEAR(petrol->PallinoX(), at(c.petrolX, petrol->ColPitch()), 1);
        EXPECT_NEAR(lambda->PallinoX(), at(c.lambdaX, lambda->ColPitch()), 1);
        EXPECT_NEAR(water->PallinoX(), at(c.waterX, water->ColPitch()), 1);
    }
    // Far beyond the last breakpoints: the grid's edges, less half the marker.
    Acquisitions->RPM = 9000;
    Acquisitions->PetrolTime[0] = 40;
    DataMap->Bank = 1;
    FormMain->UpdateWorkingPoint();
    EXPECT_EQ(slave->PallinoX(), slave->ColPitch() * 10 - slave->PallinoDiametro() / 2);
    EXPECT_EQ(slave->PallinoY(), slave->RowPitch() * 13 - slave->PallinoDiametro() / 2);

    // Colours: the petrol map by lambda 1, the gas maps by the lambda of the bank shown.
    Acquisitions->LambdaRef = 0.45;
    Acquisitions->Lambda1 = 0.8;
    Acquisitions->Lambda2 = 0.1;
    DataMap->Bank = 2;
    FormMain->UpdateWorkingPoint();
    EXPECT_EQ(petrol->PallinoColore(), QColor(0xFF, 0, 0));
    EXPECT_EQ(slave->PallinoColore(), QColor(0, 0, 0xFF));
    EXPECT_EQ(lambda->PallinoColore(), QColor(0xFF, 0, 0)) << "the tables keep theirs";
    DataMap->LambdaType = 6;
    Acquisitions->Lambda2 = 0.9;
    FormMain->UpdateWorkingPoint();
    EXPECT_EQ(slave->PallinoColore(), QColor(0, 0, 0xFF)) << "an unknown probe type leaves the colour";
}

} // namespace
