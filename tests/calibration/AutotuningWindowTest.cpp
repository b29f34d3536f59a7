#include "calibration/UnitAutotuningKeld.h"
#include "calibration/UnitIndiciQualita.h"
#include "calibration/UnitMapCheck.h"
#include "editor/MapPagesFixture.h"
#include "editor/NewDrawGrid.h"
#include "widgets/NumericEdit.h"
#include "widgets/RoundMeter.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFrame>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QToolButton>
#include <iostream>

namespace {

using K = TMapTypeOfData;

// The auto-tuning window in the whole program against corvane-ecu-sim: an engine held at the
// working point whose gas map is 10 % rich (it needs 1 / 1.1 of the default map it holds).
class AutotuningEcuTest : public EcuPagesTest {
protected:
    static constexpr double RichDemand = 1 / 1.1;

    ~AutotuningEcuTest() override {
        if (FormAutotuningKeld) FormAutotuningKeld->close();
    }

    // The largest relative difference of each bank's gas map from the engine's true one.
    static std::pair<double, double> MapError(TEcuSim& ecu) {
        QStringList lines;
        if (!ecu.Command(QStringLiteral("map-error"), &lines) || lines.size() != 2) return {-1, -1};
        return {lines[0].toDouble(), lines[1].toDouble()};
    }

    void Shot(const QString& folder, const QString& name) {
        if (folder.isEmpty()) return;
        FormAutotuningKeld->grab().save(QDir(folder).filePath(name + QStringLiteral(".png")));
    }

    // Runs the procedure from START to the end; the screenshots go to folder when it is set.
    void RunSlave(const QString& folder) {
        TEcuSim ecu;
        ASSERT_TRUE(ecu.Command(QStringLiteral("demand %1").arg(RichDemand, 0, 'f', 4)))
            << ecu.ErrorText().toStdString();
        ASSERT_TRUE(ecu.Command(QStringLiteral("temp 85 62")));
        ASSERT_TRUE(ecu.WorkingPoint(2000, 4.5));
        Connect(ecu);
        if (HasFatalFailure()) return;
        ASSERT_EQ(OperatingMode, SlaveMode);
        const auto before = MapError(ecu);
        ASSERT_GT(before.first, 0.09) << "the simulated map should start 10 % rich";

        TFormAutotuningKeld& w = *FormAutotuningKeld;
        w.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
        ASSERT_TRUE(WaitFor([] { return Idle(); })); // blocks 2 and 5 of the opening
        ASSERT_TRUE(w.ButtonStart->isEnabled());
        EXPECT_EQ(w.ButtonCancel->text(), QStringLiteral("Cancel"));
        EXPECT_FALSE(w.ButtonCancel->isEnabled());
        RunFor(700);
        Shot(folder, QStringLiteral("00-ready"));

        QElapsedTimer clock;
        clock.start();
        w.ButtonStartClick();
        ASSERT_FALSE(w.EditRPM->isEnabled());
        int shots = 0, steps = 0, lastStep = w.Tuning.Step, lastIteration = 0;
        bool halfShot = false;
        const bool done = WaitFor(
            [&] {
                const TAutotuning& t = w.Tuning;
                if (t.Step != lastStep || t.Iterations != lastIteration) {
                    ++steps;
                    lastStep = t.Step;
                    lastIteration = t.Iterations;
                    halfShot = false;
                    if (t.Step != 0) {
                        Shot(folder, QStringLiteral("%1-iteration%2-step%3")
                                         .arg(++shots, 2, 10, QLatin1Char('0'))
                                         .arg(t.Iterations)
                                         .arg(t.Step));
                    }
                }
                // Half-way through an acquisition, with the progress bars and the meter moving.
                if ((t.Step == 3 || t.Step == 6) && !halfShot && t.ProgressTinj >= 50) {
                    halfShot = true;
                    Shot(folder, QStringLiteral("%1-iteration%2-step%3-steadying")
                                     .arg(++shots, 2, 10, QLatin1Char('0'))
                                     .arg(t.Iterations)
                                     .arg(t.Step));
                }
                return t.Finished || !dialogs.told.isEmpty();
            },
            600000);
        const double seconds = clock.elapsed() / 1000.0;
        ASSERT_TRUE(done) << "no convergence in 10 minutes, at step " << w.Tuning.Step;
        ASSERT_TRUE(dialogs.told.isEmpty()) << dialogs.told.join(QLatin1Char('\n')).toStdString();
        RunFor(400);
        Shot(folder, QStringLiteral("%1-finished").arg(++shots, 2, 10, QLatin1Char('0')));
        std::cout << "[ figures  ] converged after " << w.Tuning.Iterations << " iterations, " << steps
                  << " step changes, " << seconds << " s" << std::endl;
        RecordProperty("iterations", w.Tuning.Iterations);
        RecordProperty("seconds", QString::number(seconds, 'f', 1).toStdString());

        EXPECT_EQ(w.LabelInstructions->text(), QStringLiteral("Finished - click EXIT"));
        EXPECT_EQ(w.ButtonCancel->text(), QStringLiteral("Exit"));
        ASSERT_TRUE(WaitFor([] { return Idle(); }));
        const auto after = MapError(ecu);
        const double accuracy = w.Tuning.Accuracy / 100.0;
        // The map is stored in steps of 1/128; a cell may be off by half a step more.
        const double stored = 0.5 / 128 / 0.8;
        EXPECT_LE(after.first, accuracy + stored) << "bank 1 was " << before.first;
        if (DataMap->LambdaProbes > 1) {
            EXPECT_LE(after.second, accuracy + stored);
        }
        EXPECT_TRUE(sent.contains(QStringLiteral("W8/1")));

        // Exit closes the window; it opens again ready for a new run.
        w.ButtonCancelClick();
        EXPECT_FALSE(w.isVisible());
        w.show();
        EXPECT_EQ(w.ButtonCancel->text(), QStringLiteral("Cancel"));
        EXPECT_EQ(w.LabelInstructions->text(), QStringLiteral("Set the working point and press START"));
        w.close();
        if (folder.isEmpty()) return;
        FormIndiciQualita->show();
        RunFor(300);
        FormIndiciQualita->grab().save(QDir(folder).filePath(QStringLiteral("NozzleCheck.png")));
        FormIndiciQualita->close();
        FormMapCheck->show();
        RunFor(300);
        for (int page = 0; page < FormMapCheck->PageControl->count(); ++page) {
            FormMapCheck->PageControl->setCurrentIndex(page);
            RunFor(200);
            FormMapCheck->grab().save(QDir(folder).filePath(QStringLiteral("MapCheck-%1.png").arg(page)));
        }
        FormMapCheck->close();
    }
};

TEST_F(AutotuningEcuTest, SlaveRunOnARichMapConvergesToTheEnginesMap) {
    RunSlave(QString());
}

// CORVANE_SCREENSHOTS=<folder> keeps a picture of each step of a run.
TEST_F(AutotuningEcuTest, Screenshots) {
    const QString folder = qEnvironmentVariable("CORVANE_SCREENSHOTS");
    if (folder.isEmpty()) GTEST_SKIP() << "CORVANE_SCREENSHOTS is not set";
    RunSlave(folder);
}

// Opening clears the acquisition and adaptation flags and writes them; closing puts them back.
TEST_F(AutotuningEcuTest, OpeningAndClosingWriteTheFlags) {
    TEcuSim ecu;
    Connect(ecu);
    if (HasFatalFailure()) return;
    DataMap->PetrolAcquire = true;
    DataMap->RefreshViews();
    FormAutotuningKeld->show();
    ASSERT_TRUE(Settle());
    EXPECT_FALSE(DataMap->PetrolAcquire);
    EXPECT_TRUE(sent.contains(QStringLiteral("W2")));
    EXPECT_TRUE(sent.contains(QStringLiteral("W5")));
    sent.clear();
    FormAutotuningKeld->close();
    ASSERT_TRUE(Settle());
    EXPECT_TRUE(DataMap->PetrolAcquire);
    EXPECT_EQ(sent, QStringList{QStringLiteral("W2")});
}

// Opening the window brings the main window's gas map of the operating mode to the front, from
// whichever page was shown.
class AutotuningOpeningTest : public MapPagesTest {};

TEST_F(AutotuningOpeningTest, OpeningShowsTheGasMapPageOfTheMode) {
    Create();
    const struct {
        uint8_t mode;
        int page;
    } cases[] = {{SlaveMode, TFormMain::PageGasMapSlave}, {CompensatedMode, TFormMain::PageGasMapComp}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.mode == SlaveMode ? "Slave" : "Compensated");
        OperatingMode = c.mode;
        FormMain->ApplyOperatingMode();
        FormMain->PageControlGeneral->setCurrentIndex(TFormMain::PageGeneral);
        FormAutotuningKeld->show();
        EXPECT_EQ(FormMain->PageControlGeneral->currentIndex(), c.page);
        FormAutotuningKeld->close();
    }
}

// ---- Map check and nozzle check windows ----

class CheckWindowsTest : public MapPagesTest {};

TEST_F(CheckWindowsTest, NozzleCheckShowsBankOneHalfWithOneProbe) {
    Create();
    DataMap->LambdaProbes = 1;
    for (int i = 1; i <= MapRowCount; ++i)
        for (int j = 1; j <= MapColumnCount; ++j) {
            DataMap->SetMapValue(K::TempiGas_Slave_banco1, i, 1.0, j);
            DataMap->SetMapValue(K::TempiGas_Slave_banco2, i, 0.7, j);
        }
    TFormIndiciQualita& w = *FormIndiciQualita;
    w.show();
    const int half = w.width();
    EXPECT_FALSE(w.findChild<QFrame*>(QStringLiteral("PanelBank2"))->isVisible());
    EXPECT_EQ(w.LabelNozzles1->text(), QStringLiteral("Nozzles OK"));
    EXPECT_EQ(w.ValoreQualitaMappa1->text(), QStringLiteral("1.0"));
    EXPECT_EQ(w.SpreadMap1->text(), QStringLiteral("1.0"));
    EXPECT_EQ(w.LabelNozzles2->text(), QStringLiteral("Nozzles too big")); // computed all the same
    w.close();
    // Closing gives back the width of both banks.
    EXPECT_GT(w.width(), half + half / 2);
}

TEST_F(CheckWindowsTest, MapCheckGridsAndSyncWithoutEcu) {
    Create();
    TFormMapCheck& w = *FormMapCheck;
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    EXPECT_EQ(w.Check.WaterIndex, 8);
    EXPECT_EQ(w.Check.PressureIndex, 13);
    // The grids show what the check computes, cell for cell.
    const double gas = w.Check.GasTime(4, 2, false);
    EXPECT_EQ(w.MappaTempiSlave->CellText(4, 2), QString::asprintf("%3.2f", gas));
    EXPECT_EQ(w.MappaFullOpen->CellText(0, 2),
              QString::asprintf("%3d", int(DataMap->GetTableValue(K::Giri_Slave, 2))));
    // Spin buttons move the index and the value shown.
    w.SpinDown[0]->click();
    EXPECT_EQ(w.Check.WaterIndex, 7);
    EXPECT_EQ(w.EditWaterTemp->text(),
              QString::number(DataMap->GetTableValue(K::TemperaturaRiduttore, 7), 'f', 0));
    // Without an ECU Sync does not stay pressed.
    w.ButtonSync->click();
    EXPECT_FALSE(w.ButtonSync->isChecked());
    EXPECT_FALSE(w.CorrectionSynched);
    // Resizing keeps ten columns and thirteen rows filling the grid.
    w.resize(900, 640);
    RunFor(100);
    EXPECT_EQ(w.MappaTempiSlave->DefaultColWidth(), int(w.MappaTempiSlave->width() * 0.98 / 10));
    w.close();
}

// With Sync on, the indices follow the live values and a spin button has no lasting effect.
TEST_F(AutotuningEcuTest, MapCheckSyncFollowsTheLiveData) {
    TEcuSim ecu;
    ASSERT_TRUE(ecu.Command(QStringLiteral("temp 85 62")));
    Connect(ecu);
    if (HasFatalFailure()) return;
    TFormMapCheck& w = *FormMapCheck;
    w.show();
    w.ButtonSync->click();
    ASSERT_TRUE(w.CorrectionSynched);
    Acquisitions->SetStatusUpdate(true);
    ASSERT_TRUE(WaitFor([] { return Acquisitions->WaterTemp > 80; }));
    TMapCheck expected(*DataMap);
    expected.FollowLiveData(Acquisitions->WaterTemp, Acquisitions->GasTemp, Acquisitions->GasPress);
    ASSERT_TRUE(WaitFor([&] { return w.Check.WaterIndex == expected.WaterIndex; }));
    const int index = w.Check.WaterIndex;
    w.SpinDown[0]->click();
    ASSERT_TRUE(WaitFor([&] { return w.Check.WaterIndex == index; }, 5000));
    w.close();
}

} // namespace
