#include "common/RunUntil.h"
#include "widgets/Lamp.h"
#include "widgets/RoundMeter.h"

#include <QImage>
#include <gtest/gtest.h>

namespace {

TEST(RoundMeter, MarksKeepTheLowestAndHighestSinceTheirReset) {
    TRoundMeter meter;
    meter.SetRange(0, 30);
    for (double v : {5.0, 12.5, 2.0, 8.0})
        meter.SetValue(v);
    EXPECT_DOUBLE_EQ(meter.LowestMark(), 2.0);
    EXPECT_DOUBLE_EQ(meter.HighestMark(), 12.5);
    meter.ResetMarks();
    EXPECT_DOUBLE_EQ(meter.LowestMark(), 8.0);
    EXPECT_DOUBLE_EQ(meter.HighestMark(), 8.0);
    meter.SetValue(9.0);
    EXPECT_DOUBLE_EQ(meter.LowestMark(), 8.0);
    EXPECT_DOUBLE_EQ(meter.HighestMark(), 9.0);
    // A value that is not a number leaves the needle and the marks where they were.
    meter.SetValue(std::numeric_limits<double>::quiet_NaN());
    EXPECT_DOUBLE_EQ(meter.Value(), 9.0);
}

// The needle moves on the picture, and the face's tint shows only while its flag is set.
TEST(RoundMeter, NeedleAndFaceTintReachThePicture) {
    TRoundMeter meter;
    meter.resize(160, 160);
    meter.SetRange(0, 8);
    meter.SetFaceColour(QColor(0xC8, 0xFF, 0xC8));
    const QImage low = meter.grab().toImage();
    meter.SetValue(8);
    const QImage high = meter.grab().toImage();
    EXPECT_NE(low, high);
    meter.SetValue(0);
    EXPECT_NE(meter.grab().toImage(), low); // the marks of 0 and 8 show
    meter.ResetMarks();
    EXPECT_EQ(meter.grab().toImage(), low);
    meter.SetFaceGradientVisible(true);
    const QImage tinted = meter.grab().toImage();
    EXPECT_NE(tinted, low);
    // Near the rim of the face the tint is the face colour's green cast.
    const QColor rim = tinted.pixelColor(80, 145);
    EXPECT_GT(rim.green(), rim.red()) << rim.name().toStdString();
}

TEST(Lamp, AFlashingLampAlternatesAndAnUnlitOneStaysDark) {
    TLamp lamp;
    lamp.SetLit(true);
    lamp.SetFlashing(true);
    EXPECT_TRUE(lamp.ShowsLight());
    ASSERT_TRUE(RunUntil([&] { return !lamp.ShowsLight(); }, 5000));
    ASSERT_TRUE(RunUntil([&] { return lamp.ShowsLight(); }, 5000));
    lamp.SetFlashing(false);
    EXPECT_TRUE(lamp.ShowsLight());
    lamp.SetLit(false);
    lamp.SetFlashing(true);
    EXPECT_FALSE(lamp.ShowsLight());
}

} // namespace
