// The settings pages against corvane-ecu-sim: the blocks each edit writes, the questions of the
// reducer and fuel lists, the power-mode button's requests, the adaptivity window's block 9, and
// that filling the pages writes nothing.
#include "SettingsPagesFixture.h"

#include "calibration/UnitAutoAdaptiveParams.h"
#include "config/NumberFormat.h"

#include <QPushButton>

namespace {

class SettingsPagesEcu : public SettingsPagesTest {
protected:
    static QByteArray EcuBlock(TEcuSim& ecu, int block) {
        QStringList lines;
        if (!ecu.Command(QStringLiteral("block %1 1").arg(block), &lines) || lines.isEmpty()) return {};
        return QByteArray::fromHex(lines.first().toLatin1());
    }
    static QString Number(double v) { return NumberLocale().toString(v); }
};

TEST_F(SettingsPagesEcu, EachPageEditWritesExactlyTheBlocksOfItsPage) {
    TEcuSim ecu;
    Connect(ecu);
    struct Case {
        const char* what;
        int page;
        std::function<void()> edit;
        QStringList writes;
    };
    const Case cases[] = {
        {"Cylinders", TFormMain::PageGeneral, [] { Find<QSpinBox>("CylindersEdit")->setValue(6); }, {"W1"}},
        {"the offset",
         TFormMain::PageFunctions,
         [] { TypeInto("EditOffsetIniettore", Number(1.5)); },
         {"W2", "W9"}},
        {"a lambda threshold",
         TFormMain::PageLambda,
         [] { TypeInto("LeanThresholdEdit", Number(0.4)); },
         {"W5"}},
        {"a Slave delay",
         TFormMain::PageDrivability,
         [] { TypeInto("SlaveMinDelayEdit", Number(1.5)); },
         {"W7"}},
        {"a slider",
         TFormMain::PageDrivability,
         [] { Find<QSlider>("SliderFullGroupHoldOff")->setValue(40); },
         {"W7"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ShowPage(c.page);
        c.edit();
        ASSERT_TRUE(Settle());
        EXPECT_EQ(sent, c.writes);
        // The ECU holds what the model now holds.
        for (const QString& w : c.writes) {
            const int block = w.mid(1).toInt();
            EXPECT_EQ(EcuBlock(ecu, block).toHex(), DataMap->RawData.EncodeBlock(uint8_t(block), 1).toHex())
                << block;
        }
        sent.clear();
    }
    EXPECT_DOUBLE_EQ(DataMap->InjectorOffset, 1.5);
    EXPECT_DOUBLE_EQ(DataMap->FullGroupHoldOff, 40);
}

TEST_F(SettingsPagesEcu, AnOutOfRangeValueSendsNothing) {
    TEcuSim ecu;
    Connect(ecu);
    ShowPage(TFormMain::PageFunctions);
    DataMap->EnableCheckRanges = true;
    TypeInto("EditTempoMassimaCorrente", QStringLiteral("31"));
    ASSERT_TRUE(Settle());
    EXPECT_TRUE(sent.isEmpty());
    EXPECT_EQ(dialogs.told, QStringList{QStringLiteral("Parameter out of range.")});
}

TEST_F(SettingsPagesEcu, ReducerQuestionDecidesWhatIsStoredAndWritten) {
    TEcuSim ecu;
    Connect(ecu);
    ShowPage(TFormMain::PageGeneral);
    struct Case {
        TMsgButton answer;
        int item;
        int stored;
        QStringList writes;
        bool corrections; // the pressure correction is the new reducer's default
    };
    const Case cases[] = {
        {mbCancel, 3, 1, {}, false},
        {mbNo, 2, 2, {"W1"}, false},
        {mbYes, 3, 3, {"W1", "W6"}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.answer);
        DataMap->CorrPressioneGas[1] = 77;
        dialogs.answers = {c.answer};
        dialogs.asked.clear();
        Find<QComboBox>("PressureReducerType")->setCurrentIndex(c.item);
        ASSERT_TRUE(Settle());
        const QString reducer[] = {QStringLiteral("CNG STD"), QStringLiteral("LPG STD"),
                                   QStringLiteral("LPG MP"), QStringLiteral("LPG HP")};
        EXPECT_EQ(dialogs.asked,
                  QStringList{QStringLiteral("Would you like to load default corrections for %1 "
                                             "reducer ?")
                                  .arg(reducer[c.item])});
        EXPECT_EQ(DataMap->ReducerType, c.stored);
        EXPECT_EQ(Find<QComboBox>("PressureReducerType")->currentIndex(), c.stored);
        EXPECT_EQ(sent, c.writes);
        EXPECT_EQ(DataMap->CorrPressioneGas[1] != 77, c.corrections);
        sent.clear();
    }
}

TEST_F(SettingsPagesEcu, FuelSelectsItsReducerAndOffersItsSlaveMap) {
    TEcuSim ecu;
    Connect(ecu);
    ShowPage(TFormMain::PageGeneral);
    struct Case {
        uint8_t mode;
        TMsgButton answer;
        QStringList asked;
        QStringList writes;
    };
    const Case cases[] = {
        {SlaveMode,
         mbYes,
         {"Would you like to load default map for CNG fuel ?"},
         {"W1", "W6", "W8/1", "W8/2"}},
        {SlaveMode, mbNo, {"Would you like to load default map for CNG fuel ?"}, {"W1", "W6"}},
        {CompensatedMode, mbYes, {}, {"W1", "W6"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.mode) + " " + std::to_string(c.answer));
        OperatingMode = c.mode;
        DataMap->Fuel = FuelLPG;
        DataMap->ReducerType = 1;
        FormMain->ApplyOperatingMode();
        DataMap->TempiGas_Slave_banco1[3][3] = 9.99;
        dialogs.answers = {c.answer};
        dialogs.asked.clear();
        Find<QComboBox>("ComboBoxCarburante")->setCurrentIndex(FuelCNG);
        ASSERT_TRUE(Settle());
        EXPECT_EQ(dialogs.asked, c.asked);
        EXPECT_EQ(DataMap->Fuel, FuelCNG);
        EXPECT_EQ(DataMap->ReducerType, 0);
        EXPECT_EQ(sent, c.writes);
        EXPECT_EQ(DataMap->TempiGas_Slave_banco1[3][3] != 9.99, c.writes.contains("W8/1"));
        sent.clear();
    }
}

// A short press asks for a changeover (data 1); held 0.5 s while on petrol it asks for data 2
// when the time is up and again on release.
TEST_F(SettingsPagesEcu, PowerButtonDataBytesFollowThePressLength) {
    TEcuSim ecu;
    Connect(ecu);
    FormMain->DiagnosticsDisableStatusUpdate1Execute(); // the engine state stays as the test sets it
    ShowPage(TFormMain::PageFunctions);
    QPushButton* button = Settings().PowerSwitchButton;
    struct Case {
        const char* what;
        bool petrol;
        int ticksHeld;
        QStringList sentWhileHeld;
        QStringList sentInAll;
    };
    const Case cases[] = {
        {"short", true, 5, {}, {"fuel 1"}},
        {"short on gas", false, 12, {}, {"fuel 1"}},
        {"long on petrol", true, 14, {"fuel 2"}, {"fuel 2", "fuel 2"}},
        {"long on gas", false, 30, {}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Acquisitions->Petrol = c.petrol;
        QTest::mousePress(button, Qt::LeftButton);
        Tick(c.ticksHeld);
        ASSERT_TRUE(Settle());
        EXPECT_EQ(sent, c.sentWhileHeld);
        resending.clear(); // answered: the same request again is a new one
        QTest::mouseRelease(button, Qt::LeftButton);
        ASSERT_TRUE(Settle());
        EXPECT_EQ(sent, c.sentInAll);
        EXPECT_EQ(FormMain->PowerButtonCountdown, -1);
        sent.clear();
        resending.clear();
    }
}

TEST_F(SettingsPagesEcu, FillingThePagesWritesNothing) {
    TEcuSim ecu;
    Connect(ecu);
    for (int page : {TFormMain::PageGeneral, TFormMain::PageFunctions, TFormMain::PageLambda,
                     TFormMain::PageDrivability}) {
        ShowPage(page);
        DataMap->Cylinders = 3 + page % 5;
        DataMap->LambdaType = page % 6;
        DataMap->SwitchCondition = page % 4;
        DataMap->ReducerType = page % 4;
        DataMap->Fuel = uint8_t(page % 2);
        DataMap->TPSType = page % 3;
        DataMap->InjectorType = page % 2;
        DataMap->PressureSensorType = (page + 1) % 2;
        DataMap->AccelLevel = 60 + page;
        DataMap->SwitchRPM = 2049;
        DataMap->ConfigDate = QStringLiteral("0102%1").arg(10 + page);
        DataMap->RefreshViews();
        OperatingMode = uint8_t(page % 2);
        FormMain->ApplyOperatingMode();
    }
    ASSERT_TRUE(Settle());
    EXPECT_TRUE(sent.isEmpty()) << sent.join(QLatin1Char(' ')).toStdString();
    EXPECT_TRUE(dialogs.asked.isEmpty());
    EXPECT_EQ(DataMap->SwitchRPM, 2049) << "only an edit rounds the speed";
}

TEST_F(SettingsPagesEcu, AdaptivityWindowWritesBlock9OnEveryAcceptedChange) {
    TEcuSim ecu;
    Connect(ecu);
    TFormAutoAdaptiveParams* w = FormAutoAdaptiveParams;
    w->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(w));
    const auto type = [](TNumericEdit* edit, const QString& text) {
        edit->setFocus();
        edit->selectAll();
        QTest::keyClicks(edit, text);
        QTest::keyClick(edit, Qt::Key_Return);
    };
    struct Case {
        const char* what;
        bool checking;
        std::function<void()> change;
        QStringList writes;
        std::function<bool()> stored;
    };
    const int firstSpeed = DataMap->Giri_Slave[1];
    const Case cases[] = {
        {"the minimum speed",
         true,
         [&] { type(w->EditMinGiri, QString::number(firstSpeed + 100)); },
         {"W9"},
         [&] { return DataMap->AdaptMinRPM == firstSpeed + 100; }},
        {"the correction slider",
         true,
         [&] { w->SliderCorrection->setValue(55); },
         {"W9"},
         [] { return qFuzzyCompare(DataMap->AdaptSlaveCorrection, 5.5); }},
        {"the clip time slider",
         true,
         [&] { w->SliderTempoPermanenza->setValue(20); },
         {"W9"},
         [] { return DataMap->AdaptDwell == 20; }},
        {"a speed below the axis, checked",
         true,
         [&] { type(w->EditMinGiri, QString::number(firstSpeed - 100)); },
         {},
         [&] { return DataMap->AdaptMinRPM == firstSpeed + 100; }},
        {"a speed below the axis, unchecked",
         false,
         [&] { type(w->EditMinGiri, QString::number(firstSpeed - 100)); },
         {"W9"},
         [&] { return DataMap->AdaptMinRPM == firstSpeed - 100; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        DataMap->EnableCheckRanges = c.checking;
        dialogs.told.clear();
        c.change();
        ASSERT_TRUE(Settle());
        EXPECT_EQ(sent, c.writes);
        EXPECT_TRUE(c.stored());
        EXPECT_EQ(dialogs.told.isEmpty(), !c.writes.isEmpty());
        EXPECT_EQ(w->EditMinGiri->IntegerValue(), DataMap->AdaptMinRPM) << "the window shows the model";
        sent.clear();
    }
    EXPECT_EQ(EcuBlock(ecu, 9).toHex(), DataMap->RawData.EncodeBlock(9, 1).toHex());
}

} // namespace
