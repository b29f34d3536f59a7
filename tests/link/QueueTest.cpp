#include "QtPrinters.h"
#include "FakeLinkHost.h"
#include "link/ReplyDispatch.h"

#include <QCoreApplication>
#include <gtest/gtest.h>

namespace {

class RequestPath : public ::testing::Test {
protected:
    RequestPath() : queue(&host, &host), dispatcher(&queue, &host, &host) {
        TXQueue = &queue;
        host.linkConsumer = &linkConsumer;
    }
    ~RequestPath() override { TXQueue = nullptr; }

    static QByteArray Body(uint16_t code, QByteArray payload = {}) { return CommandBody(code) + payload; }
    void Reply(uint16_t code, const QByteArray& payload = {}) { dispatcher.HandlePacket(EscapeFrame(BuildFrame(code, payload))); }
    // Runs the reply countdown to its expiry, as the master timer would.
    void ExpireCountdown() {
        ASSERT_GE(host.countdown, 0);
        host.countdown = -1;
        dispatcher.HandleTimeout();
    }
    static void RunDeliveries() { QCoreApplication::processEvents(); }

    RecordingConsumer consumer, other, linkConsumer; // outlive the queue, which flushes at its end
    FakeLinkHost host;
    TTXQueue queue;
    TReplyDispatcher dispatcher;
};

TEST_F(RequestPath, IdleQueueTransmitsAtOnceAndBusyQueueOnlyAppends) {
    SendCommand(Body(cmdIdentify), &consumer, false);
    ASSERT_EQ(host.written.size(), 1u);
    EXPECT_EQ(FrameCommand(host.written[0]), cmdIdentify);
    EXPECT_EQ(host.countdown, 49);
    EXPECT_TRUE(host.armed);
    SendCommand(Body(cmdStatus), &consumer, false);
    EXPECT_EQ(host.written.size(), 1u);
    EXPECT_EQ(queue.Count(), 2);
    EXPECT_EQ(host.queued, 2);
}

TEST_F(RequestPath, ValidReplyIsDeliveredAsACopyAfterTheNextRequestWentOut) {
    SendCommand(Body(cmdIdentify), &consumer, true);
    SendCommand(Body(cmdMode, "\x03"), &other, false);
    Reply(ReplyCode(cmdIdentify), "FW 2.1");
    // The next request is on the wire before the first reply is handed over.
    ASSERT_EQ(host.written.size(), 2u);
    EXPECT_TRUE(consumer.events.isEmpty());
    Reply(ReplyCode(cmdMode), "\x01");
    RunDeliveries();
    ASSERT_EQ(consumer.replies.size(), 1u);
    EXPECT_EQ(FramePayload(consumer.replies[0]), "FW 2.1"); // not overwritten by the second reply
    ASSERT_EQ(other.replies.size(), 1u);
    EXPECT_EQ(FramePayload(other.replies[0]), "\x01");
    EXPECT_EQ(host.pollingSwitchedOn, 2);
    EXPECT_EQ(host.countdown, -1);
    EXPECT_TRUE(queue.IsEmpty());
}

TEST_F(RequestPath, ReplyKeepsTheRequestsNotify) {
    bool notified = false;
    struct NotifyConsumer : RecordingConsumer {
        bool* seen;
        void FrameReceived(const TFrame& reply) override { *seen = reply.Notify; }
    } c;
    c.seen = &notified;
    SendCommand(Body(cmdConnect), &c, true);
    Reply(ReplyCode(cmdConnect));
    RunDeliveries();
    EXPECT_TRUE(notified);
}

TEST_F(RequestPath, UnansweredRequestIsSentThreeTimesThenFailedAndEveryConsumerTold) {
    SendCommand(Body(cmdStatus), &consumer, false);
    SendCommand(Body(cmdLiveData), &other, false);
    SendCommand(Body(cmdVIN, "\x02"), &consumer, false);
    ExpireCountdown();
    ExpireCountdown();
    EXPECT_EQ(host.written.size(), 3u);
    for (const QByteArray& f : host.written)
        EXPECT_EQ(FrameCommand(f), cmdStatus);
    ExpireCountdown();
    EXPECT_EQ(consumer.events, QStringList({"failed 0b", "discarded 0b", "discarded 16"}));
    EXPECT_EQ(other.events, QStringList({"discarded 03"}));
    EXPECT_TRUE(queue.IsEmpty());
    EXPECT_TRUE(queue.Enabled());
    EXPECT_FALSE(host.connected);
    EXPECT_EQ(host.status, QStringList({"ECU not connected on ttyS7 |"}));
    EXPECT_EQ(host.countdown, -1);
}

TEST_F(RequestPath, NoPortSelectedGivesNoComPortFound) {
    host.portSelected = false;
    host.portOpen = false;
    SendCommand(Body(cmdStatus), &consumer, false);
    EXPECT_TRUE(host.written.empty());
    EXPECT_EQ(host.countdown, 49); // a time-out check follows every attempt
    ExpireCountdown();
    ExpireCountdown();
    ExpireCountdown();
    EXPECT_EQ(host.status, QStringList({"No COM port found |"}));
}

TEST_F(RequestPath, NotSupportedMarksTheCodeAndDropsLaterFramesUntilCleared) {
    SendCommand(Body(cmdStatus), &consumer, false);
    SendCommand(Body(cmdLiveData), &other, false);
    Reply(rspNotSupported);
    EXPECT_EQ(host.comErrors, QStringList({"ECU does not support command 0x000B"}));
    EXPECT_EQ(consumer.events, QStringList({"discarded 0b"}));
    EXPECT_TRUE(queue.IsUnsupported(cmdStatus));
    EXPECT_FALSE(queue.Contains(cmdStatus));
    EXPECT_TRUE(queue.Contains(cmdLiveData));
    ASSERT_EQ(host.written.size(), 2u); // the next request went out
    Reply(ReplyCode(cmdLiveData));
    SendCommand(Body(cmdStatus), &consumer, false);
    EXPECT_TRUE(queue.IsEmpty()); // dropped silently
    EXPECT_EQ(consumer.events.size(), 1);
    queue.ClearUnsupported();
    SendCommand(Body(cmdStatus), &consumer, false);
    EXPECT_EQ(queue.Count(), 1);
}

TEST_F(RequestPath, BadPacketsAreReportedAndTheRequestRetriedOnTimeOut) {
    struct Case {
        QByteArray wire;
        QString message;
    };
    QByteArray badSum = BuildFrame(ReplyCode(cmdLiveData), "x");
    badSum[6] = 'y';
    const Case cases[] = {
        {QByteArray::fromHex("FE0102FBFFFE"), "Incoming frame incomplete, command 03"},
        {EscapeFrame(badSum), "Checksum error in incoming frame, command 03"},
        {EscapeFrame(BuildFrame(rspChecksumError, {})), "Checksum error in outgoing frame, command 03"},
        {EscapeFrame(BuildFrame(0x1234, {})), "Unespected answer to command 03"},
    };
    SendCommand(Body(cmdLiveData), &consumer, false);
    for (const Case& c : cases) {
        host.comErrors.clear();
        dispatcher.HandlePacket(c.wire);
        EXPECT_EQ(host.comErrors, QStringList({c.message}));
        EXPECT_EQ(queue.Count(), 1);
        EXPECT_EQ(host.countdown, 49); // still running
    }
    RunDeliveries();
    EXPECT_TRUE(consumer.events.isEmpty());
    ExpireCountdown();
    EXPECT_EQ(host.written.size(), 2u);
}

TEST_F(RequestPath, AnEchoingLineIsReportedAsModemAndUnexpectedAnswer) {
    SendCommand(Body(cmdConnect), &consumer, false);
    dispatcher.HandlePacket(host.wire.back());
    EXPECT_EQ(host.status, QStringList({"ERROR: modem on ttyS7"}));
    EXPECT_EQ(host.comErrors, QStringList({"Unespected answer to command 07"}));
}

TEST_F(RequestPath, PacketWithoutPendingRequestIsOnlyLogged) {
    Reply(ReplyCode(cmdConnect));
    RunDeliveries();
    EXPECT_TRUE(host.comErrors.isEmpty());
    EXPECT_EQ(host.pollingSwitchedOn, 0);
}

TEST_F(RequestPath, FrameTimeOutReportsAndHandlesTheTimeOutAtOnce) {
    SendCommand(Body(cmdLiveData), &consumer, false);
    dispatcher.HandlePacketTimeout();
    EXPECT_EQ(host.comErrors, QStringList({"Frame time-out error"}));
    EXPECT_EQ(host.written.size(), 2u);
    host.purgeFails = true;
    dispatcher.HandlePacketTimeout();
    EXPECT_EQ(host.fallbacks, 1);
}

TEST_F(RequestPath, DisconnectedSendProbesFirstButNotForConnectOrReset) {
    host.connected = false;
    SendCommand(Body(cmdIdentify), &consumer, false);
    SendCommand(Body(cmdStatus), &consumer, false); // a probe already waits
    SendCommand(Body(cmdReset, "\x01"), &consumer, false);
    ASSERT_EQ(queue.Count(), 4);
    Reply(ReplyCode(cmdConnect));
    Reply(ReplyCode(cmdIdentify));
    Reply(ReplyCode(cmdStatus));
    ASSERT_EQ(host.written.size(), 4u);
    const uint16_t order[] = {cmdConnect, cmdIdentify, cmdStatus, cmdReset};
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(FrameCommand(host.written[i]), order[i]);
    RunDeliveries();
    EXPECT_EQ(linkConsumer.events, QStringList({"received fff8"}));
    EXPECT_TRUE(host.connected); // periodic duties were on
}

TEST_F(RequestPath, ARequestWaitingBehindTheProbeIsNotSentIntoTheConnectionFlush) {
    // A host that, like the serial link, flushes and identifies when the ECU becomes connected.
    struct ConnectingHost : FakeLinkHost {
        void SetECUisConnected(bool c) override {
            const bool was = connected;
            FakeLinkHost::SetECUisConnected(c);
            if (!was && c) {
                TXQueue->Flush();
                QueueFrame(CommandBody(cmdIdentify), nullptr, false);
            }
        }
    } connectingHost;
    TTXQueue q(&connectingHost, &connectingHost);
    TReplyDispatcher d(&q, &connectingHost, &connectingHost);
    TXQueue = &q;
    connectingHost.connected = false;
    SendCommand(Body(cmdStatus), &consumer, false); // probe first, then the status request
    d.HandlePacket(EscapeFrame(BuildFrame(ReplyCode(cmdConnect), {})));
    ASSERT_EQ(connectingHost.written.size(), 2u);
    EXPECT_EQ(FrameCommand(connectingHost.written[1]), cmdIdentify); // the status request never went out
    EXPECT_EQ(consumer.events, QStringList({"discarded 0b"}));
    d.HandlePacket(EscapeFrame(BuildFrame(ReplyCode(cmdIdentify), "ID")));
    EXPECT_TRUE(connectingHost.comErrors.isEmpty());
    EXPECT_TRUE(q.IsEmpty());
    RunDeliveries();
    TXQueue = &queue;
}

TEST_F(RequestPath, DisabledQueueDropsFramesSilently) {
    queue.SetEnabled(false);
    SendCommand(Body(cmdStatus), &consumer, false);
    EXPECT_TRUE(queue.IsEmpty());
    EXPECT_TRUE(host.written.empty());
    EXPECT_TRUE(consumer.events.isEmpty());
}

TEST_F(RequestPath, ConsumerQueuingFromFrameReceivedGoesBehindWaitingRequests) {
    consumer.onReceived = [&] { SendCommand(Body(cmdFastData), &consumer, false); };
    SendCommand(Body(cmdStatus), &consumer, false);
    SendCommand(Body(cmdLiveData), &other, false);
    Reply(ReplyCode(cmdStatus));
    RunDeliveries();
    EXPECT_EQ(FrameCommand(queue.HeadFrame()->Data), cmdLiveData);
    EXPECT_TRUE(queue.Contains(cmdFastData));
    EXPECT_EQ(queue.Count(), 2);
}

TEST_F(RequestPath, TwentyNinePendingIsTheLimitAndAThirtiethIsRefusedAndReported) {
    for (int i = 0; i < 29; ++i)
        SendCommand(Body(cmdStatus), &consumer, false);
    EXPECT_EQ(queue.Count(), 29);
    SendCommand(Body(cmdLiveData), &other, false);
    EXPECT_EQ(queue.Count(), 29);
    EXPECT_EQ(other.events, QStringList({"discarded 03"})); // told about its own frame
    EXPECT_EQ(host.comErrors, QStringList({"Transmit queue full, request dropped: command 03"}));
    EXPECT_FALSE(queue.Contains(cmdLiveData));
    EXPECT_TRUE(consumer.events.isEmpty()); // nothing pending was lost
    EXPECT_EQ(FrameCommand(queue.HeadFrame()->Data), cmdStatus);
}

TEST_F(RequestPath, PortErrorFlushesReportsAndLeavesTheQueueUsable) {
    SendCommand(Body(cmdStatus), &consumer, false);
    SendCommand(Body(cmdLiveData), &other, false);
    host.writeFails = true;
    Reply(ReplyCode(cmdStatus)); // sending the next request fails
    EXPECT_EQ(other.events, QStringList({"discarded 03"}));
    EXPECT_EQ(host.comErrors, QStringList({"Cannot write to port ttyS7"}));
    EXPECT_TRUE(queue.Enabled());
    EXPECT_TRUE(queue.IsEmpty());
    host.writeFails = false;
    SendCommand(Body(cmdConnect), &consumer, false);
    EXPECT_EQ(FrameCommand(host.written.back()), cmdConnect);

    host.portOpen = false;
    host.openFails = true;
    queue.Flush();
    SendCommand(Body(cmdConnect), &consumer, false);
    EXPECT_TRUE(queue.IsEmpty());
    EXPECT_TRUE(queue.Enabled());
}

TEST_F(RequestPath, FlushTellsEveryConsumerAndDropsWhatTheyQueueMeanwhile) {
    struct Requeuer : RecordingConsumer {
        void FrameDiscarded() override {
            RecordingConsumer::FrameDiscarded();
            SendCommand(CommandBody(cmdConnect), this, false);
        }
    } requeuer;
    SendCommand(Body(cmdStatus), &requeuer, false);
    SendCommand(Body(cmdLiveData), &other, false);
    queue.Flush();
    EXPECT_EQ(requeuer.events, QStringList({"discarded 0b"}));
    EXPECT_EQ(other.events, QStringList({"discarded 03"}));
    EXPECT_TRUE(queue.IsEmpty());
    EXPECT_TRUE(queue.Enabled());
    EXPECT_EQ(queue.Head, 0);
}

TEST_F(RequestPath, ThrowingConsumerDoesNotDisturbTheQueue) {
    struct Thrower : RecordingConsumer {
        void FrameReceived(const TFrame&) override { throw 1; }
        void FrameFailed() override { throw 2; }
    } thrower;
    SendCommand(Body(cmdStatus), &thrower, false);
    Reply(ReplyCode(cmdStatus));
    RunDeliveries();
    SendCommand(Body(cmdStatus), &thrower, false);
    ExpireCountdown();
    ExpireCountdown();
    ExpireCountdown();
    EXPECT_TRUE(queue.IsEmpty());
    EXPECT_TRUE(queue.Enabled());
}

TEST_F(RequestPath, ReusedFramesAllocateNothingPerRequest) {
    SendCommand(Body(cmdLiveData), &consumer, false);
    const char* buffer = queue.HeadFrame()->Data.constData();
    for (int i = 0; i < TTXQueue::RingSize; ++i) {
        Reply(ReplyCode(cmdLiveData));
        SendCommand(Body(cmdLiveData), &consumer, false);
    }
    EXPECT_EQ(queue.HeadFrame()->Data.constData(), buffer); // the ring came round to the same frame
    RunDeliveries();
}

TEST(SynchThread, TerminatedThreadDeliversNothing) {
    TSynchThread thread;
    RecordingConsumer c;
    TFrame f;
    f.Assign(BuildFrame(0xFFF8, {}), &c, false);
    thread.SetTarget(&c, f);
    thread.Resume();
    thread.Terminate();
    QCoreApplication::processEvents();
    EXPECT_TRUE(c.events.isEmpty());
}

} // namespace
