#include "config/UnitDati.h"
#include "live/StatusPanel.h"
#include "live/UnitAcquisizioni.h"
#include "resources/Strings.h"
#include "widgets/Lamp.h"

#include <QChart>
#include <QChartView>
#include <QFrame>
#include <QLabel>
#include <QLineSeries>
#include <QLocale>
#include <QMenu>
#include <QPushButton>
#include <QTemporaryDir>
#include <QToolButton>
#include <QValueAxis>
#include <gtest/gtest.h>

namespace {

const QColor Red(0xFF, 0x00, 0x00);
const QColor Blue(0x00, 0x00, 0xFF);
const QColor Green(0x00, 0x80, 0x00);
const QColor Teal(0x00, 0x80, 0x80);

// The main window's bottom panel and pages, bare, around the status panel; the glowing label,
// the status bar, the link and the clock are the test's.
class StatusPanelFixture : public ::testing::Test {
protected:
    StatusPanelFixture() {
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        Acquisitions = &acq;
        chart = new QChart;
        timeAxis = new QValueAxis(chart);
        valueAxis = new QValueAxis(chart);
        chart->addAxis(timeAxis, Qt::AlignBottom);
        chart->addAxis(valueAxis, Qt::AlignLeft);
        view = new QChartView(chart, &window);
        places.PanelStatus = new QFrame(&window);
        places.ChartView = view;
        places.Chart = chart;
        places.TimeAxis = timeAxis;
        places.ValueAxis = valueAxis;
        places.FunctionsPage = new QWidget(&window);
        places.LambdaPage = new QWidget(&window);
        places.DrivabilityPage = new QWidget(&window);
        places.ButtonBank = new QPushButton(&window);
        panel = new TStatusPanel(places, &window);
        panel->Connected = [this] { return connected; };
        panel->AnnounceFuel = [this](const QString& text) { announced << text; };
        panel->SetStatusText = [this](int index, const QString& text) { statusBar[index] = text; };
        panel->Now = [this] { return clock; };
        dataMap.LambdaProbes = 1;
        dataMap.LambdaType = 1;
        panel->ShowStatusLayout();
    }
    ~StatusPanelFixture() override {
        Acquisitions = nullptr;
        QLocale::setDefault(QLocale::system());
    }

    template <typename T = QLabel>
    T* Find(const char* name) {
        T* w = window.findChild<T*>(QLatin1String(name));
        EXPECT_NE(w, nullptr) << name;
        return w;
    }
    QString Text(const char* name) { return Find<QLabel>(name)->text(); }
    QColor Colour(const char* name) { return Find<QLabel>(name)->palette().color(QPalette::WindowText); }
    bool Shown(const char* name) { return !Find<QWidget>(name)->isHidden(); }
    QLabel* Caption(StringId id) {
        for (QLabel* l : window.findChildren<QLabel*>())
            if (l->property("captionId").toInt() == int(id)) return l;
        ADD_FAILURE() << "no caption " << int(id);
        return nullptr;
    }

    struct SettingsFolder {
        QTemporaryDir dir;
        SettingsFolder() { qputenv("WinDir", dir.path().toLocal8Bit()); }
    } settingsFolder;
    TDataMap dataMap;
    TAcquisitions acq;
    QWidget window;
    QChart* chart;
    QValueAxis* timeAxis;
    QValueAxis* valueAxis;
    QChartView* view;
    TStatusPlaces places;
    TStatusPanel* panel;
    bool connected = false;
    QStringList announced;
    QString statusBar[2];
    QTime clock{10, 0, 0};
};

TEST(PetrolTimeText, CutOffAndFullOpneedATurningEngine) {
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    struct Case {
        double ms;
        int rpm;
        const char* text;
    };
    const Case cases[] = {
        {40.0, 3000, "full op"}, // one cycle lasts 40 ms at 3000 rpm
        {39.99, 3000, "39.99"},  {0.0, 3000, "cut-off"}, {0.0, 0, "0.00"},
        {45.0, 0, "45.00"},      {3.5, 800, "3.50"},     {150.0, 800, "full op"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(PetrolTimeText(c.ms, c.rpm), QString::fromLatin1(c.text)) << c.ms << " ms at " << c.rpm;
    QLocale::setDefault(QLocale::system());
}

TEST(SamplingPeriod, RunsFromTheLongestAtRestToTheShortestAt6000) {
    struct Case {
        int min, max, rpm;
        double period;
    };
    const Case cases[] = {
        {23, 23, 0, 23}, {23, 23, 4500, 23}, {10, 50, 0, 50}, {10, 50, 3000, 30}, {10, 50, 6000, 10},
        // Past 6000 rpm the period stays at the shortest instead of running below it.
        {10, 50, 9000, 10},
    };
    for (const Case& c : cases)
        EXPECT_DOUBLE_EQ(SamplingPeriodAt(c.min, c.max, c.rpm), c.period) << c.min << "-" << c.max << " @" << c.rpm;
}

TEST_F(StatusPanelFixture, LambdaFieldsAndColoursByProbeTypeAndCount) {
    struct Case {
        int probes, type;
        double lambda1, lambda2, ref;
        const char* left;  // StatusLambdaL, "-" when hidden
        const char* right; // StatusLambdaR
        QColor leftColour, rightColour;
        bool valueCaption;
    };
    const Case cases[] = {
        {1, 1, 0.80, 0.0, 0.45, "-", "0.80", {}, Red, true},
        {1, 1, 0.20, 0.0, 0.45, "-", "0.20", {}, Blue, true},
        {1, 1, 0.45, 0.0, 0.45, "-", "0.45", {}, Red, true}, // at the reference counts as rich
        {2, 2, 0.20, 4.10, 2.50, "0.20", "4.10", Blue, Red, true},
        {1, 3, 3.00, 0.0, 2.50, "-", "3.00", {}, Blue, true}, // 5-0 V: high is lean
        {1, 5, 2.50, 0.0, 2.50, "-", "2.50", {}, Red, true},
        {1, 4, 1.20, 0.0, 1.00, "-", "1.20", {}, Red, true},
        {2, 0, 0.80, 0.80, 0.45, "", "", {}, {}, false}, // "None": empty, caption greyed
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.probes << " probes, type " << c.type << ", " << c.lambda1);
        dataMap.LambdaProbes = c.probes;
        dataMap.LambdaType = c.type;
        acq.Lambda1 = c.lambda1;
        acq.Lambda2 = c.lambda2;
        acq.LambdaRef = c.ref;
        panel->ShowStatusLayout();
        panel->ShowStatus();
        EXPECT_EQ(Shown("StatusLambdaL"), c.probes > 1);
        if (c.probes > 1) {
            EXPECT_EQ(Text("StatusLambdaL"), QString::fromLatin1(c.left));
        }
        EXPECT_EQ(Text("StatusLambdaR"), QString::fromLatin1(c.right));
        if (c.leftColour.isValid()) {
            EXPECT_EQ(Colour("StatusLambdaL"), c.leftColour);
        }
        if (c.rightColour.isValid()) {
            EXPECT_EQ(Colour("StatusLambdaR"), c.rightColour);
        }
        EXPECT_EQ(Caption(SStatusLambdaValue)->isEnabled(), c.valueCaption);
        EXPECT_EQ(!Caption(SStatusLambda)->isHidden(), c.probes == 1);
        EXPECT_EQ(!Caption(SStatusLambda1)->isHidden(), c.probes > 1);
    }
}

TEST_F(StatusPanelFixture, InjectionTrimAndReferenceFieldsFollowProbesAndFuel) {
    struct Case {
        int probes;
        bool petrol, trim, emulation;
        const char *petrolL, *petrolR, *gasL, *gasR, *trimL, *trimR, *ref;
    };
    // Bank 1 is PetrolTime[0] / GasTime[0], bank 2 index 4.
    const Case cases[] = {
        {1, true, false, false, "-", "3.00", "-", "", "-", "", ""},
        {1, false, true, false, "-", "3.00", "-", "4.00", "-", "12.5%", "0.45"},
        {2, false, true, true, "3.00", "5.00", "4.00", "6.00", "12.5%", "-7.0%", "0.45"},
        {2, true, false, true, "3.00", "5.00", "", "", "", "", "0.45"},
    };
    acq.RPM = 800;
    acq.PetrolTime = {3, 0, 0, 0, 5, 0, 0, 0};
    acq.GasTime = {4, 0, 0, 0, 6, 0, 0, 0};
    acq.GasTrim1 = 12.5;
    acq.GasTrim2 = -7;
    acq.LambdaRef = 0.45;
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.probes << " probes, petrol " << c.petrol << ", trim " << c.trim);
        dataMap.LambdaProbes = c.probes;
        acq.Petrol = c.petrol;
        dataMap.LambdaControllerOn = c.trim;
        dataMap.LambdaEmulationOn = c.emulation;
        panel->ShowStatusLayout();
        panel->ShowStatus();
        auto check = [&](const char* name, const char* expected) {
            if (QLatin1String(expected) == QLatin1String("-")) {
                EXPECT_FALSE(Shown(name)) << name;
            } else {
                EXPECT_EQ(Text(name), QString::fromLatin1(expected)) << name;
            }
        };
        check("StatusGasolineInjTimeL", c.petrolL);
        check("StatusGasolineInjTimeR", c.petrolR);
        check("StatusGasInjTimeL", c.gasL);
        check("StatusGasInjTimeR", c.gasR);
        check("StatusFuelTrimL", c.trimL);
        check("StatusFuelTrimR", c.trimR);
        check("StatusLambdaRef", c.ref);
        EXPECT_EQ(Caption(SStatusGasTrim)->isEnabled(), c.trim);
        EXPECT_EQ(Caption(SStatusReference)->isEnabled(), c.trim || c.emulation);
    }
}

TEST_F(StatusPanelFixture, SensorsNotFittedLeaveTheirFieldsEmptyAndCaptionsGreyed) {
    acq.MAP = 412;
    acq.TPSVolt = 0.78;
    acq.WaterTemp = 81.25;
    acq.GasTemp = 23.5;
    acq.GasPressAvg = 1234;
    dataMap.MAPSensor = 1;
    dataMap.TPSType = TPSRising;
    panel->ShowStatus();
    EXPECT_EQ(Text("StatusMAP"), "412");
    EXPECT_EQ(Text("StatusTPS"), "0.78");
    EXPECT_EQ(Text("StatusReducerTemp"), "81.2"); // %3.1f of 81.25 rounds to even
    EXPECT_EQ(Text("StatusGasTemp"), "23.5");
    EXPECT_EQ(Find<QToolButton>("StatusPressure")->text(), "1.23 ");
    EXPECT_TRUE(Caption(SStatusMAP)->isEnabled());
    dataMap.MAPSensor = 0;
    dataMap.TPSType = TPSNone;
    panel->ShowStatus();
    EXPECT_EQ(Text("StatusMAP"), "");
    EXPECT_EQ(Text("StatusTPS"), "");
    EXPECT_FALSE(Caption(SStatusMAP)->isEnabled());
    EXPECT_FALSE(Caption(SStatusTPS)->isEnabled());
}

TEST_F(StatusPanelFixture, TheGlowingLabelAnnouncesEachChangeoverOnce) {
    dataMap.Fuel = FuelLPG;
    struct Step {
        bool petrol, connected, captionsAgain;
        const char* announcement; // "" for none
        const char* power;
        QColor colour;
    };
    const Step steps[] = {
        {true, false, false, "", "Petrol", Green}, // the first display replaces "Power:" silently
        {true, true, false, "", "Petrol", Green},
        {false, true, false, "LPG", "LPG", Teal},
        {false, true, false, "", "LPG", Teal}, // a redisplay without a changeover
        {true, false, false, "", "Petrol", Green}, // not connected: shown, not announced
        {false, true, false, "LPG", "LPG", Teal},
        {true, true, false, "Petrol", "Petrol", Green},
        {true, true, true, "Petrol", "Petrol", Green}, // a language change announces once more
        {true, true, false, "", "Petrol", Green},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(testing::Message() << "petrol " << s.petrol << " connected " << s.connected);
        announced.clear();
        acq.Petrol = s.petrol;
        connected = s.connected;
        if (s.captionsAgain) panel->ApplyCaptions();
        panel->ShowStatus();
        EXPECT_EQ(announced, *s.announcement ? QStringList{QString::fromLatin1(s.announcement)} : QStringList());
        EXPECT_EQ(Text("StatusPowerLabel"), QString::fromLatin1(s.power));
        EXPECT_EQ(Colour("StatusPowerLabel"), s.colour);
    }
    EXPECT_EQ(panel->ChartBackgroundStart(), QColor(0x20, 0x20, 0x20));
}

TEST_F(StatusPanelFixture, GasLevelLampsAndFuelLamps) {
    struct Case {
        double level;
        bool reserve, l1, l2, l3, l4;
    };
    const Case cases[] = {
        {0, true, false, false, false, false},    {11.9, true, false, false, false, false},
        {12, false, true, false, false, false},   {37.9, false, true, false, false, false},
        {38, false, true, true, false, false},    {50, false, true, true, false, false},
        {63, false, true, true, true, false},     {86.9, false, true, true, true, false},
        {87, false, true, true, true, true},      {100, false, true, true, true, true},
    };
    for (const Case& c : cases) {
        acq.GasLevel = c.level;
        panel->ShowStatus();
        const bool expected[5] = {c.reserve, c.l1, c.l2, c.l3, c.l4};
        const char* names[5] = {"LedLevelR", "LedLevel1", "LedLevel2", "LedLevel3", "LedLevel4"};
        for (int i = 0; i < 5; ++i) {
            TLamp* lamp = Find<TLamp>(names[i]);
            EXPECT_EQ(lamp->isEnabled(), expected[i]) << names[i] << " at " << c.level;
            EXPECT_EQ(lamp->ShowsLight(), expected[i]) << names[i] << " at " << c.level;
        }
    }
    struct Fuel {
        bool petrol, pending, petrolLamp, gasLamp, gasFlashing;
    };
    const Fuel fuels[] = {
        {true, false, true, false, false}, {true, true, true, true, true}, {false, false, false, true, false}};
    for (const Fuel& f : fuels) {
        acq.Petrol = f.petrol;
        acq.GasPending = f.pending;
        panel->ShowStatus();
        EXPECT_EQ(Find<TLamp>("LedPetrol")->Lit(), f.petrolLamp);
        EXPECT_EQ(Find<TLamp>("LedGas")->Lit(), f.gasLamp);
        EXPECT_EQ(Find<TLamp>("LedGas")->Flashing(), f.gasFlashing);
    }
}

TEST_F(StatusPanelFixture, GasTrimIndicatorsEngineStateBankAndAcceleration) {
    dataMap.SamplingPeriodMin = 10;
    dataMap.SamplingPeriodMax = 50;
    dataMap.IntegralRich = 64;
    dataMap.IntegralLean = 32;
    acq.RPM = 0;
    panel->ShowStatus();
    EXPECT_EQ(Text("StatusLambdaControlSamplingPeriod"), " 50");
    EXPECT_EQ(Text("StatusRichControlSpeed"), " " + QString("3.9")); // 1000 / 50 x 64 / 32768 x 100
    EXPECT_EQ(Text("StatusLeanControlSpeed"), " " + QString("2.0"));
    acq.RPM = 6000;
    dataMap.SamplingPeriodMin = 0;
    panel->ShowStatus();
    // A period of 0 counts as 1 for the speeds.
    EXPECT_EQ(Text("StatusLambdaControlSamplingPeriod"), " 0");
    EXPECT_EQ(Text("StatusRichControlSpeed"), " 195.3");

    const char* states[] = {"Engine off", "Key on", "Engine on", "Waiting", "Stall", ""};
    for (int s = 0; s <= 5; ++s) {
        acq.EngineState = uint8_t(s);
        panel->ShowStatus();
        EXPECT_EQ(statusBar[1], QString::fromLatin1(states[s]));
    }
    statusBar[1] = "kept";
    acq.EngineState = 9;
    panel->ShowStatus();
    EXPECT_EQ(statusBar[1], "kept");

    dataMap.Bank = 2;
    acq.AccelActive = true;
    panel->ShowStatus();
    EXPECT_EQ(places.ButtonBank->text(), "Bank 2");
    EXPECT_TRUE(Shown("GradientAccelerationControlActive"));
    acq.AccelActive = false;
    panel->ShowStatus();
    EXPECT_FALSE(Shown("GradientAccelerationControlActive"));
}

TEST_F(StatusPanelFixture, PressureFlashesBelowTheFirstBreakpointWhileConnected) {
    const double first = dataMap.GetTableValue(TMapTypeOfData::PressioneGas, 1);
    struct Case {
        double press;
        bool connected, flashing;
    };
    const Case cases[] = {{first - 1, true, true}, {first, true, false}, {first - 1, false, false}, {0, true, true}};
    for (const Case& c : cases) {
        acq.GasPress = int32_t(c.press);
        connected = c.connected;
        panel->ShowStatus();
        EXPECT_EQ(panel->PressureFlashing(), c.flashing) << c.press << " connected " << c.connected;
    }
}

TEST_F(StatusPanelFixture, LayoutShowsTheSeriesAndAxisOfTheConfiguration) {
    struct Case {
        int probes, type;
        bool trim, emulation;
        bool lambda2, reference, emulated1, emulated2;
        double axisMin, axisMax;
        bool reversed;
    };
    const Case cases[] = {
        {1, 0, false, false, false, false, false, false, 0, 1, false},
        {2, 1, true, false, true, true, false, false, 0, 1, false},
        {1, 2, false, true, false, true, true, false, 0, 5, false},
        {2, 3, false, true, true, true, true, true, 0, 5, true},
        {1, 4, false, false, false, false, false, false, 0.8, 1.6, false},
        {1, 5, false, false, false, false, false, false, 0, 5, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.probes << " probes, type " << c.type);
        dataMap.LambdaProbes = c.probes;
        dataMap.LambdaType = c.type;
        dataMap.LambdaControllerOn = c.trim;
        dataMap.LambdaEmulationOn = c.emulation;
        panel->ShowStatusLayout();
        EXPECT_TRUE(panel->Series(TStatusPanel::SeriesLambda1)->isVisible());
        EXPECT_EQ(panel->Series(TStatusPanel::SeriesLambda2)->isVisible(), c.lambda2);
        EXPECT_EQ(panel->Series(TStatusPanel::SeriesReference)->isVisible(), c.reference);
        EXPECT_EQ(panel->Series(TStatusPanel::SeriesEmulated1)->isVisible(), c.emulated1);
        EXPECT_EQ(panel->Series(TStatusPanel::SeriesEmulated2)->isVisible(), c.emulated2);
        EXPECT_DOUBLE_EQ(valueAxis->min(), c.axisMin);
        EXPECT_DOUBLE_EQ(valueAxis->max(), c.axisMax);
        EXPECT_EQ(valueAxis->isReverse(), c.reversed);
    }
}

TEST_F(StatusPanelFixture, TheChartKeepsTenSecondsAndShowsAGapAsALongStep) {
    panel->ClearLambdaChart();
    QLineSeries* lime = panel->Series(TStatusPanel::SeriesLambda1);
    ASSERT_EQ(lime->count(), 1);
    acq.Lambda1 = 0.7;
    acq.GasTrim1 = 0;
    acq.GasTrim2 = 50;
    panel->AddLambdaChartPoint();
    EXPECT_DOUBLE_EQ(lime->at(1).x(), 0.001);
    EXPECT_DOUBLE_EQ(lime->at(1).y(), 0.7);
    // Gas trims sit around half the axis: 0 % at 0.5, +50 % at the top of a 0..1 axis.
    EXPECT_DOUBLE_EQ(panel->Series(TStatusPanel::SeriesGasTrim1)->at(1).y(), 0.5);
    EXPECT_DOUBLE_EQ(panel->Series(TStatusPanel::SeriesGasTrim2)->at(1).y(), 1.0);
    for (int i = 0; i < 200; ++i) {
        clock = clock.addMSecs(150);
        panel->AddLambdaChartPoint();
        const double span = lime->at(lime->count() - 1).x() - lime->at(0).x();
        ASSERT_LE(span, 10.0) << "tick " << i;
    }
    for (int s = 0; s < TStatusPanel::LambdaSeriesCount; ++s)
        EXPECT_EQ(panel->Series(s)->count(), lime->count()) << "series " << s;
    EXPECT_DOUBLE_EQ(timeAxis->min(), lime->at(0).x());
    EXPECT_DOUBLE_EQ(timeAxis->max(), lime->at(lime->count() - 1).x());
    const double before = lime->at(lime->count() - 1).x();
    clock = clock.addSecs(4);
    panel->AddLambdaChartPoint();
    EXPECT_NEAR(lime->at(lime->count() - 1).x() - before, 4.0, 1e-9);

    panel->ClearLambdaChart();
    for (int s = 0; s < TStatusPanel::LambdaSeriesCount; ++s) {
        ASSERT_EQ(panel->Series(s)->count(), 1);
        EXPECT_EQ(panel->Series(s)->at(0), QPointF(0, 0));
    }
    EXPECT_DOUBLE_EQ(timeAxis->min(), 0);
    EXPECT_DOUBLE_EQ(timeAxis->max(), 10);
}

TEST_F(StatusPanelFixture, ThePopUpMenuTogglesTheSeriesOfTheSameIndex) {
    const char* entries[] = {"LambdaChart_Lambda1",   "LambdaChart_Lambda2",    "LambdaChart_FuelTrim1",
                             "LambdaChart_FuelTrim2", "LambdaChart_Reference",  "LambdaChart_EmuLambda1",
                             "LambdaChart_EmuLambda2"};
    QMenu* menu = panel->PopupMenu();
    for (int i = 0; i < TStatusPanel::LambdaSeriesCount; ++i) {
        QAction* entry = menu->findChild<QAction*>(QLatin1String(entries[i]));
        ASSERT_NE(entry, nullptr) << entries[i];
        EXPECT_EQ(entry->text(), panel->Series(i)->name());
        std::vector<bool> states;
        for (int j = 0; j < TStatusPanel::LambdaSeriesCount; ++j)
            states.push_back(panel->Series(j)->isVisible());
        emit menu->aboutToShow();
        EXPECT_EQ(entry->isChecked(), states[size_t(i)]) << entries[i];
        entry->trigger();
        states[size_t(i)] = !states[size_t(i)];
        for (int j = 0; j < TStatusPanel::LambdaSeriesCount; ++j)
            EXPECT_EQ(panel->Series(j)->isVisible(), states[size_t(j)]) << entries[i] << " series " << j;
    }
    EXPECT_EQ(menu->findChild<QAction*>("LambdaChart_FuelTrim2")->text(), "Gas trim 2%");
}

} // namespace
