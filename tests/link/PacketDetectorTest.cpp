#include "link/PacketDetector.h"
#include "QtPrinters.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <gtest/gtest.h>

namespace {

class Detector : public ::testing::Test {
protected:
    Detector() {
        QObject::connect(&detector, &TPacketDetector::PacketReceived,
                         [this](const QByteArray& p) { packets.push_back(p.toHex(' ')); });
        QObject::connect(&detector, &TPacketDetector::PacketTimeout, [this] { ++timeouts; });
    }
    TPacketDetector detector;
    std::vector<QByteArray> packets;
    int timeouts = 0;
};

TEST_F(Detector, CutsFromStartByteToNextAndDisarmsItself) {
    detector.Arm();
    detector.Feed(QByteArray::fromHex("0102fe0a0bfe"));
    detector.Feed(QByteArray::fromHex("fe0cfe"));
    ASSERT_EQ(packets.size(), 1u);
    EXPECT_EQ(packets[0], "fe 0a 0b fe"); // bytes before the start byte are line noise
    EXPECT_FALSE(detector.Armed());
}

TEST_F(Detector, BytesAfterAPacketInTheSameChunkAreDropped) {
    detector.Arm();
    QObject::connect(&detector, &TPacketDetector::PacketReceived, [this] { detector.Arm(); });
    detector.Feed(QByteArray::fromHex("fe01fefe02fe"));
    ASSERT_EQ(packets.size(), 1u);
    detector.Feed(QByteArray::fromHex("fe03fe"));
    ASSERT_EQ(packets.size(), 2u);
    EXPECT_EQ(packets[1], "fe 03 fe");
}

TEST_F(Detector, PacketMayArriveInPiecesAndNothingIsTakenWhileDisarmed) {
    detector.Feed(QByteArray::fromHex("fe01fe"));
    EXPECT_TRUE(packets.empty());
    detector.Arm();
    detector.Feed(QByteArray::fromHex("fe01"));
    detector.Feed(QByteArray::fromHex("02"));
    detector.Feed(QByteArray::fromHex("03fe"));
    ASSERT_EQ(packets.size(), 1u);
    EXPECT_EQ(packets[0], "fe 01 02 03 fe");
}

TEST_F(Detector, UnfinishedPacketTimesOutAndIsDropped) {
    detector.TimeoutMs = 30;
    detector.Arm();
    detector.Feed(QByteArray::fromHex("fe0102"));
    QElapsedTimer waited;
    waited.start();
    while (timeouts == 0 && waited.elapsed() < 5000)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    EXPECT_EQ(timeouts, 1);
    // The dropped start does not join the next packet.
    detector.Arm();
    detector.Feed(QByteArray::fromHex("03fe04fe"));
    ASSERT_EQ(packets.size(), 1u);
    EXPECT_EQ(packets[0], "fe 04 fe");
}

TEST_F(Detector, DisarmDropsAPacketInProgressAndItsTimeout) {
    detector.TimeoutMs = 10;
    detector.Arm();
    detector.Feed(QByteArray::fromHex("fe01"));
    detector.Disarm();
    detector.Arm();
    detector.Feed(QByteArray::fromHex("02"));
    QElapsedTimer waited;
    waited.start();
    while (waited.elapsed() < 60)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    EXPECT_TRUE(packets.empty());
    EXPECT_EQ(timeouts, 0);
}

} // namespace
