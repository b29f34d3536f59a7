#include "common/FileBytes.h"
#include "common/RunUntil.h"
#include "common/ScriptedDialogs.h"
#include "live/LiveFixture.h"
#include "live/UnitAcquisitionPanel.h"
#include "widgets/RoundMeter.h"

#include <QAction>
#include <QChart>
#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QLineSeries>
#include <QLocale>
#include <QPushButton>
#include <QTemporaryDir>
#include <QValueAxis>
#include <algorithm>
#include <vector>

namespace {

std::vector<QPointF> Points(const QLineSeries* s) {
    const QList<QPointF> list = s->points();
    return {list.begin(), list.end()};
}

// The meters window over a live-data manager fed with replies, with a clock that the test moves.
class MetersWindow : public LiveFixture {
protected:
    MetersWindow() : window(nullptr) {
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        window.Now = [this] { return clock; };
    }
    ~MetersWindow() override { QLocale::setDefault(QLocale::system()); }

    // One poll tick 150 ms after the last.
    void Tick() {
        clock = clock.addMSecs(150);
        window.UpdateDisplay();
    }

    TFormAcquisitionPanel window;
    QTime clock{9, 0, 0};
    ScriptedDialogs dialogs;
    QTemporaryDir dir;
};

TEST(TraceRows, EndColourIsHalfThePackedColour) {
    struct Case {
        QColor colour, end;
    };
    const Case cases[] = {
        {QColor(0xFF, 0xFF, 0x00), QColor(0xFF, 0x7F, 0x00)}, // 0x00FFFF / 2 = 0x007FFF
        {QColor(0x00, 0xFF, 0xFF), QColor(0x80, 0xFF, 0x7F)}, // 0xFFFF00 / 2 = 0x7FFF80
        {QColor(0xFF, 0x00, 0x80), QColor(0x7F, 0x00, 0x40)},
        {QColor(0x00, 0x00, 0x00), QColor(0x00, 0x00, 0x00)},
    };
    for (const Case& c : cases)
        EXPECT_EQ(TraceRowEndColour(c.colour), c.end) << c.colour.name().toStdString();
}

TEST_F(MetersWindow, TracesKeep100SecondsAndTheFirstPointIsRecordedAsZero) {
    acq.SetStandard(true);
    EXPECT_EQ(acq.GetDisplay(), &window);
    acq.RPM = 1500;
    window.UpdateDisplay();
    QLineSeries* revs = window.Trace(0);
    ASSERT_EQ(revs->count(), 2);
    EXPECT_DOUBLE_EQ(revs->at(1).x(), 0.001);
    EXPECT_DOUBLE_EQ(revs->at(1).y(), 25.0); // 1500 of 6000
    EXPECT_TRUE(window.LastLine().startsWith("0.00\t1500.00\t")) << window.LastLine().toStdString();
    for (int i = 0; i < 1000; ++i) {
        Tick();
        ASSERT_LE(revs->at(revs->count() - 1).x() - revs->at(0).x(), 100.0) << "tick " << i;
    }
    EXPECT_NEAR(revs->at(revs->count() - 1).x(), 0.001 + 1000 * 0.15, 1e-6);
    for (int k = 0; k < TraceCount; ++k)
        EXPECT_EQ(window.Trace(k)->count(), revs->count()) << "trace " << k;
    window.RedrawTraces(); // the batched redraw scrolls the axis
    EXPECT_DOUBLE_EQ(window.TimeAxis()->min(), revs->at(0).x());
    EXPECT_DOUBLE_EQ(window.TimeAxis()->max(), revs->at(revs->count() - 1).x());

    window.ClearTraces();
    window.ResetAxes();
    for (int k = 0; k < TraceCount; ++k)
        EXPECT_EQ(Points(window.Trace(k)), std::vector<QPointF>{QPointF(0, 0)});
    EXPECT_DOUBLE_EQ(window.TimeAxis()->max(), 100);
}

// The points of a series with a time inside [from, to].
std::vector<QPointF> PointsWithin(const QLineSeries* s, double from, double to) {
    std::vector<QPointF> inside;
    for (const QPointF& p : s->points())
        if (p.x() >= from && p.x() <= to) inside.push_back(p);
    return inside;
}

TEST_F(MetersWindow, TheChartDrawsAThinnedCopyThatKeepsTheExtremesAndAZoomThinsAgain) {
    window.resize(1366, 740);
    window.show();
    ASSERT_TRUE(RunUntil([&] { return window.DrawnTrace(0)->chart()->plotArea().width() > 500; }, 10000));
    for (int k = 0; k < TraceCount; ++k)
        window.SetTraceVisible(k, k == 0);
    // 90 s of a saw-tooth of revs at 50 points a second (several points a pixel column), then
    // 10 s of steady revs.
    for (int i = 0; i < 5000; ++i) {
        acq.RPM = i < 4500 ? 1000 + (i % 10) * 500 : 3000;
        clock = clock.addMSecs(20);
        window.UpdateDisplay();
    }
    window.RedrawTraces();
    const QLineSeries* data = window.Trace(0);
    const QLineSeries* drawn = window.DrawnTrace(0);
    ASSERT_EQ(data->count(), 5001); // every point is kept for recording and zooming
    const QList<QPointF> all = data->points();
    // At most the first, lowest, highest and last point of each pixel column.
    EXPECT_LE(drawn->count(), 4 * int(drawn->chart()->plotArea().width()) + 8);
    for (const QPointF& p : drawn->points())
        ASSERT_TRUE(all.contains(p)) << p.x() << " " << p.y();
    EXPECT_EQ(drawn->points().front(), all.front());
    EXPECT_EQ(drawn->points().back(), all.back());
    // Every peak and every trough of the saw-tooth is the extreme of its pixel column: all drawn.
    const QList<QPointF> shown = drawn->points();
    auto withRevs = [](const QList<QPointF>& points, double rpm) {
        return std::count_if(points.begin(), points.end(), [rpm](const QPointF& p) { return p.y() == rpm * 100.0 / 6000; });
    };
    EXPECT_EQ(withRevs(all, 5500), 450);
    EXPECT_EQ(withRevs(shown, 5500), 450);
    EXPECT_EQ(withRevs(all, 1000), 450);
    EXPECT_EQ(withRevs(shown, 1000), 450);
    const double steadyFrom = all[4501].x();
    EXPECT_LE(PointsWithin(drawn, steadyFrom, all.back().x()).size(), 2u) << "a steady run keeps its two ends";
    for (int k = 1; k < TraceCount; ++k) {
        EXPECT_EQ(window.DrawnTrace(k)->count(), 0) << "hidden trace " << k;
        EXPECT_EQ(window.Trace(k)->count(), data->count()) << "trace " << k;
    }

    // Zoomed into two seconds, every point is drawn again.
    const double from = all[1000].x(), to = all[1100].x();
    window.TimeAxis()->setRange(from, to);
    ASSERT_TRUE(RunUntil([&] { return PointsWithin(drawn, from, to) == PointsWithin(data, from, to); }, 10000));
}

TEST_F(MetersWindow, AMaxOfZeroPlotsTheValueUnscaled) {
    struct Case {
        double max, value, plotted;
    };
    const Case cases[] = {{5, 2.5, 50}, {0, 3.3, 3.3}, {3000, 1500, 50}, {0, 1500, 1500}};
    for (const Case& c : cases) {
        window.SetTraceMax(2, c.max);
        window.AddTracePoint(2, 1, c.value);
        EXPECT_DOUBLE_EQ(window.Trace(2)->points().back().y(), c.plotted) << c.max;
    }
    // A Max typed into the edit applies to the points added afterwards.
    window.MaxEdit(2)->setText("10");
    emit window.MaxEdit(2)->textEdited("10");
    window.AddTracePoint(2, 2, 2.5);
    EXPECT_DOUBLE_EQ(window.Trace(2)->points().back().y(), 25);
    EXPECT_DOUBLE_EQ(window.TraceMax(2), 10);
}

TEST_F(MetersWindow, RailPressureStaysFlatInStandardPolling) {
    acq.SetStandard(true);
    for (int i = 0; i < 5; ++i) {
        clock = clock.addMSecs(150);
        acq.PollLiveData(); // the window's update, then the request
        // Every byte of the full reply changes from one reply to the next.
        Reply(ReplyCode(cmdLiveData), QByteArray(110, char(0x11 * (i + 1))));
    }
    const std::vector<QPointF> rail = Points(window.Trace(22));
    const std::vector<QPointF> revs = Points(window.Trace(0));
    ASSERT_EQ(rail.size(), 6u);
    for (size_t i = 1; i < rail.size(); ++i)
        EXPECT_EQ(rail[i].y(), rail[1].y()) << i;
    EXPECT_NE(revs[3].y(), revs[4].y()); // while the speed moves
}

TEST_F(MetersWindow, GasMetersReadZeroOnPetrolAndFacesFollowTheFlags) {
    acq.GasTime.fill(5.5);
    acq.PetrolTime.fill(4.25);
    acq.PetrolFlag = {true, true, true, true, false, false, false, false};
    acq.GasFlag = {true, false, true, false, true, false, true, false};
    for (bool petrol : {true, false}) {
        acq.Petrol = petrol;
        window.UpdateDisplay();
        for (int c = 0; c < 8; ++c) {
            SCOPED_TRACE(testing::Message() << "petrol " << petrol << " cylinder " << c + 1);
            EXPECT_DOUBLE_EQ(window.InjGass[c]->Value(), petrol ? 0.0 : 5.5);
            EXPECT_EQ(window.InjGassValue[c]->text(), petrol ? "0.00" : "5.50");
            EXPECT_DOUBLE_EQ(window.InjBenz[c]->Value(), 4.25);
            EXPECT_EQ(window.InjBenzValue[c]->text(), "4.25");
            EXPECT_EQ(window.InjBenz[c]->FaceGradientVisible(), acq.PetrolFlag[c]);
            EXPECT_EQ(window.InjGass[c]->FaceGradientVisible(), acq.GasFlag[c]);
            EXPECT_EQ(window.InjBenz[c]->FaceColour(), QColor(0xC8, 0xFF, 0xC8));
            EXPECT_EQ(window.InjGass[c]->FaceColour(), QColor(0xC8, 0xFF, 0xFA));
        }
    }
}

TEST_F(MetersWindow, ARecordingWithHiddenTracesLoadsBackAsTheSamePoints) {
    acq.SetStandard(true);
    window.SetTraceVisible(2, true); // TPS shown
    window.SetTraceVisible(1, false); // MAP hidden
    const QString path = dir.filePath("drive.txt");
    dialogs.files << path;
    window.ButtonSaveClick();
    ASSERT_TRUE(acq.Saving);
    EXPECT_TRUE(window.ButtonSave->isChecked());
    EXPECT_FALSE(window.ButtonLoad->isEnabled());
    EXPECT_EQ(window.windowTitle(), "Display - saving acquired data in " + path);
    EXPECT_EQ(window.ChartGradientEnd(), QColor(0x80, 0x00, 0x00));
    for (int i = 0; i < 30; ++i) {
        acq.RPM = 800 + 50 * i;
        acq.MAP = 300 + i;
        acq.TPSVolt = 0.5 + i / 100.0;
        acq.GasPress = 1000 + 10 * i;
        Tick();
    }
    std::vector<std::vector<QPointF>> recorded;
    for (int k = 0; k < TraceCount; ++k)
        recorded.push_back(Points(window.Trace(k)));
    dialogs.answers << mbYes;
    window.ButtonSaveClick();
    ASSERT_FALSE(acq.Saving);
    EXPECT_EQ(window.windowTitle(), "Display");

    window.SetTraceVisible(1, true);
    dialogs.files << path;
    window.ButtonLoadClick();
    ASSERT_TRUE(acq.Loading);
    EXPECT_TRUE(dialogs.told.isEmpty()) << dialogs.told.join('|').toStdString();
    EXPECT_FALSE(window.TraceVisible(1));
    EXPECT_TRUE(window.TraceVisible(2));
    EXPECT_FALSE(window.ButtonSave->isEnabled());
    EXPECT_EQ(window.windowTitle(), "Display - data acquired in " + path);
    EXPECT_EQ(window.ChartGradientEnd(), QColor(0x80, 0x80, 0x00));
    for (int k = 0; k < TraceCount; ++k) {
        const std::vector<QPointF> loaded = Points(window.Trace(k));
        ASSERT_EQ(loaded.size(), recorded[size_t(k)].size()) << "trace " << k;
        // Times and values are written with two decimals: the first point's 0.001 s reads 0.00.
        for (size_t i = 0; i < loaded.size(); ++i) {
            EXPECT_NEAR(loaded[i].x(), recorded[size_t(k)][i].x(), 0.0011) << "trace " << k << " point " << i;
            EXPECT_NEAR(loaded[i].y(), recorded[size_t(k)][i].y(), 1e-9) << "trace " << k << " point " << i;
        }
    }
    EXPECT_NEAR(window.TimeAxis()->max(), recorded[0].back().x(), 0.0011);

    // While the file is shown, ticks move the meters but add no points.
    acq.RPM = 4321;
    Tick();
    EXPECT_EQ(window.Trace(0)->count(), int(recorded[0].size()));
    EXPECT_EQ(window.RPMValue->text(), "4321");

    window.ButtonLoadClick();
    EXPECT_FALSE(acq.Loading);
    EXPECT_EQ(window.windowTitle(), "Display");
    EXPECT_EQ(window.ChartGradientEnd(), QColor(0x00, 0x00, 0x80));
    EXPECT_TRUE(window.ButtonSave->isEnabled());
}

TEST_F(MetersWindow, AnUnreadableFileIsReportedWithItsLineAndTheWindowGoesBackToLive) {
    acq.SetStandard(true);
    const QString path = dir.filePath("bad.txt");
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("time [s]\tRevs [RPM]\r\n0.00\t800.00\r\n0.15\tlots\r\n");
    }
    dialogs.files << path;
    window.ButtonLoadClick();
    EXPECT_FALSE(acq.Loading);
    ASSERT_EQ(dialogs.told.size(), 1);
    EXPECT_TRUE(dialogs.told[0].contains(path));
    EXPECT_TRUE(dialogs.told[0].contains("Line 3")) << dialogs.told[0].toStdString();
    EXPECT_EQ(window.windowTitle(), "Display");
    EXPECT_FALSE(window.ButtonLoad->isChecked());
    EXPECT_TRUE(window.ButtonSave->isEnabled());

    // A recording file that cannot be created.
    dialogs.files << dir.filePath("no/such/folder/run.txt");
    window.ButtonSaveClick();
    EXPECT_FALSE(acq.Saving);
    ASSERT_EQ(dialogs.told.size(), 2);
    EXPECT_TRUE(dialogs.told[1].contains("run.txt"));
    EXPECT_EQ(window.windowTitle(), "Display");
    EXPECT_TRUE(window.ButtonLoad->isEnabled());
}

TEST_F(MetersWindow, TheRateMenuChoosesThePollingAndItsTraces) {
    window.FormShow();
    EXPECT_TRUE(acq.Standard);
    EXPECT_TRUE(window.Standard1->isChecked());
    auto shown = [this] {
        std::vector<int> v;
        for (int k = 0; k < TraceCount; ++k)
            if (window.TraceVisible(k) && window.Trace(k)->isVisible()) v.push_back(k);
        return v;
    };
    struct Step {
        QAction* item;
        bool standard, superFast;
        std::vector<int> traces;
    };
    const Step steps[] = {
        {window.SuperFast1, false, true, {0, 1, 7, 14, 15, 16, 22}},
        {window.Standard1, true, false, {0, 1, 7, 16}},
        {window.SuperFast1, false, true, {0, 1, 7, 14, 15, 16, 22}},
        // The checked item again switches to the other rate; only choosing a rate's own item
        // applies its traces.
        {window.SuperFast1, true, false, {0, 1, 7, 14, 15, 16, 22}},
        {window.Standard1, false, true, {0, 1, 7, 14, 15, 16, 22}},
    };
    for (const Step& s : steps) {
        s.item->trigger();
        EXPECT_EQ(acq.Standard, s.standard);
        EXPECT_EQ(acq.SuperFast, s.superFast);
        EXPECT_EQ(window.Standard1->isChecked(), s.standard);
        EXPECT_EQ(window.SuperFast1->isChecked(), s.superFast);
        EXPECT_EQ(shown(), s.traces);
    }
    // A check box click sets every trace's visibility from its own box.
    window.TraceCheckBox(5)->click();
    EXPECT_TRUE(window.Trace(5)->isVisible());
}

TEST_F(MetersWindow, OpeningSetsTheLambdaRangeAndThePressureSectors) {
    for (int i = 1; i <= 15; ++i) {
        dataMap.PressioneGas[i] = 500 + 100 * i; // 0.6 .. 2.0 bar
        dataMap.CorrPressioneGas[i] = i <= 3 ? 30 : (i <= 10 ? 0 : -30);
    }
    struct Case {
        int type;
        double min, max;
    };
    const Case cases[] = {{0, 0, 1}, {1, 0, 1}, {2, 0, 5}, {3, 0, 5}, {4, 0.8, 1.6}, {5, 0, 5}};
    for (const Case& c : cases) {
        dataMap.LambdaType = c.type;
        window.FormShow();
        EXPECT_DOUBLE_EQ(window.LambdaMeter->Minimum(), c.min) << c.type;
        EXPECT_DOUBLE_EQ(window.LambdaMeter->Maximum(), c.max) << c.type;
    }
    EXPECT_DOUBLE_EQ(window.PressMeter->Minimum(), 0.6);
    EXPECT_DOUBLE_EQ(window.PressMeter->Maximum(), 2.0);
    // Corrections above 10 % up to breakpoint 3, above -10 % up to breakpoint 10: sector 1 ends at
    // breakpoint 3 (0.8 bar), sector 2 at breakpoint 10 (1.5 bar), each rounded to a thousandth
    // of the scale.
    const auto& sectors = window.PressMeter->Sectors();
    ASSERT_EQ(sectors.size(), 3u);
    EXPECT_NEAR(sectors[0].To, 0.8, 0.0015);
    EXPECT_NEAR(sectors[1].From, 0.8, 0.0015);
    EXPECT_NEAR(sectors[1].To, 1.5, 0.0015);
    EXPECT_NEAR(sectors[2].To, 2.0, 0.0015);
    // No ECU connected: nothing to record.
    EXPECT_FALSE(window.ButtonSave->isEnabled());
}

TEST_F(MetersWindow, DoubleClickingTheChartTwiceRestoresTheLayout) {
    window.resize(1280, 700);
    window.show();
    const int graph = window.PanelGraph->height();
    window.Chart1DblClick();
    QCoreApplication::processEvents();
    EXPECT_FALSE(window.PanelMeters->isVisible());
    EXPECT_GT(window.PanelGraph->height(), graph);
    window.Chart1DblClick();
    QCoreApplication::processEvents();
    EXPECT_TRUE(window.PanelMeters->isVisible());
    EXPECT_EQ(window.PanelGraph->height(), graph);
    window.hide();
}

TEST_F(MetersWindow, ClosingWhileRecordingAsksAndCancelKeepsItGoing) {
    acq.SetStandard(true);
    dialogs.files << dir.filePath("close.txt");
    window.ButtonSaveClick();
    ASSERT_TRUE(acq.Saving);
    dialogs.answers << mbCancel;
    EXPECT_FALSE(window.FormCloseQuery());
    EXPECT_TRUE(acq.Saving);
    ASSERT_EQ(dialogs.asked.size(), 1);
    EXPECT_EQ(dialogs.asked[0], "Closing this window will stop saving the acquired data.\nDo you want to proceed ?");
    dialogs.answers << mbOK;
    EXPECT_TRUE(window.FormCloseQuery());
    window.FormClose();
    EXPECT_FALSE(acq.Saving);
    EXPECT_FALSE(acq.Standard);
    EXPECT_FALSE(acq.SuperFast);
    EXPECT_TRUE(ReadAll(dir.filePath("close.txt")).contains("SCALING"));
}

} // namespace
