#pragma once

#include "link/Codec.h"
#include "link/Frames.h"

#include <QStringList>
#include <vector>

// A link host that records what the request path writes and says, so a test can feed packets
// and run the reply countdown by hand.
class FakeLinkHost : public TLinkPort, public TLinkObserver {
public:
    bool portOpen = true;
    bool portSelected = true;
    bool openFails = false;
    bool writeFails = false;
    bool purgeFails = false;
    bool armed = false;
    bool connected = true;
    bool periodic = true;
    int countdown = -1;
    int pollingSwitchedOn = 0;
    int fallbacks = 0;
    int queued = 0;
    std::vector<QByteArray> written; // logical frames, unstuffed back
    std::vector<QByteArray> wire;
    QStringList comErrors;
    QStringList status;
    TConsumerInterface* linkConsumer = nullptr;

    bool PortIsOpen() override { return portOpen; }
    bool PortIsSelected() override { return portSelected; }
    QString PortName() override { return portSelected ? QStringLiteral("ttyS7") : QString(); }
    bool OpenPort() override {
        if (openFails) return false;
        portOpen = true;
        return true;
    }
    bool DetectorArmed() override { return armed; }
    void ArmDetector() override { armed = true; }
    void DisarmDetector() override { armed = false; }
    bool WritePort(const QByteArray& bytes) override {
        if (writeFails) return false;
        wire.push_back(bytes);
        written.push_back(UnescapeFrame(bytes));
        return true;
    }
    bool PurgePort() override { return !purgeFails; }
    void ProcessPendingMessages() override {}
    void SetReplyCountdown(int ticks) override { countdown = ticks; }
    void LogFrame(const QByteArray&, bool) override {}
    void ShowQueuedCount(int count) override { queued = count; }
    void AddComError(const QString& message) override { comErrors << message; }
    void ShowLinkStatus(std::function<QString()> compose, bool clearSecond) override {
        status << compose() + (clearSecond ? QStringLiteral(" |") : QString());
    }
    bool ECUisConnected() override { return connected; }
    void SetECUisConnected(bool c) override { connected = c; }
    bool PeriodicDutiesOn() override { return periodic; }
    void SwitchStatusPollingOn() override { ++pollingSwitchedOn; }
    void FallBackToFirstPort() override { ++fallbacks; }
    TConsumerInterface* LinkConsumer() override { return linkConsumer; }
};

// A consumer that notes each notification with the command it concerned.
class RecordingConsumer : public TConsumerInterface {
public:
    QStringList events;
    std::vector<QByteArray> replies;
    std::function<void()> onReceived;

    void FrameReceived(const TFrame& reply) override {
        events << QStringLiteral("received %1").arg(FrameCommand(reply.Data), 4, 16, QLatin1Char('0'));
        replies.push_back(reply.Data);
        if (onReceived) onReceived();
    }
    void FrameDiscarded() override { events << QStringLiteral("discarded %1").arg(HeadCode(), 2, 16, QLatin1Char('0')); }
    void FrameFailed() override { events << QStringLiteral("failed %1").arg(HeadCode(), 2, 16, QLatin1Char('0')); }

private:
    static int HeadCode() { return TXQueue && TXQueue->HeadFrame() ? FrameCommand(TXQueue->HeadFrame()->Data) : -1; }
};
