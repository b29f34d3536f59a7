// The main window's file and ECU commands: the questions each asks, the files it writes, the
// frames corvane-ecu-sim receives and what the tool holds afterwards.
#include "MapPagesFixture.h"

#include "common/FileBytes.h"
#include "config/ConfigFile.h"
#include "editor/SettingsPages.h"

#include <QApplication>
#include <QDate>
#include <QDir>
#include <QFileInfo>
#include <QPushButton>
#include <QTemporaryDir>
#include <QToolButton>

namespace {

using K = TMapTypeOfData;

const QString Title = QStringLiteral("Corvane Diagnostic 1.01 - ");

class MainCommands : public EcuPagesTest {
protected:
    // A configuration file: the program's configuration with the model text and one cell of the
    // Slave gas map changed; the program's own configuration is left as it was.
    static void WriteConfig(const QString& path, const QString& model, double cell) {
        const QString oldModel = DataMap->Model;
        const double oldCell = DataMap->TempiGas_Slave_banco1[3][3];
        DataMap->Model = model;
        DataMap->TempiGas_Slave_banco1[3][3] = cell;
        // From the image the program keeps, as a write does: raw values that convert to the same
        // engineering value are kept.
        TRawData raw;
        raw.Image = DataMap->RawData.Image;
        DataMap->ModelToRaw(raw.Image);
        DataMap->Model = oldModel;
        DataMap->TempiGas_Slave_banco1[3][3] = oldCell;
        WriteAll(path, ConfigFileBytes(raw, OperatingMode));
    }
    static QString Today() { return QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd")); }
    QString Path(const char* name) const { return QDir(folder.path()).filePath(QLatin1String(name)); }
    static QStringList Writes(const QStringList& sent) {
        QStringList writes;
        for (const QString& s : sent)
            if (s.startsWith(QLatin1Char('W'))) writes << s;
        return writes;
    }
    static QStringList AllBlocks(QChar op) {
        QStringList all;
        for (int b = 1; b <= ConfigBlockCount; ++b) {
            if (!IsBankBlock(b))
                all << op + QString::number(b);
            else
                all << op + QStringLiteral("%1/1").arg(b) << op + QStringLiteral("%1/2").arg(b);
        }
        return all;
    }
    static QByteArray EcuBlock(TEcuSim& ecu, int block, int bank) {
        QStringList lines;
        if (!ecu.Command(QStringLiteral("block %1 %2").arg(block).arg(bank), &lines) || lines.isEmpty())
            return {};
        return QByteArray::fromHex(lines.first().toLatin1());
    }
    // The ECU holds the tool's configuration in the blocks named as writes are ("W8/1"); all of
    // them by default.
    static void ExpectEcuHoldsTheTool(TEcuSim& ecu, const QStringList& blocks = AllBlocks('W')) {
        TRawData raw;
        raw.Image = DataMap->RawData.Image;
        DataMap->ModelToRaw(raw.Image);
        for (const QString& name : blocks) {
            const int block = name.mid(1, 1).toInt(), bank = name.size() > 2 ? name.mid(3).toInt() : 1;
            EXPECT_EQ(EcuBlock(ecu, block, bank).toHex(' ').toStdString(),
                      raw.EncodeBlock(uint8_t(block), bank).toHex(' ').toStdString())
                << name.toStdString();
        }
    }
    void Activate() {
        FormMain->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(FormMain));
    }
    // The program with the simulator named in the settings but not answering yet.
    void CreateBeforeTheEcuAnswers(TEcuSim& ecu) {
        ASSERT_TRUE(ecu.IsRunning()) << ecu.ErrorText().toStdString();
        ASSERT_TRUE(ecu.Fault(QStringLiteral("silent on")));
        ASSERT_TRUE(WriteSetting(QStringLiteral("COMPORT"), ecu.LinkPath()));
        Create();
        QObject::connect(&FormCommunications->Link, &TSerialLink::FrameLogged, FormMain,
                         [this](const QByteArray& frame, bool out) {
                             if (out) Record(frame);
                         });
    }

    QTemporaryDir folder;
};

// ---- Files ------------------------------------------------------------------------------------

TEST_F(MainCommands, SaveOfAnUntitledConfigurationIsSaveAsProposingABuiltName) {
    Create();
    ASSERT_EQ(DataMap->FileName, "Untitled.cfg");
    FormMain->SettingsPages->ControlAs<QLineEdit>("CarTypeEdit")->setText(QStringLiteral("X1"));
    dialogs.files = {Path("mine.cfg")};
    Activate();
    QTest::keyClick(FormMain, Qt::Key_F3);

    ASSERT_EQ(dialogs.fileDialogs, QStringList{"Save configuration as"});
    const QFileInfo proposed(dialogs.fileDialogDirs.value(0));
    EXPECT_TRUE(proposed.isAbsolute()) << proposed.filePath().toStdString();
    EXPECT_EQ(proposed.fileName(), "X1 LPG Slave " + Today() + ".cfg");
    EXPECT_TRUE(QFileInfo::exists(Path("mine.cfg")));
    EXPECT_TRUE(DataMap->Saved());
    // The name follows the configuration, in the folder it was saved to.
    EXPECT_EQ(DataMap->FileName, QDir(folder.path()).filePath("X1 LPG Slave " + Today() + ".cfg"));
    EXPECT_EQ(FormMain->windowTitle(), Title + "X1 LPG Slave " + Today() + ".cfg");
}

TEST_F(MainCommands, NoToTheOverwriteQuestionOpensTheSaveDialogAgain) {
    Create();
    const QString existing = Path("existing.cfg"), fresh = Path("fresh.cfg");
    WriteAll(existing, "1.01SLAV of this version, not a configuration");
    dialogs.files = {existing, fresh};
    dialogs.answers = {mbNo};
    FormMain->ButtonSave->click();
    EXPECT_EQ(dialogs.asked, QStringList{existing + " already exists.\nDo you want to overwrite it ?"});
    EXPECT_EQ(dialogs.fileDialogs.size(), 2);
    EXPECT_EQ(dialogs.fileDialogDirs.value(1), existing);
    EXPECT_EQ(ReadAll(existing), "1.01SLAV of this version, not a configuration");
    EXPECT_TRUE(QFileInfo::exists(fresh));
    EXPECT_EQ(DataMap->FileName, fresh);

    // Yes replaces it.
    dialogs.asked.clear();
    dialogs.files = {existing};
    dialogs.answers = {mbYes};
    FormMain->FileSaveAs1->trigger();
    EXPECT_EQ(dialogs.asked.size(), 1);
    EXPECT_EQ(ReadAll(existing), ReadAll(fresh));
}

TEST_F(MainCommands, ASaveThatFailsLeavesNameSavedStateAndCaption) {
    Create();
    const QString otherVersion = Path("other version.cfg");
    WriteAll(otherVersion, QByteArray("0.99SLAV") + QByteArray(4, '\0'));
    struct Case {
        const char* what;
        const char* fileName; // where the configuration was before
        QStringList files;
        QList<TMsgButton> answers;
        int told;
    };
    const Case cases[] = {
        {"a folder that does not exist", "kept.cfg", {Path("missing/x.cfg")}, {}, 1},
        {"Cancel on the version question", "kept.cfg", {otherVersion}, {mbYes, mbCancel}, 0},
        {"the dialog cancelled", "kept.cfg", {}, {}, 0},
        {"the dialog cancelled on a built name", "Untitled.cfg", {}, {}, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        DataMap->Model = QStringLiteral("X1");
        DataMap->RefreshViews();
        DataMap->SetSaved(false);
        const QString before =
            c.fileName == QLatin1String("Untitled.cfg") ? QString::fromLatin1(c.fileName) : Path(c.fileName);
        DataMap->FileName = before;
        FormMain->setWindowTitle(Title + QFileInfo(before).fileName() + " *");
        dialogs.told.clear();
        dialogs.files = c.files;
        dialogs.answers = c.answers;
        const bool wasSaved = DataMap->Saved();
        FormMain->FileSaveAs1->trigger();
        EXPECT_EQ(DataMap->FileName, before);
        EXPECT_EQ(DataMap->Saved(), wasSaved);
        EXPECT_EQ(FormMain->windowTitle(), Title + QFileInfo(before).fileName() + (wasSaved ? "" : " *"));
        EXPECT_EQ(dialogs.told.size(), c.told) << dialogs.told.join('|').toStdString();
        EXPECT_TRUE(dialogs.answers.isEmpty());
    }
    EXPECT_FALSE(QFileInfo::exists(Path("missing")));
}

TEST_F(MainCommands, OpenWhileUnpluggedMarksTheDownloadPendingAndSaveWritesBesideTheFile) {
    Create();
    const QString opened = Path("car.cfg");
    WriteConfig(opened, QStringLiteral("Punto"), 1.25);
    // The unsaved question comes first; No goes straight to the dialog.
    DataMap->SetSaved(false);
    dialogs.answers = {mbNo};
    dialogs.files = {opened};
    Activate();
    QTest::keyClick(FormMain, Qt::Key_F2);
    EXPECT_EQ(dialogs.asked, QStringList{"Current configuration is unsaved.\nDo you want to save it ?"});
    EXPECT_EQ(dialogs.fileDialogs, QStringList{"Open configuration file"});
    EXPECT_DOUBLE_EQ(DataMap->TempiGas_Slave_banco1[3][3], 1.25);
    EXPECT_EQ(FormMain->windowTitle(), Title + "car.cfg");
    EXPECT_TRUE(FormMain->DownloadPending());
    EXPECT_TRUE(FormMain->ButtonDownload->isDown());
    EXPECT_FALSE(TXQueue->Contains(cmdWriteBlock));
    EXPECT_TRUE(FormMain->EditUndo1->isEnabled());
    // The pending Download button and the Correction page's Reset buttons, for a person to judge.
    if (const QString shots = qEnvironmentVariable("CORVANE_SCREENSHOTS"); !shots.isEmpty()) {
        FormMain->PageControlGeneral->setCurrentIndex(TFormMain::PageCorrection);
        RunFor(300);
        FormMain->grab().save(QDir(shots).filePath(QStringLiteral("DownloadPending.png")));
    }

    // An edit, then Save: the file goes into the opened file's folder, without a dialog.
    DataMap->TempiGas_Slave_banco1[4][4] = 1.11;
    DataMap->SetSaved(false);
    dialogs.fileDialogs.clear();
    QTest::keyClick(FormMain, Qt::Key_F3);
    EXPECT_TRUE(dialogs.fileDialogs.isEmpty());
    EXPECT_TRUE(DataMap->Saved());
    EXPECT_EQ(QFileInfo(DataMap->FileName).absolutePath(), QFileInfo(opened).absolutePath());
    const QStringList files = QDir(folder.path()).entryList({"*.cfg"}, QDir::Files);
    EXPECT_EQ(files.size(), 2) << files.join('|').toStdString();

    // Download writes it and the button stops flashing.
    FormMain->ButtonDownload->click();
    EXPECT_FALSE(FormMain->DownloadPending());
    EXPECT_FALSE(FormMain->ButtonDownload->isDown());
}

TEST_F(MainCommands, OpenWhileConnectedWritesTheWholeConfiguration) {
    TEcuSim ecu;
    Connect(ecu);
    const QString opened = Path("car.cfg");
    WriteConfig(opened, QStringLiteral("Punto"), 1.25);
    dialogs.files = {opened};
    FormMain->ButtonLoad->click();
    ASSERT_TRUE(Settle());
    EXPECT_EQ(Writes(sent), AllBlocks('W'));
    EXPECT_TRUE(sent.endsWith("mode"));
    EXPECT_FALSE(FormMain->DownloadPending());
    ExpectEcuHoldsTheTool(ecu);

    // Merge maps, from a dialog without a title of its own: the same writes.
    sent.clear();
    dialogs.files = {opened};
    FormMain->EditMergeMaps1->trigger();
    ASSERT_TRUE(Settle());
    EXPECT_EQ(dialogs.fileDialogs.last(), QString());
    EXPECT_EQ(Writes(sent), AllBlocks('W'));
}

TEST_F(MainCommands, APendingDownloadIsOfferedWhenTheEcuConnects) {
    const QString question = QStringLiteral(
        "The configuration in the tool has not been written to the ECU.\nWrite it to the ECU now ?");
    for (TMsgButton answer : {mbYes, mbNo}) {
        SCOPED_TRACE(answer == mbYes ? "Yes" : "No");
        TEcuSim ecu;
        CreateBeforeTheEcuAnswers(ecu);
        const QString opened = Path("car.cfg");
        WriteConfig(opened, QStringLiteral("Punto"), 1.25);
        dialogs.files = {opened};
        FormMain->FileOpen1->trigger();
        ASSERT_TRUE(FormMain->DownloadPending());
        TRawData file;
        file.Image = DataMap->RawData.Image;
        DataMap->ModelToRaw(file.Image);

        dialogs.answers = {answer};
        ASSERT_TRUE(ecu.Fault(QStringLiteral("silent off")));
        ASSERT_TRUE(WaitFor([] { return SerialLink->ECUisConnected(); }));
        ASSERT_TRUE(WaitFor([&] { return dialogs.asked.contains(question); }));
        ASSERT_TRUE(WaitFor([&] { return !sent.isEmpty() && Idle(); }));
        EXPECT_FALSE(FormMain->DownloadPending());
        if (answer == mbYes) {
            EXPECT_EQ(Writes(sent), AllBlocks('W'));
            EXPECT_FALSE(sent.contains("R1"));
            EXPECT_DOUBLE_EQ(DataMap->TempiGas_Slave_banco1[3][3], 1.25);
            EXPECT_EQ(EcuBlock(ecu, 8, 1).toHex(), file.EncodeBlock(8, 1).toHex());
            ExpectEcuHoldsTheTool(ecu);
        } else {
            QStringList reads;
            for (const QString& s : sent)
                if (s.startsWith(QLatin1Char('R'))) reads << s;
            EXPECT_EQ(reads, AllBlocks('R'));
            EXPECT_TRUE(Writes(sent).isEmpty());
            EXPECT_NE(DataMap->TempiGas_Slave_banco1[3][3], 1.25);
            EXPECT_EQ(DataMap->Model, "Punto 1.2 8V");
            // Undo brings the tool's configuration back, and writes it.
            sent.clear();
            ASSERT_TRUE(FormMain->EditUndo1->isEnabled());
            FormMain->ButtonUndo->click();
            ASSERT_TRUE(Settle());
            EXPECT_DOUBLE_EQ(DataMap->TempiGas_Slave_banco1[3][3], 1.25);
            EXPECT_EQ(Writes(sent), AllBlocks('W'));
            EXPECT_EQ(EcuBlock(ecu, 8, 1).toHex(), file.EncodeBlock(8, 1).toHex());
        }
        DestroyProgram();
        sent.clear();
        resending.clear();
        dialogs.asked.clear();
    }
}

TEST_F(MainCommands, WithoutAPendingDownloadConnectionReadsTheEcuWithoutAsking) {
    TEcuSim ecu;
    Connect(ecu);
    EXPECT_TRUE(dialogs.asked.isEmpty());
    EXPECT_EQ(DataMap->Model, "Punto 1.2 8V");
}

// ---- The ECU ----------------------------------------------------------------------------------

TEST_F(MainCommands, SwitchModeWhileConnectedWaitsForTheEcusReply) {
    TEcuSim ecu;
    Connect(ecu);
    ASSERT_EQ(OperatingMode, SlaveMode);
    dialogs.answers = {mbYes};
    FormMain->ECUSwitchMode1->trigger();
    EXPECT_EQ(dialogs.asked,
              QStringList{"Switching to Compensated mode. Lambda controller\nand offset will be "
                          "reset to defaults.\nAre you sure ?"});
    // Nothing changes until the ECU answers.
    EXPECT_EQ(OperatingMode, SlaveMode);
    EXPECT_FALSE(DataMap->PetrolAcquire);
    ASSERT_TRUE(WaitFor([] { return OperatingMode == CompensatedMode; }));
    ASSERT_TRUE(Settle());
    EXPECT_EQ(sent, (QStringList{"mode", "W5", "W2", "W9", "mode"}));
    EXPECT_EQ(DataMap->IntegralRich, 40);
    EXPECT_EQ(DataMap->IntegralLean, 30);
    EXPECT_TRUE(DataMap->PetrolAcquire);
    EXPECT_TRUE(DataMap->GasAdapt);
    EXPECT_EQ(DataMap->AdaptMinRPM, DataMap->Giri_Comp[1]);
    EXPECT_TRUE(FormMain->PageControlGeneral->isTabVisible(TFormMain::PageGasMapComp));
    EXPECT_EQ(ecu.Value(QStringLiteral("mode")), "compensated");
    ExpectEcuHoldsTheTool(ecu, {"W5", "W2", "W9"});
}

TEST_F(MainCommands, SwitchModeUnpluggedSwitchesAtOnce) {
    Create();
    dialogs.answers = {mbNo};
    FormMain->ECUSwitchMode1->trigger();
    EXPECT_EQ(OperatingMode, SlaveMode);
    dialogs.answers = {mbYes};
    FormMain->ECUSwitchMode1->trigger();
    EXPECT_EQ(OperatingMode, CompensatedMode);
    EXPECT_EQ(DataMap->IntegralRich, 40);
    EXPECT_DOUBLE_EQ(DataMap->InjectorOffset, 0);
    EXPECT_TRUE(FormMain->PageControlGeneral->isTabVisible(TFormMain::PageGasMapComp));
    // And back, with the other question.
    dialogs.answers = {mbYes};
    FormMain->ECUSwitchMode1->trigger();
    EXPECT_EQ(dialogs.asked.last(), "Switching to Slave mode. Lambda controller\nand offset will be reset to "
                                    "defaults.\nAre you sure ?");
    EXPECT_EQ(OperatingMode, SlaveMode);
    EXPECT_DOUBLE_EQ(DataMap->InjectorOffset, 0.8);
}

TEST_F(MainCommands, TurboAsksAndSetsTheAxesOnYesOnly) {
    TEcuSim ecu;
    Connect(ecu);
    QPushButton* turbo = FormMain->SettingsPages->ButtonTurbo;
    const double normalMap = DataMap->MAP_Comp[12];
    ASSERT_LT(normalMap, 1500);
    struct Case {
        TMsgButton answer;
        bool checked;
        double map12;
        QStringList writes;
    };
    const Case cases[] = {
        {mbCancel, false, normalMap, {}},
        {mbNo, true, normalMap, {}},
        {mbYes, true, 2000, {"W4/1", "W8/1", "W9"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.answer);
        DataMap->RefreshViews();
        ASSERT_FALSE(turbo->isChecked());
        sent.clear();
        dialogs.asked.clear();
        dialogs.answers = {c.answer};
        turbo->click();
        ASSERT_TRUE(Settle());
        EXPECT_EQ(dialogs.asked, QStringList{"Setting gas map for turbo. Are you sure ?"});
        EXPECT_EQ(turbo->isChecked(), c.checked);
        EXPECT_DOUBLE_EQ(DataMap->MAP_Comp[12], c.map12);
        EXPECT_EQ(sent, c.writes);
    }
    EXPECT_DOUBLE_EQ(DataMap->TempiBenzina_Slave[12], 20);
    ExpectEcuHoldsTheTool(ecu, {"W4/1", "W8/1", "W9"});

    // Released again: the normal axes.
    dialogs.answers = {mbYes};
    turbo->click();
    EXPECT_EQ(dialogs.asked.last(), "Resetting gas map for turbo. Are you sure ?");
    EXPECT_DOUBLE_EQ(DataMap->MAP_Comp[12], 1050);
}

TEST_F(MainCommands, TurboUnpluggedWritesNothing) {
    Create();
    OperatingMode = CompensatedMode;
    FormMain->ApplyOperatingMode();
    dialogs.answers = {mbYes};
    FormMain->SettingsPages->ButtonTurbo->click();
    EXPECT_EQ(dialogs.asked, QStringList{"Setting petrol and gas map for turbo. Are you sure ?"});
    EXPECT_DOUBLE_EQ(DataMap->MAP_Comp[12], 2000);
    EXPECT_EQ(DataMap->AdaptCompMaxY, 2000);
    EXPECT_FALSE(TXQueue->Contains(cmdWriteBlock));
}

TEST_F(MainCommands, EachResetAsksByFuelModeAndReducerAndWritesItsBlock) {
    TEcuSim ecu;
    Connect(ecu);
    struct Case {
        const char* command; // an action, or a button of the Correction page
        uint8_t mode;
        uint8_t fuel;
        int reducer;
        const char* question;
        int page; // shown first; -1: the page stays
        QStringList writes;
    };
    const QStringList all = AllBlocks('W');
    const Case cases[] = {
        {"EditResetAll", SlaveMode, FuelLPG, 1,
         "Resetting ECU configuration to Slave LPG default.\nAre you sure ?", -1, all},
        {"EditResetAll", SlaveMode, FuelCNG, 0,
         "Resetting ECU configuration to Slave CNG default.\nAre you sure ?", -1, all},
        {"EditResetAll", CompensatedMode, FuelLPG, 1,
         "Resetting ECU configuration to Compensated LPG default.\nThis will erase the maps: are you sure ?",
         -1, all},
        {"EditResetAll", CompensatedMode, FuelCNG, 0,
         "Resetting ECU configuration to Compensated CNG default.\nThis will erase the maps: are you sure ?",
         -1, all},
        {"EditResetMap",
         SlaveMode,
         FuelCNG,
         0,
         "Resetting Slave gas map to CNG default values.\nAre you sure ?",
         TFormMain::PageGasMapSlave,
         {"W8/1"}},
        {"EditResetMap",
         SlaveMode,
         FuelLPG,
         1,
         "Resetting Slave gas map to LPG default values.\nAre you sure ?",
         TFormMain::PageGasMapSlave,
         {"W8/1"}},
        {"ButtonResetWater",
         SlaveMode,
         FuelLPG,
         1,
         "Resetting water's temperature correction table to default.\nAre you sure ?",
         TFormMain::PageCorrection,
         {"W6"}},
        {"ButtonResetGas",
         SlaveMode,
         FuelLPG,
         1,
         "Resetting gas temperature correction table to default.\nAre you sure ?",
         TFormMain::PageCorrection,
         {"W6"}},
        {"ButtonResetPress",
         SlaveMode,
         FuelCNG,
         0,
         "Resetting gas pressure correction table to CNG STD default.\nAre you sure ?",
         TFormMain::PageCorrection,
         {"W6"}},
        {"ButtonResetPress",
         SlaveMode,
         FuelLPG,
         1,
         "Resetting gas pressure correction table to LPG STD default.\nAre you sure ?",
         TFormMain::PageCorrection,
         {"W6"}},
        {"ButtonResetPress",
         SlaveMode,
         FuelLPG,
         2,
         "Resetting gas pressure correction table to LPG MP default.\nAre you sure ?",
         TFormMain::PageCorrection,
         {"W6"}},
        {"ButtonResetPress",
         SlaveMode,
         FuelLPG,
         3,
         "Resetting gas pressure correction table to LPG HP default.\nAre you sure ?",
         TFormMain::PageCorrection,
         {"W6"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.command) + " " + c.question);
        OperatingMode = c.mode;
        FormMain->ApplyOperatingMode();
        DataMap->Fuel = c.fuel;
        DataMap->ReducerType = c.reducer;
        DataMap->RefreshViews();
        FormMain->PageControlGeneral->setCurrentIndex(TFormMain::PageGeneral);
        auto run = [&] {
            if (auto* action = FormMain->findChild<QAction*>(QLatin1String(c.command)))
                action->trigger();
            else if (auto* button = FormMain->findChild<QPushButton*>(QLatin1String(c.command)))
                button->click();
            else
                ADD_FAILURE() << "no " << c.command;
        };
        // No changes nothing. (A write equal to the last one is not taken for a resend.)
        sent.clear();
        resending.clear();
        dialogs.asked.clear();
        dialogs.answers = {mbNo};
        run();
        ASSERT_TRUE(Settle());
        EXPECT_EQ(dialogs.asked, QStringList{c.question});
        EXPECT_TRUE(sent.isEmpty()) << sent.join(' ').toStdString();
        EXPECT_EQ(FormMain->PageControlGeneral->currentIndex(),
                  c.page < 0 ? int(TFormMain::PageGeneral) : c.page);

        dialogs.answers = {mbYes};
        run();
        ASSERT_TRUE(Settle());
        EXPECT_EQ(Writes(sent), c.writes);
        EXPECT_EQ(DataMap->Fuel, c.fuel);
        ExpectEcuHoldsTheTool(ecu, c.writes);
    }
    // The defaults arrived: the last reset was the LPG HP pressure table.
    EXPECT_DOUBLE_EQ(DataMap->PressioneGas[1], 700);
    EXPECT_FALSE(FormMain->DownloadPending());
}

// ---- Copy and paste ---------------------------------------------------------------------------

TEST_F(MainCommands, CopyAndPasteWriteTheBlockOfThePastedTable) {
    TEcuSim ecu;
    Connect(ecu);
    DataMap->LambdaProbes = 2;
    DataMap->RefreshViews();
    TNewDrawGrid* grid = Grid("MappaGas_Slave");
    ShowPageOf(grid);
    FormMain->activateWindow();
    grid->setFocus();
    ASSERT_TRUE(WaitFor([grid] { return QApplication::focusWidget() == grid; }));

    // One cell copies nothing.
    Select(grid, 4, 4, 4, 4);
    QTest::keyClick(grid, Qt::Key_C, Qt::ControlModifier);
    EXPECT_TRUE(DataMap->GridClipboard.IsEmpty());

    struct Case {
        const char* what;
        TGridRect from, to;
        int probes;
        QStringList writes;
        QStringList told;
    };
    const Case cases[] = {
        {"a block of the gas map, two probes",
         {2, 2, 3, 3},
         {5, 5, 6, 6},
         2,
         {"W8/1"},
         {"Bank 2 has not been changed."}},
        {"a block of the gas map, one probe", {2, 2, 3, 3}, {7, 7, 8, 8}, 1, {"W8/1"}, {}},
        {"the RPM axis", {2, 0, 3, 0}, {2, 0, 3, 0}, 2, {"W8/1"}, {}},
        {"the petrol time axis", {0, 1, 0, 2}, {0, 1, 0, 2}, 2, {"W8/1"}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        DataMap->LambdaProbes = c.probes;
        DataMap->RefreshViews();
        sent.clear();
        resending.clear();
        dialogs.told.clear();
        Select(grid, c.from.Left, c.from.Top, c.from.Right, c.from.Bottom);
        QTest::keyClick(grid, Qt::Key_C, Qt::ControlModifier);
        EXPECT_FALSE(DataMap->GridClipboard.IsEmpty());
        Select(grid, c.to.Left, c.to.Top, c.to.Right, c.to.Bottom);
        QTest::keyClick(grid, Qt::Key_V, Qt::ControlModifier);
        ASSERT_TRUE(Settle());
        EXPECT_EQ(sent, c.writes);
        EXPECT_EQ(dialogs.told, c.told);
        ExpectEcuHoldsTheTool(ecu, c.writes);
    }
    EXPECT_DOUBLE_EQ(Value(K::TempiGas_Slave_banco1, 5, 5), Value(K::TempiGas_Slave_banco1, 2, 2));
    EXPECT_DOUBLE_EQ(Value(K::TempiGas_Slave_banco1, 6, 6), Value(K::TempiGas_Slave_banco1, 3, 3));
    EXPECT_TRUE(FormMain->EditUndo1->isEnabled());
}

TEST_F(MainCommands, PastedPrimeTimesReachTheEcu) {
    TEcuSim ecu;
    Connect(ecu);
    // The prime times apply to the changeover conditions above 1 only.
    DataMap->SwitchCondition = 2;
    DataMap->RefreshViews();
    TNewDrawGrid* grid = Grid("Mappa_Cicchetto");
    ASSERT_TRUE(grid->isEnabled());
    ShowPageOf(grid);
    FormMain->activateWindow();
    grid->setFocus();
    ASSERT_TRUE(WaitFor([grid] { return QApplication::focusWidget() == grid; }));
    DataMap->TempoCicchetto[1] = 2.5;
    DataMap->TempoCicchetto[2] = 3.5;
    Select(grid, 0, 1, 1, 1);
    FormMain->EditCopy1->trigger();
    Select(grid, 3, 1, 4, 1);
    FormMain->EditPaste1->trigger();
    ASSERT_TRUE(Settle());
    EXPECT_EQ(sent, QStringList{"W7"});
    EXPECT_DOUBLE_EQ(DataMap->TempoCicchetto[4], 2.5);
    EXPECT_DOUBLE_EQ(DataMap->TempoCicchetto[5], 3.5);
    ExpectEcuHoldsTheTool(ecu, {"W7"});
}

// ---- Range checking ---------------------------------------------------------------------------

TEST_F(MainCommands, CheckRangesPersistsAcrossARestart) {
    Create();
    ASSERT_FALSE(FormMain->EditEnableRangeCheck1->isChecked());
    FormMain->EditEnableRangeCheck1->trigger();
    EXPECT_TRUE(DataMap->EnableCheckRanges);
    EXPECT_EQ(ReadSetting(QStringLiteral("RANGE_CHECK")), "TRUE");

    DestroyProgram();
    Create();
    EXPECT_TRUE(FormMain->EditEnableRangeCheck1->isChecked());
    EXPECT_TRUE(DataMap->EnableCheckRanges);
    FormMain->EditEnableRangeCheck1->trigger();
    EXPECT_FALSE(DataMap->EnableCheckRanges);
    EXPECT_EQ(ReadSetting(QStringLiteral("RANGE_CHECK")), "FALSE");
}

// ---- Reset ECU and the queue ------------------------------------------------------------------

TEST_F(MainCommands, ResetEcuAsksFirst) {
    TEcuSim ecu;
    Connect(ecu);
    dialogs.answers = {mbNo};
    FormMain->ECUReset1->trigger();
    EXPECT_EQ(dialogs.asked, QStringList{"Resetting ECU: are you sure ?"});
    EXPECT_FALSE(TXQueue->Contains(cmdReset));
    dialogs.answers = {mbYes};
    FormMain->ECUReset1->trigger();
    EXPECT_TRUE(TXQueue->Contains(cmdReset));
    // The ECU restarts through its boot monitor and the link comes back to frames.
    EXPECT_TRUE(WaitFor([] { return !TXQueue->Contains(cmdReset); }));
}

} // namespace
