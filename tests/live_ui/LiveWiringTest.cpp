#include "common/ProgramFixture.h"
#include "live/UnitAcquisitionPanel.h"
#include "live/UnitAcquisizioni.h"

#include <QAction>
#include <QChart>
#include <QChartView>
#include <QLabel>
#include <QLineSeries>
#include <QMetaMethod>

namespace {

class LiveWiring : public ProgramFixture {};

// Every signal of the live-data manager reaches a window of the program: a signal added without
// its connection, or a connection lost, fails here.
TEST_F(LiveWiring, EverySignalOfTheLiveDataManagerIsFollowed) {
    CreateProgram();
    ASSERT_NE(Acquisitions, nullptr);
    const QMetaObject& meta = TAcquisitions::staticMetaObject;
    int signalCount = 0;
    for (int i = meta.methodOffset(); i < meta.methodCount(); ++i) {
        const QMetaMethod method = meta.method(i);
        if (method.methodType() != QMetaMethod::Signal) continue;
        ++signalCount;
        EXPECT_TRUE(Acquisitions->SignalFollowed(method)) << method.methodSignature().toStdString();
    }
    EXPECT_GE(signalCount, 7);
    EXPECT_EQ(Acquisitions->GetDisplay(), FormAcquisitionPanel);
}

// The signals do what the windows need: a reply shows on the status panel, a poll tick adds a
// lambda chart point, polling switched on clears the chart.
TEST_F(LiveWiring, RepliesAndTicksReachTheStatusPanelAndTheChart) {
    CreateProgram();
    auto* lime = FormMain->LambdaChart->findChild<QLineSeries*>("Series1");
    ASSERT_NE(lime, nullptr);
    Acquisitions->RPM = 2345;
    emit Acquisitions->RefreshStatus();
    auto* rpm = FormMain->findChild<QLabel*>("StatusRPM");
    ASSERT_NE(rpm, nullptr);
    EXPECT_EQ(rpm->text(), "2345");
    emit Acquisitions->LambdaChartCleared();
    EXPECT_EQ(lime->count(), 1);
    emit Acquisitions->LambdaChartTick();
    EXPECT_EQ(lime->count(), 2);
    Acquisitions->SetStatusUpdate(true);
    EXPECT_EQ(lime->count(), 1);
    EXPECT_TRUE(FormMain->DiagnosticsDisableStatusUpdate1->isEnabled());
    EXPECT_FALSE(FormMain->DiagnosticsEnableStatusUpdate1->isEnabled());
    Acquisitions->SetStatusUpdate(false);
    EXPECT_TRUE(FormMain->DiagnosticsEnableStatusUpdate1->isEnabled());
}

} // namespace
