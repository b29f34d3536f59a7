// Against corvane-ecu-sim: the backups kept of the configurations read, the backups window,
// the compare window taking the other file's values the way every edit goes, and Interpolate
// and Smooth of the modify dialog writing only the blocks they change.
#include "MapPagesFixture.h"

#include "app/BackupKeeper.h"
#include "common/FileBytes.h"
#include "config/ConfigBackups.h"
#include "editor/UnitBackups.h"
#include "editor/UnitCompare.h"

#include <QDir>
#include <QLabel>
#include <QListWidget>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTableWidget>
#include <QTreeWidget>

namespace {

using K = TMapTypeOfData;

class BackupsCompare : public EcuPagesTest {
protected:
    static TConfigBackups Backups() { return TConfigBackups(TConfigBackups::DefaultRoot()); }
    // The simulated ECU's VIN names its car.
    static QString Car() { return QStringLiteral("ZFA18800000785316"); }
    static size_t BackupCount() { return Backups().Backups(Car()).size(); }
    // The link loses the ECU and finds it again: the connection's requests all over.
    bool Reconnect() {
        SerialLink->SetECUisConnected(false);
        SerialLink->SetECUisConnected(true);
        return WaitFor([] { return SerialLink->ECUisConnected(); }) &&
               WaitFor([this] { return sent.contains("VIN r") && Idle(); });
    }
};

TEST_F(BackupsCompare, EachNewConfigurationReadIsKeptOnceUnderItsCar) {
    TEcuSim ecu;
    Connect(ecu);
    ASSERT_TRUE(WaitFor([] { return BackupCount() == 1; }));
    const TConfigBackups::TEntry first = Backups().Backups(Car()).front();
    // The file holds what the ECU holds, as File > Save would write it.
    TRawData raw = DataMap->RawData;
    EXPECT_EQ(ReadAll(first.Path), ConfigFileBytes(raw, OperatingMode));
    EXPECT_FALSE(first.Identity.isEmpty());
    EXPECT_FALSE(FormMain->StatusBackup->isVisible());

    // The same configuration again: nothing new.
    ASSERT_TRUE(Reconnect());
    EXPECT_EQ(BackupCount(), 1u);

    // A changed configuration read again is kept beside the first.
    DataMap->SwitchRPM = 2700;
    DataMap->RefreshViews();
    DataMap->DownloadBlock(2);
    ASSERT_TRUE(Settle());
    sent.clear();
    ASSERT_TRUE(Reconnect());
    EXPECT_TRUE(WaitFor([] { return BackupCount() == 2; }));
}

// The flasher reads the configuration before it flashes, with no VIN read after it: the backup is
// written at once, under the car whose VIN was read last.
TEST_F(BackupsCompare, AReadWithoutAVinReadIsKeptAtOnceUnderTheLastVin) {
    TEcuSim ecu;
    Connect(ecu);
    ASSERT_TRUE(WaitFor([] { return BackupCount() == 1; }));
    DataMap->RawData.Image.SwitchRPM += 1;
    ASSERT_FALSE(TXQueue->Contains(cmdVIN));
    emit DataMap->ConfigurationRead();
    EXPECT_EQ(BackupCount(), 2u);
}

TEST_F(BackupsCompare, AFolderThatCannotBeWrittenIsReportedOnceAndTheLinkGoesOn) {
    // A file stands where the backups folder would be.
    const QString root = TConfigBackups::DefaultRoot();
    ASSERT_TRUE(QDir().mkpath(QFileInfo(root).path()));
    WriteAll(root, "in the way");
    TEcuSim ecu;
    // Connected, the configuration read and shown, the VIN read after it.
    Connect(ecu);
    auto* keeper = FormMain->findChild<TBackupKeeper*>(QStringLiteral("BackupKeeper"));
    ASSERT_TRUE(keeper);
    ASSERT_TRUE(WaitFor([] { return FormMain->StatusBackup->isVisible(); }));
    EXPECT_TRUE(FormMain->StatusBackup->text().contains(QDir::toNativeSeparators(root)) ||
                FormMain->StatusBackup->text().contains(root))
        << FormMain->StatusBackup->text().toStdString();
    EXPECT_TRUE(SerialLink->ECUisConnected());
    EXPECT_TRUE(dialogs.told.isEmpty()) << dialogs.told.join('|').toStdString();
    QSignalSpy again(keeper, &TBackupKeeper::BackupFailed);
    ASSERT_TRUE(Reconnect());
    RunFor(200);
    EXPECT_EQ(again.count(), 0);
    EXPECT_TRUE(SerialLink->ECUisConnected());
}

TEST_F(BackupsCompare, TheBackupsWindowListsTheCarsBackupsAndOpensOne) {
    TEcuSim ecu;
    Connect(ecu);
    ASSERT_TRUE(WaitFor([] { return BackupCount() == 1; }));
    FormMain->FileBackups1->trigger();
    ASSERT_TRUE(FormBackups && FormBackups->isVisible());
    ASSERT_EQ(FormBackups->ListCars->count(), 1);
    EXPECT_EQ(FormBackups->ListCars->item(0)->text(), Car());
    ASSERT_EQ(FormBackups->ListBackups->topLevelItemCount(), 1);
    const QTreeWidgetItem* item = FormBackups->ListBackups->topLevelItem(0);
    EXPECT_EQ(item->text(3), QStringLiteral("Slave"));
    EXPECT_EQ(item->text(4), QStringLiteral("LPG"));
    EXPECT_FALSE(item->text(2).isEmpty());

    // Open: as File > Open, the configuration is loaded and written to the connected ECU.
    DataMap->TempiGas_Slave_banco1[1][1] = 1.77;
    DataMap->SetSaved(true);
    FormBackups->ButtonOpen->click();
    ASSERT_TRUE(Settle());
    EXPECT_NE(Value(K::TempiGas_Slave_banco1, 1, 1), 1.77);
    EXPECT_TRUE(sent.contains("W9")) << sent.join(' ').toStdString();
}

TEST_F(BackupsCompare, TakingTheOtherCellsGoesTheWayOfEveryEdit) {
    TEcuSim ecu;
    Connect(ecu);
    const QString other = dataHome.filePath("other.cfg");
    ASSERT_TRUE(DataMap->SaveToFile(other));
    // This configuration now differs from the file in one setting and three cells.
    DataMap->SwitchRPM = 2500;
    DataMap->TempiGas_Slave_banco1[3][3] += 0.3;
    DataMap->TempiGas_Slave_banco1[3][4] -= 0.1;
    DataMap->TempiGas_Slave_banco1[4][4] += 0.2;
    DataMap->RefreshViews();

    dialogs.files = {other};
    FormMain->EditCompare1->trigger();
    ASSERT_TRUE(FormCompare && FormCompare->isVisible());
    EXPECT_EQ(FormCompare->SettingsTable->rowCount(), 1);
    EXPECT_EQ(FormCompare->SettingsTable->item(0, 0)->text(), QStringLiteral("SwitchRPM"));
    QTableWidget* map = FormCompare->MapTable(K::TempiGas_Slave_banco1);
    ASSERT_TRUE(map);
    EXPECT_EQ(FormCompare->PageControl->count(), 2);
    // Other higher: red; other lower: blue.
    EXPECT_GT(map->item(2, 2)->background().color().blue(), map->item(2, 2)->background().color().red());
    EXPECT_GT(map->item(2, 3)->background().color().red(), map->item(2, 3)->background().color().blue());
    EXPECT_EQ(map->item(0, 0)->background().style(), Qt::NoBrush);

    // Two of the three cells, through undo snapshot and the write of their block.
    FormCompare->PageControl->setCurrentWidget(map);
    map->setRangeSelected(QTableWidgetSelectionRange(2, 2, 2, 3), true);
    DataMap->SetSaved(true);
    FormCompare->ButtonTakeOther->click();
    ASSERT_TRUE(Settle());
    EXPECT_EQ(sent, QStringList{"W8/1"});
    EXPECT_TRUE(DataMap->UndoAvailable());
    EXPECT_FALSE(DataMap->Saved());
    map = FormCompare->MapTable(K::TempiGas_Slave_banco1);
    ASSERT_TRUE(map);
    EXPECT_EQ(map->item(2, 2)->background().style(), Qt::NoBrush);
    EXPECT_NE(map->item(3, 3)->background().style(), Qt::NoBrush);

    // The setting: its block alone.
    sent.clear();
    FormCompare->PageControl->setCurrentWidget(FormCompare->SettingsTable);
    FormCompare->SettingsTable->selectRow(0);
    FormCompare->ButtonTakeOther->click();
    ASSERT_TRUE(Settle());
    EXPECT_EQ(sent, QStringList{"W2"});
    EXPECT_EQ(DataMap->SwitchRPM, 2000);
    EXPECT_EQ(FormCompare->SettingsTable->rowCount(), 0);
}

// An edit made in the main window while the compare window is open shows when the user comes
// back to the compare window.
TEST_F(BackupsCompare, TheComparisonFollowsEditsMadeMeanwhileInTheMainWindow) {
    TEcuSim ecu;
    Connect(ecu);
    const QString other = dataHome.filePath("other.cfg");
    ASSERT_TRUE(DataMap->SaveToFile(other));
    dialogs.files = {other};
    FormMain->EditCompare1->trigger();
    ASSERT_TRUE(FormCompare && FormCompare->isVisible());
    EXPECT_EQ(FormCompare->SettingsTable->rowCount(), 0);

    FormMain->activateWindow();
    ASSERT_TRUE(WaitFor([] { return FormMain->isActiveWindow(); }));
    DataMap->SwitchRPM = 2500;
    DataMap->RefreshViews();
    FormCompare->activateWindow();
    ASSERT_TRUE(WaitFor([] { return FormCompare->SettingsTable->rowCount() == 1; }));
    EXPECT_EQ(FormCompare->SettingsTable->item(0, 0)->text(), QStringLiteral("SwitchRPM"));
}

TEST_F(BackupsCompare, InterpolateAndSmoothWriteOnlyTheBlocksTheyChange) {
    TEcuSim ecu;
    Connect(ecu);
    DataMap->LambdaProbes = 2;
    DataMap->RefreshViews();
    TNewDrawGrid* grid = Grid("MappaGas_Slave");
    ShowPageOf(grid);
    // A row whose end cells differ: Interpolate draws the line between them, rounded to the grid.
    DataMap->TempiGas_Slave_banco1[2][1] = 1.0;
    DataMap->TempiGas_Slave_banco1[2][5] = 1.4;
    DataMap->TempiGas_Slave_banco1[2][3] = 0.5;
    DataMap->TempiGas_Slave_banco2[2][1] = 1.0;
    DataMap->TempiGas_Slave_banco2[2][3] = 1.0;
    DataMap->TempiGas_Slave_banco2[2][5] = 1.0;
    DataMap->TempiGas_Slave_banco2[2][2] = 1.0;
    DataMap->TempiGas_Slave_banco2[2][4] = 1.0;
    DataMap->Bank = 1;
    Select(grid, 1, 2, 5, 2);
    Key(grid, Qt::Key_Return);
    ASSERT_TRUE(FormModify->isVisible());
    // Bank 2's row is already a line: only bank 1 changes and is written.
    FormModify->BothBankSwitch->setChecked(true);
    FormModify->ButtonInterpolate->click();
    ASSERT_TRUE(Settle());
    EXPECT_EQ(sent, QStringList{"W8/1"});
    for (int c = 1; c <= 5; ++c)
        EXPECT_NEAR(Value(K::TempiGas_Slave_banco1, 2, c), 1.0 + 0.1 * (c - 1), 1e-9) << c;
    EXPECT_FALSE(FormModify->isVisible());

    // Smooth on an even region changes nothing and writes nothing.
    sent.clear();
    for (int r = 6; r <= 8; ++r)
        for (int c = 6; c <= 8; ++c)
            DataMap->TempiGas_Slave_banco1[r][c] = DataMap->TempiGas_Slave_banco2[r][c] = 1.2;
    FormModify->BothBankSwitch->setChecked(false);
    Select(grid, 7, 7, 7, 7);
    Key(grid, Qt::Key_Return);
    FormModify->ButtonSmooth->click();
    ASSERT_TRUE(Settle());
    EXPECT_TRUE(sent.isEmpty()) << sent.join(' ').toStdString();
    EXPECT_TRUE(DataMap->EnableMapRefresh);

    // Smooth of a cell that stands out, with the range check on: the average of the nine.
    DataMap->EnableCheckRanges = true;
    DataMap->TempiGas_Slave_banco1[7][7] = 2.0;
    Select(grid, 7, 7, 7, 7);
    Key(grid, Qt::Key_Return);
    FormModify->ButtonSmooth->click();
    ASSERT_TRUE(Settle());
    EXPECT_EQ(sent, QStringList{"W8/1"});
    EXPECT_NEAR(Value(K::TempiGas_Slave_banco1, 7, 7), (8 * 1.2 + 2.0) / 9, 1e-9);
}

// Pictures of the backups window and of a compare with coloured cells, when CORVANE_SCREENSHOTS
// names a folder.
TEST_F(BackupsCompare, Screenshots) {
    const QString folder = qEnvironmentVariable("CORVANE_SCREENSHOTS");
    if (folder.isEmpty()) GTEST_SKIP() << "CORVANE_SCREENSHOTS is not set";
    TEcuSim ecu;
    Connect(ecu);
    ASSERT_TRUE(WaitFor([] { return BackupCount() == 1; }));
    // A few more backups of the same car over the days, and another car.
    QString error;
    for (int i = 1; i <= 4; ++i) {
        DataMap->TempiGas_Slave_banco1[i][i] += 0.1;
        DataMap->ModelToRaw(DataMap->RawData.Image);
        Backups().Write(Car(), ConfigFileBytes(DataMap->RawData, OperatingMode), SerialLink->Identity(),
                        QDateTime::currentDateTime().addDays(-i * 3), error);
    }
    Backups().Write(QStringLiteral("Fiat Punto 1.2"), ConfigFileBytes(DataMap->RawData, OperatingMode), {},
                    QDateTime::currentDateTime().addDays(-20), error);
    FormMain->FileBackups1->trigger();
    ASSERT_TRUE(FormBackups);
    FormBackups->ListCars->setCurrentRow(1);
    RunFor(300);
    FormBackups->grab().save(QDir(folder).filePath("Backups.png"));

    const QString other = dataHome.filePath("Fiat Punto tuned.cfg");
    ASSERT_TRUE(DataMap->SaveToFile(other));
    DataMap->SwitchRPM = 2500;
    DataMap->SteadyCurrent = 1.2;
    for (int r = 3; r <= 8; ++r)
        for (int c = 2; c <= 6; ++c)
            DataMap->TempiGas_Slave_banco1[r][c] += 0.02 * (r - 5) * (c - 3);
    DataMap->Benzina[5][5] += 0.5;
    DataMap->RefreshViews();
    dialogs.files = {other};
    FormMain->EditCompare1->trigger();
    ASSERT_TRUE(FormCompare);
    FormCompare->PageControl->setCurrentWidget(FormCompare->MapTable(K::TempiGas_Slave_banco1));
    RunFor(300);
    FormCompare->grab().save(QDir(folder).filePath("Compare.png"));
    FormCompare->PageControl->setCurrentWidget(FormCompare->SettingsTable);
    RunFor(300);
    FormCompare->grab().save(QDir(folder).filePath("CompareSettings.png"));
    FormCompare->close();

    // The modify dialog with Interpolate and Smooth beside Set, Add and Add %.
    TNewDrawGrid* grid = Grid("MappaGas_Slave");
    ShowPageOf(grid);
    Select(grid, 2, 3, 5, 6);
    Key(grid, Qt::Key_Return);
    RunFor(300);
    FormModify->grab().save(QDir(folder).filePath("Modify.png"));
}

} // namespace
