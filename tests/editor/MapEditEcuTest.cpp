// Editing the maps against corvane-ecu-sim: the frames each edit sends, what the ECU then holds,
// an edit and its undo by keyboard alone, and the markers following a simulated drive.
#include "MapPagesFixture.h"

#include "config/RawImage.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QPushButton>
#include <QRadioButton>
#include <QThread>
#include <QToolButton>

namespace {

using K = TMapTypeOfData;

class MapEditEcu : public EcuPagesTest {
protected:
    static QByteArray EcuBlock(TEcuSim& ecu, int block, int bank) {
        QStringList lines;
        if (!ecu.Command(QStringLiteral("block %1 %2").arg(block).arg(bank), &lines) || lines.isEmpty())
            return {};
        return QByteArray::fromHex(lines.first().toLatin1());
    }
    // Every block of the ECU, both banks of 4 and 8.
    static QList<QByteArray> EcuBlocks(TEcuSim& ecu) {
        QList<QByteArray> blocks;
        for (int b = 1; b <= ConfigBlockCount; ++b)
            for (int bank = 1; bank <= (IsBankBlock(b) ? 2 : 1); ++bank)
                blocks << EcuBlock(ecu, b, bank);
        return blocks;
    }
    // The names of EcuBlocks' entries, as writes are recorded.
    static QStringList BlockNames() {
        QStringList names;
        for (int b = 1; b <= ConfigBlockCount; ++b) {
            if (!IsBankBlock(b))
                names << QStringLiteral("W%1").arg(b);
            else
                names << QStringLiteral("W%1/1").arg(b) << QStringLiteral("W%1/2").arg(b);
        }
        return names;
    }

    // Pictures of the pages for a person to judge, when CORVANE_SCREENSHOTS names a folder. The
    // simulated ECU starts with an empty petrol map and learns it a cell a second: the picture
    // shows one as a day of acquisition leaves it, the time growing with pressure and speed.
    static void SaveScreenshots(const QString& folder, const char* grid) {
        const auto save = [&](const QString& name) {
            RunFor(300);
            FormMain->grab().save(QDir(folder).filePath(name + QStringLiteral(".png")));
        };
        if (OperatingMode == CompensatedMode) {
            for (int row = 1; row <= 12; ++row)
                for (int col = 1; col <= 9; ++col)
                    DataMap->Benzina[row][col] =
                        std::round((1.6 + 0.95 * row + 0.12 * col * (1 + row / 6.0)) * 10) / 10;
            FormMain->UpdateMapColourRanges();
            FormMain->MapGrids->RefreshGrids();
        }
        save(QLatin1String(grid));
        const std::pair<int, const char*> pages[] = {{TFormMain::PageCorrection, "Correction"},
                                                     {TFormMain::PageLambda, "Lambda"},
                                                     {TFormMain::PageFunctions, "Functions"},
                                                     {TFormMain::PageDrivability, "Drivability"}};
        if (OperatingMode == CompensatedMode) {
            FormMain->PageControlGeneral->setCurrentIndex(TFormMain::PageGasMapComp);
            save(QStringLiteral("MappaGas_Comp"));
        } else {
            for (const auto& [page, name] : pages) {
                FormMain->PageControlGeneral->setCurrentIndex(page);
                save(QLatin1String(name));
            }
        }
    }

};

TEST_F(MapEditEcu, EachEditWritesTheBlockAndBankOfItsTableAndNothingMore) {
    TEcuSim ecu;
    Connect(ecu);
    DataMap->LambdaProbes = 2;
    DataMap->RefreshViews(); // the next write takes the pages' controls
    struct Case {
        const char* what;
        const char* grid;
        TGridRect selection;
        int bank;
        bool bothBanks;
        const char* added;
        QStringList writes;
    };
    const Case cases[] = {
        {"a Slave map cell", "MappaGas_Slave", {2, 2, 2, 2}, 1, false, "0.1", {"W8/1"}},
        {"a Slave map range in bank 2", "MappaGas_Slave", {2, 2, 4, 5}, 2, false, "0.1", {"W8/2"}},
        {"Bank 1+2", "MappaGas_Slave", {5, 5, 6, 6}, 1, true, "0.1", {"W8/1", "W8/2"}},
        {"the RPM axis", "MappaGas_Slave", {9, 0, 9, 0}, 1, true, "100", {"W8/1"}},
        {"the petrol time axis in bank 2", "MappaGas_Slave", {0, 12, 0, 12}, 2, false, "0.5", {"W8/2"}},
        {"a pressure correction", "MappaGasPress", {3, 1, 5, 1}, 1, false, "1", {"W6"}},
        {"the water temperature axis", "MappaPressRedTemp", {8, 0, 8, 0}, 1, false, "1", {"W6"}},
        {"a lambda reference", "MappaEmissioni", {4, 1, 4, 1}, 1, false, "0.05", {"W5"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        DataMap->Bank = uint8_t(c.bank);
        TNewDrawGrid* grid = Grid(c.grid);
        ShowPageOf(grid);
        Select(grid, c.selection.Left, c.selection.Top, c.selection.Right, c.selection.Bottom);
        const QList<QByteArray> before = EcuBlocks(ecu);
        Key(grid, Qt::Key_Return);
        ASSERT_TRUE(FormModify->isVisible());
        // Set directly: a click that releases it would also switch the bank.
        FormModify->BothBankSwitch->setChecked(c.bothBanks);
        Apply(QLatin1String(c.added), FormModify->LinearRadioButton);
        ASSERT_TRUE(Settle());
        EXPECT_EQ(sent, c.writes);
        sent.clear();
        // The ECU holds what was written; every other block is as it was.
        const QList<QByteArray> now = EcuBlocks(ecu);
        const QStringList names = BlockNames();
        for (qsizetype i = 0; i < now.size(); ++i) {
            const QString& name = names[i];
            if (c.writes.contains(name)) {
                const int block = name.mid(1, 1).toInt(), bank = name.size() > 2 ? name.mid(3).toInt() : 1;
                EXPECT_EQ(now[i].toHex(), DataMap->RawData.EncodeBlock(uint8_t(block), bank).toHex())
                    << name.toStdString();
                EXPECT_NE(now[i], before[i]) << name.toStdString();
            } else {
                EXPECT_EQ(now[i], before[i]) << name.toStdString();
            }
        }
    }
}

TEST_F(MapEditEcu, CancelAtTheClipQuestionLeavesTheEcuAsItWas) {
    TEcuSim ecu;
    Connect(ecu);
    const QList<QByteArray> before = EcuBlocks(ecu);
    DataMap->EnableCheckRanges = true;
    TNewDrawGrid* grid = Grid("MappaGas_Slave");
    ShowPageOf(grid);
    Select(grid, 4, 0, 4, 0);
    dialogs.answers = {mbCancel};
    Key(grid, Qt::Key_Return);
    Apply(QStringLiteral("9000"), FormModify->AbsoluteRadioButton);
    ASSERT_TRUE(Settle());
    EXPECT_EQ(dialogs.asked, QStringList{QStringLiteral("Parameter(s) out of range.\nClip ?")});
    // Nothing had been written yet: nothing needs writing back.
    EXPECT_TRUE(sent.isEmpty()) << sent.join(' ').toStdString();
    EXPECT_EQ(EcuBlocks(ecu), before);
    EXPECT_TRUE(DataMap->EnableMapRefresh);

    // OK keeps the clipped value and writes its block alone.
    sent.clear();
    dialogs.answers = {mbOK};
    Key(grid, Qt::Key_Return);
    Apply(QStringLiteral("9000"), FormModify->AbsoluteRadioButton);
    ASSERT_TRUE(Settle());
    EXPECT_EQ(sent, QStringList{"W8/1"});
    EXPECT_DOUBLE_EQ(Value(K::Giri_Slave, 0, 4), Value(K::Giri_Slave, 0, 5));
}

TEST_F(MapEditEcu, SpaceBarSendsTheFuelChangeover) {
    TEcuSim ecu;
    Connect(ecu);
    TNewDrawGrid* grid = Grid("MappaGas_Slave");
    ShowPageOf(grid);
    Key(grid, Qt::Key_Space);
    ASSERT_TRUE(Settle());
    EXPECT_EQ(sent, QStringList{"fuel 2"});
}

TEST_F(MapEditEcu, SelectEditAndUndoByKeyboardAlone) {
    TEcuSim ecu;
    Connect(ecu);
    const QList<QByteArray> before = EcuBlocks(ecu);
    const double cell = Value(K::TempiGas_Slave_banco1, 3, 3);
    TNewDrawGrid* grid = Grid("MappaGas_Slave");
    ShowPageOf(grid);
    FormMain->activateWindow();
    grid->setFocus();
    grid->SelectCell(0, 0);
    // Down to row 2, right to column 2, then stretch the selection two by two.
    for (Qt::Key key : {Qt::Key_Down, Qt::Key_Down, Qt::Key_Right, Qt::Key_Right})
        Key(grid, key);
    Key(grid, Qt::Key_Down, Qt::ShiftModifier);
    Key(grid, Qt::Key_Right, Qt::ShiftModifier);
    EXPECT_EQ(grid->Selection(), (TGridRect{2, 2, 3, 3}));
    Type(grid, QStringLiteral("1"));
    ASSERT_TRUE(FormModify->isVisible());
    Key(FormModify->Edit1, Qt::Key_S, Qt::ControlModifier);
    Type(FormModify->Edit1, QStringLiteral(".5"));
    Key(FormModify->Edit1, Qt::Key_Return);
    EXPECT_FALSE(FormModify->isVisible());
    EXPECT_DOUBLE_EQ(Value(K::TempiGas_Slave_banco1, 3, 3), 1.5);
    ASSERT_TRUE(Settle());
    EXPECT_EQ(sent, QStringList{"W8/1"});
    EXPECT_NE(EcuBlocks(ecu), before);

    sent.clear();
    ASSERT_TRUE(FormMain->EditUndo1->isEnabled());
    // Ctrl+Z is the window's shortcut: it reaches the action from the grid.
    QTest::keyClick(grid, Qt::Key_Z, Qt::ControlModifier);
    ASSERT_TRUE(Settle());
    EXPECT_DOUBLE_EQ(Value(K::TempiGas_Slave_banco1, 3, 3), cell);
    EXPECT_EQ(EcuBlocks(ecu), before);
    EXPECT_TRUE(sent.contains("W8/1"));
    EXPECT_FALSE(FormMain->EditUndo1->isEnabled());
}

TEST_F(MapEditEcu, MarkersFollowTheSimulatedDrive) {
    struct Case {
        const char* mode;
        const char* grid;
        int page;
    };
    const Case cases[] = {{"slave", "MappaGas_Slave", TFormMain::PageGasMapSlave},
                          {"compensated", "MappaBenzina", TFormMain::PagePetrolMap}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mode);
        // The demo's drive: idle, rev up, part load, idle, over and over.
        TEcuSim ecu({QStringLiteral("--no-pacing"), QStringLiteral("--mode"), QLatin1String(c.mode),
                     QStringLiteral("--exec"),
                     QStringLiteral("script loop 850 2.8 1 2500 5.5 1 1800 4.0 1")});
        Connect(ecu);
        FormMain->PageControlGeneral->setCurrentIndex(c.page);
        TNewDrawGrid* grid = Grid(c.grid);
        ASSERT_TRUE(WaitFor([grid] { return grid->isVisible() && grid->DefaultRowHeight() > 10; }));
        // The marker visits several places once the page is shown, always inside the data cells.
        const QPoint shown(grid->PallinoX(), grid->PallinoY());
        QList<QPoint> places;
        ASSERT_TRUE(WaitFor([&] {
            const QPoint at(grid->PallinoX(), grid->PallinoY());
            if (at != shown && !places.contains(at)) places << at;
            return places.size() >= 4;
        }));
        for (const QPoint& at : places) {
            EXPECT_GE(at.x(), grid->ColPitch());
            EXPECT_GE(at.y(), grid->RowPitch());
        }
        if (const QString folder = qEnvironmentVariable("CORVANE_SCREENSHOTS"); !folder.isEmpty())
            SaveScreenshots(folder, c.grid);
        DestroyProgram();
        OperatingMode = SlaveMode;
    }
}

} // namespace
