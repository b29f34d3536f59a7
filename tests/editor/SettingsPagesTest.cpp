// The settings pages without an ECU: what an edit does to the model and the controls, the
// enabling rules, the presets of the lists, the range hint, and pictures of the pages.
#include "SettingsPagesFixture.h"

#include "calibration/UnitAutoAdaptiveParams.h"

#include "app/Constants.h"

#include <QApplication>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>

namespace {

TEST_F(SettingsPagesTest, ChangeoverSpeedIsRoundedToHundredsTiesUp) {
    Create();
    ShowPage(TFormMain::PageFunctions);
    const std::pair<const char*, int> cases[] = {
        {"2049", 2000}, {"2050", 2100}, {"2151", 2200}, {"500", 500}};
    for (const auto& [typed, stored] : cases) {
        SCOPED_TRACE(typed);
        TypeInto("EditSogliaGiri", QLatin1String(typed));
        EXPECT_EQ(DataMap->SwitchRPM, stored);
        EXPECT_EQ(Find<TNumericEdit>("EditSogliaGiri")->IntegerValue(), stored);
    }
}

TEST_F(SettingsPagesTest, OutOfRangeIsRefusedWithRangeCheckingOnAndKeptWithItOff) {
    Create();
    ShowPage(TFormMain::PageFunctions);
    DataMap->ConfigDate = QStringLiteral("010120");
    DataMap->RefreshViews();
    const double before = DataMap->SteadyCurrent;

    DataMap->EnableCheckRanges = true;
    TypeInto("EditCorrenteMantenimento", QStringLiteral("2.5"));
    EXPECT_EQ(dialogs.told, QStringList{QStringLiteral("Parameter out of range.")});
    EXPECT_DOUBLE_EQ(DataMap->SteadyCurrent, before);
    EXPECT_DOUBLE_EQ(Find<TNumericEdit>("EditCorrenteMantenimento")->Value(), before);
    EXPECT_EQ(DataMap->ConfigDate, QStringLiteral("010120")) << "a refused edit stamps nothing";
    EXPECT_FALSE(FormMain->EditUndo1->isEnabled());

    // The offset field refuses values above its maximum by itself, range check or not.
    TypeInto("EditOffsetIniettore", QStringLiteral("12"));
    EXPECT_TRUE(dialogs.told.size() == 1);
    EXPECT_DOUBLE_EQ(DataMap->InjectorOffset, 10);

    dialogs.told.clear();
    DataMap->EnableCheckRanges = false;
    TypeInto("EditCorrenteMantenimento", QStringLiteral("2.5"));
    EXPECT_TRUE(dialogs.told.isEmpty());
    EXPECT_DOUBLE_EQ(DataMap->SteadyCurrent, 2.5);
    EXPECT_TRUE(FormMain->EditUndo1->isEnabled());
}

// Each kind of control, changed as the user changes it, takes its value into the model and
// stamps the configuration with today's date, in the model and in the date fields.
TEST_F(SettingsPagesTest, EveryAcceptedEditStampsTodaysDate) {
    Create();
    struct Case {
        const char* what;
        int page;
        std::function<void()> edit;
        std::function<bool()> stored;
    };
    const Case cases[] = {
        {"a spin field", TFormMain::PageGeneral, [] { Find<QSpinBox>("CylindersEdit")->setValue(6); },
         [] { return DataMap->Cylinders == 6; }},
        {"a list", TFormMain::PageGeneral,
         [] { Find<QComboBox>("ComboBoxTipoAccensione")->setCurrentIndex(2); },
         [] { return DataMap->IgnitionType == 2; }},
        {"a plain numeric field", TFormMain::PageFunctions,
         [] { TypeInto("EditTempoMassimaCorrente", QStringLiteral("12")); },
         [] { return DataMap->MaxCurrentTime == 12; }},
        {"a check box", TFormMain::PageLambda, [] { Find<QCheckBox>("EnableLambdaController")->click(); },
         [] { return DataMap->LambdaControllerOn; }},
        {"a two-state button", TFormMain::PageFunctions,
         [] { Find<QPushButton>("ButtonUpdateGas")->click(); }, [] { return DataMap->GasAdapt; }},
        {"a slider", TFormMain::PageDrivability, [] { Find<QSlider>("SliderExtraInjection")->setValue(35); },
         [] { return qFuzzyCompare(DataMap->ExtraInjectionFilter, 3.5); }},
        {"the model text on Enter", TFormMain::PageGeneral,
         [] {
             auto* model = Find<QLineEdit>("CarTypeEdit");
             model->setText(QStringLiteral("Punto 1.2"));
             QTest::keyClick(model, Qt::Key_Return);
         },
         [] { return DataMap->Model == QLatin1String("Punto 1.2"); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ShowPage(c.page);
        DataMap->ConfigDate = QStringLiteral("010120");
        DataMap->SetSaved(true);
        DataMap->RefreshViews();
        c.edit();
        EXPECT_TRUE(c.stored());
        EXPECT_EQ(DataMap->ConfigDate, Today());
        EXPECT_EQ(Find<QSpinBox>("DayEdit")->value(), QDate::currentDate().day());
        EXPECT_EQ(Find<QSpinBox>("MonthEdit")->value(), QDate::currentDate().month());
        EXPECT_EQ(Find<QSpinBox>("YearEdit")->value(), QDate::currentDate().year());
        EXPECT_FALSE(DataMap->Saved());
    }
}

TEST_F(SettingsPagesTest, TheDateFieldsAndTodayStoreTheDateWithoutRestamping) {
    Create();
    DataMap->ConfigDate = QStringLiteral("150321");
    DataMap->RefreshViews();
    EXPECT_EQ(Find<QSpinBox>("DayEdit")->value(), 15);
    EXPECT_EQ(Find<QSpinBox>("MonthEdit")->value(), 3);
    EXPECT_EQ(Find<QSpinBox>("YearEdit")->value(), 2021);
    Find<QSpinBox>("MonthEdit")->setValue(7);
    EXPECT_EQ(DataMap->ConfigDate, QStringLiteral("150721"));
    Settings().ButtonToday->click();
    EXPECT_EQ(DataMap->ConfigDate, Today());
}

TEST_F(SettingsPagesTest, AMakeNotInTheListShowsAsTypedWithNoItemSelected) {
    Create();
    auto* make = Find<QComboBox>("BrandComboBox");
    DataMap->Make = QStringLiteral("Trabant");
    DataMap->RefreshViews();
    EXPECT_EQ(make->currentIndex(), -1);
    EXPECT_EQ(make->currentText(), QStringLiteral("Trabant"));
    DataMap->Make = QStringLiteral("Lancia");
    DataMap->RefreshViews();
    EXPECT_EQ(make->itemText(make->currentIndex()), QStringLiteral("Lancia"));

    // Typed and confirmed with Enter, a new make reaches the model; typing alone does not.
    make->setFocus();
    make->lineEdit()->selectAll();
    QTest::keyClicks(make->lineEdit(), QStringLiteral("Zastava"));
    EXPECT_EQ(DataMap->Make, QStringLiteral("Lancia"));
    QTest::keyClick(make->lineEdit(), Qt::Key_Return);
    EXPECT_EQ(DataMap->Make, QStringLiteral("Zastava"));
}

// The hint shows 0.9 s after the focus enters, for the plain numeric field that has the focus
// then, and never for a spin field.
TEST_F(SettingsPagesTest, RangeHintShowsTheLimitsOfTheFocusedPlainField) {
    Create();
    FormMain->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(FormMain));
    ShowPage(TFormMain::PageFunctions);
    struct Case {
        std::vector<const char*> focused; // in order, quickly
        const char* hint;                 // null: none
    };
    const Case cases[] = {
        {{"EditCorrenteMantenimento"}, "Min= 0.1 - Max= 2.0"},
        {{"EditTempoMassimaCorrente"}, "Min= 2 - Max= 30"},
        {{"EditOffsetIniettore", "EditAperturaIniettori"}, "Min= 0.0 - Max= 10.0"},
        {{"EditTempoMassimaCorrente", "ComboBoxTipoCambio"}, nullptr},
    };
    QLineEdit* hint = Settings().GUIShowRangeLabel;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.focused.back());
        for (const char* name : c.focused) {
            Find(name)->setFocus();
            ASSERT_TRUE(RunUntil([name] { return QApplication::focusWidget() == Find(name); }, 10000));
        }
        EXPECT_FALSE(hint->isVisible());
        Tick(23);
        EXPECT_FALSE(hint->isVisible()) << "not before 0.9 s";
        Tick(1);
        EXPECT_EQ(hint->isVisible(), c.hint != nullptr);
        if (c.hint) {
            EXPECT_EQ(hint->text(), QLatin1String(c.hint));
            QWidget* field = QApplication::focusWidget();
            const QRect at(hint->parentWidget()->mapTo(FormMain, hint->geometry().topLeft()), hint->size());
            const QPoint fieldAt = field->mapTo(FormMain, QPoint(0, 0));
            EXPECT_EQ(at.bottom() + 1 + 2, fieldAt.y()) << "2 pixels above the field";
            EXPECT_GE(hint->width(), field->width());
        }
        EXPECT_EQ(FormMain->RangeHintCountdown, -1);
        Find("CylindersEdit")->setFocus(); // leaving hides it
        EXPECT_FALSE(hint->isVisible());
        FormMain->RangeHintCountdown = -1;
    }
}

TEST_F(SettingsPagesTest, ChangeoverConditionEnablesItsSettings) {
    Create();
    ShowPage(TFormMain::PageFunctions);
    struct Case {
        int condition;
        bool speedAndDelay, temperature, backup, backupDelay, primeTime;
    };
    const Case cases[] = {
        {0, true, true, true, true, false},
        {1, true, true, true, true, false},
        {2, false, true, true, true, true},
        {3, false, false, false, false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.condition);
        DataMap->BackToPetrolOnLowGas = true;
        DataMap->RefreshViews();
        Find<QComboBox>("ComboBoxTipoCambio")->setCurrentIndex(c.condition);
        EXPECT_EQ(DataMap->SwitchCondition, c.condition);
        for (const char* n : {"EditSogliaGiri", "LabelRPM", "EditRitardoPassaggio", "LabelDelay"})
            EXPECT_EQ(Find(n)->isEnabled(), c.speedAndDelay) << n;
        for (const char* n : {"LabelThresholds", "LabelTemp", "EditThresholdTemp", "ThresholdTempType"})
            EXPECT_EQ(Find(n)->isEnabled(), c.temperature) << n;
        for (const char* n : {"LabelBackup2Petrol", "CheckBoxRitornoAutomatico"})
            EXPECT_EQ(Find(n)->isEnabled(), c.backup) << n;
        for (const char* n : {"BackToGasolineDelayLabel", "EditTempoBassaPressione"})
            EXPECT_EQ(Find(n)->isEnabled(), c.backupDelay) << n;
        EXPECT_EQ(Grid("Mappa_Cicchetto")->isEnabled(), c.primeTime);
        // Mono-fuel switches back-up to petrol off.
        EXPECT_EQ(DataMap->BackToPetrolOnLowGas, c.condition != 3);
        EXPECT_EQ(Find<QCheckBox>("CheckBoxRitornoAutomatico")->isChecked(), c.condition != 3);
    }
    // The back-up delay follows the back-up box.
    Find<QComboBox>("ComboBoxTipoCambio")->setCurrentIndex(0);
    for (bool on : {true, false}) {
        Find<QCheckBox>("CheckBoxRitornoAutomatico")->click();
        EXPECT_EQ(DataMap->BackToPetrolOnLowGas, on);
        EXPECT_EQ(Find("EditTempoBassaPressione")->isEnabled(), on);
    }
}

TEST_F(SettingsPagesTest, WithoutTheirSensorAccelerationControlAndTPSCutOffAreOff) {
    Create();
    // As a loaded file may have it.
    DataMap->MAPSensor = 1;
    DataMap->AccelControlOn = true;
    DataMap->TPSType = TPSRising;
    DataMap->TPSCutOffOn = true;
    DataMap->RefreshViews();
    EXPECT_TRUE(Find("EnableAccelerationControl")->isEnabled());
    EXPECT_TRUE(Find("MapThreshold")->isEnabled());
    EXPECT_TRUE(Find("TPSThresholdEdit")->isEnabled());

    DataMap->MAPSensor = 0;
    DataMap->TPSType = TPSNone;
    DataMap->RefreshViews();
    EXPECT_FALSE(DataMap->AccelControlOn);
    EXPECT_FALSE(DataMap->TPSCutOffOn);
    for (const char* box : {"EnableAccelerationControl", "EnableTPSCutOff"}) {
        EXPECT_FALSE(Find<QCheckBox>(box)->isChecked()) << box;
        EXPECT_FALSE(Find(box)->isEnabled()) << box;
    }
    // Switched off, the boxes grey their groups' settings.
    for (const char* n : {"SliderAccelerationLevel", "MapThreshold", "DeltaMap", "SoftStartT1", "SoftStartT2",
                          "TPShisteresysEdit", "RPMThresholdEdit", "TPSThresholdEdit", "TPSFallTimeEdit"})
        EXPECT_FALSE(Find(n)->isEnabled()) << n;

    // The MAP sensor chosen on the General page: "None" switches the control off.
    ShowPage(TFormMain::PageGeneral);
    DataMap->MAPSensor = 1;
    DataMap->AccelControlOn = true;
    DataMap->RefreshViews();
    Find<QComboBox>("MAPSensorBox")->setCurrentIndex(0);
    EXPECT_FALSE(DataMap->AccelControlOn);
    EXPECT_FALSE(Find("EnableAccelerationControl")->isEnabled());
}

TEST_F(SettingsPagesTest, EnabledBoxesGreyTheirGroups) {
    Create();
    ShowPage(TFormMain::PageLambda);
    auto* trim = Find<QCheckBox>("EnableLambdaController");
    auto* emulation = Find<QCheckBox>("EnableLambdaEmulation");
    const std::vector<const char*> trimControls = {"EditComponenteIngrassare", "EditProporzionaleSmagrire",
                                                   "EditPeriodoMin", "StatusRichControlSpeed", "LabelIntegral"};
    for (bool on : {true, false}) {
        if (trim->isChecked() != on) trim->click();
        if (emulation->isChecked() != on) emulation->click();
        EXPECT_EQ(DataMap->LambdaControllerOn, on);
        EXPECT_EQ(DataMap->LambdaEmulationOn, on);
        for (const char* n : trimControls)
            EXPECT_EQ(Find(n)->isEnabled(), on) << n;
        for (const char* n :
             {"EditLivelloAltoEmulazione", "EditLivelloBassoEmulazione", "LabelEmulatedLevels"})
            EXPECT_EQ(Find(n)->isEnabled(), on) << n;
        EXPECT_TRUE(trim->isEnabled());
        EXPECT_TRUE(emulation->isEnabled());
    }
}

TEST_F(SettingsPagesTest, ProbeTypePresetsTheLambdaSettingsAndLimits) {
    Create();
    ShowPage(TFormMain::PageGeneral);
    struct Case {
        int type;
        double rich, lean, leanThreshold, richThreshold, firstReference, lastReference, lo, hi;
    };
    const Case cases[] = {
        {5, 2.1, 2.8, 2.6, 2.3, 2.55, 2.60, 2, 3},
        {2, 4.0, 0.5, 1.5, 3.0, 2.75, 3.0, 0, 4.2},
        {3, 0.5, 4.0, 3.0, 1.5, 2.75, 3.0, 0, 4.2},
        // The fields show one decimal and the write takes the fields: 1.44 V is stored as 1.4 V.
        {4, 1.4, 0.9, 1.0, 1.3, 1.24, 1.28, 0.8, 1.6},
        {1, 0.8, 0.1, 0.3, 0.6, 0.55, 0.6, 0, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.type);
        Find<QComboBox>("ComboBoxTipoLambda")->setCurrentIndex(c.type);
        EXPECT_EQ(DataMap->LambdaType, c.type);
        EXPECT_NEAR(DataMap->EmulatedRich, c.rich, 1e-9);
        EXPECT_NEAR(DataMap->EmulatedLean, c.lean, 1e-9);
        EXPECT_NEAR(DataMap->LeanThreshold, c.leanThreshold, 1e-9);
        EXPECT_NEAR(DataMap->RichThreshold, c.richThreshold, 1e-9);
        EXPECT_NEAR(DataMap->RiferimentoSondaLambda[1], c.firstReference, 1e-9);
        EXPECT_NEAR(DataMap->RiferimentoSondaLambda[12], c.lastReference, 1e-9);
        for (const char* n : {"RichThresholdEdit", "LeanThresholdEdit", "EditLivelloAltoEmulazione",
                              "EditLivelloBassoEmulazione"}) {
            EXPECT_DOUBLE_EQ(Find<TNumericEdit>(n)->MinValue, c.lo) << n;
            EXPECT_DOUBLE_EQ(Find<TNumericEdit>(n)->MaxValue, c.hi) << n;
        }
    }
    const double references[12] = {2.55, 2.52, 2.50, 2.50, 2.50, 2.52, 2.52, 2.55, 2.57, 2.57, 2.60, 2.60};
    Find<QComboBox>("ComboBoxTipoLambda")->setCurrentIndex(5);
    for (int i = 1; i <= 12; ++i)
        EXPECT_NEAR(DataMap->RiferimentoSondaLambda[i], references[i - 1], 1e-9) << i;

    // "None" also switches gas trim and emulation off.
    DataMap->LambdaControllerOn = DataMap->LambdaEmulationOn = true;
    DataMap->RefreshViews();
    Find<QComboBox>("ComboBoxTipoLambda")->setCurrentIndex(0);
    EXPECT_FALSE(DataMap->LambdaControllerOn);
    EXPECT_FALSE(DataMap->LambdaEmulationOn);
}

// A loaded configuration brings its probe's limits with it: a wide-band probe's 2.3 V threshold is
// not refused against the 0..1 V of another probe.
TEST_F(SettingsPagesTest, LimitsOfTheLambdaFieldsFollowTheProbeOfTheShownConfiguration) {
    Create();
    DataMap->LambdaType = 5;
    DataMap->RefreshViews();
    EXPECT_DOUBLE_EQ(Find<TNumericEdit>("RichThresholdEdit")->MinValue, 2.0);
    EXPECT_DOUBLE_EQ(Find<TNumericEdit>("RichThresholdEdit")->MaxValue, 3.0);
    ShowPage(TFormMain::PageLambda);
    DataMap->EnableCheckRanges = true;
    TypeInto("RichThresholdEdit", QLocale().toString(2.4));
    EXPECT_TRUE(dialogs.told.isEmpty());
    EXPECT_NEAR(DataMap->RichThreshold, 2.4, 1e-9);
}

TEST_F(SettingsPagesTest, ListsPresetTheirDependentSettings) {
    Create();
    ShowPage(TFormMain::PageGeneral);
    struct Case {
        const char* list;
        int item;
        std::function<bool()> preset;
    };
    const Case cases[] = {
        {"ComboBoxTipoTPS", 1, [] { return DataMap->TPSThreshold == 1.0 && DataMap->TPSHysteresis == 0.5; }},
        {"ComboBoxTipoTPS", 2, [] { return DataMap->TPSThreshold == 4.0 && DataMap->TPSHysteresis == 0.5; }},
        {"ComboBoxTipoTPS", 0, [] { return DataMap->TPSThreshold == 0 && DataMap->TPSHysteresis == 0; }},
        {"ComboBoxTipoIniettori", 1, [] { return DataMap->MinOpenTime == 4.0; }},
        {"ComboBoxTipoIniettori", 0, [] { return DataMap->MinOpenTime == 2.8; }},
        {"PressureSensorType", 0, [] { return DataMap->MAPSensor == 0; }},
        {"PressureSensorType", 1, [] { return DataMap->MAPSensor == 1; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.list) + " " + std::to_string(c.item));
        Find<QComboBox>(c.list)->setCurrentIndex(c.item);
        EXPECT_TRUE(c.preset());
    }
}

TEST_F(SettingsPagesTest, KeldBuildListsLackMatrixInjectorsAndLandiSensor) {
    Create();
    EXPECT_EQ(Find<QComboBox>("ComboBoxTipoIniettori")->count(), BuildVariant == KELD ? 2 : 3);
    EXPECT_EQ(Find<QComboBox>("ComboBoxTipoSensoreGas")->count(), BuildVariant == KELD ? 6 : 7);
    EXPECT_EQ(Find<QComboBox>("ComboBoxTipoLambda")->itemText(5), QStringLiteral("UEGO (Bosch)"));
}

// Filling the pages runs with the change guard held, so no control's handler acts.
TEST_F(SettingsPagesTest, ShowConfigurationHoldsTheGuardWhileItFillsTheControls) {
    Create();
    QList<bool> guarded;
    for (const char* n : {"ComboBoxTipoLambda", "PressureReducerType", "ComboBoxCarburante"})
        QObject::connect(Find<QComboBox>(n), &QComboBox::currentIndexChanged, FormMain,
                         [&guarded] { guarded << FormMain->GUIUpdating; });
    DataMap->LambdaType = 5;
    DataMap->ReducerType = 3;
    DataMap->Fuel = FuelCNG;
    DataMap->RefreshViews();
    EXPECT_EQ(guarded, (QList<bool>{true, true, true}));
    EXPECT_FALSE(FormMain->GUIUpdating);
    EXPECT_TRUE(dialogs.asked.isEmpty()) << "no handler asked anything";
}

TEST_F(SettingsPagesTest, ModeShowsItsGroupsAndTheAdaptivityWindowItsLoad) {
    Create();
    for (uint8_t mode : {CompensatedMode, SlaveMode}) {
        SCOPED_TRACE(int(mode));
        OperatingMode = mode;
        FormMain->ApplyOperatingMode();
        const bool compensated = mode == CompensatedMode;
        ShowPage(TFormMain::PageFunctions);
        EXPECT_EQ(Settings().GroupPetrolMapSettings->isVisible(), compensated);
        ShowPage(TFormMain::PageDrivability);
        EXPECT_EQ(Settings().GroupSlaveDelays->isVisible(), !compensated);

        TFormAutoAdaptiveParams* w = FormAutoAdaptiveParams;
        ASSERT_NE(w, nullptr);
        const TOneBasedArray<int32_t, 9>& speeds = compensated ? DataMap->Giri_Comp : DataMap->Giri_Slave;
        EXPECT_DOUBLE_EQ(w->EditMinGiri->MinValue, speeds[1]);
        EXPECT_DOUBLE_EQ(w->EditMaxGiri->MaxValue, speeds[9]);
        const TOneBasedArray<double, 12>& loads =
            compensated ? DataMap->MAP_Comp : DataMap->TempiBenzina_Slave;
        EXPECT_DOUBLE_EQ(w->EditMinY->MinValue, loads[1]);
        EXPECT_DOUBLE_EQ(w->EditMaxY->MaxValue, loads[12]);
        EXPECT_EQ(w->EditMinY->IsReal(), !compensated);
        EXPECT_DOUBLE_EQ(w->EditMinY->Value(),
                         compensated ? DataMap->AdaptCompMinY : DataMap->AdaptSlaveMinY);
    }
}

// Pictures of the settings pages for a person to judge, when CORVANE_SCREENSHOTS names a folder.
TEST_F(SettingsPagesTest, Screenshots) {
    const QString folder = qEnvironmentVariable("CORVANE_SCREENSHOTS");
    if (folder.isEmpty()) GTEST_SKIP() << "CORVANE_SCREENSHOTS is not set";
    Create();
    // CORVANE_SCREENSHOT_SIZE=1920x1080 looks at the pages on a larger screen.
    const QStringList size = qEnvironmentVariable("CORVANE_SCREENSHOT_SIZE").split(QLatin1Char('x'));
    if (size.size() == 2) FormMain->setGeometry(0, 0, size[0].toInt(), size[1].toInt());
    const std::pair<int, const char*> pages[] = {{TFormMain::PageGeneral, "General"},
                                                 {TFormMain::PageFunctions, "Functions"},
                                                 {TFormMain::PageLambda, "Lambda"},
                                                 {TFormMain::PageCorrection, "Correction"},
                                                 {TFormMain::PageDrivability, "Drivability"}};
    for (uint8_t mode : {SlaveMode, CompensatedMode}) {
        OperatingMode = mode;
        FormMain->ApplyOperatingMode();
        for (const auto& [page, name] : pages) {
            ShowPage(page);
            RunFor(300);
            FormMain->grab().save(QDir(folder).filePath(
                QStringLiteral("%1-%2.png")
                    .arg(QLatin1String(name),
                         mode == SlaveMode ? QLatin1String("Slave") : QLatin1String("Compensated"))));
        }
    }
    FormAutoAdaptiveParams->show();
    RunFor(300);
    FormAutoAdaptiveParams->grab().save(QDir(folder).filePath(QStringLiteral("AdaptiveParams.png")));
}

} // namespace

namespace {

// Tab goes across and down each group, down the groups of each column of the page, then to the
// next column.
TEST_F(SettingsPagesTest, TabOrderRunsDownTheGroupsColumnByColumn) {
    Create();
    const std::vector<std::vector<const char*>> pages = {
        {"ComboBoxCarburante", "CylindersEdit", "NumeroLambdaEdit", "PressureReducerType", "BrandComboBox",
         "CarTypeEdit", "DayEdit", "MonthEdit", "YearEdit", "ButtonToday", "ButtonTurbo",
         "ComboBoxTipoLambda", "ComboBoxTipoIniettori", "ComboBoxTipoSensoreGas", "EditImpulsiGiro",
         "ComboBoxTipoTPS", "MAPSensorBox", "PressureSensorType", "ComboBoxTipoAccensione"},
        {"EditOffsetIniettore", "ButtonAutotuning", "ButtonUpdateGas", "EditTempoMassimaCorrente",
         "EditCorrenteMantenimento", "EditAperturaIniettori", "ButtonAcqGasoline", "ButtonUpdateGasoline",
         "ComboBoxTipoCambio", "EditSogliaGiri", "EditThresholdTemp", "ThresholdTempType",
         "EditRitardoPassaggio", "CheckBoxRitornoAutomatico", "EditTempoBassaPressione", "MappaLivelloGas",
         "PowerSwitchButton"},
        {"EnableAccelerationControl", "SliderAccelerationLevel", "MapThreshold", "DeltaMap", "SoftStartT1",
         "SoftStartT2", "SliderExtraInjection", "SliderFullGroupHoldOff", "SlaveMinDelayEdit",
         "SlaveMaxDelayEdit", "EnableTPSCutOff", "TPShisteresysEdit", "RPMThresholdEdit", "TPSThresholdEdit",
         "TPSFallTimeEdit",
         "Mappa_Cicchetto"}, // a table as wide as the page comes after the columns above it
    };
    for (const auto& names : pages) {
        SCOPED_TRACE(names.front());
        QStringList expected;
        for (const char* n : names)
            expected << QLatin1String(n);
        QStringList chain;
        QWidget* w = Find(names.front());
        for (int guard = 0; guard < 400 && chain.size() < expected.size();
             ++guard, w = w->nextInFocusChain()) {
            QWidget* named = w->objectName().isEmpty() ? w->parentWidget() : w; // a list's own editor
            if (named && expected.contains(named->objectName()) && !chain.contains(named->objectName()))
                chain << named->objectName();
        }
        EXPECT_EQ(chain.join(QLatin1Char(' ')).toStdString(), expected.join(QLatin1Char(' ')).toStdString());
    }
}

TEST_F(SettingsPagesTest, GroupBoxOfTheFocusedFieldIsHighlighted) {
    Create();
    FormMain->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(FormMain));
    QWidget* gradient = Settings().FocusedBoxGradient;
    EXPECT_FALSE(gradient->isVisible());
    ShowPage(TFormMain::PageDrivability);
    DataMap->AccelControlOn = true;
    DataMap->MAPSensor = 1;
    DataMap->RefreshViews();
    const std::pair<const char*, const char*> cases[] = {
        {"SlaveMinDelayEdit", "GroupSlaveDelays"},
        {"MapThreshold", "PanelAccelerationSettings"},
        {"SliderExtraInjection", nullptr}, // "Injection control" has no highlight
    };
    for (const auto& [field, box] : cases) {
        SCOPED_TRACE(field);
        Find(field)->setFocus();
        ASSERT_TRUE(RunUntil([field] { return QApplication::focusWidget() == Find(field); }, 10000));
        EXPECT_EQ(gradient->isVisible(), box != nullptr);
        if (box) {
            EXPECT_EQ(gradient->parentWidget()->objectName(), QLatin1String(box));
        }
    }
}

TEST_F(SettingsPagesTest, TurboButtonShowsTheTurboAxis) {
    Create();
    for (double top : {2000.0, 1050.0}) {
        DataMap->MAP_Comp[12] = top;
        DataMap->RefreshViews();
        EXPECT_EQ(Settings().ButtonTurbo->isChecked(), top > 1500);
    }
}

} // namespace

namespace {

// Every page, in either mode, needs no more than a 1366 x 768 screen: the window's least size,
// which holds every page's group boxes at their least size, fits it.
TEST_F(SettingsPagesTest, ThePagesFitA1366By768Screen) {
    Create();
    for (uint8_t mode : {SlaveMode, CompensatedMode}) {
        SCOPED_TRACE(int(mode));
        OperatingMode = mode;
        FormMain->ApplyOperatingMode();
        const QSize least = FormMain->minimumSizeHint().expandedTo(FormMain->minimumSize());
        EXPECT_LE(least.width(), 1366);
        EXPECT_LE(least.height(), 768);
    }
}

} // namespace

namespace {

TEST_F(SettingsPagesTest, RightClickOnAnAdaptiveButtonOpensTheAdaptivityWindowInstead) {
    Create();
    ShowPage(TFormMain::PageFunctions);
    auto* adapt = Find<QPushButton>("ButtonUpdateGas");
    QTest::mouseClick(adapt, Qt::RightButton);
    EXPECT_TRUE(FormAutoAdaptiveParams->isVisible());
    EXPECT_FALSE(adapt->isChecked());
    EXPECT_FALSE(DataMap->GasAdapt);
    QTest::mouseClick(adapt, Qt::LeftButton);
    EXPECT_TRUE(DataMap->GasAdapt);
}

} // namespace
